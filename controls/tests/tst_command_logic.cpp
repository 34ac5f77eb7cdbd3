// The Command button's state machine and geometry, driven without a window.
#include "artwork/artwork_table.h"
#include "buttons/command_logic.h"

#include <QTest>

using namespace drapix;

namespace {

struct Recorder {
    QStringList names;
    std::vector<CommandEvent> events;
    // The face and frame at the moment each event was raised.
    QStringList facesAtRaise;
    std::vector<bool> framesAtRaise;
};

// A 94 x 38 enabled button of the given style, caption 40 x 12, icon 16 x 16.
CommandLogic Make(int style, int iconPosition = 0) {
    CommandLogic l;
    l.setMetrics(QSize(94, 38), QSizeF(40, 12), QSizeF(16, 16));
    l.setIconPosition(iconPosition);
    l.setEnabled(true);
    l.setStyle(style);
    return l;
}

void Attach(CommandLogic& l, Recorder& rec) {
    l.raise = [&l, &rec](const CommandEvent& e) {
        rec.names << EventName(e.id);
        rec.events.push_back(e);
        rec.facesAtRaise << l.facePicture();
        rec.framesAtRaise.push_back(l.focusFrameShown());
    };
}

} // namespace

class TestCommandLogic : public QObject {
    Q_OBJECT
private slots:
    void hoverComesBackToRestWithinTwoTicks_data();
    void hoverComesBackToRestWithinTwoTicks();
    void dragOutsideEndsTheHoverOnce();
    void pressShowsPressedFaceAndShiftsContent();
    void styleThreeShowsFocusedPictureAfterEveryRelease();
    void styleFiveNeverDrawsAFocusFrame();
    void rightButtonChangesNothing();
    void doubleClicks();
    void keysShowThePressedFaceWhileTheHostHandlesThem();
    void disabledCentresCaptionAndHidesIcon();
    void iconPositions();
    void styleOutsideTheTableIsStoredAndPaintsNothing();
    void captionChangeOnFocusedButtonPaintsNormalFace();
    void initialisationAndCreation();
    void faceSlices();
    void smallControlsGetNoNegativeSlices();
    void regionAndFocusFrame();
};

void TestCommandLogic::hoverComesBackToRestWithinTwoTicks_data() {
    QTest::addColumn<int>("style");
    QTest::addColumn<bool>("focused");
    QTest::addColumn<QString>("rest");
    QTest::addColumn<bool>("frame");
    QTest::newRow("xp blue") << 0 << false << "XpBlue1" << false;
    QTest::newRow("xp blue focused") << 0 << true << "XpBlue2" << true;
    QTest::newRow("lustrane") << 3 << false << "Imgbut1" << false;
    QTest::newRow("menu focused") << 5 << true << "Menu1" << false;
}

void TestCommandLogic::hoverComesBackToRestWithinTwoTicks() {
    QFETCH(int, style);
    QFETCH(bool, focused);
    QFETCH(QString, rest);
    QFETCH(bool, frame);
    Recorder rec;
    CommandLogic l = Make(style);
    Attach(l, rec);
    if (focused)
        l.gotFocus();
    l.timerTick(false); // the first tick after creation stops the timer
    QVERIFY(!l.timerRunning());
    l.mouseMove(0, 0, 10, 10);
    QCOMPARE(l.facePicture(), FacePictureName(style, 2));
    QVERIFY(l.timerRunning());
    l.timerTick(true); // still inside: nothing changes
    QCOMPARE(l.facePicture(), FacePictureName(style, 2));
    l.timerTick(false); // the cursor has left
    QCOMPARE(l.facePicture(), rest);
    QCOMPARE(l.focusFrameShown(), frame);
    QVERIFY(!l.timerRunning());
    // MouseOut is raised once, when the hover ends.
    QCOMPARE(rec.names, (QStringList{"MouseMove", "MouseOut"}));
}

