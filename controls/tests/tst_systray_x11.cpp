// SysTray in an X11 notification area (trayer under Xvfb, started by scripts/with-x-display
// --tray), driven with the mouse through xdotool and checked on the screen: the icon, its tip,
// its four events, its removal, the duplicate warning and two forms. Run with --tray-later: no
// notification area at first, then one that the test starts itself.
#include "buttons/about_dialog.h"
#include "buttons/msystray.h"
#include "buttons/notify_area.h"
#include "buttons/systray.h"

#include <QGuiApplication>
#include <QLabel>
#include <QProcess>
#include <QScreen>
#include <QSignalSpy>
#include <QStyleHints>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QWindow>
#include <memory>

using namespace drapix;

namespace {

const QColor kRed(220, 30, 30);
const QColor kGreen(30, 180, 60);

QPixmap Solid(const QColor& c) {
    QPixmap p(48, 48);
    p.fill(c);
    return p;
}

struct Form {
    std::unique_ptr<QWidget> window{new QWidget};
    SysTray* tray = nullptr;
    std::unique_ptr<QSignalSpy> events;
    Form(const QColor& colour, const QString& tip) {
        window->setWindowTitle(tip);
        window->resize(240, 120);
        tray = static_cast<SysTray*>(NewSysTray(window.get()));
        tray->SetIcon(Solid(colour));
        tray->SetCaption(tip);
        events = std::make_unique<QSignalSpy>(tray, &SysTray::EventRaised);
        window->show();
    }
    QStringList names() const {
        QStringList n;
        for (const auto& e : *events)
            n << e.at(0).toString();
        return n;
    }
};

int Xdo(const QStringList& args) {
    return QProcess::execute(QStringLiteral("xdotool"), args);
}

void MoveTo(QPoint p) {
    Xdo({"mousemove", QString::number(p.x()), QString::number(p.y())});
}

// Clicks the icon's centre, once or twice (a double click).
void Click(const QRect& icon, int button, int times = 1) {
    MoveTo(icon.center());
    Xdo({"click", "--repeat", QString::number(times), "--delay", "60", QString::number(button)});
}

// Waits out the double-click time, so that the next click is a click of its own.
void Pause() {
    QTest::qWait(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 150);
}

QRgb ScreenPixel(QPoint p) {
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, p.x(), p.y(), 1, 1)
        .toImage()
        .pixel(0, 0);
}

bool Near(QRgb a, const QColor& b) {
    return qAbs(qRed(a) - b.red()) < 24 && qAbs(qGreen(a) - b.green()) < 24 &&
           qAbs(qBlue(a) - b.blue()) < 24;
}

// Whether any pixel of the screen's top strip (where trayer sits) has the colour.
bool TrayShows(const QColor& c) {
    const QImage strip = QGuiApplication::primaryScreen()->grabWindow(0, 0, 0, 1024, 40).toImage();
    for (int y = 0; y < strip.height(); ++y)
        for (int x = 0; x < strip.width(); ++x)
            if (Near(strip.pixel(x, y), c))
                return true;
    return false;
}

// The icon as shown, once the notification area has embedded it.
QRect ShownIcon(QWidget* host) {
    const auto icon = FindNotifyIcon(host, 0);
    return icon && icon->shown ? icon->geometry : QRect();
}

// The icon once it shows its colour where the notification area has put it (the area moves its
// icons while it grows).
QRect SettledIcon(QWidget* host, const QColor& colour) {
    QRect r;
    for (int i = 0; i < 200; ++i) {
        r = ShownIcon(host);
        if (!r.isEmpty() && Near(ScreenPixel(r.center()), colour)) {
            QTest::qWait(100);
            if (ShownIcon(host) == r)
                return r;
        }
        QTest::qWait(50);
    }
    return {};
}

} // namespace

class TestSysTrayX11 : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    // With a notification area.
    void iconAppearsWithItsTip();
    void clicksRaiseTheEvents();
    void removeFromTrayTakesTheIconAway();
    void hostWindowEndTakesTheIconAway();
    void twoControlsOnOneFormShowTheWarningAndNoIcon();
    void twoFormsBothShowTheirIcon();
    // Without one.
    void withoutANotificationAreaNothingHappensUntilOneAppears();

private:
    bool trayRunning_ = false;
};

void TestSysTrayX11::initTestCase() {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs Qt's X11 platform (run through scripts/with-x-display --tray)");
    trayRunning_ = qgetenv("DRAPIX_TRAY_RUNNING") == "1";
    if (trayRunning_)
        QTRY_VERIFY_WITH_TIMEOUT(X11NotificationAreaRunning(), 10000);
    else
        QVERIFY(!X11NotificationAreaRunning());
}

