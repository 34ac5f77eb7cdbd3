// The skin on a real X server with a window manager (run by scripts/with-x-display: Xvfb and
// openbox), driven by the mouse through xdotool: no frame of the window manager, the outline,
// a caption drag, maximize and restore, the tooltip, the system menu and the close button.
#include "skin/lustrane.h"
#include "skin/skin_logic.h"
#include "skin/skin_window.h"
#include "skin/tooltip.h"

#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QWindow>
#include <QtTest>

#if DRAPIX_HAVE_XCB
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>
#endif

using namespace drapix;

namespace {

#if DRAPIX_HAVE_XCB
// What a pager or wmctrl does: from a connection of its own, asks the window manager to add or
// take away the window's maximized state (_NET_WM_STATE).
bool AskWindowManagerToMaximize(QWidget* window, bool maximize) {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return false;
    }
    const auto atom = [c](const char* name) {
        xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(r);
        return a;
    };
    xcb_client_message_event_t ev{};
    ev.response_type = XCB_CLIENT_MESSAGE;
    ev.format = 32;
    ev.window = xcb_window_t(window->winId());
    ev.type = atom("_NET_WM_STATE");
    ev.data.data32[0] = maximize ? 1 : 0; // add, remove
    ev.data.data32[1] = atom("_NET_WM_STATE_MAXIMIZED_VERT");
    ev.data.data32[2] = atom("_NET_WM_STATE_MAXIMIZED_HORZ");
    ev.data.data32[3] = 2; // from a pager
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    xcb_send_event(c, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&ev));
    xcb_flush(c);
    xcb_disconnect(c);
    return true;
}

// Asks the window manager to maximize the window until it has: openbox drops requests for a
// while after it starts, however ready it says it is.
bool MaximizeByWindowManager(QWidget* window) {
    for (int attempt = 0; attempt < 30 && !IsZoomed(window); ++attempt) {
        if (!AskWindowManagerToMaximize(window, true))
            return false;
        if (QTest::qWaitFor([window] { return IsZoomed(window); }, 1000))
            return true;
    }
    return IsZoomed(window);
}
#endif

void Xdotool(const QStringList& args) {
    QProcess::execute(QStringLiteral("xdotool"), args);
}

void MoveTo(QPoint p) {
    Xdotool({"mousemove", QString::number(p.x()), QString::number(p.y())});
}

void Click(QPoint p, int button = 1) {
    MoveTo(p);
    QTest::qWait(100);
    Xdotool({"click", QString::number(button)});
}

// A host form that notes its closing.
class Host : public QWidget {
public:
    int closes = 0;

protected:
    void closeEvent(QCloseEvent* e) override {
        ++closes;
        QWidget::closeEvent(e);
    }
};

QRgb ScreenPixel(QPoint p) {
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, p.x(), p.y(), 1, 1)
        .toImage()
        .pixel(0, 0);
}

} // namespace

class SkinWindowTest : public QObject {
    Q_OBJECT

private:
    Host* host_ = nullptr;
    Lustrane* skin_ = nullptr;

    QRect rect() const { return host_->frameGeometry(); }

private slots:
    void initTestCase() {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X display with a window manager (scripts/with-x-display)");
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            QSKIP("needs xdotool");
    }

    void init() {
        host_ = new Host;
        host_->setWindowTitle(QStringLiteral("Skin test"));
        auto* label = new QLabel(QStringLiteral("Label1"), host_);
        label->setObjectName(QStringLiteral("Label1"));
        label->move(0, 0);
        host_->resize(400, 300);
        skin_ = new Lustrane(host_);
        host_->show();
        QTRY_VERIFY(skin_->attached());
        QVERIFY(QTest::qWaitForWindowExposed(host_));
        // The window manager has taken its frame away.
        QTRY_COMPARE(host_->windowHandle()->frameMargins(), QMargins());
        QTest::qWait(300);
    }

    void cleanup() {
        delete host_;
        host_ = nullptr;
        MoveTo(QPoint(1000, 740));
        QTest::qWait(100);
    }