void TestCommandLogic::dragOutsideEndsTheHoverOnce() {
    Recorder rec;
    CommandLogic l = Make(3);
    Attach(l, rec);
    l.timerTick(false);
    l.mouseMove(0, 0, 10, 10); // the hover begins
    l.mouseDown(1, 0, 10, 10);
    // The held button drags the pointer outside; its moves keep arriving, the timer keeps
    // finding the cursor outside.
    for (int tick = 0; tick < 12; ++tick) {
        l.mouseMove(1, 0, 200 + tick, 120, false);
        QVERIFY(l.timerRunning());
        l.timerTick(false);
        QVERIFY(!l.timerRunning());
    }
    QCOMPARE(rec.names.count("MouseOut"), 1);
    QCOMPARE(rec.names.indexOf("MouseOut"), rec.names.indexOf("MouseDown") + 2);
    // Back over the button and out again: one more hover, one more end.
    l.mouseMove(1, 0, 10, 10);
    l.timerTick(true);
    l.mouseMove(1, 0, 300, 10, false);
    l.timerTick(false);
    QCOMPARE(rec.names.count("MouseOut"), 2);
    l.mouseUp(1, 0, 300, 10);
    l.timerTick(false);
    QCOMPARE(rec.names.count("MouseOut"), 2);
}

void TestCommandLogic::pressShowsPressedFaceAndShiftsContent() {
    Recorder rec;
    CommandLogic l = Make(3, 1);
    Attach(l, rec);
    l.gotFocus();
    const QPointF caption = l.captionPos(), icon = l.iconPos();
    l.mouseDown(1, 0, 5, 6);
    QCOMPARE(l.facePicture(), QString("imgbut3"));
    QCOMPARE(l.captionPos(), caption + QPointF(1, 1));
    QCOMPARE(l.iconPos(), icon + QPointF(1, 1));
    QVERIFY(l.focusFrameShown());
    l.mouseUp(1, 0, 5, 6);
    QCOMPARE(l.facePicture(), QString("Imgbut2"));
    QCOMPARE(l.captionPos(), caption);
    QCOMPARE(l.iconPos(), icon);
    QVERIFY(l.focusFrameShown());
    QCOMPARE(rec.names, (QStringList{"MouseDown", "MouseUp"}));
    QCOMPARE(rec.events[0].x, 5.0);
    QCOMPARE(rec.events[0].y, 6.0);
}

void TestCommandLogic::styleThreeShowsFocusedPictureAfterEveryRelease() {
    for (bool focused : {false, true}) {
        CommandLogic l = Make(3);
        if (focused)
            l.gotFocus();
        l.mouseDown(1, 0, 0, 0);
        l.mouseUp(1, 0, 0, 0);
        QCOMPARE(l.facePicture(), QString("Imgbut2"));
        QCOMPARE(l.focusFrameShown(), focused);
        l.mouseUp(2, 0, 0, 0); // a right release too
        QCOMPARE(l.facePicture(), QString("Imgbut2"));
    }
    // Other styles leave an unfocused face alone on release.
    CommandLogic blue = Make(0);
    blue.mouseMove(0, 0, 1, 1);
    blue.mouseUp(2, 0, 0, 0);
    QCOMPARE(blue.facePicture(), QString("XpBlue3"));
}

void TestCommandLogic::styleFiveNeverDrawsAFocusFrame() {
    Recorder rec;
    CommandLogic l = Make(5);
    Attach(l, rec);
    std::vector<bool> frames;
    const auto look = [&] { frames.push_back(l.focusFrameShown()); };
    l.gotFocus();
    look();
    l.mouseMove(0, 0, 1, 1);
    look();
    l.mouseDown(1, 0, 1, 1);
    look();
    l.lostFocus();
    l.gotFocus(); // focus arriving while the button is held
    look();
    l.mouseUp(1, 0, 1, 1);
    look();
    QCOMPARE(l.facePicture(), QString("Menu2"));
    l.keyDown(65, 0);
    look();
    l.keyPress(97);
    look();
    l.keyUp(65, 0);
    look();
    l.timerTick(false);
    look();
    QCOMPARE(l.facePicture(), QString("Menu1")); // even though it has the focus
    for (bool f : frames)
        QVERIFY(!f);
    for (bool f : rec.framesAtRaise)
        QVERIFY(!f);
}

void TestCommandLogic::rightButtonChangesNothing() {
    Recorder rec;
    CommandLogic l = Make(0);
    Attach(l, rec);
    l.gotFocus();
    const QString face = l.facePicture();
    const bool frame = l.focusFrameShown();
    const QPointF caption = l.captionPos();
    l.mouseDown(2, 0, 3, 3);
    QCOMPARE(l.facePicture(), face);
    QCOMPARE(l.focusFrameShown(), frame);
    QCOMPARE(l.captionPos(), caption);
    QVERIFY(rec.names.isEmpty());
    l.mouseUp(2, 0, 3, 3);
    QCOMPARE(rec.names, QStringList{"MouseUp"});
    QCOMPARE(rec.events[0].button, 2);
    QCOMPARE(l.facePicture(), QString("XpBlue2"));
}

