// meridane-window-bench: the main window on a program folder, timed from a click on "查询" to
// the filled result list, as a user meets it.
//   meridane-window-bench --folder DIR --keywords A --keywords B [--category NAME] [--runs N]
// The folder can be made by meridane-bench --make-folder (the realistic corpus, 病理).
#include "buttons/command.h"
#include "search/memory/engine.h"
#include "search/message_service.h"
#include "search/program_folder.h"
#include "services/user_settings.h"
#include "shell/main_window.h"
#include "window_driving.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace meridane;

namespace {

class QuietMessages : public MessageService {
public:
    int MsgBox(const QString&, int, const QString&) override { return 1; }
};

QString Figure(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    return QStringLiteral("%1 (%2-%3) ms")
        .arg(ms[ms.size() / 2], 0, 'f', 1)
        .arg(ms.front(), 0, 'f', 1)
        .arg(ms.back(), 0, 'f', 1);
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    memory::Engine engine;
    QString folder, category = QStringLiteral("病理");
    QStringList keywords;
    int runs = 5;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i + 1 < args.size(); i += 2) {
        const QString& a = args.at(i);
        if (a == QLatin1String("--folder"))
            folder = args.at(i + 1);
        else if (a == QLatin1String("--keywords"))
            keywords << args.at(i + 1);
        else if (a == QLatin1String("--category"))
            category = args.at(i + 1);
        else if (a == QLatin1String("--runs"))
            runs = std::max(1, args.at(i + 1).toInt());
    }
    if (folder.isEmpty() || keywords.isEmpty()) {
        std::fputs("usage: meridane-window-bench --folder DIR --keywords A [--keywords B] "
                   "[--category NAME] [--runs N]\n",
                   stderr);
        return 2;
    }
    QuietMessages quiet;
    SetMessageService(&quiet);
    SetProgramFolder(folder);
    // The window at its first-start size and place, whatever the user's own settings say.
    SetUserSettingsFile(folder + QStringLiteral("/settings.ini"));
    QFile::remove(UserSettingsFile());
    frmMain window(engine);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fputs("the window was not shown\n", stderr);
        return 1;
    }
    if (!ChooseCategory(window, category)) {
        std::fputs("no such category\n", stderr);
        return 2;
    }
    engine.finishWarmUp();

    std::vector<double> shown, laidOut;
    QListWidget& list = *window.List1;
    // The first search reads nothing from the file (the warm-up did); one search per set of
    // keywords is made first so that every timed one is a later new search.
    for (int run = -int(keywords.size()); run < runs; ++run) {
        window.Text1[0]->setText(keywords.at((run + keywords.size()) % keywords.size()));
        QElapsedTimer timer;
        timer.start();
        QTest::mouseClick(window.Command1, Qt::LeftButton);
        // The rows in view are painted.
        list.viewport()->repaint();
        const double toShown = double(timer.nsecsElapsed()) / 1e6;
        // Every row laid out: the event loop has nothing left to do.
        {
            QEventLoop idle;
            QObject::connect(QAbstractEventDispatcher::instance(),
                             &QAbstractEventDispatcher::aboutToBlock, &idle, &QEventLoop::quit);
            idle.exec();
        }
        const double toLaidOut = double(timer.nsecsElapsed()) / 1e6;
        if (run >= 0) {
            shown.push_back(toShown);
            laidOut.push_back(toLaidOut);
        }
        // The user reads the list while the writes behind it are done.
        engine.finishPendingWrites();
        QCoreApplication::processEvents();
    }
    std::printf("%s, %lld titles: click on \"查询\" to the list in view %s; until idle %s\n",
                qPrintable(category), static_cast<long long>(list.count()),
                qPrintable(Figure(shown)), qPrintable(Figure(laidOut)));
    return 0;
}
