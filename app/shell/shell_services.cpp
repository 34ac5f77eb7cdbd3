#include "shell/shell_services.h"

#include <QApplication>
#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

namespace meridane {

namespace {

class DesktopShell : public ShellServices {
public:
    bool StartProgram(const QString& program, const QStringList& arguments) override {
        return QProcess::startDetached(program, arguments);
    }
    void OpenUrl(const QString& address) override { QDesktopServices::openUrl(QUrl(address)); }
    void Beep() override { QApplication::beep(); }
};

ShellServices* g_shell = nullptr;

} // namespace

ShellServices& Shell() {
    static DesktopShell desktop;
    return g_shell ? *g_shell : desktop;
}

void SetShellServices(ShellServices* services) {
    g_shell = services;
}

} // namespace meridane