void TestCommandLogic::doubleClicks() {
    Recorder rec;
    CommandLogic l = Make(3);
    Attach(l, rec);
    l.dblClick();
    QCOMPARE(rec.names, (QStringList{"DblClick", "MouseDown"}));
    QCOMPARE(rec.events[1].button, 1);
    QCOMPARE(rec.events[1].shift, 0);
    QCOMPARE(rec.events[1].x, 0.0);
    QCOMPARE(rec.events[1].y, 0.0);
    rec = {};
    l.partDblClick();
    QCOMPARE(rec.names, QStringList{"MouseDown"});
    rec = {};
    l.partClick();
    l.click();
    l.accessKeyPress();
    QCOMPARE(rec.names, (QStringList{"Click", "Click", "Click"}));
}

void TestCommandLogic::keysShowThePressedFaceWhileTheHostHandlesThem() {
    Recorder rec;
    CommandLogic l = Make(0);
    Attach(l, rec);
    l.gotFocus();
    const QPointF caption = l.captionPos();
    l.keyDown(0x41, 1);
    QCOMPARE(rec.facesAtRaise.last(), QString("XpBlue4"));
    QVERIFY(rec.framesAtRaise.back()); // the frame shows with the pressed face
    QCOMPARE(rec.events.back().keyCode, 0x41);
    QCOMPARE(rec.events.back().shift, 1);
    QCOMPARE(l.facePicture(), QString("XpBlue2"));
    QVERIFY(l.focusFrameShown());
    QCOMPARE(l.captionPos(), caption);
    l.keyPress(0x61);
    QCOMPARE(rec.facesAtRaise.last(), QString("XpBlue4"));
    QVERIFY(!rec.framesAtRaise.back()); // drawn twice: not visible
    QCOMPARE(rec.events.back().keyAscii, 0x61);
    QCOMPARE(l.facePicture(), QString("XpBlue2"));
    QVERIFY(l.focusFrameShown());
    l.keyUp(0x41, 0);
    QCOMPARE(rec.names, (QStringList{"KeyDown", "KeyPress", "KeyUp"}));
    QCOMPARE(l.facePicture(), QString("XpBlue2"));
    QVERIFY(l.focusFrameShown());
}

void TestCommandLogic::disabledCentresCaptionAndHidesIcon() {
    for (int position : {0, 1, 2}) {
        CommandLogic l = Make(3, position);
        l.setEnabled(false);
        QCOMPARE(l.facePicture(), QString("imgbut4"));
        QVERIFY(!l.iconVisible());
        QCOMPARE(l.captionPos(), QPointF(94 / 2.0 - 20, 19 - 6));
        l.resized();
        QCOMPARE(l.captionPos(), QPointF(27, 13));
        l.setEnabled(true);
        QCOMPARE(l.iconVisible(), position != 0);
        QCOMPARE(l.facePicture(), QString("Imgbut1"));
    }
}

void TestCommandLogic::iconPositions() {
    CommandLogic l = Make(3);
    l.setMetrics(QSize(95, 39), QSizeF(41, 13), QSizeF(17, 15));
    l.setIconPosition(0);
    QCOMPARE(l.captionPos(), QPointF(47.5 - 20.5, 19.5 - 6.5)); // halves stay exact
    QVERIFY(!l.iconVisible());
    l.setIconPosition(1);
    QVERIFY(l.iconVisible());
    QCOMPARE(l.iconPos(), QPointF(6, 19.5 - 7.5));
    QCOMPARE(l.captionPos(), QPointF(17 + 12, 13));
    l.setIconPosition(2);
    QCOMPARE(l.iconPos(), QPointF(95 - 6 - 17, 12));
    QCOMPARE(l.captionPos(), QPointF(6, 13));
    l.setIconPosition(7); // stored; leaves everything where it is
    QCOMPARE(l.iconPosition(), 7);
    QCOMPARE(l.captionPos(), QPointF(6, 13));
    QVERIFY(l.iconVisible());
}

void TestCommandLogic::styleOutsideTheTableIsStoredAndPaintsNothing() {
    CommandLogic l = Make(3);
    const int paints = l.facePaints();
    l.setStyle(6);
    QCOMPARE(l.style(), 6);
    QCOMPARE(l.facePicture(), QString("Imgbut1")); // the last face stays
    l.mouseDown(1, 0, 0, 0);
    l.mouseUp(1, 0, 0, 0);
    l.gotFocus();
    QCOMPARE(l.facePaints(), paints);
    l.setStyle(1);
    QCOMPARE(l.facePicture(), QString("XpGreen1"));
}

