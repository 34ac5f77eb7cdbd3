// The skin on hosts that lay out their controls, on a real X server with a window manager (run by
// scripts/with-x-display: Xvfb and openbox), driven by the mouse and keyboard through xdotool:
// a plain form with a QVBoxLayout and a QMainWindow with a menu bar, a tool bar, a central widget
// with a layout and a status bar. The layouts fill the client area and follow every resize and a
// maximize; the caption, its buttons and the rims stay free and work; a QMainWindow's menu bar
// sits in the line below the caption and opens its menus there.
//
// With DRAPIX_SHOTS set to a folder, each case leaves a picture of the screen there.
#include "skin/lustrane.h"
#include "skin/skin_logic.h"
#include "skin/skin_window.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWindow>
#include <QtTest>

using namespace drapix;

namespace {

void Xdotool(const QStringList& args) {
    QProcess::execute(QStringLiteral("xdotool"), args);
}

void MoveTo(QPoint p) {
    Xdotool({"mousemove", QString::number(p.x()), QString::number(p.y())});
}

void Click(QPoint p) {
    MoveTo(p);
    QTest::qWait(100);
    Xdotool({"click", "1"});
}

// Presses the left button at from, moves to to in steps with it held, and lets go.
void Drag(QPoint from, QPoint to) {
    MoveTo(from);
    QTest::qWait(100);
    Xdotool({"mousedown", "1"});
    QTest::qWait(150);
    for (int i = 1; i <= 5; ++i) {
        MoveTo(from + (to - from) * i / 5);
        QTest::qWait(60);
    }
    Xdotool({"mouseup", "1"});
}

void Shot(const QString& name) {
    const QString folder = qEnvironmentVariable("DRAPIX_SHOTS");
    if (folder.isEmpty())
        return;
    QTest::qWait(300);
    QGuiApplication::primaryScreen()->grabWindow(0).save(folder + QLatin1Char('/') + name);
}

// The window rectangle on the screen (without a frame of the window manager, the widget's own).
QRect WindowRect(const QWidget* w) {
    return w->frameGeometry();
}

// The point a widget's bottom-right pixel has in the window.
QPoint BottomRightIn(const QWidget* widget, const QWidget* window) {
    return widget->mapTo(window, widget->rect().bottomRight());
}

// The last pixel of the client area: 9 from the right edge and 10 from the bottom.
QPoint ClientBottomRight(const QWidget* window) {
    return QPoint(window->width() - 9 - 1, window->height() - 10 - 1);
}

// A host that notes its closing and the context menus it is asked for.
template <typename W> class Host : public W {
public:
    int closes = 0;
    int contextMenus = 0;
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent* e) override {
        ++presses;
        W::mousePressEvent(e);
    }
    void closeEvent(QCloseEvent* e) override {
        ++closes;
        W::closeEvent(e);
    }
    void contextMenuEvent(QContextMenuEvent* e) override {
        ++contextMenus;
        W::contextMenuEvent(e);
    }
};

void RightClick(QPoint p) {
    MoveTo(p);
    QTest::qWait(100);
    Xdotool({"click", "3"});
}

bool WaitUntilSkinned(QWidget* host, Lustrane* skin) {
    if (!QTest::qWaitFor([skin] { return skin->attached(); }))
        return false;
    if (!QTest::qWaitForWindowExposed(host))
        return false;
    if (!QTest::qWaitFor([host] { return host->windowHandle()->frameMargins().isNull(); }))
        return false;
    // The size with the frame is given once the window manager's frame has gone.
    if (!QTest::qWaitFor([skin] { return !FrameGrowth(skin->hostWindow()).isEmpty(); }))
        return false;
    QTest::qWait(300);
    return true;
}

} // namespace

class SkinHostsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X display with a window manager (scripts/with-x-display)");
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            QSKIP("needs xdotool");
    }

    void cleanup() {
        MoveTo(QPoint(1000, 740));
        QTest::qWait(100);
    }

    void formWithLayoutFollowsResizeAndMaximize() {
        Host<QWidget> host;
        host.setWindowTitle(QStringLiteral("QVBoxLayout"));
        auto* layout = new QVBoxLayout(&host);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* label = new QLabel(QStringLiteral("请输入关键词："));
        auto* edit = new QPlainTextEdit(QStringLiteral("一行字"));
        layout->addWidget(label);
        layout->addWidget(edit);
        host.resize(400, 300);
        host.move(60, 40);
        auto* skin = new Lustrane(&host);
        host.show();
        QVERIFY(WaitUntilSkinned(&host, skin));
        QCOMPARE(host.size(), QSize(415, 328));
        // The controls stay with the form and its layout; the layout fills the client area.
        QCOMPARE(label->parentWidget(), &host);
        QCOMPARE(edit->parentWidget(), &host);
        QCOMPARE(host.layout(), layout);
        QCOMPARE(label->mapTo(&host, QPoint(0, 0)), QPoint(16, 47));
        QCOMPARE(BottomRightIn(edit, &host), ClientBottomRight(&host));
        Shot(QStringLiteral("layout-form.png"));

        // A right click on the frame opens the system menu only; one on a control that has no
        // menu of its own asks the form for its menu, as without the skin.
        const QRect at = WindowRect(&host);
        RightClick(at.topLeft() + QPoint(150, 30));
        QTRY_VERIFY(SkinOf(&host)->systemMenu() && SkinOf(&host)->systemMenu()->isVisible());
        QTest::qWait(200);
        QCOMPARE(host.contextMenus, 0);
        Xdotool({"key", "Escape"});
        QTRY_VERIFY(!QApplication::activePopupWidget());
        RightClick(label->mapToGlobal(label->rect().center()));
        QTRY_COMPARE(host.contextMenus, 1);
        QVERIFY(!SkinOf(&host)->systemMenu()->isVisible());
        // A click between the layout's controls reaches the form.
        QVERIFY(edit->geometry().top() - label->geometry().bottom() > 2);
        const int gap = (edit->geometry().top() + label->geometry().bottom()) / 2;
        const int presses = host.presses;
        Click(host.mapToGlobal(QPoint(100, gap)));
        QTRY_COMPARE(host.presses, presses + 1);

        // The bottom-right corner, dragged with the mouse: the window and its layout grow.
        const QRect before = WindowRect(&host);
        const QPoint corner = before.topLeft() + QPoint(before.width() - 6, before.height() - 6);
        Drag(corner, corner + QPoint(120, 80));
        QTRY_COMPARE(WindowRect(&host).size(), before.size() + QSize(120, 80));
        QCOMPARE(WindowRect(&host).topLeft(), before.topLeft());
        QTRY_COMPARE(BottomRightIn(edit, &host), ClientBottomRight(&host));
        QCOMPARE(label->mapTo(&host, QPoint(0, 0)), QPoint(16, 47));
        const QRect normal = WindowRect(&host);

        // Maximized by its button: the work area, and the layout with it.
        Click(CaptionButtons(normal).maximize.toRect().center());
        const QRect placement = MaximizedPlacement(host.screen()->availableGeometry());
        QTRY_COMPARE(WindowRect(&host), placement);
        QVERIFY(IsZoomed(&host));
        QTRY_COMPARE(BottomRightIn(edit, &host), ClientBottomRight(&host));
        QCOMPARE(edit->width(), placement.width() - 25);
        Shot(QStringLiteral("layout-form-maximized.png"));
        Click(CaptionButtons(placement).maximize.toRect().center());
        QTRY_COMPARE(WindowRect(&host), normal);
        QTRY_COMPARE(BottomRightIn(edit, &host), ClientBottomRight(&host));
    }

    void mainWindowWorksUnderTheSkin() {
        Host<QMainWindow> window;
        window.setWindowTitle(QStringLiteral("QMainWindow"));
        QMenu* file = window.menuBar()->addMenu(QStringLiteral("文件(&F)"));
        file->addAction(QStringLiteral("打开(&O)"));
        window.menuBar()->addMenu(QStringLiteral("帮助(&H)"))->addAction(QStringLiteral("关于"));
        window.addToolBar(QStringLiteral("工具"))->addAction(QStringLiteral("查询"));
        auto* central = new QWidget;
        auto* layout = new QVBoxLayout(central);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* edit = new QPlainTextEdit(QStringLiteral("正文"));
        layout->addWidget(new QLabel(QStringLiteral("记录：")));
        layout->addWidget(edit);
        window.setCentralWidget(central);
        window.statusBar()->showMessage(QStringLiteral("就绪"));
        window.resize(480, 360);
        window.move(60, 40);
        auto* skin = new Lustrane(&window);
        window.show();
        QVERIFY(WaitUntilSkinned(&window, skin));
        QCOMPARE(window.size(), QSize(495, 388));
        // The menu bar is the skin's, in the line below the caption; the central widget and the
        // status bar stay in the window's layout, inside the client area.
        QCOMPARE(skin->窗体菜单句柄(), window.menuBar());
        QVERIFY(window.menuBar()->isVisible());
        QCOMPARE(window.menuBar()->mapTo(&window, QPoint(0, 0)), QPoint(16, 47));
        QCOMPARE(window.menuBar()->width(), window.width() - 25);
        QCOMPARE(window.centralWidget(), central);
        QCOMPARE(edit->parentWidget(), central);
        QCOMPARE(BottomRightIn(window.statusBar(), &window), ClientBottomRight(&window));
        QCOMPARE(BottomRightIn(edit, &window).x(), ClientBottomRight(&window).x());
        // Nothing of the window's own lies over the caption.
        const QRect r = WindowRect(&window);
        QWidget* onCaption = QApplication::widgetAt(r.topLeft() + QPoint(150, 30));
        QVERIFY(onCaption);
        QCOMPARE(onCaption->objectName(), QStringLiteral("drapix_frame"));
        Shot(QStringLiteral("main-window.png"));

        // A right click on the caption opens the skin's system menu, and nothing else.
        RightClick(r.topLeft() + QPoint(150, 30));
        QTRY_VERIFY(SkinOf(&window)->systemMenu() && SkinOf(&window)->systemMenu()->isVisible());
        QTest::qWait(200);
        QCOMPARE(QApplication::activePopupWidget(), SkinOf(&window)->systemMenu());
        QCOMPARE(window.contextMenus, 0);
        Xdotool({"key", "Escape"});
        QTRY_VERIFY(!QApplication::activePopupWidget());

        // The caption, dragged with the mouse, moves the window.
        Drag(r.topLeft() + QPoint(150, 30), r.topLeft() + QPoint(200, 60));
        QTRY_COMPARE(WindowRect(&window).topLeft(), r.topLeft() + QPoint(50, 30));
        QCOMPARE(WindowRect(&window).size(), r.size());

        // A click on the menu's title in the menu line opens it; so does Alt+F.
        const QRect title = window.menuBar()->actionGeometry(file->menuAction());
        Click(window.menuBar()->mapToGlobal(title.center()));
        QTRY_VERIFY(file->isVisible());
        Shot(QStringLiteral("main-window-menu.png"));
        Xdotool({"key", "Escape"});
        Xdotool({"key", "Escape"});
        QTRY_VERIFY(!file->isVisible());
        window.activateWindow();
        QTRY_VERIFY(window.isActiveWindow());
        Xdotool({"key", "alt+f"});
        QTRY_VERIFY(file->isVisible());
        Xdotool({"key", "Escape"});
        Xdotool({"key", "Escape"});
        QTRY_VERIFY(!file->isVisible());

        // A rim, dragged: the window grows and the central widget's layout follows.
        const QRect moved = WindowRect(&window);
        const QPoint corner = moved.topLeft() + QPoint(moved.width() - 6, moved.height() - 6);
        Drag(corner, corner + QPoint(100, 60));
        QTRY_COMPARE(WindowRect(&window).size(), moved.size() + QSize(100, 60));
        QTRY_COMPARE(BottomRightIn(window.statusBar(), &window), ClientBottomRight(&window));
        QCOMPARE(BottomRightIn(edit, &window).x(), ClientBottomRight(&window).x());
        QCOMPARE(window.menuBar()->width(), window.width() - 25);

        // Maximized by its button: the work area; restored by it again.
        const QRect normal = WindowRect(&window);
        Click(CaptionButtons(normal).maximize.toRect().center());
        const QRect placement = MaximizedPlacement(window.screen()->availableGeometry());
        QTRY_COMPARE(WindowRect(&window), placement);
        QTRY_COMPARE(BottomRightIn(window.statusBar(), &window), ClientBottomRight(&window));
        QCOMPARE(BottomRightIn(edit, &window).x(), ClientBottomRight(&window).x());
        Shot(QStringLiteral("main-window-maximized.png"));
        Click(CaptionButtons(placement).maximize.toRect().center());
        QTRY_COMPARE(WindowRect(&window), normal);

        // Minimized by its button.
        Click(CaptionButtons(normal).minimize.toRect().center());
        QTRY_VERIFY(window.isMinimized());
        Xdotool({"windowactivate", QString::number(window.winId())});
        QTRY_VERIFY(!window.isMinimized());
        QTRY_COMPARE(WindowRect(&window), normal);

        // The close button closes it.
        QTest::qWait(300);
        Click(CaptionButtons(normal).close.toRect().center());
        QTRY_COMPARE(window.closes, 1);
        QTRY_VERIFY(!window.isVisible());
    }
};

QTEST_MAIN(SkinHostsTest)
#include "tst_skin_hosts.moc"
