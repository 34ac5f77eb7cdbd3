// SysTray as a host and a program meet it, without a notification area on the screen: its
// parts and defaults, the attach step, the host window's hook, the callback message, the
// duplicate warning, persistence, and forms of one process each with their own control.
#include "buttons/about_dialog.h"
#include "buttons/class_table.h"
#include "buttons/msystray.h"
#include "buttons/notify_area.h"
#include "buttons/systray.h"
#include "core/ambient.h"
#include "core/form_data.h"
#include "core/pictures.h"
#include "core/property_bag.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <memory>

using namespace drapix;

namespace {

// A running form with one new SysTray, attached.
struct Form {
    std::unique_ptr<QWidget> window{new QWidget};
    SysTray* tray = nullptr;
    explicit Form(bool show = true) {
        tray = static_cast<SysTray*>(NewSysTray(window.get()));
        tray->setObjectName(QStringLiteral("SysTray1"));
        if (show)
            window->show();
    }
};

void Post(QWidget* host, quint32 lParam, quint32 message = TrayCallbackMessage) {
    QCoreApplication::postEvent(host, new TrayCallbackEvent(message, 0, lParam));
    QCoreApplication::processEvents();
}

// Watches for the about dialog while a modal loop runs: records what it shows, then closes it.
struct DialogWatch {
    int shown = 0;
    QString title, product, warning;
    bool warningVisible = false;
    QColor warningBack;
    QTimer timer;
    DialogWatch() {
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            if (!AboutDialogLoaded() || !AboutDialog()->isVisible())
                return;
            dlgAbout* d = AboutDialog();
            ++shown;
            title = d->Label1->text();
            product = d->Label2->text();
            warning = d->Label9->text();
            warningVisible = d->Label9->isVisible();
            warningBack = d->Label9->palette().color(QPalette::Window);
            d->reject();
        });
        timer.start();
    }
};

} // namespace

class TestSysTray : public QObject {
    Q_OBJECT
private slots:
    void init() { SetUserMode(true); }
    void cleanup() {
        ReleaseAboutDialog();
        SetUserMode(true);
        QCOMPARE(NotifyIconCount(), 0);
        QCOMPARE(HookedTrayWindows(), 0);
    }
    void classTableRow();
    void tipField();
    void callbackMessages();
    void newControl();
    void attachesOnTheFirstTick();
    void callbackRaisesTheEvents();
    void laterChangesLeaveTheNotificationAreaAlone();
    void longTipIsCut();
    void removeFromTray();
    void removeFromTrayBeforeTheFirstTickKeepsTheIconAway();
    void hostWindowEndRemovesTheIcon();
    void designTime();
    void twoControlsOnOneFormGiveTheWarning();
    void twoFormsEachKeepTheirOwnControl();
    void persistence();
    void formData();
    void aboutBox();
};

void TestSysTray::classTableRow() {
    const ControlClass* c = FindClass(QStringLiteral("Drapix.SysTray"));
    QVERIFY(c);
    QCOMPARE(c->name, QString("SysTray"));
    QCOMPARE(c->defaultInterface, QString("_SysTray"));
    QCOMPARE(c->eventInterface, QString("__SysTray"));
    QCOMPARE(c->miscStatus, 0x24591u);
    QCOMPARE(c->toolboxResource, 30001);
    QCOMPARE(Picture(c->toolboxPicture).size(), QSize(16, 15));
    std::unique_ptr<QWidget> made(c->create(nullptr));
    QCOMPARE(QString::fromLatin1(made->metaObject()->className()), QString("SysTray"));
}

void TestSysTray::tipField() {
    QCOMPARE(TrayTipField(QStringLiteral("abc")), QStringLiteral("abc").leftJustified(64, ' '));
    QCOMPARE(TrayTipField(QString(64, 'x')), QString(64, 'x'));
    QCOMPARE(TrayTipField(QString(100, 'y')), QString(64, 'y'));
    // A character outside the basic plane at the cut stays whole or goes whole.
    const QString emoji = QString::fromUtf8("\xF0\x9F\x8C\xBF"); // two UTF-16 units
    const QString field = TrayTipField(QString(63, 'z') + emoji + "tail");
    QCOMPARE(field.size(), 64);
    QCOMPARE(field, QString(63, 'z') + ' ');
    QCOMPARE(TrayTipField(QString(62, 'z') + emoji + "tail"), QString(62, 'z') + emoji);
}