void TestSysTrayX11::cleanup() {
    MoveTo({500, 700});
    ReleaseAboutDialog();
    QTRY_COMPARE(NotifyIconCount(), 0);
}

void TestSysTrayX11::iconAppearsWithItsTip() {
    if (!trayRunning_)
        QSKIP("no notification area");
    Form f(kRed, QStringLiteral("Drapix 托盘图标的提示"));
    // The notification area at the top right shows the icon's picture.
    const QRect r = SettledIcon(f.window.get(), kRed);
    QVERIFY(!r.isEmpty());
    const auto icon = FindNotifyIcon(f.window.get(), 0);
    QCOMPARE(icon->shownBy, QString("xembed"));
    QVERIFY2(r.width() >= 16 && r.height() >= 16,
             qPrintable(QString("%1x%2").arg(r.width()).arg(r.height())));
    QVERIFY(r.top() < 40 && r.left() > 512);
    // The tip: the icon window's own tooltip, shown when the mouse rests on the icon.
    QCOMPARE(icon->tip, QStringLiteral("Drapix 托盘图标的提示"));
    MoveTo(r.center() + QPoint(-2, -2));
    MoveTo(r.center());
    QTRY_VERIFY_WITH_TIMEOUT(QToolTip::isVisible(), 5000);
    QCOMPARE(QToolTip::text(), QStringLiteral("Drapix 托盘图标的提示"));
    QCOMPARE(f.events->count(), 0);
}

void TestSysTrayX11::clicksRaiseTheEvents() {
    if (!trayRunning_)
        QSKIP("no notification area");
    Form f(kRed, QStringLiteral("clicks"));
    const QRect r = SettledIcon(f.window.get(), kRed);
    QVERIFY(!r.isEmpty());
    // A left click: one lMouseDown, on the release.
    Click(r, 1);
    QTRY_COMPARE(f.names(), QStringList{"lMouseDown"});
    Pause();
    QCOMPARE(f.names(), QStringList{"lMouseDown"});
    // A left double click: the release of each click, and the double click between them.
    f.events->clear();
    Click(r, 1, 2);
    QTRY_COMPARE(f.names(), QStringList({"lMouseDown", "lMouseDblClick", "lMouseDown"}));
    Pause();
    // The right button.
    f.events->clear();
    Click(r, 3);
    QTRY_COMPARE(f.names(), QStringList{"rMouseDown"});
    Pause();
    f.events->clear();
    Click(r, 3, 2);
    QTRY_COMPARE(f.names(), QStringList({"rMouseDown", "rMouseDblClick", "rMouseDown"}));
    Pause();
    // The middle button raises nothing.
    f.events->clear();
    Click(r, 2);
    Pause();
    QCOMPARE(f.events->count(), 0);
}

void TestSysTrayX11::removeFromTrayTakesTheIconAway() {
    if (!trayRunning_)
        QSKIP("no notification area");
    Form f(kRed, QStringLiteral("remove"));
    const QRect r = SettledIcon(f.window.get(), kRed);
    QVERIFY(!r.isEmpty());
    f.tray->RemoveFromTray();
    QVERIFY(!FindNotifyIcon(f.window.get(), 0));
    QTRY_VERIFY(!TrayShows(kRed));
    // Clicking where it was raises nothing, and it does not come back.
    Click(r, 1);
    QTest::qWait(300);
    QCOMPARE(f.events->count(), 0);
    QVERIFY(!TrayShows(kRed));
}

void TestSysTrayX11::hostWindowEndTakesTheIconAway() {
    if (!trayRunning_)
        QSKIP("no notification area");
    {
        // The host's window ends while the form and its control live on.
        Form f(kRed, QStringLiteral("window ends"));
        QTRY_VERIFY_WITH_TIMEOUT(TrayShows(kRed), 10000);
        f.window->windowHandle()->destroy();
        QVERIFY(!FindNotifyIcon(f.window.get(), 0));
        QTRY_VERIFY(!TrayShows(kRed));
        QCOMPARE(HookedTrayWindows(), 0);
    }
    // The form is deleted.
    Form g(kGreen, QStringLiteral("form deleted"));
    QTRY_VERIFY_WITH_TIMEOUT(TrayShows(kGreen), 10000);
    g.events.reset();
    g.window.reset();
    QTRY_VERIFY(!TrayShows(kGreen));
}

