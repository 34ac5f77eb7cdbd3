// The main window driven as a user drives it (offscreen): searching, reading records with their
// keywords in red, the layout, start-up and shutdown on real files, the music cycle, printing
// and the commands of the bottom row.
#include "buttons/command.h"
#include "core/form_data.h"
#include "search/program_folder.h"
#include "search/sqlite_db.h"
#include "services/media_player_device.h"
#include "services/site.h"
#include "services/update_check.h"
#include "services/user_settings.h"
#include "shell/about_dialog.h"
#include "shell/main_window.h"
#include "shell/printing.h"
#include "shell/record_pane.h"
#include "shell/shell_services.h"
#include "shell_test_support.h"
#include "skin/lustrane.h"
#include "skin/skin_window.h"
#include "test_support.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRawFont>
#include <QScopeGuard>
#include <QScreen>
#include <QStandardPaths>
#include <QTextBlock>
#include <QtTest>

#include <functional>
#include <map>

using namespace meridane;
using namespace meridane::test;

namespace {

// A player that does what it is told and whose mode the test sets.
class ScriptedDevice : public MciDevice {
public:
    QStringList log;          // "open <file name>", "play", "close"
    QSet<QString> unplayable; // files whose open fails
    int currentMode = kNotOpen;
    QString file;

    void setNotify(bool) override {}
    void setWait(bool) override {}
    void setShareable(bool) override {}
    void setDeviceType(const QString&) override {}
    void setFileName(const QString& f) override { file = f; }
    void command(const QString& c) override {
        if (c == QLatin1String("open")) {
            log << QStringLiteral("open ") + QFileInfo(file).fileName();
            currentMode = unplayable.contains(QFileInfo(file).fileName()) ? kNotOpen : kPlaying;
        } else {
            log << c;
            if (c == QLatin1String("close"))
                currentMode = kNotOpen;
        }
    }
    int mode() const override { return currentMode; }
};

// Answers the print dialog as scripted: print to a PDF file, cancel, or fail.
class ScriptedPrintDialog : public PrintDialogService {
public:
    ScriptedPrintDialog() { SetPrintDialogService(this); }
    ~ScriptedPrintDialog() override { SetPrintDialogService(nullptr); }
    int ShowPrinter(QPrinter& printer, int f, QString& description, QWidget*) override {
        flags << f;
        if (answer == 0) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
        }
        description = QStringLiteral("打印机未就绪");
        return answer;
    }
    QList<int> flags;
    int answer = 0;
    QString pdf;
};

const QString kSharedGlyphCase =
    QStringLiteral("一人手足不温，食少乏力。用黄芪、人参、干姜、辛夷、五味子，一剂汗止。");

KnowledgeSources Sources() {
    KnowledgeSources s;
    s.An1 = {Rec(1, QStringLiteral("四君子汤"), QStringLiteral("组成：人参、白术、茯苓、甘草。"),
                 QStringLiteral("补气 人参 白术 茯苓 甘草")),
             Rec(2, QStringLiteral("理中丸"), QStringLiteral("组成：人参、干姜、白术、甘草。"),
                 QStringLiteral("温中 人参 干姜 白术 甘草")),
             Rec(3, QStringLiteral("麻黄汤"), QStringLiteral("组成：麻黄、桂枝、杏仁、甘草。"),
                 QStringLiteral("解表 麻黄 桂枝 杏仁 甘草"))};
    s.yao = {Rec(1, QStringLiteral("人参"), QStringLiteral("甘、微苦，微温。大补元气，人参")),
             Rec(2, QStringLiteral("参"), QStringLiteral("参")),
             Rec(3, QStringLiteral("Ma Huang"), QStringLiteral("Ma Huang: herba ephedrae")),
             Rec(4, QStringLiteral("四君子汤"), QStringLiteral("不是方剂，是同名的药条"))};
    s.bing = {Rec(1, QStringLiteral("感冒"), QStringLiteral("恶寒发热，头痛"))};
    s.yishu1 = {
        Rec(1, QStringLiteral("中风案"), QStringLiteral("口眼歪斜"),
            QStringLiteral("中风 口眼歪斜")),
        // Ideographs whose glyphs CJK faces also give to radicals and strokes.
        Rec(2, QStringLiteral("手足不温案"), kSharedGlyphCase, QStringLiteral("手足不温 黄芪"))};
    return s;
}

// The ranges of the pane's text whose colour is red, merged.
std::vector<TextRange> RedRanges(const QTextEdit* pane) {
    std::vector<TextRange> red;
    for (QTextBlock b = pane->document()->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            if (frag.charFormat().foreground().color() != kKeywordColour)
                continue;
            if (!red.empty() && red.back().start + red.back().length == frag.position())
                red.back().length += frag.length();
            else
                red.push_back({frag.position(), frag.length()});
        }
    }
    return red;
}

