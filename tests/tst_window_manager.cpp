// The main window under a real window manager (run by scripts/with-x-display: Xvfb + openbox):
// it comes up skinned, at its load size grown by the skin's frame, with the layout of the load
// size from the first layout on, and keeps that layout when the user sizes it away and back; its
// buttons and the notes editor's take the X server's own mouse clicks and keys (xdotool).
#include "buttons/command.h"
#include "search/program_folder.h"
#include "services/main_layout.h"
#include "services/update_check.h"
#include "shell/main_window.h"
#include "shell/widget_messages.h"
#include "shell_test_support.h"
#include "skin/lustrane.h"
#include "skin/neo_caption.h"
#include "skin/skin_logic.h"
#include "skin/skin_window.h"
#include "test_support.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QWindow>
#include <QtTest>

using namespace meridane;
using namespace meridane::test;

namespace {

// The main window, noting the layout that every resize pass leaves.
class WatchedWindow : public frmMain {
public:
    explicit WatchedWindow(memory::Engine& engine)
        : frmMain(engine, std::make_unique<SilentDevice>()) {}
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

// Runs xdotool with the arguments; false when it fails.
bool Xdotool(const QStringList& args) {
    return QProcess::execute(QStringLiteral("xdotool"), args) == 0;
}

// A click of the X server's pointer at a point of the screen.
bool ClickAt(QPoint p, int button = 1) {
    return Xdotool({QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(p.x()),
                    QString::number(p.y()), QStringLiteral("click"), QString::number(button)});
}

// A click of the X server's pointer in the middle of a widget.
bool ClickOnScreen(QWidget* w) {
    return ClickAt(w->mapToGlobal(w->rect().center()));
}

// One formula: enough for the window to come up with a knowledge database.
KnowledgeSources OneFormula() {
    KnowledgeSources sources;
    sources.An1 = {Rec(1, QStringLiteral("四君子汤"), QStringLiteral("人参、白术、茯苓、甘草"),
                       QStringLiteral("补气"))};
    return sources;
}

// Shows the window and waits until the skin has taken over its frame and the window manager
// has placed it in the top left corner, then a little longer for a late move.
bool ShowPlaced(WatchedWindow& window) {
    window.show();
    if (!QTest::qWaitForWindowExposed(&window) ||
        !QTest::qWaitFor([&] { return window.Lustrane1->attached(); }) ||
        !QTest::qWaitFor([&] { return window.frameGeometry().topLeft() == QPoint(0, 0); }))
        return false;
    QTest::qWait(300);
    return true;
}

} // namespace

class WindowManagerTest : public QObject {
    Q_OBJECT

    // The in-memory search of the process, as main() of the program makes it.
    memory::Engine engine;

private slots:
    void initTestCase() {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X display with a window manager (scripts/with-x-display)");
    }

    void comesUpAtTheLoadSize() {
        TempProgramFolder folder(OneFormula(), {});
        ScriptedMessages messages;
        RecordingShell shell;
        WatchedWindow window(engine);
        QVERIFY(ShowPlaced(window));
        // The skin takes the window manager's frame away and grows the load size by its own
        // frame, 15 x 28 pixels.
        QCOMPARE(window.windowHandle()->frameMargins(), QMargins());
        const QSize load(qRound(kLoadWidth / kTwipsPerPixel), qRound(kLoadHeight / kTwipsPerPixel));
        QCOMPARE(window.frameGeometry(), QRect(QPoint(0, 0), load + QSize(15, 28)));

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
        // The bottom row lies inside the client area, at the distance from the bottom edge that
        // the load size gives (outer height less frame, pane top and the rows above).
        QVERIFY(window.Command8->parentWidget()->rect().contains(bottomButton));
        QCOMPARE(window.Command8->mapTo(&window, QPoint(0, 0)), QPoint(16 + 672, 47 + 501));

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
        QCOMPARE(combo->parentWidget()->childAt(combo->geometry().bottomLeft() + QPoint(2, 0)),
                 combo);
        window.close();
    }

