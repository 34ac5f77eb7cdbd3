// What a test of the main window holds and does again and again: the engine of the process (as
// main() makes it, outliving every window), a program folder, scripted answers to messages, a
// desktop that records what it is asked, and the window itself.
#pragma once

#include "search/memory/engine.h"
#include "shell/main_window.h"
#include "shell_test_support.h"
#include "test_support.h"

#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QtTest>

#include <memory>

namespace meridane::test {

struct MainWindowFixture {
    memory::Engine engine;
    std::unique_ptr<TempProgramFolder> folder;
    std::unique_ptr<ScriptedMessages> messages;
    std::unique_ptr<RecordingShell> shell;
    std::unique_ptr<frmMain> window;

    // A new window, shown and active: shortcuts reach an active window only, and a search in
    // memory may come before the window manager activated it.
    void openWindow() {
        window = std::make_unique<frmMain>(engine, std::make_unique<SilentDevice>());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }
    // keywords searched as Enter in the keyword box does, in option's category when given.
    void search(const QString& keywords, QRadioButton* option = nullptr) {
        if (option)
            option->setChecked(true);
        window->Text1[0]->setText(keywords);
        QTest::keyClick(window->Text1[0], Qt::Key_Return);
    }
    // A click on title in the result list.
    void clickTitle(const QString& title) {
        QListWidget* list = window->List1;
        const QList<QListWidgetItem*> found = list->findItems(title, Qt::MatchExactly);
        QVERIFY(!found.isEmpty());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(found.first()).center());
    }
};

} // namespace meridane::test