void TestSysTray::callbackMessages() {
    QCOMPARE(TrayCallbackMessage, 1125u);
    QCOMPARE(TrayEventFor(0x202), TrayEvent::lMouseDown);
    QCOMPARE(TrayEventFor(0x205), TrayEvent::rMouseDown);
    QCOMPARE(TrayEventFor(0x203), TrayEvent::lMouseDblClick);
    QCOMPARE(TrayEventFor(0x206), TrayEvent::rMouseDblClick);
    for (quint32 other : {0x200u, 0x201u, 0x204u, 0x207u, 0x208u, 0x209u, 0u})
        QVERIFY(!TrayEventFor(other));
    QCOMPARE(int(TrayEvent::rMouseDblClick), 1);
    QCOMPARE(int(TrayEvent::lMouseDblClick), 2);
    QCOMPARE(int(TrayEvent::lMouseDown), 3);
    QCOMPARE(int(TrayEvent::rMouseDown), 4);
}

void TestSysTray::newControl() {
    QWidget form;
    auto* tray = static_cast<SysTray*>(NewSysTray(&form));
    QCOMPARE(tray->Caption(), kSysTrayStudioText);
    QCOMPARE(tray->Icon().size(), QSize(48, 48));
    QCOMPARE(tray->Icon().toImage(),
             PictureImage("SysTrayIcon").convertToFormat(tray->Icon().toImage().format()));
    QVERIFY(tray->timerRunning());
    QCOMPARE(tray->attachCounter(), 0);
    QCOMPARE(tray->size(), QSize(200, 28));
    tray->resize(500, 100);
    QCOMPARE(tray->size(), QSize(200, 28));
    tray->setGeometry(10, 10, 20, 5);
    QCOMPARE(tray->size(), QSize(200, 28));
    QVERIFY(tray->MenuHeight() > 0);
    // Invisible while the program runs.
    form.show();
    QVERIFY(!tray->isVisible());
}

void TestSysTray::attachesOnTheFirstTick() {
    Form f;
    QTRY_COMPARE(f.tray->attachCounter(), 1);
    QVERIFY(!f.tray->timerRunning());
    QCOMPARE(f.tray->hostWindow(), f.window.get());
    QCOMPARE(AttachedControl(f.window.get()), static_cast<QObject*>(f.tray));
    const NOTIFYICONDATA& r = f.tray->iconRecord();
    QCOMPARE(r.cbSize, 88u);
    QCOMPARE(r.hWnd.data(), f.window.get());
    QCOMPARE(r.uID, 0u);
    QCOMPARE(r.uCallbackMessage, 1125u);
    QCOMPARE(r.szTip, TrayTipField(kSysTrayStudioText));
    const auto icon = FindNotifyIcon(f.window.get(), 0);
    QVERIFY(icon);
    QCOMPARE(icon->tip, kSysTrayStudioText);
    QCOMPARE(icon->icon.toImage(), f.tray->Icon().toImage());
    // No notification area here: the icon is kept, nothing shows it.
    QVERIFY(!icon->shown);
    QCOMPARE(NotifyIconCount(), 1);
}

