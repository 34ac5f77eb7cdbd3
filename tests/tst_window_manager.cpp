// The main window under a real window manager (run by with_window_manager.sh: Xvfb + openbox):
// it comes up at its load size, frame included, with the layout of that size from the first
// layout on, and keeps that layout when the user sizes it away and back.
#include "services/main_layout.h"
#include "shell/main_window.h"
#include "shell_test_support.h"
#include "test_support.h"

#include <QComboBox>
#include <QPushButton>
#include <QWindow>
#include <QtTest>

using namespace meridane;
using namespace meridane::test;

namespace {

// The main window, noting the layout that every resize pass leaves.
class WatchedWindow : public frmMain {
public:
    WatchedWindow() : frmMain(std::make_unique<SilentDevice>()) {}
    QList<MainGeometry> layouts;

protected:
    void resizeEvent(QResizeEvent* event) override {
        frmMain::resizeEvent(event);
        layouts << layoutGeometry();
    }
};

MainGeometry LoadSizeLayout() {
    MainGeometry g;
    ApplyResizeRules(g, kLoadHeight, kLoadWidth);
    return g;
}

bool SameLayout(const MainGeometry& a, const MainGeometry& b) {
    const auto same = [](const TwipRect& x, const TwipRect& y) {
        return x.left == y.left && x.top == y.top && x.width == y.width && x.height == y.height;
    };
    return same(a.Frame1, b.Frame1) && same(a.List1, b.List1) && same(a.Command1, b.Command1) &&
           same(a.RichTextBox1, b.RichTextBox1) && same(a.Command8, b.Command8);
}

} // namespace

class WindowManagerTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X display with a window manager (with_window_manager.sh)");
    }

    void comesUpAtTheLoadSize() {
        KnowledgeSources sources;
        sources.An1 = {Rec(1, QStringLiteral("四君子汤"), QStringLiteral("人参、白术、茯苓、甘草"),
                           QStringLiteral("补气"))};
        TempProgramFolder folder(sources, {});
        ScriptedMessages messages;
        RecordingShell shell;
        WatchedWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // The window manager's frame, and the outer size it leaves.
        QTRY_VERIFY(!window.windowHandle()->frameMargins().isNull());
        const QSize load(qRound(kLoadWidth / kTwipsPerPixel), qRound(kLoadHeight / kTwipsPerPixel));
        QTRY_COMPARE(window.frameGeometry().size(), load);
        QTest::qWait(300);
        QCOMPARE(window.frameGeometry().size(), load);
        QCOMPARE(window.frameGeometry().topLeft(), QPoint(0, 0));

        // Every layout pass, from the first on, was the one of the load size.
        const MainGeometry expected = LoadSizeLayout();
        QVERIFY(!window.layouts.isEmpty());
        for (const MainGeometry& g : window.layouts)
            QVERIFY2(SameLayout(g, expected),
                     qPrintable(QStringLiteral("pane height %1, expected %2")
                                    .arg(g.RichTextBox1.height)
                                    .arg(expected.RichTextBox1.height)));
        const QRect bottomButton = window.Command8->geometry();
        QCOMPARE(bottomButton, QRect(672, 501, 57, 25));
        // The bottom row lies inside, at the distance from the bottom edge that the load size
        // gives (outer height less frame, pane top and the rows above).
        QVERIFY(window.rect().contains(bottomButton));

        // Sized away and back by the user: the same layout, no jump.
        const QSize inside = window.size();
        window.resize(inside + QSize(40, 60));
        QTRY_COMPARE(window.size(), inside + QSize(40, 60));
        QCOMPARE(window.Command8->y(), bottomButton.y() + 60);
        window.resize(inside);
        QTRY_COMPARE(window.size(), inside);
        QCOMPARE(window.Command8->geometry(), bottomButton);
        QVERIFY(SameLayout(window.layoutGeometry(), expected));

        // The font-size list is whole and takes the click.
        QComboBox* combo = window.Combo1;
        QCOMPARE(window.childAt(combo->geometry().bottomLeft() + QPoint(2, 0)), combo);
        window.close();
    }
};

QTEST_MAIN(WindowManagerTest)
#include "tst_window_manager.moc"
