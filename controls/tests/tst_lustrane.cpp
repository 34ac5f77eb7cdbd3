// Lustrane on its host forms (offscreen): it waits until the form is visible, grows it by the
// frame for its kind and keeps every control's client position, takes the menu bar, refuses a
// second instance with the warning, keeps its state per window (two skinned windows work side by
// side), runs the caption buttons, maximizes to its placement, draws the caption text by
// activation, sizes the system menu's items and leaves no tooltip behind.
#include "artwork/artwork_table.h"
#include "buttons/about_dialog.h"
#include "buttons/class_table.h"
#include "buttons/entry_points.h"
#include "core/ambient.h"
#include "skin/draw_form.h"
#include "skin/lustrane.h"
#include "skin/neo_caption.h"
#include "skin/skin_logic.h"
#include "skin/skin_window.h"
#include "skin/system_menu.h"
#include "skin/tooltip.h"

#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStatusBar>
#include <QVBoxLayout>
#include <QtTest>
#include <optional>

using namespace drapix;

namespace {

struct Form {
    std::unique_ptr<QWidget> window;
    Lustrane* skin = nullptr;
    QLabel* label = nullptr;
};

Form MakeForm(QSize size, Qt::WindowFlags flags = Qt::Window, bool fixed = false) {
    Form f;
    f.window = std::make_unique<QWidget>(nullptr, flags);
    f.window->setWindowTitle(QStringLiteral("窗体"));
    f.label = new QLabel(QStringLiteral("Label1"), f.window.get());
    f.label->setObjectName(QStringLiteral("Label1"));
    f.label->move(5, 7);
    if (fixed)
        f.window->setFixedSize(size);
    else
        f.window->resize(size);
    f.skin = new Lustrane(f.window.get());
    return f;
}

// A mouse event at a screen point, as the window system gives it to the window.
void Mouse(QWidget* window, QEvent::Type type, QPoint global, Qt::MouseButtons buttons) {
    QWindow* w = window->windowHandle();
    QMouseEvent e(type, w->mapFromGlobal(QPointF(global)), QPointF(global),
                  type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void Click(QWidget* window, QPoint global) {
    Mouse(window, QEvent::MouseButtonPress, global, Qt::LeftButton);
    Mouse(window, QEvent::MouseButtonRelease, global, Qt::NoButton);
}

QPoint Centre(const EdgeRect& r) {
    return r.toRect().center();
}

// Closes the about dialog once it shows, noting its texts.
QStringList AnswerAboutDialog() {
    auto seen = std::make_shared<QStringList>();
    auto* timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, seen] {
        if (!AboutDialogLoaded() || !AboutDialog()->isVisible())
            return;
        dlgAbout* d = AboutDialog();
        *seen << d->Label1->text() << (d->Label9->isVisible() ? d->Label9->text() : QString());
        d->reject();
        timer->deleteLater();
    });
    timer->start();
    QTest::qWait(50);
    return *seen;
}

} // namespace

class LustraneTest : public QObject {
    Q_OBJECT

private slots:
    void classTableRow() {
        const ControlClass* c = FindClass(QStringLiteral("Drapix.Lustrane"));
        QVERIFY(c);
        QCOMPARE(c->name, QStringLiteral("Lustrane"));
        QCOMPARE(c->miscStatus, quint32(0x20591));
        QCOMPARE(c->toolboxResource, 30000);
        QCOMPARE(c->defaultInterface, QStringLiteral("_Lustrane"));
        QCOMPARE(c->eventInterface, QStringLiteral("__Lustrane"));
        QWidget parent;
        const int live = LiveObjects();
        QWidget* w = c->create(&parent);
        QCOMPARE(QString::fromLatin1(w->metaObject()->className()), QStringLiteral("Lustrane"));
        QCOMPARE(w->size(), QSize(180, 131));
        QVERIFY(w->isHidden()); // invisible in a running program
        QCOMPARE(LiveObjects(), live + 1);
        delete w;
        QCOMPARE(LiveObjects(), live);
        QVERIFY(FindPicture(c->toolboxPicture));
    }

