#include "main_window.h"

#include "ui_main_window.h"

#include <drapix/command.h>
#include <drapix/lustrane.h>
#include <drapix/systray.h>
#include <drapix/version.h>

#include <QEventLoop>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent), ui_(new Ui::MainWindow) {
    // The buttons and the skin come from the form (main_window.ui), as Designer placed them.
    ui_->setupUi(this);
    // A control made in code is a newly placed one too.
    tray_ = new SysTray(this);
    tray_->setObjectName(QStringLiteral("systray1"));
    tray_->setCaption(QStringLiteral("Drapix example"));

    connect(ui_->searchButton, &Command::Click, this, &MainWindow::search);
    connect(ui_->quitButton, &Command::Click, this, &QWidget::close);
    connect(ui_->actionQuit, &QAction::triggered, this, &QWidget::close);
    connect(ui_->actionSearch, &QAction::triggered, this, &MainWindow::search);
    connect(tray_, &SysTray::lMouseDblClick, this, [this] {
        showNormal();
        raise();
    });
    statusBar()->showMessage(
        QStringLiteral("Drapix %1").arg(QLatin1String(drapix::LibraryVersion())));
}

MainWindow::~MainWindow() = default;

void MainWindow::search() {
    statusBar()->showMessage(QStringLiteral("Searching for \"%1\"").arg(ui_->keywords->text()));
}

bool MainWindow::SelfCheck(QString* report) {
    bool ok = true;
    const auto line = [&](bool good, const QString& text) {
        *report += (good ? QStringLiteral("ok   ") : QStringLiteral("FAIL ")) + text + '\n';
        ok = ok && good;
    };
    // Every button as placed in Designer: a new button is enabled and has the Lustrane style;
    // the menu button was given the menu-bar style there.
    for (const Command* b : findChildren<Command*>()) {
        const int expected = b->objectName() == QLatin1String("menuButton")
                                 ? Command::LustraneMenuButton
                                 : Command::Lustrane;
        line(b->按钮类型() == expected && b->Enabled(),
             QStringLiteral("%1 style %2 enabled %3")
                 .arg(b->objectName())
                 .arg(b->按钮类型())
                 .arg(b->Enabled() ? QStringLiteral("true") : QStringLiteral("false")));
    }
    line(findChildren<Command*>().size() == 4, QStringLiteral("four buttons"));
    line(menuBar() && !menuBar()->actions().isEmpty(), QStringLiteral("menu bar with its menu"));
    line(findChild<QToolBar*>() != nullptr, QStringLiteral("tool bar"));
    line(statusBar() != nullptr, QStringLiteral("status bar"));
    // The skin keeps the main window's layout: the menu bar under the caption, the central
    // widget with its buttons under the menu bar, all following a resize.
    const Lustrane* skin = findChild<Lustrane*>();
    line(skin != nullptr, QStringLiteral("skin on the form"));
    line(skin && skin->attached(), QStringLiteral("skin attached"));
    QWidget* central = centralWidget();
    line(central && central->layout(), QStringLiteral("central widget with its layout"));
    for (const Command* b : findChildren<Command*>())
        line(central && central->isAncestorOf(b) && b->isVisible() &&
                 central->rect().contains(QRect(b->mapTo(central, QPoint(0, 0)), b->size())),
             QStringLiteral("%1 inside the central widget").arg(b->objectName()));
    line(menuBar()->isVisible() && menuBar()->y() > 0 &&
             central->y() >= menuBar()->geometry().bottom(),
         QStringLiteral("menu bar below the caption, above the central widget"));
    const auto settle = [] {
        QEventLoop loop;
        QTimer::singleShot(300, &loop, &QEventLoop::quit);
        loop.exec();
    };
    const QSize before = central->size();
    resize(size() + QSize(120, 80));
    settle();
    line(central->size() == before + QSize(120, 80),
         QStringLiteral("central widget follows a resize (%1x%2)")
             .arg(central->width())
             .arg(central->height()));
    QAction* first = menuBar()->actions().value(0);
    QMenu* menu = first ? first->menu() : nullptr;
    if (menu)
        menuBar()->setActiveAction(first);
    settle();
    line(menu && menu->isVisible(), QStringLiteral("first menu opens from the menu bar"));
    if (menu)
        menu->close();
    line(tray_->Caption() == QLatin1String("Drapix example"),
         QStringLiteral("tray tip \"%1\"").arg(tray_->Caption()));
    return ok;
}
