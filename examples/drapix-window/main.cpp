// drapix-window: an example of a program that uses the Drapix controls.
//   drapix-window --self-check   shows the window, prints what it checks, exits 0 when all is
//                                as expected
#include "main_window.h"

#include <drapix/application.h>
#include <drapix/lustrane.h>

#include <QApplication>
#include <QTimer>
#include <cstdio>

int main(int argc, char* argv[]) {
    drapix::SelectWindowSystem();
    QApplication app(argc, argv);
    MainWindow window;
    window.show();
    if (!QCoreApplication::arguments().contains(QStringLiteral("--self-check")))
        return app.exec();
    // Once the form's frame is known (the skin has attached, or the watch gave up), check.
    int rc = 1;
    drapix::WhenFrameKnown(&window, [&](bool) {
        QString report;
        rc = window.SelfCheck(&report) ? 0 : 1;
        std::fputs(report.toUtf8().constData(), stdout);
        std::fflush(stdout);
        QCoreApplication::quit();
    });
    app.exec();
    return rc;
}
