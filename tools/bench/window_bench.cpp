// meridane-window-bench: the main window on a program folder, timed from a click on "查询" to
// the filled result list, as a user meets it; then a click on "退出" right after a search, timed
// to the window gone from the screen, to the end of the shutdown's file steps and to the end of
// the search engine (what is left of the program's end).
//   meridane-window-bench --folder DIR --keywords A --keywords B [--category NAME] [--runs N]
// The folder can be made by meridane-bench --make-folder (the realistic corpus, 病理).
#include "bench/bench_support.h"
#include "search/memory/engine.h"
#include "search/message_service.h"
#include "search/program_folder.h"
#include "services/user_settings.h"
#include "shell/main_window.h"
#include "window_driving.h"

#include <drapix/command.h>

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
#include <memory>
#include <vector>

using namespace meridane;
using namespace meridane::bench;

namespace {

QString Figure(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    return QStringLiteral("%1 (%2-%3) ms")
        .arg(ms[ms.size() / 2], 0, 'f', 1)
        .arg(ms.front(), 0, 'f', 1)
        .arg(ms.back(), 0, 'f', 1);
}

// Notes when the window is hidden.
class HideWatch : public QObject {
public:
    HideWatch(QWidget& window, const QElapsedTimer& clock) : clock_(clock) {
        window.installEventFilter(this);
    }
    double hiddenMs = -1;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Hide && hiddenMs < 0)
            hiddenMs = double(clock_.nsecsElapsed()) / 1e6;
        return false;
    }

private:
    const QElapsedTimer& clock_;
};

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // As the program makes it: the working copy is written only for a reader.
    auto ownEngine = std::make_unique<memory::Engine>();
    memory::Engine& engine = *ownEngine;
    engine.deferPendingWrites(true);
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
    auto ownWindow = std::make_unique<frmMain>(engine);
    frmMain& window = *ownWindow;
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
        // Nothing reads the file: the writes stay pending, and the next search replaces them.
        QCoreApplication::processEvents();
    }
    std::printf("%s, %lld titles: click on \"查询\" to the list in view %s; until idle %s\n",
                qPrintable(category), static_cast<long long>(list.count()),
                qPrintable(Figure(shown)), qPrintable(Figure(laidOut)));
    std::fflush(stdout);

    // "退出" right after a search whose writes are pending (once: the window goes).
    QElapsedTimer timer;
    HideWatch watch(window, timer);
    timer.start();
    QTest::mouseClick(window.Command8, Qt::LeftButton);
    const double shutdownMs = double(timer.nsecsElapsed()) / 1e6;
    ownWindow.reset();
    ownEngine.reset();
    const double endMs = double(timer.nsecsElapsed()) / 1e6;
    std::printf("click on \"退出\" after the last search: window hidden %.1f ms, shutdown's "
                "file steps done %.1f ms, engine ended %.1f ms\n",
                watch.hiddenMs, shutdownMs, endMs);
    return 0;
}