    // The skinned frame: its caption shows the window's caption text, the maximize button fills
    // the work area and restores, the system menu opens on the caption, and the close button
    // runs the shutdown sequence.
    void skinnedFrame() {
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            QSKIP("needs xdotool");
        TempProgramFolder folder(OneFormula(), {});
        QFile fonts(folder.path() + QStringLiteral("/Ifonts.fon"));
        QVERIFY(fonts.open(QIODevice::WriteOnly));
        fonts.write("placeholder\n");
        fonts.close();
        ScriptedMessages messages;
        RecordingShell shell;
        WatchedWindow window(engine);
        QVERIFY(ShowPlaced(window));
        drapix::SkinWindow* skin = drapix::SkinOf(&window);
        QVERIFY(skin);
        QCOMPARE(window.Lustrane1->caption()->drawer()->captionText(), window.windowTitle());
        QVERIFY(window.windowTitle().startsWith(QStringLiteral("Meridane5.0   ")));
        const QRect normal = window.frameGeometry();

        QVERIFY(ClickAt(drapix::CaptionButtons(normal).maximize.toRect().center()));
        QTRY_VERIFY(drapix::IsZoomed(&window));
        QTRY_COMPARE(window.frameGeometry(),
                     drapix::MaximizedPlacement(window.screen()->availableGeometry()));
        QTest::qWait(200);
        QVERIFY(ClickAt(drapix::CaptionButtons(window.frameGeometry()).maximize.toRect().center()));
        QTRY_COMPARE(window.frameGeometry(), normal);

        // The system menu on the caption; Esc takes it away.
        QVERIFY(ClickAt(normal.topLeft() + QPoint(200, 30), 3));
        QTRY_VERIFY(skin->systemMenu() && skin->systemMenu()->isVisible());
        QVERIFY(Xdotool({QStringLiteral("key"), QStringLiteral("Escape")}));
        QTRY_VERIFY(!skin->systemMenu()->isVisible());

        // The close button: the shutdown sequence runs.
        QVERIFY(ClickAt(drapix::CaptionButtons(normal).close.toRect().center()));
        QTRY_VERIFY(!window.isVisible());
        QCOMPARE(ReadAll(WorkingCopyPath()), QByteArray("placeholder\n"));
        QVERIFY(!QFile::exists(UpdateDbPath()));
    }

    // Every message box stands centred on the window it belongs to, the one that follows
    // another box of the same action too (while the first one closes, no window is active).
    void messageBoxesCentredOnTheirWindow() {
        TempProgramFolder folder(OneFormula(),
                                 {Rec(1, QStringLiteral("第一条"), QStringLiteral("一"))});
        WidgetMessages messages;
        SetMessageService(&messages);
        RecordingShell shell;
        Form5 editor;
        editor.move(520, 60);
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        QTRY_VERIFY(editor.isActiveWindow());
        QTest::qWait(200);
        const QRect where(editor.mapToGlobal(QPoint(0, 0)), editor.size());

        // Each box is answered once it is on screen, and its place noted.
        QList<QRect> boxes;
        QTimer answer;
        answer.setInterval(50);
        connect(&answer, &QTimer::timeout, this, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<QMessageBox*>(w);
                if (!box || !box->isVisible() || !box->windowHandle() ||
                    !box->windowHandle()->isExposed() || box->property("answered").toBool())
                    continue;
                box->setProperty("answered", true);
                // Noted once the window manager has placed it and it has its size.
                QTimer::singleShot(300, box, [&boxes, box] {
                    (void)QTest::qWaitFor([box] { return box->width() > 50; }, 5000);
                    QTest::qWait(100);
                    boxes << QRect(box->mapToGlobal(QPoint(0, 0)), box->size());
                    QAbstractButton* yes = box->button(QMessageBox::Yes);
                    (yes ? yes : box->button(QMessageBox::Ok))->click();
                });
            }
        });
        answer.start();
        editor.cmdSaveClick(); // "是否保存？", then "保存成功！"
        answer.stop();
        SetMessageService(nullptr);