    void skinnedWithoutFrameAndShaped() {
        // The window manager draws no frame; the skin grew the window by 15 x 28.
        QTRY_COMPARE(host_->windowHandle()->frameMargins(), QMargins());
        QCOMPARE(host_->size(), QSize(415, 328));
        // The controls keep their client position: 16 right and 47 below the window's corner.
        auto* label = host_->findChild<QLabel*>(QStringLiteral("Label1"));
        QCOMPARE(label->mapTo(host_, QPoint(0, 0)), QPoint(16, 47));
        // The outline cuts the top-left corner: the root shows there, the caption beside it.
        const QRect r = rect();
        QTRY_COMPARE(ScreenPixel(r.topLeft() + QPoint(1, 1)), qRgb(0, 0, 0));
        QVERIFY(ScreenPixel(r.topLeft() + QPoint(100, 30)) != qRgb(0, 0, 0));
        QVERIFY(ScreenPixel(r.topLeft() + QPoint(r.width() - 30, 5)) != qRgb(0, 0, 0));
    }

    void dragOnTheCaptionMovesIt() {
        const QRect before = rect();
        const QPoint grab = before.topLeft() + QPoint(120, 30);
        MoveTo(grab);
        QTest::qWait(100);
        Xdotool({"mousedown", "1"});
        QTest::qWait(150);
        for (int i = 1; i <= 5; ++i) {
            MoveTo(grab + QPoint(10 * i, 6 * i));
            QTest::qWait(60);
        }
        Xdotool({"mouseup", "1"});
        QTRY_COMPARE(rect().topLeft(), before.topLeft() + QPoint(50, 30));
        QCOMPARE(rect().size(), before.size());
    }

    void maximizeFillsTheWorkAreaAndRestores() {
        const QRect before = rect();
        const CaptionButtonRects b = CaptionButtons(before);
        Click(b.maximize.toRect().center());
        const QRect work = host_->screen()->availableGeometry();
        QTRY_COMPARE(rect(), MaximizedPlacement(work));
        QVERIFY(IsZoomed(host_));
        // A maximized window does not move by its caption.
        const QPoint grab = rect().topLeft() + QPoint(150, 30);
        MoveTo(grab);
        Xdotool({"mousedown", "1"});
        MoveTo(grab + QPoint(40, 40));
        QTest::qWait(100);
        Xdotool({"mouseup", "1"});
        QTest::qWait(300);
        QCOMPARE(rect(), MaximizedPlacement(work));
        Click(CaptionButtons(rect()).maximize.toRect().center());
        QTRY_COMPARE(rect(), before);
        QVERIFY(!IsZoomed(host_));
    }

    void windowManagerMaximizeRestoresTheNormalGeometry() {
#if DRAPIX_HAVE_XCB
        const QRect before = rect();
        const QRect placement = MaximizedPlacement(host_->screen()->availableGeometry());
        // The window manager maximizes; the restore button brings the old geometry back.
        QVERIFY(MaximizeByWindowManager(host_));
        QTRY_COMPARE(rect(), placement);
        QVERIFY(host_->isMaximized());
        Click(CaptionButtons(rect()).maximize.toRect().center());
        QTRY_VERIFY(!IsZoomed(host_));
        QTRY_COMPARE(rect(), before);
        // Again; this time the program asks for the normal state.
        QVERIFY(MaximizeByWindowManager(host_));
        QTRY_COMPARE(rect(), placement);
        host_->showNormal();
        QTRY_VERIFY(!IsZoomed(host_));
        QTRY_COMPARE(rect(), before);
        // The window manager's window menu (Alt+Space), "Maximize" by its key.
        host_->activateWindow();
        QTRY_VERIFY(host_->isActiveWindow());
        Xdotool({"key", "alt+space"});
        QTest::qWait(300);
        Xdotool({"key", "x"});
        QTRY_VERIFY(IsZoomed(host_));
        QTRY_COMPARE(rect(), placement);
        Click(CaptionButtons(rect()).maximize.toRect().center());
        QTRY_VERIFY(!IsZoomed(host_));
        QTRY_COMPARE(rect(), before);
        // The window manager's late answers change nothing.
        QTest::qWait(300);
        QCOMPARE(rect(), before);
        QVERIFY(!host_->isMaximized());
#else
        QSKIP("needs xcb to speak to the window manager");
#endif
    }