    void designerPicture() {
        SetUserMode(false);
        QWidget parent;
        parent.resize(300, 200);
        Lustrane l(&parent);
        parent.show();
        // In a form designer the control shows its picture and skins nothing.
        QTRY_VERIFY(!l.timer1()->isActive());
        SetUserMode(true);
        QVERIFY(!l.attached());
        QVERIFY(!SkinOf(&parent));
        QVERIFY(l.isVisible());
        l.resize(300, 300);
        QCOMPARE(l.size(), QSize(180, 131));
        // The outline of the skin: the tab from x 51 to 180 above y 13.
        QVERIFY(!l.mask().contains(QPoint(20, 5)));
        QVERIFY(l.mask().contains(QPoint(120, 5)));
        QVERIFY(l.mask().contains(QPoint(90, 60)));
        const QImage shown = l.grab().toImage();
        QCOMPARE(shown.size(), QSize(180, 131));
    }

    void attachesOnlyOnceTheFormShows() {
        Form f = MakeForm(QSize(400, 300));
        QTest::qWait(60);
        QVERIFY(!f.skin->attached());
        QVERIFY(!SkinOf(f.window.get()));
        QCOMPARE(f.window->size(), QSize(400, 300));
        f.window->show();
        QTRY_VERIFY(f.skin->attached());
        QCOMPARE(f.skin->hostWindow(), f.window.get());
        // Sizable with minimize and maximize boxes: 15 x 28 more; no frame of the window manager.
        QCOMPARE(f.window->size(), QSize(415, 328));
        QVERIFY(f.window->windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(f.window->minimumSize(), QSize(164, 55));
        // The controls keep their client position: 16 from the left and 47 from the top.
        QCOMPARE(f.label->mapTo(f.window.get(), QPoint(0, 0)), QPoint(21, 54));
        SkinWindow* skin = SkinOf(f.window.get());
        QCOMPARE(skin->client()->geometry(), QRect(16, 47, 415 - 25, 328 - 57));
        // A control added later goes into the client area too.
        auto* later = new QLabel(QStringLiteral("later"), f.window.get());
        later->move(1, 2);
        QTRY_COMPARE(later->mapTo(f.window.get(), QPoint(0, 0)), QPoint(17, 49));
        // The outline, at the window's size and again after a resize.
        QVERIFY(!f.window->mask().contains(QPoint(2, 2)));
        QVERIFY(f.window->mask().contains(QPoint(100, 30)));
        QVERIFY(f.window->mask().contains(QPoint(415 - 50, 5)));
        f.window->resize(600, 400);
        QVERIFY(f.window->mask().contains(QPoint(560, 5)));
        QVERIFY(!f.window->mask().contains(QPoint(415 - 120, 5)));
        // Timer1 runs two more visible ticks after the attach, then stops.
        QTRY_VERIFY(!f.skin->timer1()->isActive());
        QCOMPARE(f.skin->attachTicks(), 1);
        QVERIFY(f.skin->timer3()->isActive());
        QCOMPARE(f.skin->MenuHeight(), 20);
        QCOMPARE(f.skin->MenuPicture().size(), QSize(87, 23));
    }

    void growthByKind() {
        struct Case {
            Qt::WindowFlags flags;
            bool fixed;
            QSize growth;
        };
        const Case cases[] = {
            {Qt::Window, false, {15, 28}},
            {Qt::Tool, false, {15, 31}},
            {Qt::Dialog, true, {17, 30}},
            {Qt::Tool, true, {17, 33}},
            {Qt::Window, true, {17, 30}},
            {Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint, true, {23, 55}},
        };
        for (const Case& c : cases) {
            Form f = MakeForm(QSize(300, 200), c.flags, c.fixed);
            f.window->show();
            QTRY_VERIFY(f.skin->attached());
            QCOMPARE(f.window->size(), QSize(300, 200) + c.growth);
        }
    }

    void menuBarTaken() {
        Form f = MakeForm(QSize(400, 300));
        auto* bar = new QMenuBar(f.window.get());
        bar->addMenu(QStringLiteral("文件"));
        f.window->show();
        QTRY_VERIFY(f.skin->attached());
        QCOMPARE(f.skin->窗体菜单句柄(), bar);
        QVERIFY(bar->isHidden());
        QCOMPARE(f.window->property("Menu").toInt(), 1);
        // The skin margin less the menu line.
        QCOMPARE(f.window->size(), QSize(415, 328 - 20));
    }

    void hostAsksTheSkin() {
        // A form without a skin keeps the window manager's frame: nothing grows.
        QWidget bare;
        bare.resize(300, 200);
        QVERIFY(!HasSkin(&bare));
        QCOMPARE(FrameGrowth(&bare), QSize());
        QCOMPARE(PlannedFrameGrowth(&bare, QSize(300, 200)), QSize());
        // A skinned form: the growth is planned before the skin attaches, and once the frame is
        // known the layout keeps the size the form had before it grew.
        Form f = MakeForm(QSize(400, 300));
        QVERIFY(HasSkin(f.window.get()));
        const QSize planned = PlannedFrameGrowth(f.window.get(), QSize(400, 300));
        QCOMPARE(planned, GrownSize(QSize(400, 300), KindOf(f.window.get())) - QSize(400, 300));
        QVERIFY(!FrameKnown(f.window.get()));
        std::optional<bool> told;
        WhenFrameKnown(f.window.get(), [&told](bool known) { told = known; });
        f.window->show();
        QTRY_VERIFY(told.has_value());
        QVERIFY(*told);
        QVERIFY(f.skin->attached());
        QTRY_COMPARE(FrameGrowth(f.window.get()), planned);
        QCOMPARE(f.window->size(), QSize(400, 300) + planned);
        QCOMPARE(LayoutSize(f.window.get()), QSize(400, 300));
    }

    void backColourRule() {
        Form plain = MakeForm(QSize(300, 200));
        plain.window->show();
        QTRY_VERIFY(plain.skin->attached());
        QCOMPARE(plain.window->palette().color(QPalette::Window), QColor(213, 222, 242));
        Form coloured = MakeForm(QSize(300, 200));
        QPalette p = coloured.window->palette();
        p.setColor(QPalette::Window, QColor(10, 20, 30));
        coloured.window->setPalette(p);
        coloured.window->show();
        QTRY_VERIFY(coloured.skin->attached());
        QCOMPARE(coloured.window->palette().color(QPalette::Window), QColor(10, 20, 30));
    }

    void secondInstanceWarnsAndSkinsNothing() {
        Form f = MakeForm(QSize(300, 200));
        auto* second = new Lustrane(f.window.get());
        f.window->show();
        const QStringList seen = AnswerAboutDialog();
        QTRY_VERIFY(!f.skin->timer1()->isActive() && !second->timer1()->isActive());
        QTest::qWait(50);
        QVERIFY(!f.skin->attached());
        QVERIFY(!second->attached());
        QVERIFY(!SkinOf(f.window.get()));
        QCOMPARE(f.window->size(), QSize(300, 200));
        QVERIFY(!(f.window->windowFlags() & Qt::FramelessWindowHint));
        QVERIFY(seen.size() >= 2);
        QCOMPARE(seen.at(0), QStringLiteral("注意"));
        QCOMPARE(seen.at(1), kLustraneDuplicateWarning);
        ReleaseAboutDialog();
    }

    void twoSkinnedWindowsEachWork() {
        Form a = MakeForm(QSize(400, 300));
        Form b = MakeForm(QSize(400, 300));
        a.window->move(0, 0);
        b.window->move(500, 0);
        a.window->show();
        b.window->show();
        QTRY_VERIFY(a.skin->attached() && b.skin->attached());
        SkinWindow* sa = SkinOf(a.window.get());
        SkinWindow* sb = SkinOf(b.window.get());
        QVERIFY(sa && sb && sa != sb);
        // A press on a's close button leaves b alone.
        const QPoint closeA = Centre(CaptionButtons(sa->windowRect()).close);
        Mouse(a.window.get(), QEvent::MouseButtonPress, closeA, Qt::LeftButton);
        QCOMPARE(sa->buttons().state(), 2);
        QVERIFY(sa->buttons().pressed());
        QCOMPARE(sb->buttons().state(), 0);
        QVERIFY(!sb->buttons().pressed());
        Mouse(a.window.get(), QEvent::MouseButtonRelease, closeA + QPoint(0, 200), Qt::NoButton);
        // b maximizes; a stays as it is.
        const QRect normalB = b.window->geometry();
        sb->SysCommand(SkinWindow::SC_MAXIMIZE);
        QVERIFY(IsZoomed(b.window.get()));
        QVERIFY(!IsZoomed(a.window.get()));
        // a goes away; b keeps working.
        a = Form();
        const QPoint restoreB = Centre(CaptionButtons(sb->windowRect()).maximize);
        Click(b.window.get(), restoreB);
        QTRY_VERIFY(!IsZoomed(b.window.get()));
        QCOMPARE(b.window->geometry(), normalB);
    }

    void captionButtons() {
        Form f = MakeForm(QSize(400, 300));
        f.window->move(40, 30);
        f.window->show();
        QTRY_VERIFY(f.skin->attached());
        QTest::qWait(50);
        const QRect normal = f.window->geometry();
        SkinWindow* skin = SkinOf(f.window.get());
        cNeoCaption* caption = f.skin->caption();
        const CaptionButtonRects b = CaptionButtons(skin->windowRect());
        Mouse(f.window.get(), QEvent::MouseMove, Centre(b.minimize), Qt::NoButton);
        QCOMPARE(caption->drawer()->buttonState(), 3);
        // Over the client area nothing is highlighted.
        Mouse(f.window.get(), QEvent::MouseMove, skin->windowRect().center(), Qt::NoButton);
        QCOMPARE(caption->drawer()->buttonState(), 0);

        // Maximize: the work area, one pixel in; the maximized strip; state 7.
        Click(f.window.get(), Centre(b.maximize));
        QTRY_VERIFY(IsZoomed(f.window.get()));
        const QRect work = f.window->screen()->availableGeometry();
        QCOMPARE(f.window->geometry(), MaximizedPlacement(work));
        QCOMPARE(caption->strip(), Strip::Maximized);
        QCOMPARE(caption->drawer()->buttonState(), 7);
        QVERIFY(f.window->mask().contains(QPoint(work.width() - 60, 3)));
        Click(f.window.get(), Centre(CaptionButtons(skin->windowRect()).maximize));
        QTRY_VERIFY(!IsZoomed(f.window.get()));
        QCOMPARE(f.window->geometry(), normal);
        QCOMPARE(caption->strip(), Strip::Normal);

        // Outside user mode the buttons only show close's states and do nothing.
        SetUserMode(false);
        Click(f.window.get(), Centre(b.maximize));
        Click(f.window.get(), Centre(b.close));
        QTest::qWait(30);
        SetUserMode(true);
        QVERIFY(!IsZoomed(f.window.get()));
        QVERIFY(f.window->isVisible());

        // The close button closes the window.
        Click(f.window.get(), Centre(b.close));
        QTRY_VERIFY(!f.window->isVisible());
    }

    void maximizeFromOutsideRestoresTheNormalGeometry() {
        Form f = MakeForm(QSize(400, 300));
        f.window->move(40, 30);
        f.window->show();
        QTRY_VERIFY(f.skin->attached());
        QTest::qWait(50);
        const QRect normal = f.window->geometry();
        const QRect placement = MaximizedPlacement(f.window->screen()->availableGeometry());
        // A program maximizes the window; showNormal() brings the old geometry back.
        f.window->showMaximized();
        QTRY_VERIFY(IsZoomed(f.window.get()));
        QTRY_COMPARE(f.window->geometry(), placement);
        QVERIFY(f.window->isMaximized());
        QCOMPARE(f.skin->caption()->strip(), Strip::Maximized);
        f.window->showNormal();
        QTRY_VERIFY(!IsZoomed(f.window.get()));
        QTRY_COMPARE(f.window->geometry(), normal);
        QVERIFY(!f.window->isMaximized());
        QCOMPARE(f.skin->caption()->strip(), Strip::Normal);
        // The skin's own maximize, then showNormal().
        SkinOf(f.window.get())->SysCommand(SkinWindow::SC_MAXIMIZE);
        QCOMPARE(f.window->geometry(), placement);
        QVERIFY(f.window->isMaximized());
        f.window->showNormal();
        QTRY_VERIFY(!IsZoomed(f.window.get()));
        QTRY_COMPARE(f.window->geometry(), normal);
        // Maximized, minimized and shown again by the system menu: still maximized.
        SkinOf(f.window.get())->SysCommand(SkinWindow::SC_MAXIMIZE);
        f.window->showMinimized();
        QTRY_VERIFY(f.window->isMinimized());
        SkinOf(f.window.get())->SysCommand(SkinWindow::SC_RESTORE);
        QTRY_VERIFY(!f.window->isMinimized());
        QVERIFY(IsZoomed(f.window.get()));
        QCOMPARE(f.window->geometry(), placement);
        // A window that cannot grow is not maximized from outside either.
        Form fixed = MakeForm(QSize(300, 200), Qt::Window, true);
        fixed.window->show();
        QTRY_VERIFY(fixed.skin->attached());
        QTest::qWait(50);
        const QRect fixedGeometry = fixed.window->geometry();
        fixed.window->showMaximized();
        QTRY_VERIFY(!fixed.window->isMaximized());
        QVERIFY(!IsZoomed(fixed.window.get()));
        QTRY_COMPARE(fixed.window->geometry(), fixedGeometry);
    }

    void stripWithoutMinimize() {
        Form f =
            MakeForm(QSize(400, 300), Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                          Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                                          Qt::WindowCloseButtonHint);
        f.window->show();
        QTRY_VERIFY(f.skin->attached());
        QCOMPARE(f.skin->caption()->strip(), Strip::NoMinimize);
        SkinOf(f.window.get())->SysCommand(SkinWindow::SC_MAXIMIZE);
        QCOMPARE(f.skin->caption()->strip(), Strip::MaximizedNoMinimize);
        // The system menu has no minimize for it.
        SkinOf(f.window.get())->OpenSystemMenu(QPoint(10, 10));
        QMenu* menu = SkinOf(f.window.get())->systemMenu();
        QVERIFY(menu);
        QVERIFY(!menu->actions().at(3)->isEnabled()); // 最小化
        QVERIFY(!menu->actions().at(4)->isEnabled()); // 最大化: maximized
        QVERIFY(menu->actions().at(0)->isEnabled());  // 还原
        menu->close();
    }

    void systemMenuCommands() {
        Form f = MakeForm(QSize(400, 300));
        f.window->show();
        QTRY_VERIFY(f.skin->attached());
        SkinWindow* skin = SkinOf(f.window.get());
        // "关于" opens the about dialog in any mode.
        SetUserMode(false);
        QTimer::singleShot(0, [skin] { skin->MenuCommand(kAboutCommand); });
        const QStringList seen = AnswerAboutDialog();
        QTRY_VERIFY(!AboutDialogLoaded());
        QVERIFY(!seen.isEmpty());
        QCOMPARE(seen.at(0), kAboutTitleDesign);
        // The system commands reach the window only in user mode.
        skin->MenuCommand(SkinWindow::SC_MAXIMIZE);
        QVERIFY(!IsZoomed(f.window.get()));
        SetUserMode(true);
        skin->MenuCommand(SkinWindow::SC_MAXIMIZE);
        QVERIFY(IsZoomed(f.window.get()));
        skin->MenuCommand(SkinWindow::SC_RESTORE);
        QVERIFY(!IsZoomed(f.window.get()));
    }

    void systemMenuItemSizes() {
        SystemMenu menu;
        menu.Rebuild({{QStringLiteral("还原(&R)"), SkinWindow::SC_RESTORE, false},
                      {QStringLiteral("最小化(&N)"), SkinWindow::SC_MINIMIZE, true},
                      {QString(), 0, true},
                      {QStringLiteral("关闭(&C)\tAlt+F4"), SkinWindow::SC_CLOSE, true},
                      {QString(), 0, true},
                      {QStringLiteral("关于(&A)..."), kAboutCommand, true}});
        menu.ensurePolished();
        const QList<QAction*> actions = menu.actions();
        QCOMPARE(actions.size(), 6);
        QCOMPARE(actions.at(3)->text(), QStringLiteral("关闭(&C)    Alt+F4"));
        QCOMPARE(actions.at(3)->data().toInt(), int(SkinWindow::SC_CLOSE));
        QCOMPARE(menu.actionGeometry(actions.at(0)).size(), QSize(159, 20));
        QCOMPARE(menu.actionGeometry(actions.at(2)).size(), QSize(159, 10));
        QCOMPARE(menu.sizeHint(), QSize(159, 4 * 20 + 2 * 10));
        // The normal item: the side strip at the left, the light fill beside it.
        menu.resize(menu.sizeHint());
        const QImage shown = menu.grab().toImage();
        QCOMPARE(shown.pixelColor(100, 25), QColor(206, 218, 242));
    }

    void captionTextByActivation() {
        QWidget window;
        window.setWindowTitle(QStringLiteral("标题标题"));
        cDraw_form d;
        d.fatherFormHwnd = &window;
        QPixmap dark(563, 46);
        dark.fill(QColor(0, 0, 80));
        d.SetTop(dark);
        const auto colours = [](const QImage& image, QRect area) {
            QSet<QRgb> seen;
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x)
                    seen.insert(image.pixel(x, y) | 0xFF000000u);
            return seen;
        };
        const QImage active = d.ComposeTop(QSize(600, 46), true, false).toImage();
        const QImage inactive = d.ComposeTop(QSize(600, 46), false, false).toImage();
        const QRect text(35, 10, 200, 35);
        QVERIFY(colours(active, text).contains(qRgb(255, 255, 255)));
        QVERIFY(!colours(inactive, text).contains(qRgb(255, 255, 255)));
        QVERIFY(colours(inactive, text).contains(qRgb(197, 212, 236)));
        QCOMPARE(d.captionText(), QStringLiteral("标题标题"));
        // A long caption is hidden under the right end of the strip.
        window.setWindowTitle(QString(80, QChar(0x6807)));
        const QImage longText = d.ComposeTop(QSize(400, 46), true, false).toImage();
        QVERIFY(!colours(longText, QRect(400 - 131, 0, 131, 46)).contains(qRgb(255, 255, 255)));
        // State 7 draws no overlay; state 1 the close picture at W - 38.
        QPixmap red(28, 46);
        red.fill(Qt::red);
        d.SetClose(red, red);
        d.SetButtonState(7);
        QVERIFY(!colours(d.ComposeTop(QSize(400, 46), true, true).toImage(), QRect(362, 20, 1, 1))
                     .contains(qRgb(255, 0, 0)));
        d.SetButtonState(1);
        const QImage hover = d.ComposeTop(QSize(400, 46), true, false).toImage();
        QCOMPARE(hover.pixelColor(362, 20), QColor(Qt::red));
        QVERIFY(hover.pixelColor(361, 20) != QColor(Qt::red));
    }

