// The Command widget as a host meets it: mouse, keyboard, focus, default and cancel buttons,
// access keys, the hover timer and accessibility.
#include "buttons/command.h"

#include <QAccessible>
#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

using namespace drapix;

namespace {

struct Form {
    QWidget window;
    Command* a;
    Command* b;
    QStringList events;

    Form() {
        window.resize(300, 200);
        a = static_cast<Command*>(NewCommand(&window));
        b = static_cast<Command*>(NewCommand(&window));
        a->setObjectName("a");
        b->setObjectName("b");
        a->setGeometry(10, 10, 94, 38);
        b->setGeometry(10, 100, 94, 38);
        a->SetCaption(QStringLiteral("查询"));
        b->SetCaption(QStringLiteral("退出"));
        for (Command* c : {a, b})
            QObject::connect(c, &Command::EventRaised, &window,
                             [this, c](const QString& e) { events << c->objectName() + " " + e; });
        window.show();
        window.activateWindow();
        (void)QTest::qWaitForWindowActive(&window);
        events.clear();
    }
    QStringList take() {
        QStringList e = events;
        events.clear();
        return e;
    }
};

QStringList Without(QStringList events, const QString& kind) {
    events.removeIf([&](const QString& e) { return e.endsWith(" " + kind); });
    return events;
}

} // namespace

class TestCommand : public QObject {
    Q_OBJECT
private slots:
    void pressShowsPressedFaceAndShiftsCaption();
    void clickRaisesTheEventsInOrder();
    void hoverFaceComesBackWithinTwoTicks();
    void dragOutsideRaisesOneMouseOut();
    void rightAndMiddlePressLeaveFocusAndFace();
    void enterEscAndAccessKeyRaiseExactlyOneClick();
    void spaceClicksOnRelease();
    void anyKeyShowsPressedFaceWhileTheHostHandlesIt();
    void disabledButtonRaisesNothingAndCentresItsCaption();
    void accessibility();
    void propertiesAndChangeNotices();
};

