// What the program asks of the desktop: start a program, open a page, beep.
// Tests install a recorder instead of launching anything.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace meridane {

class ShellServices {
public:
    virtual ~ShellServices() = default;
    // Starts program without waiting; false when it could not be started.
    virtual bool StartProgram(const QString& program, const QStringList& arguments) = 0;
    // Opens address in the system's web browser without waiting. Calls failed when nothing
    // opened it: at once when there is no way to open a page, or later, on this thread, when the
    // system's opener gives up (no program for web pages, none that starts).
    virtual void OpenUrl(const QString& address, std::function<void()> failed) = 0;
    virtual void Beep() = 0;
};

ShellServices& Shell();
// Installs services (not owned); nullptr restores the desktop ones.
void SetShellServices(ShellServices* services);

} // namespace meridane