void TestSysTray::callbackRaisesTheEvents() {
    Form f;
    QTRY_COMPARE(f.tray->attachCounter(), 1);
    QSignalSpy events(f.tray, &SysTray::EventRaised);
    QSignalSpy l(f.tray, &SysTray::lMouseDown);
    QSignalSpy r(f.tray, &SysTray::rMouseDown);
    QSignalSpy ld(f.tray, &SysTray::lMouseDblClick);
    QSignalSpy rd(f.tray, &SysTray::rMouseDblClick);
    // A left double click as the notification area reports it: down, up, double click, up.
    for (quint32 m : {0x201u, 0x202u, 0x203u, 0x202u})
        Post(f.window.get(), m);
    QCOMPARE(l.count(), 2);
    QCOMPARE(ld.count(), 1);
    for (quint32 m : {0x204u, 0x205u, 0x206u, 0x205u})
        Post(f.window.get(), m);
    QCOMPARE(r.count(), 2);
    QCOMPARE(rd.count(), 1);
    QStringList names;
    for (const auto& e : events)
        names << e.at(0).toString();
    QCOMPARE(names, QStringList({"lMouseDown", "lMouseDblClick", "lMouseDown", "rMouseDown",
                                 "rMouseDblClick", "rMouseDown"}));
    // Moves, the middle button and other messages raise nothing.
    events.clear();
    for (quint32 m : {0x200u, 0x207u, 0x208u, 0x209u})
        Post(f.window.get(), m);
    Post(f.window.get(), 0x202, TrayCallbackMessage + 1);
    QCOMPARE(events.count(), 0);
}

void TestSysTray::laterChangesLeaveTheNotificationAreaAlone() {
    Form f;
    QTRY_COMPARE(f.tray->attachCounter(), 1);
    QSignalSpy changed(f.tray, &SysTray::PropertyChanged);
    const QPixmap before = FindNotifyIcon(f.window.get(), 0)->icon;
    QPixmap red(16, 16);
    red.fill(Qt::red);
    f.tray->SetIcon(red);
    f.tray->SetCaption(QStringLiteral("新的提示"));
    QCOMPARE(changed.count(), 2);
    QCOMPARE(changed.at(0).at(0).toString(), QString("Icon"));
    QCOMPARE(changed.at(1).at(0).toString(), QString("Caption"));
    QCOMPARE(f.tray->Icon().toImage(), red.toImage());
    QCOMPARE(f.tray->Caption(), QStringLiteral("新的提示"));
    QTest::qWait(50);
    const auto icon = FindNotifyIcon(f.window.get(), 0);
    QCOMPARE(icon->tip, kSysTrayStudioText);
    QCOMPARE(icon->icon.toImage(), before.toImage());
}

void TestSysTray::longTipIsCut() {
    QWidget form;
    auto* tray = static_cast<SysTray*>(NewSysTray(&form));
    const QString longTip = QStringLiteral("一二三四五六七八九十").repeated(10);
    tray->SetCaption(longTip);
    form.show();
    QTRY_COMPARE(tray->attachCounter(), 1);
    QCOMPARE(FindNotifyIcon(&form, 0)->tip, longTip.left(64));
    QCOMPARE(tray->Caption(), longTip); // the property keeps the whole text
}

void TestSysTray::removeFromTray() {
    Form f;
    QTRY_COMPARE(f.tray->attachCounter(), 1);
    QSignalSpy events(f.tray, &SysTray::EventRaised);
    f.tray->RemoveFromTray();
    QVERIFY(!FindNotifyIcon(f.window.get(), 0));
    QVERIFY(!AttachedControl(f.window.get()));
    Post(f.window.get(), 0x202);
    QCOMPARE(events.count(), 0);
    // It stays away.
    QTest::qWait(50);
    QVERIFY(!FindNotifyIcon(f.window.get(), 0));
    f.tray->RemoveFromTray(); // twice is harmless
    // Termination removes the icon as well.
    Form g;
    QTRY_COMPARE(g.tray->attachCounter(), 1);
    delete g.tray;
    QVERIFY(!FindNotifyIcon(g.window.get(), 0));
    QVERIFY(!AttachedControl(g.window.get()));
}

void TestSysTray::removeFromTrayBeforeTheFirstTickKeepsTheIconAway() {
    Form f(false);
    f.tray->RemoveFromTray();
    f.window->show();
    QTest::qWait(60);
    QCOMPARE(f.tray->attachCounter(), 0);
    QVERIFY(!FindNotifyIcon(f.window.get(), 0));
}