void TestCommand::pressShowsPressedFaceAndShiftsCaption() {
    Form f;
    const QRectF caption = f.a->captionRect();
    QTest::mousePress(f.a, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(f.a->logic().facePicture(), QString("imgbut3"));
    QCOMPARE(f.a->captionRect(), caption.translated(1, 1));
    QVERIFY(f.a->hasFocus());
    QTest::mouseRelease(f.a, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(f.a->logic().facePicture(), QString("Imgbut2"));
    QCOMPARE(f.a->captionRect(), caption);
    // The pixels: the pressed face's body colour at the centre while held.
    QTest::mousePress(f.a, Qt::LeftButton, {}, QPoint(5, 5));
    const QImage held = f.a->grab().toImage();
    QTest::mouseRelease(f.a, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(held.pixel(20, 19) & 0xFFFFFF, 0xC4F6B3u);
}

void TestCommand::clickRaisesTheEventsInOrder() {
    Form f;
    QTest::mouseClick(f.a, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(Without(f.take(), "MouseMove"), (QStringList{"a MouseDown", "a MouseUp", "a Click"}));
    // A click on the caption is a click too.
    QTest::mouseClick(f.a, Qt::LeftButton, {}, f.a->captionRect().center().toPoint());
    QCOMPARE(Without(f.take(), "MouseMove"), (QStringList{"a MouseDown", "a MouseUp", "a Click"}));
    // Right button: no MouseDown, no Click, but MouseUp.
    QTest::mouseClick(f.a, Qt::RightButton, {}, QPoint(5, 5));
    QCOMPARE(Without(f.take(), "MouseMove"), QStringList{"a MouseUp"});
    // A double click: DblClick, then MouseDown.
    QTest::mouseDClick(f.a, Qt::LeftButton, {}, QPoint(5, 5));
    const QStringList d = Without(f.take(), "MouseMove");
    QVERIFY(d.contains("a DblClick"));
    QCOMPARE(d.mid(d.indexOf("a DblClick"), 2), (QStringList{"a DblClick", "a MouseDown"}));
}

void TestCommand::hoverFaceComesBackWithinTwoTicks() {
    Form f;
    QVERIFY(!f.b->hasFocus());
    QTest::qWait(120); // the creation tick has passed
    QTest::mouseMove(f.b, QPoint(20, 20));
    QMouseEvent move(QEvent::MouseMove, QPointF(20, 20), f.b->mapToGlobal(QPointF(20, 20)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(f.b, &move);
    QCOMPARE(f.b->logic().facePicture(), QString("Imgbut2")); // style 3's hover face
    QVERIFY(f.b->logic().timerRunning());
    QTest::qWait(120);
    QCOMPARE(f.b->logic().facePicture(), QString("Imgbut2")); // still inside
    QTest::mouseMove(&f.window, QPoint(250, 180));            // the cursor leaves
    QTest::qWait(2 * 50 + 20);
    QCOMPARE(f.b->logic().facePicture(), QString("Imgbut1"));
    QVERIFY(!f.b->logic().timerRunning());
    QVERIFY(f.take().contains("b MouseOut"));
}

void TestCommand::dragOutsideRaisesOneMouseOut() {
    Form f;
    QTRY_VERIFY(!f.a->logic().timerRunning()); // the creation tick has passed
    const auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButton button,
                          Qt::MouseButtons held) {
        QMouseEvent e(type, QPointF(at), f.a->mapToGlobal(QPointF(at)), button, held,
                      Qt::NoModifier);
        QApplication::sendEvent(f.a, &e);
    };
    QCursor::setPos(f.a->mapToGlobal(QPoint(20, 20)));
    send(QEvent::MouseMove, {20, 20}, Qt::NoButton, Qt::NoButton);
    send(QEvent::MouseButtonPress, {20, 20}, Qt::LeftButton, Qt::LeftButton);
    // The pointer is dragged outside with the button held, for a dozen ticks of the timer.
    QCursor::setPos(f.window.mapToGlobal(QPoint(250, 180)));
    for (int i = 0; i < 12; ++i) {
        send(QEvent::MouseMove, {240 + i, 170}, Qt::NoButton, Qt::LeftButton);
        QVERIFY(f.a->logic().timerRunning());
        QTRY_VERIFY(!f.a->logic().timerRunning()); // a tick found the cursor outside
    }
    QCOMPARE(f.events.count("a MouseOut"), 1);
    send(QEvent::MouseButtonRelease, {251, 170}, Qt::LeftButton, Qt::NoButton);
    QCOMPARE(f.events.count("a MouseOut"), 1);
    QVERIFY(!f.events.contains("a Click"));
}

void TestCommand::rightAndMiddlePressLeaveFocusAndFace() {
    Form f;
    f.b->Set按钮类型(0); // its hover and focused faces differ
    QTRY_VERIFY(!f.b->logic().timerRunning());
    QVERIFY(!f.b->hasFocus());
    QTest::mouseMove(f.b, QPoint(5, 5));
    const QString face = f.b->logic().facePicture();
    const QRectF caption = f.b->captionRect();
    for (Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton}) {
        QTest::mousePress(f.b, button, {}, QPoint(5, 5));
        QVERIFY(!f.b->hasFocus());
        QCOMPARE(f.b->logic().facePicture(), face);
        QVERIFY(!f.b->logic().focusFrameShown());
        QCOMPARE(f.b->captionRect(), caption);
        QTest::mouseRelease(f.b, button, {}, QPoint(5, 5));
        QVERIFY(!f.b->hasFocus());
    }
    QCOMPARE(Without(f.take(), "MouseMove"), (QStringList{"b MouseUp", "b MouseUp"}));
    // The left button still takes the focus.
    QTest::mouseClick(f.b, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(f.b->hasFocus());
}

void TestCommand::enterEscAndAccessKeyRaiseExactlyOneClick() {
    Form f;
    f.a->SetDefault(true);
    f.b->SetCancel(true);
    f.a->Set按钮热键(QStringLiteral("q"));
    f.b->setFocus();
    QTest::keyClick(&f.window, Qt::Key_Return);
    QCOMPARE(f.take(), QStringList{"a Click"});
    QTest::keyClick(&f.window, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(f.take(), QStringList{"a Click"});
    QTest::keyClick(&f.window, Qt::Key_Escape);
    QCOMPARE(f.take(), QStringList{"b Click"});
    QTest::keyClick(&f.window, Qt::Key_Q, Qt::AltModifier);
    QCOMPARE(f.take(), QStringList{"a Click"});
    // Only the default button answers Enter.
    f.a->SetDefault(false);
    QTest::keyClick(&f.window, Qt::Key_Return);
    QVERIFY(!f.take().contains("a Click"));
}

void TestCommand::spaceClicksOnRelease() {
    Form f;
    f.a->setFocus();
    QTest::keyPress(f.a, Qt::Key_Space);
    QVERIFY(!f.events.contains("a Click"));
    QTest::keyRelease(f.a, Qt::Key_Space);
    QCOMPARE(f.take(), (QStringList{"a KeyDown", "a KeyPress", "a KeyUp", "a Click"}));
}

void TestCommand::anyKeyShowsPressedFaceWhileTheHostHandlesIt() {
    Form f;
    f.a->Set按钮类型(0);
    f.a->resize(80, 18); // XpBlue4's own size: no stretching
    f.a->setFocus();
    QString faceDuringKeyDown;
    QImage pixelsDuringKeyDown;
    connect(f.a, &Command::KeyDown, this, [&] {
        faceDuringKeyDown = f.a->logic().facePicture();
        pixelsDuringKeyDown = f.a->grab().toImage();
    });
    QTest::keyClick(f.a, Qt::Key_G);
    QCOMPARE(faceDuringKeyDown, QString("XpBlue4"));
    QCOMPARE(pixelsDuringKeyDown.pixel(8, 9) & 0xFFFFFF, 0xE2E1D9u); // the pressed body
    QCOMPARE(f.a->logic().facePicture(), QString("XpBlue2"));
    QVERIFY(f.a->logic().focusFrameShown());
}

void TestCommand::disabledButtonRaisesNothingAndCentresItsCaption() {
    Form f;
    f.a->Set按钮上的图标(QPixmap(QSize(16, 16)));
    f.a->Set图标位置(1);
    QVERIFY(!f.a->iconRect().isNull());
    f.a->SetDefault(true);
    f.a->Set按钮热键("q");
    f.a->SetEnabled(false);
    QCOMPARE(f.a->logic().facePicture(), QString("imgbut4"));
    QVERIFY(f.a->iconRect().isNull());
    const QRectF c = f.a->captionRect();
    QCOMPARE(c.center(), QPointF(47, 19));
    QTest::mouseClick(f.a, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::keyClick(&f.window, Qt::Key_Return);
    QTest::keyClick(&f.window, Qt::Key_Q, Qt::AltModifier);
    QTest::mouseDClick(f.a, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(f.take().isEmpty());
    f.a->SetEnabled(true);
    QVERIFY(!f.a->iconRect().isNull()); // the icon layout comes back
    QCOMPARE(f.a->logic().facePicture(), QString("Imgbut1"));
}

void TestCommand::accessibility() {
    Form f;
    f.a->SetCaption(QStringLiteral("查询(&S)"));
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(f.a);
    QVERIFY(iface);
    QCOMPARE(iface->role(), QAccessible::Button);
    QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("查询(S)"));
    QAccessibleActionInterface* action = iface->actionInterface();
    QVERIFY(action);
    QVERIFY(action->actionNames().contains(QAccessibleActionInterface::pressAction()));
    action->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(f.take(), QStringList{"a Click"});
}

void TestCommand::propertiesAndChangeNotices() {
    Form f;
    QSignalSpy notices(f.a, &Command::PropertyChanged);
    f.a->Set按钮类型(6);
    QCOMPARE(f.a->按钮类型(), 6);
    QCOMPARE(f.a->property("buttonStyle").toInt(), 6);
    f.a->setProperty("iconPosition", 2);
    QCOMPARE(f.a->图标位置(), 2);
    f.a->SetFontColor(0x0000FF);
    f.a->Set按钮热键("x");
    QCOMPARE(f.a->property("accessKeys").toString(), QString("x"));
    QStringList names;
    for (const auto& n : notices)
        names << n.at(0).toString();
    QCOMPARE(names, (QStringList{"按钮类型", "图标位置", "FontColor", "按钮热键"}));
    QCOMPARE(f.a->MenuPicture().size(), QSize(87, 23));
    QVERIFY(f.a->MenuHeight() > 0);
    // Sizing below 9 pixels (135 twips) snaps back.
    f.a->resize(3, 50);
    QCOMPARE(f.a->size(), QSize(9, 50));
    const QMetaObject* mo = f.a->metaObject();
    QCOMPARE(QString::fromUtf8(mo->classInfo(mo->indexOfClassInfo("buttonStyle")).value()),
             QStringLiteral("按钮类型"));
    QCOMPARE(QString::fromLatin1(mo->className()), QString("Command"));
}

QTEST_MAIN(TestCommand)
#include "tst_command.moc"
