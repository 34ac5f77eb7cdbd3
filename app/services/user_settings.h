// What the program remembers for its user between runs: the window's place, size and maximized
// state, whether the music was switched off, the keywords searched in each category and the
// folder of the last export. An INI file in the user's configuration folder.
#pragma once

#include <QRect>
#include <QString>
#include <QStringList>

#include <optional>

namespace meridane {

// ~/.config/Meridane/settings.ini (the program's configuration location), or the file set with
// SetUserSettingsFile.
QString UserSettingsFile();
// Uses path instead (a test's own file); an empty path goes back to the user's.
void SetUserSettingsFile(const QString& path);

struct WindowPlacement {
    // The window's frame top left and its size before any frame of its own is added, as the
    // window sets them at load.
    QRect rect;
    bool maximized = false;
};

std::optional<WindowPlacement> LoadWindowPlacement();
void SaveWindowPlacement(const WindowPlacement& placement);

bool MusicSwitchedOff();
void SaveMusicSwitchedOff(bool off);

// "繁简通查": whether a keyword matches its variant forms; off until the user turns it on.
bool VariantsOn();
void SaveVariantsOn(bool on);

// "输入即查": whether the result list follows the keyword box as the user types; off until the
// user turns it on.
bool TypeAheadOn();
void SaveTypeAheadOn(bool on);

// The folder the last export was saved in; empty until the first.
QString ExportFolder();
void SaveExportFolder(const QString& folder);

// The keyword strings searched in a category (its number, 1 to 6), newest first: distinct, at
// most kKeywordHistorySize of them.
constexpr qsizetype kKeywordHistorySize = 50;
QStringList KeywordHistory(int category);
// Puts keywords first in the category's history (moved there when it is already kept); text of
// spaces and commas alone is not kept.
void AddToKeywordHistory(int category, const QString& keywords);
void ClearKeywordHistory(int category);

} // namespace meridane
