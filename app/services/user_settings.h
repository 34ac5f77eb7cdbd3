// What the program remembers for its user between runs: the window's place, size and maximized
// state, and whether the music was switched off. An INI file in the user's configuration folder.
#pragma once

#include <QRect>
#include <QString>

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

} // namespace meridane