void TestCommandLogic::captionChangeOnFocusedButtonPaintsNormalFace() {
    CommandLogic l = Make(0);
    l.gotFocus();
    QCOMPARE(l.facePicture(), QString("XpBlue2"));
    l.captionChanged();
    QCOMPARE(l.facePicture(), QString("XpBlue1"));
}

void TestCommandLogic::initialisationAndCreation() {
    CommandLogic l;
    QVERIFY(!l.isEnabled());
    QCOMPARE(l.style(), 0);
    QVERIFY(!l.hasFace());
    QVERIFY(l.timerRunning());
    l.setMetrics(QSize(94, 38), QSizeF(40, 12), QSizeF(0, 0));
    l.initialise();
    QVERIFY(l.isEnabled());
    QCOMPARE(l.style(), 3);
    QCOMPARE(l.facePicture(), QString("Imgbut1"));
    QCOMPARE(l.region(), ButtonRegion(94, 38));
    // Reading a form: the icon position comes first, while still disabled.
    CommandLogic r;
    r.setMetrics(QSize(94, 38), QSizeF(40, 12), QSizeF(0, 0));
    r.setIconPosition(0);
    QCOMPARE(r.facePicture(), QString("XpBlue5"));
}

void TestCommandLogic::faceSlices() {
    const auto slices = FaceSlices(QSize(120, 50), QSize(94, 38));
    QCOMPARE(int(slices.size()), 9);
    QCOMPARE(slices[0].target, QRect(0, 0, 5, 5));
    QCOMPARE(slices[1].target, QRect(5, 0, 110, 5));
    QCOMPARE(slices[1].source, QRect(5, 0, 84, 5));
    QCOMPARE(slices[6].target, QRect(115, 45, 5, 5));
    QCOMPARE(slices[6].source, QRect(89, 33, 5, 5));
    QCOMPARE(slices[8].target, QRect(5, 5, 110, 40));
    QCOMPARE(slices[8].source, QRect(5, 5, 84, 28));
    // The pieces cover the control exactly once.
    QRegion covered;
    int area = 0;
    for (const FaceSlice& s : slices) {
        covered += s.target;
        area += s.target.width() * s.target.height();
    }
    QCOMPARE(covered, QRegion(0, 0, 120, 50));
    QCOMPARE(area, 120 * 50);
}

void TestCommandLogic::smallControlsGetNoNegativeSlices() {
    for (const QSize size : {QSize(9, 9), QSize(9, 40), QSize(60, 9), QSize(1, 1)}) {
        const auto slices = FaceSlices(size, QSize(94, 38));
        QVERIFY(!slices.empty());
        int area = 0;
        for (const FaceSlice& s : slices) {
            QVERIFY(s.target.width() > 0 && s.target.height() > 0);
            QVERIFY(s.source.width() > 0 && s.source.height() > 0);
            QVERIFY(QRect(QPoint(0, 0), size).contains(s.target));
            QVERIFY(QRect(0, 0, 94, 38).contains(s.source));
            area += s.target.width() * s.target.height();
        }
        QCOMPARE(area, size.width() * size.height());
    }
    // Sizes whose differences do not fit 32 bits paint nothing instead of failing.
    QVERIFY(FaceSlices(QSize(std::numeric_limits<int>::max(), 10), QSize(94, 38)).empty());
    QVERIFY(FaceSlices(QSize(0, 10), QSize(94, 38)).empty());
}

void TestCommandLogic::regionAndFocusFrame() {
    QCOMPARE(ButtonRegion(94, 38),
             QPolygon({QPoint(2, 0), QPoint(0, 2), QPoint(0, 35), QPoint(2, 38), QPoint(92, 38),
                       QPoint(93, 36), QPoint(94, 32), QPoint(94, 2), QPoint(91, 0)}));
    const QRegion r(ButtonRegion(94, 38), Qt::WindingFill);
    QVERIFY(!r.contains(QPoint(0, 0)));  // chamfered corner
    QVERIFY(!r.contains(QPoint(93, 0))); // chamfered corner
    QVERIFY(r.contains(QPoint(47, 19)));
    QCOMPARE(FocusFrameRect(94, 38), QRect(QPoint(3, 3), QPoint(90, 34)));
}

QTEST_APPLESS_MAIN(TestCommandLogic)
#include "tst_command_logic.moc"
