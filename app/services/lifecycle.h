// What the program does on its files when it starts and when it ends.
#pragma once

#include <QString>

#include <functional>

namespace meridane {

struct StartupOutcome {
    QString installedStamp; // Text3
    QString offeredStamp;   // Text4
    QString notice;         // the record pane's text; empty when the check did not get there
};

// Fills the user's folder of an installed program (PrepareProgramFolder), makes the working copy,
// fetches the update database (within Limits().startupCheckMs, with the checks of
// UpdateDbTransfer), reads both stamps and the notice. The first failure ends it silently. load
// (the window's load step) runs exactly once: when the installed stamp is about to be read, or at
// the end if the sequence stopped before that.
StartupOutcome RunStartup(const std::function<void()>& load);

// Overwrites the working copy with Ifonts.fon and deletes the update database; stops silently at
// the first step that fails. The working copy is replaced in one rename, never left half-written.
void RunShutdown();

QString PlaceholderPath(); // Ifonts.fon in the data folder

} // namespace meridane