        QCOMPARE(boxes.size(), 2);
        for (const QRect& box : boxes) {
            const QPoint off = box.center() - where.center();
            QVERIFY2(qAbs(off.x()) <= 30 && qAbs(off.y()) <= 30,
                     qPrintable(QStringLiteral("box at %1,%2 %3x%4; editor centre %5,%6")
                                    .arg(box.x())
                                    .arg(box.y())
                                    .arg(box.width())
                                    .arg(box.height())
                                    .arg(where.center().x())
                                    .arg(where.center().y())));
        }
    }

    // "查询" searches, "资料输入" opens the editor, and the editor's buttons work, all clicked
    // with the pointer of the X server; Space on the focused button clicks it again.
    void buttonsTakeRealClicks() {
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            QSKIP("needs xdotool");
        KnowledgeSources sources;
        sources.An1 = {Rec(1, QStringLiteral("四君子汤"), QStringLiteral("人参、白术、茯苓、甘草"),
                           QStringLiteral("补气 人参 白术 茯苓 甘草")),
                       Rec(2, QStringLiteral("麻黄汤"), QStringLiteral("麻黄、桂枝、杏仁、甘草"),
                           QStringLiteral("解表 麻黄 桂枝 杏仁 甘草"))};
        TempProgramFolder folder(sources, {Rec(1, QStringLiteral("第一条"), QStringLiteral("一")),
                                           Rec(2, QStringLiteral("第二条"), QStringLiteral("二")),
                                           Rec(3, QStringLiteral("第三条"), QStringLiteral("三"))});
        ScriptedMessages messages;
        RecordingShell shell;
        WatchedWindow window(engine);
        QVERIFY(ShowPlaced(window));

        window.Text1[0]->setText(QStringLiteral("人参"));
        QVERIFY(ClickOnScreen(window.Command1));
        QTRY_COMPARE(window.List1->count(), 1);
        QCOMPARE(window.List1->item(0)->text(), QStringLiteral("四君子汤"));
        QCOMPARE(QApplication::focusWidget(), window.Command1);
        // Space on the focused "查询" searches again, with the new keywords.
        window.Text1[0]->setText(QStringLiteral("甘草"));
        QVERIFY(Xdotool({QStringLiteral("key"), QStringLiteral("space")}));
        QTRY_COMPARE(window.List1->count(), 2);

        QVERIFY(ClickOnScreen(window.Command4));
        QTRY_VERIFY(window.editor() && window.editor()->isVisible());
        Form5* editor = window.editor();
        QVERIFY(QTest::qWaitForWindowExposed(editor));
        QTRY_VERIFY(editor->isActiveWindow());
        QTest::qWait(200);
        QCOMPARE(editor->txtNews->text(), QStringLiteral("1，1/3"));
        QVERIFY(ClickOnScreen(editor->cmdMove[2]));
        QTRY_COMPARE(editor->txtNews->text(), QStringLiteral("2，2/3"));
        QCOMPARE(editor->Text2_1->toPlainText(), QStringLiteral("第二条"));
        QVERIFY(Xdotool({QStringLiteral("key"), QStringLiteral("space")}));
        QTRY_COMPARE(editor->txtNews->text(), QStringLiteral("3，3/3"));
        QVERIFY(ClickOnScreen(editor->cmdMove[0]));
        QTRY_COMPARE(editor->txtNews->text(), QStringLiteral("1，1/3"));
        QVERIFY(ClickOnScreen(editor->cmdAdd));
        QTRY_COMPARE(editor->txtNews->text(), QStringLiteral("记录：4/4"));
        QVERIFY(ClickOnScreen(editor->cmdExit));
        // Leaving with a new note asks whether to save it.
        QTRY_VERIFY(!window.editor() || !window.editor()->isVisible());
        QCOMPARE(messages.count(QStringLiteral("是否保存？")), 1);

        QVERIFY(ClickOnScreen(window.Command8));
        QTRY_VERIFY(!window.isVisible());
    }
};

QTEST_MAIN(WindowManagerTest)
#include "tst_window_manager.moc"