    void firstRepaintRunsTheRimsOverTheWholeHeight() {
        cDraw_form d;
        QPixmap rim(15, 72);
        rim.fill(Qt::blue);
        d.SetLeft(rim);
        QCOMPARE(d.ComposeRim(QSize(300, 200), rim).height(), 200);
        QPixmap top(563, 46), bottom(155, 9);
        top.fill(Qt::gray);
        bottom.fill(Qt::gray);
        d.SetTop(top);
        d.SetBottom(bottom);
        d.ComposeTop(QSize(300, 200), true, false);
        d.ComposeBottom(QSize(300, 200));
        QCOMPARE(d.ComposeRim(QSize(300, 200), rim).height(), 200 - 46 - 9);
    }

    void noTooltipLeftBehind() {
        auto f = std::make_unique<Form>(MakeForm(QSize(400, 300)));
        f->window->move(100, 100);
        f->window->show();
        QTRY_VERIFY(f->skin->attached());
        const QRect r = SkinOf(f->window.get())->windowRect();
        QCursor::setPos(Centre(CaptionButtons(r).maximize));
        f->skin->Timer3Timer();
        QVERIFY(f->skin->tooltipShown());
        QVERIFY(TooltipVisible());
        QCOMPARE(TooltipWindow()->Label1->text(), QStringLiteral("最大化"));
        QVERIFY(TooltipWindow()->width() > TooltipWindow()->Label1->width());
        QVERIFY(TooltipWindow()->testAttribute(Qt::WA_ShowWithoutActivating));
        QCOMPARE(TooltipWindow()->pos(), QCursor::pos() + QPoint(-10, 20));
        // Off the buttons it goes.
        QCursor::setPos(r.center());
        f->skin->Timer3Timer();
        QVERIFY(!TooltipVisible());
        // A window destroyed while the tooltip shows takes it along.
        QCursor::setPos(Centre(CaptionButtons(r).close));
        f->skin->Timer3Timer();
        QVERIFY(TooltipVisible());
        f.reset();
        QVERIFY(!TooltipVisible());
    }

