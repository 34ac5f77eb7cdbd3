// meridane-shot: opens the main window on a program folder, runs a search and shows the first
// title with the mouse, and saves a picture of the window.
//   meridane-shot --folder DIR --out FILE.png [--category NAME] [--keywords TEXT]
#include "buttons/command.h"
#include "search/memory/engine.h"
#include "search/message_service.h"
#include "search/program_folder.h"
#include "services/user_settings.h"
#include "shell/main_window.h"
#include "window_driving.h"

#include <QApplication>
#include <QCursor>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include <cstdio>

using namespace meridane;

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    memory::Engine engine;
    QString folder, out, category = QStringLiteral("方剂"), keywords = QStringLiteral("人参，甘草");
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i + 1 < args.size(); i += 2) {
        const QString& a = args.at(i);
        if (a == QLatin1String("--folder"))
            folder = args.at(i + 1);
        else if (a == QLatin1String("--out"))
            out = args.at(i + 1);
        else if (a == QLatin1String("--category"))
            category = args.at(i + 1);
        else if (a == QLatin1String("--keywords"))
            keywords = args.at(i + 1);
    }
    if (folder.isEmpty() || out.isEmpty()) {
        std::fputs("usage: meridane-shot --folder DIR --out FILE.png [--category NAME] "
                   "[--keywords TEXT]\n",
                   stderr);
        return 2;
    }
    SetProgramFolder(folder);
    // The window at its first-start size and place, whatever the user's own settings say.
    SetUserSettingsFile(folder + QStringLiteral("/settings.ini"));
    QFile::remove(UserSettingsFile());
    frmMain window(engine);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        std::fputs("the window was not shown\n", stderr);
    if (!ChooseCategory(window, category)) {
        std::fputs("no such category\n", stderr);
        return 2;
    }
    window.Text1[0]->setText(keywords);
    // The pointer over "查询", a click, then a click on the first title: the button has its
    // resting face again once the pointer has left it.
    QCursor::setPos(window.Command1->mapToGlobal(window.Command1->rect().center()));
    QTest::qWait(100);
    QTest::mouseClick(window.Command1, Qt::LeftButton);
    if (window.List1->count() > 0) {
        QWidget* titles = window.List1->viewport();
        const QPoint first = window.List1->visualItemRect(window.List1->item(0)).center();
        QCursor::setPos(titles->mapToGlobal(first));
        QTest::mouseClick(titles, Qt::LeftButton, {}, first);
    }
    QTest::qWait(300);
    const bool saved = window.grab().save(out);
    QTest::mouseClick(window.Command8, Qt::LeftButton); // "退出"
    return saved ? 0 : 1;
}