QStringList Items(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

QString PdfText(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    if (!p.waitForFinished(20000))
        return QStringLiteral("<pdftotext failed>");
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Every shown label's text, laid out in its font with the label's width and flags, lies inside
// the label.
void VerifyLabelsFit(QWidget* top) {
    for (QLabel* label : top->findChildren<QLabel*>()) {
        if (!label->isVisibleTo(top) || label->text().isEmpty())
            continue;
        const QRect inside = label->contentsRect();
        const int flags = int(label->alignment()) | (label->wordWrap() ? int(Qt::TextWordWrap) : 0);
        const QRect text = QFontMetrics(label->font()).boundingRect(inside, flags, label->text());
        QVERIFY2(inside.contains(text),
                 qPrintable(QStringLiteral("%1 in %2: text %3,%4 %5x%6 in %7x%8")
                                .arg(label->text(), top->objectName())
                                .arg(text.x())
                                .arg(text.y())
                                .arg(text.width())
                                .arg(text.height())
                                .arg(inside.width())
                                .arg(inside.height())));
    }
}

// Moves the mouse over a widget with the left button held.
void DragTo(QWidget* w, QPoint pos) {
    QMouseEvent move(QEvent::MouseMove, pos, w->mapToGlobal(pos), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(w, &move);
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

    // The in-memory search of the process, as main() of the program makes it; it outlives
    // every window.
    memory::Engine engine;
    std::unique_ptr<TempProgramFolder> folder;
    std::unique_ptr<ScriptedMessages> messages;
    std::unique_ptr<RecordingShell> shell;
    std::unique_ptr<frmMain> window;
    ScriptedDevice* device = nullptr;

    void open() {
        auto d = std::make_unique<ScriptedDevice>();
        device = d.get();
        window = std::make_unique<frmMain>(engine, std::move(d));
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        // The skin takes the frame once the window shows.
        QTRY_VERIFY(window->Lustrane1 && window->Lustrane1->attached());
    }

    void type(const QString& keywords) {
        window->Text1[0]->clear();
        // Key by key, as an input method delivers committed text.
        for (QChar ch : keywords)
            QTest::sendKeyEvent(QTest::Click, window->Text1[0], Qt::Key_unknown, QString(ch),
                                Qt::NoModifier);
        QCOMPARE(window->Text1[0]->text(), keywords);
    }

    // A click as the user makes it: the left button down and up over the middle of the control.
    void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }

    void clickTitle(int row) {
        QListWidget* list = window->List1;
        const QRect r = list->visualItemRect(list->item(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
    }

    QString paneText() const { return window->RichTextBox1->toPlainText(); }

private slots:
    void init() {
        folder = std::make_unique<TempProgramFolder>(
            Sources(), std::vector<SourceRecord>{Rec(1, QStringLiteral("我的笔记"),
                                                     QStringLiteral("人参不宜与藜芦同用"))});
        WriteFile(folder->path() + QStringLiteral("/Ifonts.fon"), "placeholder\n");
        messages = std::make_unique<ScriptedMessages>();
        shell = std::make_unique<RecordingShell>();
        open();
    }

    void cleanup() {
        if (window)
            window->close();
        window.reset();
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<frmAbout*>(w) || qobject_cast<Form5*>(w))
                delete w;
        shell.reset();
        messages.reset();
        folder.reset();
    }

    void controlsAtStart() {
        QCOMPARE(window->windowTitle(), QStringLiteral("Meridane5.0   ") + SiteAddress());
        QCOMPARE(window->palette().color(QPalette::Window), QColor(0xD5, 0xDE, 0xF2));
        QVERIFY(window->Option1->isChecked());
        QVERIFY(window->Option4->isHidden());
        const QList<QWidget*> hiddenOnes{window->Text1[1], window->Text2,  window->List2,
                                         window->Label3,   window->Label4, window->Text3,
                                         window->Text4};
        for (QWidget* hidden : hiddenOnes)
            QVERIFY(hidden->isHidden());
        QCOMPARE(window->Text1[1]->text(), QStringLiteral("Text1"));
        QCOMPARE(window->Combo1->count(), 12);
        QStringList sizes;
        for (int i = 0; i < window->Combo1->count(); ++i)
            sizes << window->Combo1->itemText(i);
        QCOMPARE(sizes.join(QLatin1Char(',')), QStringLiteral("8,9,12,14,16,18,20,22,24,26,28,36"));
        QCOMPARE(window->Combo1->currentText(), QStringLiteral("9"));
        QCOMPARE(window->Label5->font().pointSizeF(), 10.5);
        QCOMPARE(window->Text1[0]->font().pointSizeF(), 9.0);
        QCOMPARE(window->RichTextBox1->font().pointSizeF(), 9.0);
        QCOMPARE(window->Command5->Caption(), QStringLiteral("关闭音乐"));
        QCOMPARE(window->Timer1->interval(), 5000);
        QVERIFY(window->Timer1->isActive());
        QCOMPARE(window->pos(), QPoint(0, 0));
        QCOMPARE(window->Option6->geometry(), QRect(152, 5, 73, 12));
        // The keyword box drops down the keywords searched before.
        QCOMPARE(window->keywordHistory->geometry(), QRect(8, 32, 209, 21));
        QCOMPARE(window->keywordHistory->lineEdit(), window->Text1[0]);
        QVERIFY(messages->shown.isEmpty());
    }

    // Every button of the window is the library's Command, made from the window's stored data:
    // style 3, its caption and font, no icon, its extent; no default, cancel or access keys.
    void buttonsAreCommands() {
        const drapix::FormData form =
            drapix::FormData::Load(QStringLiteral(":/forms/frmMain.form"));
        QVERIFY(form.problems.isEmpty());
        QVERIFY(window->findChildren<QPushButton*>().isEmpty());
        const std::pair<Command*, QString> buttons[] = {
            {window->Command1, QStringLiteral("查询")},
            {window->Command2, QStringLiteral("在结果中查询")},
            {window->Command4, QStringLiteral("资料输入")},
            {window->Command5, QStringLiteral("关闭音乐")},
            {window->Command6, QStringLiteral("系统信息")},
            {window->Command9, QStringLiteral("网上留言")},
            {window->Command10, QStringLiteral("在线更新")},
            {window->Command7, QStringLiteral("打印")},
            {window->Command8, QStringLiteral("退出")}};
        QCOMPARE(window->findChildren<Command*>().size(), qsizetype(std::size(buttons)));
        // The buttons and the skin.
        QCOMPARE(form.controls.size(), qsizetype(std::size(buttons)) + 1);
        QCOMPARE(form.Control(QStringLiteral("Lustrane1"))->progId,
                 QStringLiteral("Drapix.Lustrane"));
        QCOMPARE(window->findChildren<Lustrane*>(), QList<Lustrane*>{window->Lustrane1});
        for (const auto& [button, caption] : buttons) {
            VerifyStoredButton(button, form, caption);
            if (QTest::currentTestFailed())
                return;
        }
        // The search buttons sit in the frame of the search column, the others in the window's
        // client area (inside the skin's frame).
        QCOMPARE(window->Command1->parentWidget(), window->Frame1);
        QCOMPARE(window->Command2->parentWidget(), window->Frame1);
        QCOMPARE(window->Command8->parentWidget(), drapix::SkinOf(window.get())->client());
    }

    // Each button runs its handler on a mouse click, and on Space when it has the focus: on the
    // key's release, not before.
    void everyButtonRunsItsHandler_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("bySpace");
        for (const char* name : {"Command1", "Command2", "Command4", "Command5", "Command6",
                                 "Command7", "Command8", "Command9", "Command10"}) {
            QTest::addRow("%s mouse", name) << QString::fromLatin1(name) << false;
            QTest::addRow("%s Space", name) << QString::fromLatin1(name) << true;
        }
    }

    void everyButtonRunsItsHandler() {
        QFETCH(QString, name);
        QFETCH(bool, bySpace);
        ScriptedPrintDialog dialog;
        dialog.answer = kPrintCancelled;
        messages->answers = {MsgAnswer::No};
        if (name == QLatin1String("Command2")) {
            type(QStringLiteral("人参，甘草"));
            click(window->Command1);
            QCOMPARE(window->List1->count(), 3);
            type(QStringLiteral("干姜"));
        } else {
            type(QStringLiteral("人参，甘草"));
        }
        const std::map<QString, std::function<bool()>> done{
            {QStringLiteral("Command1"), [&] { return window->List1->count() == 3; }},
            {QStringLiteral("Command2"),
             [&] { return Items(window->List1) == QStringList{QStringLiteral("理中丸")}; }},
            {QStringLiteral("Command4"), [&] { return window->editor() != nullptr; }},
            {QStringLiteral("Command5"),
             [&] { return window->Command5->Caption() == QStringLiteral("播放音乐"); }},
            {QStringLiteral("Command6"), [&] { return window->aboutDialog() != nullptr; }},
            {QStringLiteral("Command7"), [&] { return dialog.flags.size() == 1; }},
            {QStringLiteral("Command8"), [&] { return !window->isVisible(); }},
            {QStringLiteral("Command9"), [&] { return shell->opened.size() == 1; }},
            {QStringLiteral("Command10"), [&] { return messages->count(kAskDownload) == 1; }}};
        const std::function<bool()> ran = done.at(name);
        auto* button = window->findChild<Command*>(name);
        QVERIFY(button);
        QVERIFY(!ran());
        if (bySpace) {
            window->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(window.get()));
            button->setFocus();
            QVERIFY(button->hasFocus());
            QTest::keyPress(button, Qt::Key_Space);
            QVERIFY(!ran());
            QTest::keyRelease(button, Qt::Key_Space);
        } else {
            click(button);
        }
        QVERIFY(ran());
        if (name == QLatin1String("Command1") || name == QLatin1String("Command2"))
            QCOMPARE(window->Label2->text(),
                     QStringLiteral("共有%1条记录").arg(window->List1->count()));
    }

    void searchAndReadRecords() {
        type(QStringLiteral("人参，甘草"));
        click(window->Command1);
        QCOMPARE(Items(window->List1),
                 (QStringList{QStringLiteral("四君子汤"), QStringLiteral("理中丸"),
                              QStringLiteral("麻黄汤")}));
        QCOMPARE(window->Label2->text(), QStringLiteral("共有3条记录"));
        QCOMPARE(window->Label3->text(), QStringLiteral("3"));
        QCOMPARE(window->List2->count(), 2);

        clickTitle(1);
        QCOMPARE(window->Label2->text(), QStringLiteral("页码： 2    相符个数： 2"));
        const QString body = QStringLiteral("组成：人参、干姜、白术、甘草。");
        QCOMPARE(paneText(), body);
        QCOMPARE(window->Text2->toPlainText(), body);
        QCOMPARE(RedRanges(window->RichTextBox1), (std::vector<TextRange>{{3, 2}, {12, 2}}));
        QCOMPARE(window->RichTextBox1->textCursor().position(), 0);
        QVERIFY(!window->RichTextBox1->textCursor().hasSelection());

        // The arrow keys move the selection and show the next record.
        window->List1->setFocus();
        QTest::keyClick(window->List1, Qt::Key_Down);
        QCOMPARE(window->Label2->text(), QStringLiteral("页码： 3    相符个数： 1"));
        QCOMPARE(RedRanges(window->RichTextBox1), (std::vector<TextRange>{{12, 2}}));

        // Within results: ranked by the new keywords alone; rows without a hit not listed.
        type(QStringLiteral("干姜"));
        click(window->Command2);
        QCOMPARE(Items(window->List1), QStringList{QStringLiteral("理中丸")});
        QCOMPARE(window->Label2->text(), QStringLiteral("共有1条记录"));
        // The pane keeps what it showed; the body field is emptied by the search.
        QCOMPARE(paneText(), QStringLiteral("组成：麻黄、桂枝、杏仁、甘草。"));
        QCOMPARE(window->Text2->toPlainText(), QString());
        clickTitle(0);
        QCOMPARE(window->Label2->text(), QStringLiteral("页码： 2    相符个数： 1"));
        QCOMPARE(RedRanges(window->RichTextBox1), (std::vector<TextRange>{{6, 2}}));

        // The personal notes, in their own database.
        click(window->Option5);
        type(QStringLiteral("藜芦"));
        click(window->Command1);
        QCOMPARE(Items(window->List1), QStringList{QStringLiteral("我的笔记")});
        clickTitle(0);
        QCOMPARE(paneText(), QStringLiteral("人参不宜与藜芦同用"));
        QCOMPARE(RedRanges(window->RichTextBox1), (std::vector<TextRange>{{5, 2}}));

        // Nothing typed: the warning, focus back in the keyword box, nothing listed.
        window->Text1[0]->clear();
        click(window->Command1);
        QCOMPARE(messages->count(QStringLiteral("您没有输入关键字！")), 1);
        QCOMPARE(messages->shown.last().title, QStringLiteral("注意！"));
        QCOMPARE(window->List1->count(), 0);
        QCOMPARE(window->Label2->text(), QStringLiteral("没有找到您所需的资料！"));
    }

    // A record is shown on a click, or when the user moves the selection with the keys or the
    // mouse; reaching the list with Tab or filling it shows nothing.
    void listShowsWhatTheUserChose() {
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        type(QStringLiteral("人参，甘草"));
        click(window->Command1);
        QCOMPARE(window->List1->count(), 3);
        const QString status = QStringLiteral("共有3条记录");
        QCOMPARE(window->Label2->text(), status);
        const QString notice = paneText();

        window->Text1[0]->setFocus();
        QTest::keyClick(window->Text1[0], Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), window->List1);
        QCOMPARE(window->Label2->text(), status);
        QCOMPARE(paneText(), notice);
        QVERIFY(window->List1->selectedItems().isEmpty());

        // The first arrow key chooses the first title.
        QTest::keyClick(window->List1, Qt::Key_Down);
        QCOMPARE(window->List1->currentRow(), 0);
        QCOMPARE(window->Label2->text(), QStringLiteral("页码： 1    相符个数： 2"));

        // Pressed on one title and dragged to another: the second is shown.
        QWidget* viewport = window->List1->viewport();
        const auto centre = [&](int row) {
            return window->List1->visualItemRect(window->List1->item(row)).center();
        };
        QTest::mousePress(viewport, Qt::LeftButton, {}, centre(1));
        QCOMPARE(window->Label2->text(), QStringLiteral("页码： 2    相符个数： 2"));
        DragTo(viewport, centre(2));
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, centre(2));
        QCOMPARE(window->List1->currentRow(), 2);
        QCOMPARE(window->Label2->text(), QStringLiteral("页码： 3    相符个数： 1"));
        QCOMPARE(paneText(), QStringLiteral("组成：麻黄、桂枝、杏仁、甘草。"));

        // A click on the title already chosen shows it again (here: with the new keywords).
        type(QStringLiteral("麻黄"));
        clickTitle(2);
        QCOMPARE(RedRanges(window->RichTextBox1), (std::vector<TextRange>{{3, 2}}));

        // A new search fills the list: the status line keeps its count.
        click(window->Command1);
        QCOMPARE(window->Label2->text(), QStringLiteral("共有1条记录"));
    }

    void colouring() {
        click(window->Option2);
        // A keyword at the very end of the text, a text of one character, overlapping
        // occurrences, and a keyword that differs only in letter case.
        type(QStringLiteral("人参，参"));
        click(window->Command1);
        QCOMPARE(Items(window->List1), (QStringList{QStringLiteral("人参"), QStringLiteral("参")}));
        clickTitle(0);
        QCOMPARE(paneText(), QStringLiteral("甘、微苦，微温。大补元气，人参"));
        QCOMPARE(RedRanges(window->RichTextBox1), (std::vector<TextRange>{{13, 2}}));
        clickTitle(1);
        QCOMPARE(paneText(), QStringLiteral("参"));
        QCOMPARE(RedRanges(window->RichTextBox1), (std::vector<TextRange>{{0, 1}}));

        type(QStringLiteral("huang"));
        click(window->Command1);
        QCOMPARE(Items(window->List1), QStringList{QStringLiteral("Ma Huang")});
        clickTitle(0);
        QVERIFY(RedRanges(window->RichTextBox1).empty());
        type(QStringLiteral("Huang"));
        clickTitle(0);
        QCOMPARE(RedRanges(window->RichTextBox1), (std::vector<TextRange>{{3, 5}}));

        // With the keyword box emptied after the search nothing is coloured.
        window->Text1[0]->clear();
        clickTitle(0);
        QCOMPARE(paneText(), QStringLiteral("Ma Huang: herba ephedrae"));
        QVERIFY(RedRanges(window->RichTextBox1).empty());
    }

    void clickInAnotherCategory() {
        click(window->Option2);
        type(QStringLiteral("药条"));
        click(window->Command1); // yao2 holds only the herb entry "四君子汤"
        clickTitle(0);
        const QString herb = QStringLiteral("不是方剂，是同名的药条");
        QCOMPARE(paneText(), herb);

        click(window->Option1);
        type(QStringLiteral("干姜"));
        click(window->Command1);
        clickTitle(0); // 理中丸
        click(window->Option2);
        clickTitle(0); // 理中丸 is not in yao2: body and header stay, the pane shows the body
        QCOMPARE(window->Label2->text(), QStringLiteral("页码： 2    相符个数： 1"));
        QCOMPARE(paneText(), QStringLiteral("组成：人参、干姜、白术、甘草。"));

        // A category whose result table does not exist yet: the click says so, nothing changes.
        click(window->Option3);
        clickTitle(0);
        QCOMPARE(messages->shown.size(), 1);
        QCOMPARE(messages->shown.last().title, QStringLiteral("Meridane"));
        QCOMPARE(window->Label2->text(), QStringLiteral("页码： 2    相符个数： 1"));
        QCOMPARE(paneText(), QStringLiteral("组成：人参、干姜、白术、甘草。"));
    }

    // Records too long to lay out in good time: the pane shows the first part and says how much
    // it left out, with the keywords in red in what it shows; a run without a place to break a
    // line wraps anywhere. A long record within the bound shows whole, coloured as any other.
    void longRecords() {
        window->close();
        window.reset();
        const QString breakless =
            QStringLiteral("病理") + QString(999998, QLatin1Char('x')) + QStringLiteral("病理");
        QString lines;
        while (lines.size() < 3 * kMaxShownChars)
            lines += QStringLiteral("病理\n");
        QString prose;
        while (prose.size() < 20000)
            prose += QStringLiteral("发热恶寒，头项强痛，病理在表。");
        KnowledgeSources sources = Sources();
        sources.bing = {Rec(1, QStringLiteral("一行"), breakless, QStringLiteral("病理")),
                        Rec(2, QStringLiteral("多行"), lines, QStringLiteral("病理")),
                        Rec(3, QStringLiteral("长段"), prose, QStringLiteral("病理"))};
        folder = std::make_unique<TempProgramFolder>(sources);
        open();
        click(window->Option3);
        type(QStringLiteral("病理"));
        click(window->Command1);
        QCOMPARE(window->List1->count(), 3);
        RecordPane* pane = window->RichTextBox1;

        for (int row = 0; row < 3; ++row) {
            clickTitle(row);
            const QString title = window->List1->item(row)->text();
            const QString body = title == QStringLiteral("一行")   ? breakless
                                 : title == QStringLiteral("多行") ? lines
                                                                   : prose;
            QVERIFY2(paneText().size() <= kMaxShownChars + 64, qPrintable(title));
            if (title == QStringLiteral("长段")) {
                QCOMPARE(paneText(), prose);
                QCOMPARE(RedRanges(pane),
                         MergedRanges(KeywordRanges(prose, {QStringLiteral("病理")})));
                QCOMPARE(pane->wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
                continue;
            }
            const QString cut = QStringLiteral("\n……（本条记录共 %1 字，过长，只显示了前 %2 字）")
                                    .arg(body.size())
                                    .arg(kMaxShownChars);
            QCOMPARE(paneText(), body.left(kMaxShownChars) + cut);
            QCOMPARE(window->Text2->toPlainText(), paneText());
            QCOMPARE(RedRanges(pane), MergedRanges(KeywordRanges(body.left(kMaxShownChars),
                                                                 {QStringLiteral("病理")})));
            QCOMPARE(pane->wordWrapMode(), title == QStringLiteral("一行")
                                               ? QTextOption::WrapAnywhere
                                               : QTextOption::WrapAtWordBoundaryOrAnywhere);
            QCOMPARE(window->Label2->text(), QStringLiteral("页码： %1    相符个数： 1")
                                                 .arg(title == QStringLiteral("一行") ? 1 : 2));
        }
        // The font size list still sets the size of what is shown.
        const int index = window->Combo1->findText(QStringLiteral("20"));
        window->Combo1->setCurrentIndex(index);
        emit window->Combo1->activated(index);
        QCOMPARE(pane->document()->defaultFont().pointSizeF(), 20.0);
    }

    void fontSizeAndClipboard() {
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        const int index = window->Combo1->findText(QStringLiteral("20"));
        window->Combo1->setFocus();
        window->Combo1->setCurrentIndex(index);
        emit window->Combo1->activated(index);
        QCOMPARE(window->RichTextBox1->font().pointSizeF(), 20.0);
        QCOMPARE(window->RichTextBox1->document()->defaultFont().pointSizeF(), 20.0);
        QVERIFY(window->RichTextBox1->hasFocus());

        // Keys without a character code leave the clipboard alone.
        RecordPane* pane = window->RichTextBox1;
        pane->setPlainText(QStringLiteral("组成：人参、白术"));
        QClipboard* clipboard = QGuiApplication::clipboard();
        clipboard->setText(QStringLiteral("copied"));
        const std::pair<Qt::Key, Qt::KeyboardModifiers> silent[] = {
            {Qt::Key_Right, {}},
            {Qt::Key_Down, {}},
            {Qt::Key_End, Qt::ShiftModifier},
            {Qt::Key_Shift, {}},
            {Qt::Key_Control, {}},
            {Qt::Key_Alt, {}},
            {Qt::Key_F5, {}},
            {Qt::Key_PageDown, {}},
            {Qt::Key_Home, Qt::ControlModifier},
            {Qt::Key_Left, Qt::ShiftModifier}};
        for (const auto& [key, modifiers] : silent) {
            QTest::keyClick(pane, key, modifiers);
            QVERIFY2(clipboard->text() == QStringLiteral("copied"),
                     qPrintable(QKeySequence(key | modifiers).toString()));
        }
        // Keys with a character code empty it, a copy included.
        const std::pair<Qt::Key, Qt::KeyboardModifiers> emptying[] = {
            {Qt::Key_A, {}},
            {Qt::Key_5, {}},
            {Qt::Key_Backspace, {}},
            {Qt::Key_Return, {}},
            {Qt::Key_C, Qt::ControlModifier},
            {Qt::Key_X, Qt::ControlModifier}};
        for (const auto& [key, modifiers] : emptying) {
            clipboard->setText(QStringLiteral("copied"));
            pane->selectAll();
            QTest::keyClick(pane, key, modifiers);
            QVERIFY2(clipboard->text().isEmpty(),
                     qPrintable(QKeySequence(key | modifiers).toString()));
        }
        // Committed text from an input method, too.
        clipboard->setText(QStringLiteral("copied"));
        QTest::sendKeyEvent(QTest::Click, pane, Qt::Key_unknown, QStringLiteral("参"),
                            Qt::NoModifier);
        QVERIFY(clipboard->text().isEmpty());
    }

    // Typing starts in the keyword box; Enter there searches; Ctrl+L and Ctrl+K come back to it
    // from anywhere; Tab visits every control in reading order and leaves the record pane.
    void keyboard() {
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        // The keyword box, Text1(0), is the edit field of its drop-down.
        QWidget* keywordBox = window->keywordHistory;
        QCOMPARE(QApplication::focusWidget(), keywordBox);

        type(QStringLiteral("人参"));
        QTest::keyClick(window->Text1[0], Qt::Key_Return);
        QCOMPARE(Items(window->List1).size(), 2);
        QVERIFY(window->Label2->text().startsWith(QStringLiteral("共有")));

        RecordPane* pane = window->RichTextBox1;
        for (Qt::Key key : {Qt::Key_L, Qt::Key_K}) {
            for (QWidget* from :
                 {static_cast<QWidget*>(pane), static_cast<QWidget*>(window->Combo1),
                  static_cast<QWidget*>(window->Text1[0])}) {
                from->setFocus();
                QTest::keyClick(QApplication::focusWidget(), key, Qt::ControlModifier);
                QCOMPARE(QApplication::focusWidget(), keywordBox);
                QCOMPARE(window->Text1[0]->selectedText(), QStringLiteral("人参"));
            }
        }
        QCOMPARE(window->Text1[0]->text(), QStringLiteral("人参"));

        // Forward from the categories round the window and back to them.
        const QList<QWidget*> order{
            window->Option1,   keywordBox,       window->List1,    window->variantsBox,
            window->Command1,  window->Command2, window->Combo1,   pane,
            window->Command4,  window->Command5, window->Command6, window->Command9,
            window->Command10, window->Command7, window->Command8, window->Option1};
        window->Option1->setFocus();
        for (qsizetype i = 1; i < order.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QVERIFY2(QApplication::focusWidget() == order.at(i),
                     qPrintable(QStringLiteral("after %1: %2")
                                    .arg(order.at(i - 1)->objectName(),
                                         QApplication::focusWidget()
                                             ? QApplication::focusWidget()->objectName()
                                             : QStringLiteral("nothing"))));
        }
        // Backward, and with Ctrl, out of the pane; no tab character is typed.
        const QString text = pane->toPlainText();
        pane->setFocus();
        QTest::keyClick(pane, Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), window->Combo1);
        pane->setFocus();
        QTest::keyClick(pane, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(QApplication::focusWidget(), window->Command4);
        pane->setFocus();
        QTest::keyClick(pane, Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), window->Combo1);
        QCOMPARE(pane->toPlainText(), text);
    }

    // The pane's context menu copies, and shows no key for copying, which the pane's key rule
    // would make useless.
    void contextMenuCopies() {
        RecordPane* pane = window->RichTextBox1;
        pane->setPlainText(QStringLiteral("组成：人参、白术"));
        pane->selectAll();
        std::unique_ptr<QMenu> menu(pane->createContextMenu(QPoint(5, 5)));
        QAction* copy = nullptr;
        for (QAction* a : menu->actions()) {
            QVERIFY2(!a->text().contains(
                         QKeySequence(QKeySequence::Copy).toString(QKeySequence::NativeText)),
                     qPrintable(a->text()));
            QVERIFY2(!a->text().contains(
                         QKeySequence(QKeySequence::Cut).toString(QKeySequence::NativeText)),
                     qPrintable(a->text()));
            if (a->objectName() == QLatin1String("edit-copy"))
                copy = a;
        }
        QVERIFY(copy && copy->isEnabled());
        QGuiApplication::clipboard()->clear();
        copy->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("组成：人参、白术"));
    }

    // The status line, the font-size label and the font-size list stand on the line above the
    // record pane, clear of its top border.
    void lineAbovePaneClear() {
        type(QStringLiteral("人参"));
        click(window->Command1);
        clickTitle(0);
        const int paneTop = window->RichTextBox1->geometry().top();
        for (QWidget* w :
             {static_cast<QWidget*>(window->Label2), static_cast<QWidget*>(window->Label5),
              static_cast<QWidget*>(window->Combo1)}) {
            QCOMPARE(w->parentWidget(), window->RichTextBox1->parentWidget());
            QVERIFY2(w->geometry().bottom() < paneTop,
                     qPrintable(QStringLiteral("%1 ends at %2, the pane starts at %3")
                                    .arg(w->objectName())
                                    .arg(w->geometry().bottom())
                                    .arg(paneTop)));
            QVERIFY(w->y() >= 0);
        }
    }

    // The window comes back where and as large as the user left it, maximized if it was, and
    // with the music off if it was switched off; the first start is at the load size.
    void remembersPlacementAndMusic() {
        const QRect first = window->geometry();
        const MainGeometry firstLayout = window->layoutGeometry();
        QCOMPARE(first.topLeft(), QPoint(0, 0));
        window->move(5, 40);
        window->resize(first.size() + QSize(10, 10));
        QTRY_COMPARE(window->geometry(), QRect(QPoint(5, 40), first.size() + QSize(10, 10)));
        click(window->Command5); // music off
        window->close();
        window.reset();

        open();
        QTRY_COMPARE(window->geometry(), QRect(QPoint(5, 40), first.size() + QSize(10, 10)));
        QVERIFY(!device->log.contains(QStringLiteral("play")));
        QCOMPARE(window->Command5->Caption(), QStringLiteral("播放音乐"));
        QCOMPARE(window->layoutGeometry().RichTextBox1.width,
                 firstLayout.RichTextBox1.width + 10 * kTwipsPerPixel);

        // Maximized: it comes back maximized, and a restore brings the size before.
        drapix::SkinOf(window.get())->SysCommand(drapix::SkinWindow::SC_MAXIMIZE);
        QTRY_VERIFY(drapix::IsZoomed(window.get()));
        click(window->Command5); // music on again
        window->close();
        window.reset();
        open();
        QTRY_VERIFY(drapix::IsZoomed(window.get()));
        QVERIFY(device->log.contains(QStringLiteral("play")));
        drapix::SkinOf(window.get())->SysCommand(drapix::SkinWindow::SC_RESTORE);
        QTRY_COMPARE(window->geometry(), QRect(QPoint(5, 40), first.size() + QSize(10, 10)));
    }

    // A remembered place off the screen, or a size larger than it, is brought within the
    // screen's work area; the layout follows the size it gets.
    void startsWithinTheWorkArea() {
        window->close();
        window.reset();
        SaveWindowPlacement({QRect(5000, -300, 4000, 3000), false});
        open();
        const QRect area = window->screen()->availableGeometry();
        QTRY_VERIFY2(area.contains(window->frameGeometry()),
                     qPrintable(QStringLiteral("%1,%2 %3x%4")
                                    .arg(window->frameGeometry().x())
                                    .arg(window->frameGeometry().y())
                                    .arg(window->frameGeometry().width())
                                    .arg(window->frameGeometry().height())));
        const QRect bottom = window->Command8->geometry();
        QVERIFY(window->Command8->parentWidget()->rect().contains(bottom));

        // The arithmetic, for a 1366 x 768 screen at a scale of 1.5 with a panel of 32 pixels:
        // the load size with the skin's frame does not fit in height.
        const QRect scaled(0, 0, 911, 491);
        QCOMPARE(FitIntoWorkArea(scaled, QRect(0, 0, 766, 579), QSize(15, 28)),
                 QRect(0, 0, 766, 463));
        // Moved back in as little as needed; a fitting window stays where it was.
        QCOMPARE(FitIntoWorkArea(QRect(0, 0, 1024, 768), QRect(900, 700, 300, 200), QSize(10, 20)),
                 QRect(714, 548, 300, 200));
        QCOMPARE(FitIntoWorkArea(QRect(0, 0, 1024, 768), QRect(50, 60, 300, 200), QSize(10, 20)),
                 QRect(50, 60, 300, 200));
        QCOMPARE(FitIntoWorkArea(QRect(100, 30, 800, 600), QRect(0, 0, 300, 200), QSize()),
                 QRect(100, 30, 300, 200));
    }

    // The font-size list lies above every neighbour that reaches into it: all of it is seen and
    // takes the clicks.
    void fontSizeListUncovered() {
        QComboBox* combo = window->Combo1;
        const QRect r = combo->geometry();
        const QObjectList siblings = combo->parentWidget()->children();
        for (qsizetype i = siblings.indexOf(combo) + 1; i < siblings.size(); ++i) {
            auto* w = qobject_cast<QWidget*>(siblings.at(i));
            if (w && !w->isWindow() && w->isVisible())
                QVERIFY2(!w->geometry().intersects(r), qPrintable(w->objectName()));
        }
        for (const QPoint p : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight(),
                               r.center(), QPoint(r.left() + 4, r.bottom() - 1)}) {
            QWidget* hit = combo->parentWidget()->childAt(p);
            QVERIFY2(hit == combo || combo->isAncestorOf(hit),
                     qPrintable(hit ? hit->objectName() : QStringLiteral("nothing")));
        }
    }

    // Every line of the main window's and the about dialog's labels is seen whole.
    void textFits() {
        VerifyLabelsFit(window.get());
        if (QTest::currentTestFailed())
            return;
        type(QStringLiteral("人参"));
        click(window->Command1);
        clickTitle(0);
        QVERIFY(window->Label2->text().startsWith(QStringLiteral("页码")));
        VerifyLabelsFit(window.get());

        frmAbout about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        VerifyLabelsFit(&about);
        // What lies below the description keeps clear of it, inside the dialog.
        const QRect description = about.lblDescription->geometry();
        for (QPushButton* below : {about.cmdSysInfo, about.cmdOK}) {
            QVERIFY(below->y() > description.bottom());
            QVERIFY(about.rect().contains(below->geometry()));
        }
    }

    void layout() {
        const MainGeometry& g = window->layoutGeometry();
        // The load size, grown by the skin's frame; the layout is the one of the load size.
        QCOMPARE(window->size(), QSize(766 + 15, 579 + 28));
        QCOMPARE(g.Frame1.height, 7905.f);
        QCOMPARE(g.RichTextBox1.height, 6832.f);
        QCOMPARE(g.RichTextBox1.width, 7450.f);
        QCOMPARE(g.List1.height, 6261.f);
        QCOMPARE(g.Command1.top, 7263.f);
        QCOMPARE(g.Command2.top, 7263.f);
        for (const TwipRect& r :
             {g.Command4, g.Command5, g.Command6, g.Command7, g.Command8, g.Command9, g.Command10})
            QCOMPARE(r.top, 7513.f);
        QCOMPARE(window->RichTextBox1->geometry(), QRect(240, 24, 497, 455));
        QCOMPARE(window->List1->geometry(), QRect(8, 56, 209, 417));
        QCOMPARE(window->Command8->geometry(), QRect(672, 501, 57, 25));

        // A small step: everything follows. The layout rules see the size without the skin's
        // frame.
        const QSize frame = window->Lustrane1->frameGrowth();
        QCOMPARE(frame, QSize(15, 28));
        const auto resizeOuter = [&](int w, int h) { window->resize(QSize(w, h) + frame); };
        resizeOuter(800, 600);
        QCOMPARE(g.Frame1.height, 9000.f - 780);
        QCOMPARE(g.RichTextBox1.width, 12000.f - 4040);
        QCOMPARE(g.Command8.top, 840 + 9000.f - 2424 + 412);
        QCOMPARE(window->Command8->y(), qRound((840 + 9000.f - 2424 + 412) / 15));

        // Lower than the pane can be: the frame shrinks, the rest of the pass is skipped.
        resizeOuter(700, 100); // 1500 twips high
        QCOMPARE(g.Frame1.height, 720.f);
        QCOMPARE(g.RichTextBox1.height, 9000.f - 1853);
        QCOMPARE(g.RichTextBox1.width, 12000.f - 4040);
        QCOMPARE(g.List1.height, 9000.f - 2424);
        // Narrower than the pane can be: heights follow, the width and the lists do not.
        resizeOuter(200, 400);
        QCOMPARE(g.RichTextBox1.height, 6000.f - 1853);
        QCOMPARE(g.RichTextBox1.width, 12000.f - 4040);
        QCOMPARE(g.List1.height, 9000.f - 2424);
    }

    void startupWithUpdateDatabase() {
        // An update database left behind (no network now) is deleted unread: only one fetched
        // at this start is shown.
        window->close();
        window.reset();
        WriteUpdateDb(UpdateDbPath(), QStringLiteral("2008-06-01"),
                      QStringLiteral("新版资料已发布"));
        open();
        QCOMPARE(window->Text3->text(), QStringLiteral("2008-05-20"));
        QCOMPARE(window->Text4->text(), QString());
        QCOMPARE(paneText(), QString());
        QVERIFY(!QFile::exists(UpdateDbPath()));
        QVERIFY(messages->shown.isEmpty());
    }

    void startupWithoutData() {
        window->close();
        window.reset();
        QFile::remove(StoredKnowledgePath());
        open();
        QVERIFY(messages->shown.isEmpty());
        QCOMPARE(paneText(), QString());
        QCOMPARE(window->Text3->text(), QString());
        QCOMPARE(window->Combo1->count(), 12);
        QCOMPARE(window->size(), QSize(766 + 15, 579 + 28));
        QCOMPARE(device->log.first(), QStringLiteral("open bk1.mp3"));
    }

    // With afterSearch the engine defers its writes as main() of the program makes it, and a
    // search leaves them pending: the close hides the window before anything else, drops them,
    // and the file steps run as ever.
    void shutdown_data() {
        QTest::addColumn<bool>("byButton");
        QTest::addColumn<bool>("placeholder");
        QTest::addColumn<bool>("afterSearch");
        QTest::newRow("退出") << true << true << false;
        QTest::newRow("close button") << false << true << false;
        QTest::newRow("no Ifonts.fon") << true << false << false;
        QTest::newRow("退出 after a search") << true << true << true;
        QTest::newRow("close button after a search") << false << true << true;
    }

    void shutdown() {
        QFETCH(bool, byButton);
        QFETCH(bool, placeholder);
        QFETCH(bool, afterSearch);
        WriteFile(UpdateDbPath(), "update");
        if (!placeholder)
            QFile::remove(folder->path() + QStringLiteral("/Ifonts.fon"));
        QVERIFY(ReadAll(WorkingCopyPath()).startsWith(ReadAll(StoredKnowledgePath()).left(16)));
        engine.deferPendingWrites(afterSearch);
        const auto undefer = qScopeGuard([this] { engine.deferPendingWrites(false); });
        if (afterSearch) {
            type(QStringLiteral("人参，甘草"));
            click(window->Command1);
            QCOMPARE(window->List1->count(), 3);
            QVERIFY(!engine.pendingWrites().queued().empty());
        }
        // What the working copy holds when the window goes.
        struct HideWatch : QObject {
            QByteArray seen;
            bool eventFilter(QObject*, QEvent* event) override {
                if (event->type() == QEvent::Hide && seen.isNull())
                    seen = ReadAll(WorkingCopyPath()).left(16);
                return false;
            }
        } watch;
        window->installEventFilter(&watch);
        if (byButton)
            click(window->Command8);
        else
            window->close();
        QVERIFY(!window->isVisible());
        QCOMPARE(watch.seen, ReadAll(StoredKnowledgePath()).left(16));
        QCOMPARE(device->log.last(), QStringLiteral("close"));
        QVERIFY(engine.pendingWrites().queued().empty());
        QVERIFY(!engine.pendingWrites().busy());
        // Dropped, not written: the list they belonged to is not in the file.
        QCOMPARE(engine.resultsLost(*CategoryFor(Category::Formulas)), afterSearch);
        QVERIFY(!QFile::exists(WorkingCopyPath() + QStringLiteral("-journal")));
        if (placeholder) {
            QCOMPARE(ReadAll(WorkingCopyPath()), QByteArray("placeholder\n"));
            QVERIFY(!QFile::exists(UpdateDbPath()));
        } else {
            QCOMPARE(ReadAll(WorkingCopyPath()), ReadAll(StoredKnowledgePath()));
            QVERIFY(QFile::exists(UpdateDbPath()));
        }
        QVERIFY(messages->shown.isEmpty());
    }

    void musicCycle() {
        BackgroundMusic& music = window->music();
        QCOMPARE(device->log,
                 (QStringList{QStringLiteral("open bk1.mp3"), QStringLiteral("play")}));
        window->Timer1Timer(); // still playing: nothing
        QCOMPARE(device->log.size(), 2);
        QStringList order;
        for (int i = 0; i < 6; ++i) {
            device->currentMode = MciDevice::kStopped;
            window->Timer1Timer();
            order << QString::number(music.track());
        }
        QCOMPARE(order.join(QLatin1Char(',')), QStringLiteral("2,3,4,5,1,2"));
        QCOMPARE(device->log.mid(2, 3),
                 (QStringList{QStringLiteral("close"), QStringLiteral("open bk2.mp3"),
                              QStringLiteral("play")}));

        // Off during a track, on again: track 1.
        click(window->Command5);
        QCOMPARE(window->Command5->Caption(), QStringLiteral("播放音乐"));
        QCOMPARE(device->mode(), MciDevice::kNotOpen);
        const qsizetype before = device->log.size();
        window->Timer1Timer();
        QCOMPARE(device->log.size(), before);
        click(window->Command5);
        QCOMPARE(window->Command5->Caption(), QStringLiteral("关闭音乐"));
        QCOMPARE(device->log.mid(before),
                 (QStringList{QStringLiteral("open bk1.mp3"), QStringLiteral("play")}));

        // An unplayable second track ends the music after the first; the caption stays.
        device->unplayable << QStringLiteral("bk2.mp3");
        device->currentMode = MciDevice::kStopped;
        window->Timer1Timer();
        QCOMPARE(device->mode(), MciDevice::kNotOpen);
        const qsizetype silent = device->log.size();
        for (int i = 0; i < 3; ++i)
            window->Timer1Timer();
        QCOMPARE(device->log.size(), silent);
        QCOMPARE(window->Command5->Caption(), QStringLiteral("关闭音乐"));
    }

    void mediaPlayerDevice() {
        MediaPlayerDevice player;
        QCOMPARE(player.mode(), MciDevice::kNotOpen);
        player.setFileName(folder->path() + QStringLiteral("/sound/nothing.mp3"));
        player.command(QStringLiteral("open"));
        player.command(QStringLiteral("play"));
        QCOMPARE(player.mode(), MciDevice::kNotOpen);
        const QString junk = folder->path() + QStringLiteral("/sound/junk.mp3");
        WriteFile(junk, QByteArray(4096, 'x'));
        player.setFileName(junk);
        player.command(QStringLiteral("open"));
        player.command(QStringLiteral("play"));
        QTRY_COMPARE(player.mode(), MciDevice::kNotOpen);

        const QString track = QStringLiteral(MERIDANE_FOLDER "/sound/bk1.mp3");
        QVERIFY(QFile::exists(track));
        player.setFileName(track);
        player.command(QStringLiteral("open"));
        player.command(QStringLiteral("play"));
        QVERIFY(player.mode() != MciDevice::kNotOpen);
        QVERIFY(player.mode() != MciDevice::kStopped);
        player.command(QStringLiteral("close"));
        QCOMPARE(player.mode(), MciDevice::kNotOpen);
    }

    void printing() {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QFAIL("pdftotext (poppler-utils) is needed to read the printed PDF");
        ScriptedPrintDialog dialog;
        type(QStringLiteral("人参"));
        click(window->Command1);
        clickTitle(0);
        QTemporaryDir out;

        // Nothing selected: the whole record, no selection choice.
        dialog.pdf = out.filePath(QStringLiteral("all.pdf"));
        click(window->Command7);
        QCOMPARE(dialog.flags.last(), 264);
        QString text = PdfText(dialog.pdf);
        QVERIFY2(text.contains(QStringLiteral("组成：人参、白术、茯苓、甘草。")), qPrintable(text));
        // What the pane holds and nothing else: no page number.
        QCOMPARE(text.simplified(), QStringLiteral("组成：人参、白术、茯苓、甘草。"));

        // Part of the record selected: the choice is preset and only that part is printed.
        QTextCursor c = window->RichTextBox1->textCursor();
        c.setPosition(3);
        c.setPosition(8, QTextCursor::KeepAnchor); // 人参、白术
        window->RichTextBox1->setTextCursor(c);
        dialog.pdf = out.filePath(QStringLiteral("part.pdf"));
        click(window->Command7);
        QCOMPARE(dialog.flags.last(), 265);
        text = PdfText(dialog.pdf);
        QCOMPARE(text.simplified(), QStringLiteral("人参、白术"));

        // The text layer holds the record's own characters, not the radicals or strokes that
        // share their glyphs: a saved PDF can be searched for what the pane shows.
        click(window->Option6);
        type(QStringLiteral("黄芪"));
        click(window->Command1);
        clickTitle(0);
        QCOMPARE(paneText(), kSharedGlyphCase);
        const QFont shown = window->RichTextBox1->font();
        dialog.pdf = out.filePath(QStringLiteral("shared.pdf"));
        click(window->Command7);
        text = PdfText(dialog.pdf);
        QCOMPARE(text.simplified(), kSharedGlyphCase);
        // Printed with the very glyphs and advances the pane shows.
        const QFont printed = FontForPrinting(shown);
        QCOMPARE(QFontInfo(printed).pointSizeF(), QFontInfo(shown).pointSizeF());
        const QRawFont shownFace = QRawFont::fromFont(shown, QFontDatabase::SimplifiedChinese);
        const QRawFont printedFace = QRawFont::fromFont(printed, QFontDatabase::SimplifiedChinese);
        QVERIFY(shownFace.isValid() && printedFace.isValid());
        const QList<quint32> glyphs = shownFace.glyphIndexesForString(kSharedGlyphCase);
        QCOMPARE(printedFace.glyphIndexesForString(kSharedGlyphCase), glyphs);
        QCOMPARE(printedFace.advancesForGlyphIndexes(glyphs),
                 shownFace.advancesForGlyphIndexes(glyphs));
        QVERIFY(printedFace.pathForGlyph(glyphs[1]) == shownFace.pathForGlyph(glyphs[1]));

        // Cancel: nothing printed, nothing said.
        dialog.answer = kPrintCancelled;
        dialog.pdf = out.filePath(QStringLiteral("cancelled.pdf"));
        click(window->Command7);
        QVERIFY(!QFile::exists(dialog.pdf));
        QVERIFY(messages->shown.isEmpty());
        QCOMPARE(shell->beeps, 0);

        // Any other dialog error: a beep and the message.
        dialog.answer = 28660;
        click(window->Command7);
        QCOMPARE(shell->beeps, 1);
        QCOMPARE(messages->shown.size(), 1);
        QCOMPARE(messages->shown.last().prompt,
                 QStringLiteral("Error printing file.\r\n打印机未就绪"));
        QCOMPARE(messages->shown.last().flags, 48);
        QCOMPARE(messages->shown.last().title, QStringLiteral("Printing Error!"));
    }

    // The print dialog offers no page ranges; the selection choice only with a selection.
    void printDialogChoices_data() {
        QTest::addColumn<int>("flags");
        QTest::newRow("all") << 264;
        QTest::newRow("selection") << 265;
    }

    void printDialogChoices() {
        QFETCH(int, flags);
        QStringList shown, wrong;
        bool pageRanges = true, selectionChecked = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            // Open the options part, where the ranges are.
            for (QPushButton* b : dialog->findChildren<QPushButton*>())
                if (b->text().contains(QStringLiteral(">>")))
                    b->click();
            pageRanges = dialog->testOption(QAbstractPrintDialog::PrintPageRange);
            QWidget* range = dialog->findChild<QWidget*>(QStringLiteral("gbPrintRange"));
            if (!range)
                return;
            for (const char* name :
                 {"printRange", "from", "label_3", "to", "pagesRadioButton", "pagesLineEdit"})
                for (QWidget* w : range->findChildren<QWidget*>(QLatin1String(name)))
                    if (w->isVisibleTo(dialog))
                        wrong << QLatin1String(name);
            for (QWidget* w : dialog->findChildren<QWidget*>())
                if (w->isVisibleTo(dialog))
                    shown << w->objectName();
            if (auto* s = dialog->findChild<QRadioButton*>(QStringLiteral("printSelection")))
                selectionChecked = s->isChecked();
            dialog->reject();
        });
        QPrinter printer;
        QString description;
        QCOMPARE(PrintDialog().ShowPrinter(printer, flags, description, window.get()),
                 kPrintCancelled);
        QVERIFY2(shown.contains(QStringLiteral("printAll")), qPrintable(shown.join(u' ')));
        QVERIFY(!pageRanges);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(u' ')));
        const bool selection = flags & PrintFlags::Selection;
        QCOMPARE(shown.contains(QStringLiteral("printSelection")), selection);
        QCOMPARE(selectionChecked, selection);
    }

    // "网上留言" on a desktop that cannot open the page says so, with the address to copy.
    void guestbookNotOpened() {
        const QString address = SiteAddress() + QStringLiteral("/gb_add.asp");
        const QString said =
            QStringLiteral("无法打开网上留言页面。请将下面的网址复制到网页浏览器中打开：\r\n") +
            address;
        shell->openFails = true;
        click(window->Command9);
        QCOMPARE(shell->opened, QStringList{address});
        QCOMPARE(messages->shown.size(), 1);
        QCOMPARE(messages->shown.last().prompt, said);
        QCOMPARE(messages->shown.last().flags, 48);
        QCOMPARE(messages->shown.last().title, QStringLiteral("Meridane"));

        // The desktop's own services, in a system with no browser and no opener at all.
        SetShellServices(nullptr);
        const QByteArray path = qgetenv("PATH");
        const QByteArray browser = qgetenv("BROWSER");
        const QByteArray defaultBrowser = qgetenv("DEFAULT_BROWSER");
        const auto restore = qScopeGuard([&] {
            qputenv("PATH", path);
            qputenv("BROWSER", browser);
            qputenv("DEFAULT_BROWSER", defaultBrowser);
            SetShellServices(shell.get());
        });
        QTemporaryDir bin;
        qputenv("PATH", QFile::encodeName(bin.path()));
        qputenv("BROWSER", "");
        qputenv("DEFAULT_BROWSER", "");
        click(window->Command9);
        QCOMPARE(messages->shown.size(), 2);
        QCOMPARE(messages->shown.last().prompt, said);

        // An opener that finds no program for web pages: it gives up after the click returns.
        const QString asked = bin.filePath(QStringLiteral("asked"));
        const auto opener = [&](int status) {
            const QString script = bin.filePath(QStringLiteral("xdg-open"));
            WriteFile(script, QStringLiteral("#!/bin/sh\nprintf '%s' \"$1\" > '%1.part'\n"
                                             "/bin/mv '%1.part' '%1'\nexit %2\n")
                                  .arg(asked)
                                  .arg(status)
                                  .toUtf8());
            QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QFile::remove(asked);
        };
        opener(3);
        click(window->Command9);
        QTRY_COMPARE(messages->shown.size(), 3);
        QCOMPARE(messages->shown.last().prompt, said);
        QCOMPARE(ReadAll(asked), address.toUtf8());

        // One that opens it: nothing is said.
        opener(0);
        click(window->Command9);
        QTRY_COMPARE(ReadAll(asked), address.toUtf8());
        // Until the opener has ended and been heard.
        QTRY_VERIFY(QCoreApplication::instance()->findChildren<QProcess*>().isEmpty());
        QCOMPARE(messages->shown.size(), 3);
    }

    void commands() {
        click(window->Command9);
        QCOMPARE(shell->opened, QStringList{SiteAddress() + QStringLiteral("/gb_add.asp")});
        QVERIFY(messages->shown.isEmpty());

        click(window->Command6);
        click(window->Command6);
        int dialogs = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            dialogs += qobject_cast<frmAbout*>(w) && w->isVisible();
        QCOMPARE(dialogs, 1);
        QVERIFY(!window->aboutDialog()->isModal());
        // Closed and opened again: a new one.
        window->aboutDialog()->close();
        QTRY_VERIFY(!window->aboutDialog());
        click(window->Command6);
        QVERIFY(window->aboutDialog()->isVisible());

        // One editor, in front, however often it is asked for.
        click(window->Command4);
        click(window->Command4);
        int editors = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            editors += qobject_cast<Form5*>(w) && w->isVisible();
        QCOMPARE(editors, 1);
        window->editor()->close();
        QVERIFY(messages->shown.isEmpty());
    }

    void aboutDialog() {
        frmAbout about;
        QCOMPARE(about.windowTitle(), QStringLiteral("关于 Meridane"));
        QCOMPARE(about.lblTitle->text(), QStringLiteral("Meridane5.0"));
        const QStringList lines = AboutDescription().split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[0].startsWith(QStringLiteral("    1.输入您要查询的关键字")));
        QVERIFY(lines[1].startsWith(QStringLiteral("     2.作者提供的资料仅供学习参考之用")));
        QCOMPARE(lines[2], QStringLiteral("    ") + SiteAddress());
        QCOMPARE(about.cmdSysInfo->text(), QStringLiteral("系统信息(&S)..."));
        QVERIFY(about.cmdOK->isDefault());

        // No known tool on the search path: the message.
        QTemporaryDir bin;
        about.sysInfoSearchPath = {bin.path()};
        click(about.cmdSysInfo);
        QCOMPARE(messages->count(kNoSysInfo), 1);
        QCOMPARE(messages->shown.last().title, QStringLiteral("Meridane"));
        QVERIFY(shell->started.isEmpty());

        // The second tool of the list is there: it is started.
        const QString tool = bin.filePath(SystemInfoPrograms().at(1));
        WriteFile(tool, "#!/bin/sh\n");
        QFile::setPermissions(tool, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        click(about.cmdSysInfo);
        QCOMPARE(shell->started, QStringList{tool});
        QCOMPARE(messages->count(kNoSysInfo), 1);

        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QTest::keyClick(&about, Qt::Key_Escape);
        QVERIFY(!about.isVisible());
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_main_window.moc"