    void plannedGrowthOfFormsWithMenuBars() {
        // The growth planned before the attach is the one the form gets: less the menu line for
        // a form whose menu bar goes, the whole frame for one whose layout keeps its menu bar.
        Form f = MakeForm(QSize(400, 300));
        (new QMenuBar(f.window.get()))->addMenu(QStringLiteral("文件"));
        const QSize planned = PlannedFrameGrowth(f.window.get(), QSize(400, 300));
        f.window->show();
        QTRY_VERIFY(f.skin->attached());
        QTRY_COMPARE(FrameGrowth(f.window.get()), planned);
        QCOMPARE(f.window->size(), QSize(400, 300) + planned);

        QMainWindow window;
        window.menuBar()->addMenu(QStringLiteral("文件"));
        window.setCentralWidget(new QPlainTextEdit);
        window.resize(400, 300);
        auto* skin = new Lustrane(&window);
        const QSize plannedMain = PlannedFrameGrowth(&window, QSize(400, 300));
        window.show();
        QTRY_VERIFY(skin->attached());
        QTRY_COMPARE(FrameGrowth(&window), plannedMain);
        QCOMPARE(window.size(), QSize(400, 300) + plannedMain);
        QCOMPARE(LayoutSize(&window), QSize(400, 300));
    }