    void maximizedWindowStaysMaximizedAfterMinimize() {
        const QRect placement = MaximizedPlacement(host_->screen()->availableGeometry());
        Click(CaptionButtons(rect()).maximize.toRect().center());
        QTRY_COMPARE(rect(), placement);
        // Minimized by the caption button, shown again as a task bar does it.
        Click(CaptionButtons(rect()).minimize.toRect().center());
        QTRY_VERIFY(host_->isMinimized());
        QTest::qWait(300);
        Xdotool({"windowactivate", QString::number(host_->winId())});
        QTRY_VERIFY(!host_->isMinimized());
        QTest::qWait(300);
        QCOMPARE(rect(), placement);
        QVERIFY(IsZoomed(host_));
        QVERIFY(host_->isMaximized());
        // Minimized by the program, shown again by the system menu's "还原".
        host_->showMinimized();
        QTRY_VERIFY(host_->isMinimized());
        QTest::qWait(300);
        SkinOf(host_)->SysCommand(SkinWindow::SC_RESTORE);
        QTRY_VERIFY(!host_->isMinimized());
        QTest::qWait(300);
        QCOMPARE(rect(), placement);
        QVERIFY(IsZoomed(host_));
        QVERIFY(host_->isMaximized());
    }

    void programMaximizeAndShowNormal() {
        const QRect before = rect();
        const QRect placement = MaximizedPlacement(host_->screen()->availableGeometry());
        host_->showMaximized();
        QTRY_VERIFY(IsZoomed(host_));
        QTRY_COMPARE(rect(), placement);
        QTest::qWait(300);
        QCOMPARE(rect(), placement);
        QVERIFY(IsZoomed(host_));
        host_->showNormal();
        QTRY_VERIFY(!IsZoomed(host_));
        QTRY_COMPARE(rect(), before);
        QTest::qWait(300);
        QCOMPARE(rect(), before);
        // The skin's own maximize, then showNormal().
        Click(CaptionButtons(rect()).maximize.toRect().center());
        QTRY_COMPARE(rect(), placement);
        host_->showNormal();
        QTRY_VERIFY(!IsZoomed(host_));
        QTRY_COMPARE(rect(), before);
    }

    void doubleClickOnTheCaptionMaximizes() {
        const QRect before = rect();
        MoveTo(before.topLeft() + QPoint(150, 30));
        QTest::qWait(100);
        Xdotool({"click", "--repeat", "2", "--delay", "80", "1"});
        QTRY_VERIFY(IsZoomed(host_));
        // A pause, so that the next two clicks are a double click of their own.
        QTest::qWait(800);
        MoveTo(rect().topLeft() + QPoint(150, 30));
        QTest::qWait(100);
        Xdotool({"click", "--repeat", "2", "--delay", "80", "1"});
        QTRY_VERIFY(!IsZoomed(host_));
        QTRY_COMPARE(rect(), before);
    }

    void tooltipOverACaptionButton() {
        MoveTo(CaptionButtons(rect()).close.toRect().center());
        QTRY_VERIFY_WITH_TIMEOUT(TooltipVisible(), 3000);
        QCOMPARE(TooltipWindow()->Label1->text(), QStringLiteral("关闭"));
        MoveTo(CaptionButtons(rect()).minimize.toRect().center());
        QTRY_COMPARE_WITH_TIMEOUT(TooltipWindow()->Label1->text(), QStringLiteral("最小化"), 3000);
        // Destroying the window takes the tooltip away.
        delete host_;
        host_ = nullptr;
        QVERIFY(!TooltipVisible());
    }

    void systemMenuMinimizes() {
        const QRect r = rect();
        Click(r.topLeft() + QPoint(150, 30), 3);
        SkinWindow* skin = SkinOf(host_);
        QTRY_VERIFY(skin->systemMenu() && skin->systemMenu()->isVisible());
        QMenu* menu = skin->systemMenu();
        QStringList texts;
        QAction* minimize = nullptr;
        for (QAction* a : menu->actions()) {
            texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
            if (a->text() == QStringLiteral("最小化(&N)"))
                minimize = a;
        }
        QCOMPARE(texts, (QStringList{"还原(&R)", "移动(&M)", "大小(&S)", "最小化(&N)", "最大化(&X)",
                                     "-", "关闭(&C)    Alt+F4", "-", "关于(&A)..."}));
        QCOMPARE(menu->width(), kMenuItemWidth);
        QVERIFY(minimize && minimize->isEnabled());
        QVERIFY(!menu->actions().at(0)->isEnabled()); // 还原: not maximized
        Click(menu->mapToGlobal(menu->actionGeometry(minimize).center()));
        QTRY_VERIFY(host_->isMinimized());
    }

    void closeButtonCloses() {
        Click(CaptionButtons(rect()).close.toRect().center());
        QTRY_COMPARE(host_->closes, 1);
        QTRY_VERIFY(!host_->isVisible());
    }
};

QTEST_MAIN(SkinWindowTest)
#include "tst_skin_window.moc"
