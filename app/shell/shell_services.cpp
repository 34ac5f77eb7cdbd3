#include "shell/shell_services.h"

#include <QApplication>
#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace meridane {

namespace {

class DesktopShell : public ShellServices {
public:
    bool StartProgram(const QString& program, const QStringList& arguments) override {
        return QProcess::startDetached(program, arguments);
    }
    void OpenUrl(const QString& address, std::function<void()> failed) override {
        // The desktop's opener tells by its exit status whether a program took the page; Qt's
        // own way (which picks the same opener when there is one) only tells whether it started.
        const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
        if (opener.isEmpty()) {
            if (!QDesktopServices::openUrl(QUrl(address)) && failed)
                failed();
            return;
        }
        auto* process = new QProcess(QCoreApplication::instance());
        process->setProgram(opener);
        process->setArguments({address});
        // No pipes: a browser that the opener runs and leaves behind writes where it likes.
        process->setStandardInputFile(QProcess::nullDevice());
        process->setStandardOutputFile(QProcess::nullDevice());
        process->setStandardErrorFile(QProcess::nullDevice());
        QObject::connect(process, &QProcess::finished, process,
                         [process, failed](int code, QProcess::ExitStatus status) {
                             process->deleteLater();
                             if ((status != QProcess::NormalExit || code != 0) && failed)
                                 failed();
                         });
        QObject::connect(process, &QProcess::errorOccurred, process,
                         [process, failed](QProcess::ProcessError error) {
                             if (error != QProcess::FailedToStart)
                                 return;
                             process->deleteLater();
                             if (failed)
                                 failed();
                         });
        process->start();
    }
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