    void hostsThatLayOutTheirControls() {
        // A form with a layout keeps its controls and its layout, which gets the client area.
        QWidget form;
        auto* layout = new QVBoxLayout(&form);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* label = new QLabel(QStringLiteral("Label1"));
        auto* edit = new QPlainTextEdit;
        layout->addWidget(label);
        layout->addWidget(edit);
        form.resize(400, 300);
        auto* skin = new Lustrane(&form);
        form.show();
        QTRY_VERIFY(skin->attached());
        QTRY_COMPARE(form.size(), QSize(415, 328));
        QCOMPARE(label->parentWidget(), &form);
        QCOMPARE(form.layout(), layout);
        const auto clientArea = [](const QWidget* w) {
            return QRect(QPoint(0, 0), w->size()).marginsRemoved(ClientInsets());
        };
        const auto laidOut = [&] {
            return QRect(label->geometry().topLeft(), edit->geometry().bottomRight());
        };
        QCOMPARE(laidOut(), clientArea(&form));
        form.resize(500, 420);
        QTRY_COMPARE(laidOut(), clientArea(&form));
        SkinOf(&form)->SysCommand(SkinWindow::SC_MAXIMIZE);
        QTRY_COMPARE(laidOut(), clientArea(&form));
        SkinOf(&form)->SysCommand(SkinWindow::SC_RESTORE);
        QTRY_COMPARE(form.size(), QSize(500, 420));
        QTRY_COMPARE(laidOut(), clientArea(&form));

        // A QMainWindow: its menu bar in the line below the caption, nothing over the caption,
        // which moves the window by a drag; the close button closes it.
        QMainWindow window;
        QMenu* file = window.menuBar()->addMenu(QStringLiteral("文件(&F)"));
        file->addAction(QStringLiteral("打开"));
        auto* central = new QPlainTextEdit;
        window.setCentralWidget(central);
        window.statusBar()->showMessage(QStringLiteral("就绪"));
        window.resize(400, 300);
        window.move(30, 20);
        auto* mainSkin = new Lustrane(&window);
        window.show();
        QTRY_VERIFY(mainSkin->attached());
        QTRY_COMPARE(window.size(), QSize(415, 328));
        QCOMPARE(mainSkin->窗体菜单句柄(), window.menuBar());
        QVERIFY(window.menuBar()->isVisible());
        QCOMPARE(window.menuBar()->geometry().topLeft(), QPoint(16, 47));
        QCOMPARE(window.centralWidget(), central);
        QCOMPARE(window.statusBar()->geometry().bottomRight(), clientArea(&window).bottomRight());
        QCOMPARE(central->geometry().left(), 16);
        QCOMPARE(central->geometry().right(), clientArea(&window).right());
        QVERIFY(central->geometry().top() > window.menuBar()->geometry().bottom());
        QWidget* onCaption = window.childAt(150, 30);
        QVERIFY(onCaption);
        QCOMPARE(onCaption->objectName(), QStringLiteral("drapix_frame"));
        const QPoint grab = window.geometry().topLeft() + QPoint(150, 30);
        const QPoint before = window.geometry().topLeft();
        Mouse(&window, QEvent::MouseButtonPress, grab, Qt::LeftButton);
        Mouse(&window, QEvent::MouseMove, grab + QPoint(10, 5), Qt::LeftButton);
        Mouse(&window, QEvent::MouseMove, grab + QPoint(40, 25), Qt::LeftButton);
        Mouse(&window, QEvent::MouseButtonRelease, grab + QPoint(40, 25), Qt::NoButton);
        QTRY_COMPARE(window.geometry().topLeft(), before + QPoint(40, 25));
        window.resize(520, 400);
        QTRY_COMPARE(window.statusBar()->geometry().bottomRight(),
                     clientArea(&window).bottomRight());
        QCOMPARE(central->geometry().right(), clientArea(&window).right());
        Click(&window, Centre(CaptionButtons(SkinOf(&window)->windowRect()).close));
        QTRY_VERIFY(!window.isVisible());
    }

