// The example's main window: a menu bar, a tool bar, a status bar, and a central widget whose
// layouts hold Command buttons; the form wears the Lustrane skin, and a SysTray puts its icon
// into the notification area.
#pragma once

#include <QMainWindow>
#include <QString>
#include <memory>

class SysTray;

namespace Ui {
class MainWindow;
}

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // What --self-check looks at, one line each; true when everything is as expected. It resizes
    // the window and opens its first menu on the way.
    bool SelfCheck(QString* report);

private:
    void search();

    std::unique_ptr<Ui::MainWindow> ui_;
    SysTray* tray_ = nullptr;
};
