// What the program asks of the desktop: start a program, open a page, beep.
// Tests install a recorder instead of launching anything.
#pragma once

#include <QString>
#include <QStringList>

namespace meridane {

class ShellServices {
public:
    virtual ~ShellServices() = default;
    // Starts program without waiting; false when it could not be started.
    virtual bool StartProgram(const QString& program, const QStringList& arguments) = 0;
    // Opens address in the system's web browser without waiting.
    virtual void OpenUrl(const QString& address) = 0;
    virtual void Beep() = 0;
};

ShellServices& Shell();
// Installs services (not owned); nullptr restores the desktop ones.
void SetShellServices(ShellServices* services);

} // namespace meridane