void TestSysTrayX11::twoControlsOnOneFormShowTheWarningAndNoIcon() {
    if (!trayRunning_)
        QSKIP("no notification area");
    int shown = 0;
    QString warning;
    QTimer watch;
    watch.setInterval(20);
    connect(&watch, &QTimer::timeout, [&] {
        if (!AboutDialogLoaded() || !AboutDialog()->isVisible())
            return;
        ++shown;
        warning = AboutDialog()->Label9->isVisible() ? AboutDialog()->Label9->text() : QString();
        // The warning on the screen, over its form.
        QTest::qWait(200);
        AboutDialog()->reject();
    });
    watch.start();
    QWidget form;
    auto* a = static_cast<SysTray*>(NewSysTray(&form));
    auto* b = static_cast<SysTray*>(NewSysTray(&form));
    a->SetIcon(Solid(kRed));
    b->SetIcon(Solid(kGreen));
    form.show();
    QTRY_COMPARE(shown, 1);
    QCOMPARE(warning, kSysTrayDuplicateWarning);
    QTest::qWait(500);
    QCOMPARE(shown, 1);
    QCOMPARE(NotifyIconCount(), 0);
    QVERIFY(!TrayShows(kRed));
    QVERIFY(!TrayShows(kGreen));
}

void TestSysTrayX11::twoFormsBothShowTheirIcon() {
    if (!trayRunning_)
        QSKIP("no notification area");
    Form one(kRed, QStringLiteral("one"));
    Form two(kGreen, QStringLiteral("two"));
    QVERIFY(!SettledIcon(one.window.get(), kRed).isEmpty());
    QVERIFY(!SettledIcon(two.window.get(), kGreen).isEmpty());
    const QRect r1 = SettledIcon(one.window.get(), kRed);
    const QRect r2 = SettledIcon(two.window.get(), kGreen);
    QVERIFY(!r1.isEmpty() && !r2.isEmpty());
    QVERIFY(!r1.intersects(r2));
    Click(r1, 1);
    QTRY_COMPARE(one.names(), QStringList{"lMouseDown"});
    Pause();
    Click(r2, 3);
    QTRY_COMPARE(two.names(), QStringList{"rMouseDown"});
    QCOMPARE(one.names(), QStringList{"lMouseDown"});
    Pause();
    // The first form goes; the second keeps its icon and its events.
    one.events.reset();
    one.window.reset();
    QTRY_VERIFY(!TrayShows(kRed));
    const QRect left = SettledIcon(two.window.get(), kGreen);
    QVERIFY(!left.isEmpty());
    Click(left, 1);
    QTRY_COMPARE(two.names(), QStringList({"rMouseDown", "lMouseDown"}));
}

void TestSysTrayX11::withoutANotificationAreaNothingHappensUntilOneAppears() {
    if (trayRunning_)
        QSKIP("a notification area runs");
    Form f(kRed, QStringLiteral("later"));
    QTRY_COMPARE(f.tray->attachCounter(), 1);
    const auto waiting = FindNotifyIcon(f.window.get(), 0);
    QVERIFY(waiting);
    QVERIFY(!waiting->shown);
    // Clicking around raises nothing.
    Xdo({"mousemove", "1010", "10", "click", "1"});
    QTest::qWait(300);
    QCOMPARE(f.events->count(), 0);
    QVERIFY(!TrayShows(kRed));

    // A notification area starts: the icon goes into it.
    const QStringList command =
        QProcess::splitCommand(QString::fromLocal8Bit(qgetenv("DRAPIX_TRAY_HOST")));
    QVERIFY(!command.isEmpty());
    QProcess host;
    host.start(command.first(), command.mid(1));
    QVERIFY(host.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(X11NotificationAreaRunning(), 10000);
    const QRect first = SettledIcon(f.window.get(), kRed);
    QVERIFY(!first.isEmpty());
    Click(first, 1);
    QTRY_COMPARE(f.names(), QStringList{"lMouseDown"});
    Pause();

    // It ends: the icon waits again, and nothing is left on the screen.
    host.terminate();
    QVERIFY(host.waitForFinished());
    QTRY_VERIFY_WITH_TIMEOUT(!X11NotificationAreaRunning(), 10000);
    QTRY_VERIFY(!FindNotifyIcon(f.window.get(), 0)->shown);
    QTRY_VERIFY(!TrayShows(kRed));
    // Another one starts: the icon is back and works.
    host.start(command.first(), command.mid(1));
    QVERIFY(host.waitForStarted());
    const QRect again = SettledIcon(f.window.get(), kRed);
    QVERIFY(!again.isEmpty());
    Click(again, 3);
    QTRY_COMPARE(f.names(), QStringList({"lMouseDown", "rMouseDown"}));
    f.events.reset();
    f.window.reset();
    QTRY_VERIFY(!TrayShows(kRed));
    host.terminate();
    QVERIFY(host.waitForFinished());
}

QTEST_MAIN(TestSysTrayX11)
#include "tst_systray_x11.moc"