void TestSysTray::hostWindowEndRemovesTheIcon() {
    // The host's native window ends while the form and its control live on.
    Form f;
    QTRY_COMPARE(f.tray->attachCounter(), 1);
    QSignalSpy events(f.tray, &SysTray::EventRaised);
    f.window->windowHandle()->destroy();
    QVERIFY(!FindNotifyIcon(f.window.get(), 0));
    QVERIFY(!AttachedControl(f.window.get()));
    QCOMPARE(HookedTrayWindows(), 0);
    Post(f.window.get(), 0x202);
    QCOMPARE(events.count(), 0);
    QCOMPARE(f.tray->attachCounter(), 1);
    // The form deleted.
    Form g;
    QTRY_COMPARE(g.tray->attachCounter(), 1);
    g.window.reset();
    QCOMPARE(NotifyIconCount(), 0);
    QCOMPARE(HookedTrayWindows(), 0);
}

void TestSysTray::designTime() {
    SetUserMode(false);
    Form f;
    QTest::qWait(80);
    // The duplicate check keeps running; nothing is added and the window is not hooked.
    QVERIFY(f.tray->timerRunning());
    QCOMPARE(f.tray->attachCounter(), 0);
    QVERIFY(!FindNotifyIcon(f.window.get(), 0));
    QVERIFY(!AttachedControl(f.window.get()));
    QVERIFY(f.tray->isVisible()); // the design picture shows
    const QImage drawn = f.tray->grab().toImage();
    QCOMPARE(drawn.size(), QSize(200, 28));
    QCOMPARE(drawn.pixel(100, 2), PictureImage("SysTrayDesign").pixel(100, 2));
    // A second control placed on the form brings up the warning, once.
    DialogWatch watch;
    auto* second = static_cast<SysTray*>(NewSysTray(f.window.get()));
    QTRY_COMPARE(watch.shown, 1);
    QTRY_VERIFY(!f.tray->timerRunning() && !second->timerRunning());
    QCOMPARE(watch.shown, 1);
    QCOMPARE(NotifyIconCount(), 0);
}

void TestSysTray::twoControlsOnOneFormGiveTheWarning() {
    DialogWatch watch;
    QWidget form;
    auto* inner = new QWidget(&form); // a control inside a frame counts as well
    auto* a = static_cast<SysTray*>(NewSysTray(&form));
    auto* b = static_cast<SysTray*>(NewSysTray(inner));
    form.show();
    QTRY_COMPARE(watch.shown, 1);
    QTRY_VERIFY(!a->timerRunning() && !b->timerRunning());
    QTest::qWait(50);
    QCOMPARE(watch.shown, 1);
    QCOMPARE(watch.title, QString("注意"));
    QCOMPARE(watch.product, QString("Lustrane窗体托盘控件"));
    QCOMPARE(watch.warning,
             QString("请不要在同一程序的同一窗体上,放上一个以上的Lustrane窗体托盘控件,"
                     "请删除多余的控件,确保同一程序的同一窗体上,有且只有一个Lustrane窗体托盘控件"));
    QVERIFY(watch.warningVisible);
    QCOMPARE(watch.warningBack, QColor(213, 222, 242));
    // Neither control adds an icon; the dialog stays loaded.
    QCOMPARE(a->attachCounter(), 0);
    QCOMPARE(b->attachCounter(), 0);
    QVERIFY(!FindNotifyIcon(&form, 0));
    QVERIFY(!AttachedControl(&form));
    QVERIFY(AboutDialogLoaded());
}