    void transparencyAndTopmost() {
        Form f = MakeForm(QSize(300, 200));
        bool on = true;
        short alpha = 300;
        QVERIFY(f.skin->窗体透明(on, alpha));
        QCOMPARE(alpha, short(255));
        alpha = -4;
        QVERIFY(f.skin->窗体透明(on, alpha));
        QCOMPARE(alpha, short(255));
        alpha = 128;
        QVERIFY(f.skin->窗体透明(on, alpha));
        QCOMPARE(f.window->windowOpacity(), 128 / 255.0);
        on = false;
        QVERIFY(!f.skin->窗体透明(on, alpha));
        QCOMPARE(f.window->windowOpacity(), 1.0);
        // Before the attach there is no host window: nothing happens.
        bool top = true;
        f.skin->使窗体在最顶端(top);
        QVERIFY(!(f.window->windowFlags() & Qt::WindowStaysOnTopHint));
        f.window->show();
        QTRY_VERIFY(f.skin->attached());
        f.skin->使窗体在最顶端(top);
        QVERIFY(f.window->windowHandle()->flags() & Qt::WindowStaysOnTopHint);
        top = false;
        f.skin->使窗体在最顶端(top);
        QVERIFY(!(f.window->windowHandle()->flags() & Qt::WindowStaysOnTopHint));
    }
};

QTEST_MAIN(LustraneTest)
#include "tst_lustrane.moc"