void TestSysTray::twoFormsEachKeepTheirOwnControl() {
    Form one;
    Form two;
    QTRY_VERIFY(one.tray->attachCounter() == 1 && two.tray->attachCounter() == 1);
    QCOMPARE(NotifyIconCount(), 2);
    QCOMPARE(AttachedControl(one.window.get()), static_cast<QObject*>(one.tray));
    QCOMPARE(AttachedControl(two.window.get()), static_cast<QObject*>(two.tray));
    QSignalSpy first(one.tray, &SysTray::EventRaised);
    QSignalSpy second(two.tray, &SysTray::EventRaised);
    Post(one.window.get(), 0x202);
    QCOMPARE(first.count(), 1);
    QCOMPARE(second.count(), 0);
    Post(two.window.get(), 0x205);
    QCOMPARE(first.count(), 1);
    QCOMPARE(second.count(), 1);
    // The second form goes; the first keeps its icon and its events.
    two.window.reset();
    QVERIFY(FindNotifyIcon(one.window.get(), 0));
    QCOMPARE(AttachedControl(one.window.get()), static_cast<QObject*>(one.tray));
    Post(one.window.get(), 0x203);
    QCOMPARE(first.count(), 2);
    QCOMPARE(first.at(1).at(0).toString(), QString("lMouseDblClick"));
}

void TestSysTray::persistence() {
    QWidget form;
    auto* tray = static_cast<SysTray*>(NewSysTray(&form));
    PropertyBag bag;
    tray->WriteProperties(bag);
    // The default tip is not written; the built-in icon is (the stored default is no picture).
    QCOMPARE(bag.entries().size(), 1);
    QCOMPARE(bag.entries().at(0).key, QString("Icon"));
    tray->SetCaption(QStringLiteral("托盘提示"));
    PropertyBag ordered;
    tray->WriteProperties(ordered);
    QCOMPARE(ordered.entries().size(), 2);
    QCOMPARE(ordered.entries().at(0).key, QString("Caption"));
    QCOMPARE(ordered.entries().at(1).key, QString("Icon"));

    auto* loaded = new SysTray(&form);
    QSignalSpy changed(loaded, &SysTray::PropertyChanged);
    QVERIFY(loaded->ReadProperties(ordered));
    QCOMPARE(loaded->Caption(), QStringLiteral("托盘提示"));
    QCOMPARE(loaded->Icon().toImage().convertToFormat(QImage::Format_ARGB32),
             tray->Icon().toImage().convertToFormat(QImage::Format_ARGB32));
    // Reading notifies the icon's change only.
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toString(), QString("Icon"));
    // Nothing stored: the studio text and no picture.
    QVERIFY(loaded->ReadProperties(PropertyBag()));
    QCOMPARE(loaded->Caption(), kSysTrayStudioText);
    QVERIFY(loaded->Icon().isNull());
    // A value of the wrong type is a problem.
    PropertyBag wrong;
    wrong.Append({QStringLiteral("caption"), 5, 3});
    QVERIFY(!loaded->ReadProperties(wrong));
    QCOMPARE(loaded->Caption(), kSysTrayStudioText);
}

void TestSysTray::formData() {
    const QByteArray text = "[SysTray1] Drapix.SysTray\n"
                            "_extentx = 6000\n"
                            "_extenty = 900\n"
                            "caption = \"托盘\"\n"
                            "icon = picture()\n";
    const FormData data = FormData::Parse(text, QStringLiteral("test.form"));
    QWidget form;
    auto* tray = qobject_cast<SysTray*>(CreateFormControl(data, QStringLiteral("SysTray1"), &form));
    QVERIFY(tray);
    QCOMPARE(tray->objectName(), QString("SysTray1"));
    QCOMPARE(tray->size(), QSize(200, 28));
    QCOMPARE(tray->Caption(), QString("托盘"));
    QVERIFY(tray->Icon().isNull());
}

void TestSysTray::aboutBox() {
    QWidget form;
    auto* tray = static_cast<SysTray*>(NewSysTray(&form));
    DialogWatch watch;
    tray->ShowAboutBox();
    QCOMPARE(watch.shown, 1);
    QCOMPARE(watch.title, QString("关于Lustrane窗体托盘控件"));
    QCOMPARE(watch.product, QString("Lustrane窗体托盘控件"));
    QVERIFY(!watch.warningVisible);
    QVERIFY(!AboutDialogLoaded()); // unloaded afterwards
    QVERIFY(QMetaObject::invokeMethod(tray, "RemoveFromTray"));
}

QTEST_MAIN(TestSysTray)
#include "tst_systray.moc"
