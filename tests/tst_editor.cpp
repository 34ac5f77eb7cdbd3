// The personal notes editor as a user works with it (offscreen): browsing, adding, deleting,
// saving in one batch, reloading, filtering, finding text, backup and restore, and resizing.
#include "buttons/command.h"
#include "core/form_data.h"
#include "search/program_folder.h"
#include "search/result_reader.h"
#include "search/sqlite_db.h"
#include "services/text_encoding.h"
#include "shell/main_window.h"
#include "shell/notes_import_dialog.h"
#include "shell/personal_editor.h"
#include "shell_test_support.h"
#include "test_support.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

using namespace meridane;
using namespace meridane::test;

namespace {

// The titles of me1 in the file, in 编号 order.
QStringList StoredTitles() {
    QStringList titles;
    ReadRows(PersonalConnectionString(), QStringLiteral("SELECT 标题 FROM me1 ORDER BY 编号"),
             [&](const SqlStatement& r) { titles << r.text(0); });
    return titles;
}

std::vector<SourceRecord> Notes() {
    return {Rec(3, QStringLiteral("读书笔记"), QStringLiteral("四君子汤补气，ababab")),
            Rec(7, QStringLiteral("门诊记录"), QStringLiteral("患者发热三日，恶寒")),
            Rec(12, QStringLiteral("方歌"), QStringLiteral("补气四君，化痰二陈"))};
}

void ExecutePersonal(const QString& sql) {
    SqlConnection db;
    db.open(PersonalDbPath(), QString());
    db.exec(sql);
}

} // namespace

class EditorTest : public QObject {
    Q_OBJECT

    // The in-memory search of the process, as main() of the program makes it.
    memory::Engine engine;
    std::unique_ptr<TempProgramFolder> folder;
    std::unique_ptr<ScriptedMessages> messages;
    std::unique_ptr<Form5> editor;

    void reopen() {
        editor = std::make_unique<Form5>();
        editor->backupPath = folder->path() + QStringLiteral("/backup/msjicbak");
        editor->show();
    }
    void typeInto(QPlainTextEdit* box, const QString& text) {
        box->setFocus();
        box->selectAll();
        for (QChar ch : text)
            QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
    // A click as the user makes it: the left button down and up over the middle of the button.
    void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }
    // Space on the focused button: it clicks when the key comes up.
    void pressSpace(Command* button) {
        editor->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(editor.get()));
        button->setFocus();
        QVERIFY(button->hasFocus());
        QTest::keyPress(button, Qt::Key_Space);
        QTest::keyRelease(button, Qt::Key_Space);
    }
    QString title() const { return editor->Text2_1->toPlainText(); }
    QString line() const { return editor->txtNews->text(); }
    QString lastMessage() const {
        return messages->shown.isEmpty() ? QString() : messages->shown.last().prompt;
    }

private slots:
    void init() {
        folder = std::make_unique<TempProgramFolder>(KnowledgeSources{}, Notes());
        QDir().mkpath(folder->path() + QStringLiteral("/backup"));
        messages = std::make_unique<ScriptedMessages>();
        reopen();
    }
    void cleanup() {
        messages->answers = {MsgAnswer::No, MsgAnswer::No, MsgAnswer::No};
        editor.reset();
        messages.reset();
        folder.reset();
    }

    // Every button of the editor is the library's Command, made from the editor's stored data:
    // style 3, its caption and font, no icon, its extent, and no default, cancel or access keys.
    void buttonsAreCommands() {
        const drapix::FormData form = drapix::FormData::Load(QStringLiteral(":/forms/Form5.form"));
        QVERIFY(form.problems.isEmpty());
        QVERIFY(editor->findChildren<QAbstractButton*>().isEmpty());
        const std::pair<Command*, QString> buttons[] = {
            {editor->cmdSearch, QStringLiteral("按标题查询")},
            {editor->Command1, QStringLiteral("按内容查询")},
            {editor->cmdAdd, QStringLiteral("添加")},
            {editor->cmdMove[0], QStringLiteral("||<<")},
            {editor->cmdMove[1], QStringLiteral("<<")},
            {editor->cmdMove[2], QStringLiteral(">>")},
            {editor->cmdMove[3], QStringLiteral(">>||")},
            {editor->cmdDelete, QStringLiteral("删除")},
            {editor->Command2, QStringLiteral("备份")},
            {editor->cmdSave, QStringLiteral("保存")},
            {editor->Command7, QStringLiteral("查找字符")},
            {editor->cmdRefresh, QStringLiteral("刷新")},
            {editor->cmdExit, QStringLiteral("退出")},
            {editor->Command3, QStringLiteral("恢复")}};
        QCOMPARE(editor->findChildren<Command*>().size(), qsizetype(std::size(buttons)));
        QCOMPARE(form.controls.size(), qsizetype(std::size(buttons)));
        for (const auto& [button, caption] : buttons) {
            VerifyStoredButton(button, form, caption);
            if (QTest::currentTestFailed())
                return;
        }
        // Each caption is seen whole on its button.
        for (const auto& [button, caption] : buttons)
            QVERIFY2(QRectF(button->rect()).contains(button->captionRect()), qPrintable(caption));
    }

    // The buttons answer Space as they answer the mouse: the click comes with the key's release.
    void buttonsByKeyboard() {
        pressSpace(editor->cmdMove[3]);
        QCOMPARE(line(), QStringLiteral("12，3/3"));
        editor->cmdMove[0]->setFocus();
        QTest::keyPress(editor->cmdMove[0], Qt::Key_Space);
        QCOMPARE(line(), QStringLiteral("12，3/3"));
        QTest::keyRelease(editor->cmdMove[0], Qt::Key_Space);
        QCOMPARE(line(), QStringLiteral("3，1/3"));
        // Other keys press the button without clicking it.
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_A, Qt::Key_Escape})
            QTest::keyClick(editor->cmdMove[2], key);
        QCOMPARE(line(), QStringLiteral("3，1/3"));

        pressSpace(editor->cmdAdd);
        QCOMPARE(line(), QStringLiteral("记录：4/4"));
        QVERIFY(editor->Text2_1->hasFocus());
        typeInto(editor->Text2_1, QStringLiteral("键盘笔记"));
        pressSpace(editor->cmdSave);
        QCOMPARE(lastMessage(), QStringLiteral("保存成功！"));
        QCOMPARE(StoredTitles().last(), QStringLiteral("键盘笔记"));

        editor->Text2_0->setText(QStringLiteral("门诊"));
        pressSpace(editor->cmdSearch);
        QCOMPARE(line(), QStringLiteral("7，1/1"));
        pressSpace(editor->cmdExit);
        QVERIFY(!editor->isVisible());
    }

    // Tab, Shift+Tab and Ctrl+Tab leave the title and text boxes in reading order; the note
    // gets no tab character.
    void tabLeavesTheBoxes() {
        editor->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(editor.get()));
        const QString before = editor->Text2_2->toPlainText();
        const std::tuple<QWidget*, Qt::Key, Qt::KeyboardModifiers, QWidget*> moves[] = {
            {editor->Text2_1, Qt::Key_Tab, {}, editor->Text2_2},
            {editor->Text2_2, Qt::Key_Tab, {}, editor->cmdAdd},
            {editor->Text2_2, Qt::Key_Tab, Qt::ControlModifier, editor->cmdAdd},
            {editor->Text2_2, Qt::Key_Backtab, Qt::ShiftModifier, editor->Text2_1},
            {editor->Text2_1, Qt::Key_Backtab, Qt::ShiftModifier | Qt::ControlModifier,
             editor->Command1}};
        for (const auto& [from, key, modifiers, to] : moves) {
            from->setFocus();
            QTest::keyClick(from, key, modifiers);
            QVERIFY2(
                QApplication::focusWidget() == to,
                qPrintable(from->objectName() + QLatin1String(" -> ") +
                           (QApplication::focusWidget() ? QApplication::focusWidget()->objectName()
                                                        : QStringLiteral("nothing"))));
        }
        QCOMPARE(editor->Text2_2->toPlainText(), before);
    }

    void loadAndNavigate() {
        QCOMPARE(editor->windowTitle(), QStringLiteral("我的资料库_数据输入"));
        QCOMPARE(editor->Text1->text(), kFindPrompt);
        QCOMPARE(title(), QStringLiteral("读书笔记"));
        QCOMPARE(line(), QStringLiteral("3，1/3"));
        QStringList captions;
        for (Command* b : editor->cmdMove)
            captions << b->Caption();
        QCOMPARE(captions, (QStringList{QStringLiteral("||<<"), QStringLiteral("<<"),
                                        QStringLiteral(">>"), QStringLiteral(">>||")}));
        click(editor->cmdMove[1]); // before the first: stays on the first
        QCOMPARE(line(), QStringLiteral("3，1/3"));
        click(editor->cmdMove[2]);
        QCOMPARE(title(), QStringLiteral("门诊记录"));
        QCOMPARE(line(), QStringLiteral("7，2/3"));
        click(editor->cmdMove[3]);
        click(editor->cmdMove[2]); // past the last: stays on the last
        QCOMPARE(line(), QStringLiteral("12，3/3"));
        QCOMPARE(title(), QStringLiteral("方歌"));
        click(editor->cmdMove[0]);
        QCOMPARE(line(), QStringLiteral("3，1/3"));
        QVERIFY(messages->shown.isEmpty());
    }

    // A note too long to lay out in good time shows its first part and says how much it left
    // out; it cannot be changed here (the boxes would write their part over the whole note), and
    // it stays whole in the file. A long note within the bound is edited as any other.
    void longNotes() {
        const QString oneLine(1000000, QLatin1Char('x'));
        QString prose;
        while (prose.size() < 20000)
            prose += QStringLiteral("患者发热三日，恶寒，");
        editor.reset();
        folder = std::make_unique<TempProgramFolder>(
            KnowledgeSources{}, std::vector<SourceRecord>{Rec(1, QStringLiteral("长笔记"), oneLine),
                                                          Rec(2, QStringLiteral("长段"), prose)});
        reopen();
        QCOMPARE(title(), QStringLiteral("长笔记"));
        QCOMPARE(editor->Text2_2->toPlainText(),
                 oneLine.left(kMaxShownChars) +
                     QStringLiteral("\n……（本条资料共 1000000 字，过长，只显示了前 32768 字）"));
        QCOMPARE(editor->Text2_2->wordWrapMode(), QTextOption::WrapAnywhere);
        QCOMPARE(line(), QStringLiteral("1，1/2"));

        typeInto(editor->Text2_2, QStringLiteral("改"));
        QCOMPARE(lastMessage(), QStringLiteral("本条资料过长，不能在此修改！"));
        QVERIFY(!editor->records().hasPendingChanges());
        QVERIFY(editor->Text2_2->toPlainText().startsWith(oneLine.left(kMaxShownChars)));

        // The next note is edited as usual.
        click(editor->cmdMove[2]);
        QCOMPARE(editor->Text2_2->toPlainText(), prose);
        QCOMPARE(editor->Text2_2->wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
        QVERIFY(!editor->Text2_2->isReadOnly());
        typeInto(editor->Text2_2, QStringLiteral("改过"));
        click(editor->cmdSave);
        QCOMPARE(lastMessage(), QStringLiteral("保存成功！"));

        QStringList bodies;
        ReadRows(PersonalConnectionString(), QStringLiteral("SELECT 文本 FROM me1 ORDER BY 编号"),
                 [&](const SqlStatement& r) { bodies << r.text(0); });
        QCOMPARE(bodies, (QStringList{oneLine, QStringLiteral("改过")}));
    }

    void addSaveAndSearch() {
        click(editor->cmdAdd);
        QCOMPARE(line(), QStringLiteral("记录：4/4"));
        QCOMPARE(title(), QString());
        typeInto(editor->Text2_1, QStringLiteral("黄芪笔记"));
        typeInto(editor->Text2_2, QStringLiteral("黄芪补气升阳"));
        click(editor->cmdAdd);
        typeInto(editor->Text2_1, QStringLiteral("白术笔记"));
        typeInto(editor->Text2_2, QStringLiteral("白术补气健脾"));
        QCOMPARE(line(), QStringLiteral("记录：5/5"));
        // Nothing reaches the file before the save.
        QCOMPARE(StoredTitles().size(), 3);
        click(editor->cmdSave);
        QCOMPARE(messages->shown.at(0).prompt, QStringLiteral("是否保存？"));
        QCOMPARE(messages->shown.at(0).flags, 4);
        QCOMPARE(lastMessage(), QStringLiteral("保存成功！"));
        QCOMPARE(StoredTitles(),
                 (QStringList{QStringLiteral("读书笔记"), QStringLiteral("门诊记录"),
                              QStringLiteral("方歌"), QStringLiteral("黄芪笔记"),
                              QStringLiteral("白术笔记")}));
        QVERIFY(!editor->records().hasPendingChanges());

        // Found from the main window in "我的资料库", numbered after the last note.
        frmMain window(engine, std::make_unique<SilentDevice>());
        window.Option5->setChecked(true);
        window.Text1[0]->setText(QStringLiteral("补气升阳，健脾"));
        click(window.Command1);
        QCOMPARE(window.List1->count(), 2);
        window.List1Click(QStringLiteral("黄芪笔记"));
        QCOMPARE(window.Label2->text(), QStringLiteral("页码： 13    相符个数： 1"));
        window.close();
    }

    // "导入…" saves what is pending, previews the book, writes it, and the editor and the main
    // window's 我的资料库 show the notes at once; a malformed file is refused before anything
    // is written; "导出…" writes what the file holds.
    void importAndExport() {
        QCOMPARE(editor->contextMenuPolicy(), Qt::ActionsContextMenu);
        QVERIFY(editor->actions().contains(editor->importAction));
        QCOMPARE(editor->importAction->text(), QStringLiteral("导入…"));
        QCOMPARE(editor->exportAction->text(), QStringLiteral("导出…"));
        // The boxes, which fill most of the window, offer them in their menus too.
        for (QPlainTextEdit* box : {editor->Text2_1, editor->Text2_2}) {
            emit box->customContextMenuRequested(QPoint(5, 5));
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menu);
            QVERIFY(menu->actions().contains(editor->importAction));
            QVERIFY(menu->actions().contains(editor->exportAction));
            menu->close();
        }

        const QString book = folder->path() + QStringLiteral("/本草.txt");
        {
            QFile f(book);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QStringLiteral("卷一\n人参，味甘微寒，主补五脏。\n\n"
                                   "方歌\n黄芪，味甘微温。\n卷二\n甘草，味甘平。\n")
                        .toUtf8());
        }
        typeInto(editor->Text2_2, QStringLiteral("改过的正文"));
        QStringList seen;
        QTimer::singleShot(0, this, [&] {
            auto* d = qobject_cast<NotesImportDialog*>(QApplication::activeModalWidget());
            QVERIFY(d);
            seen << d->summary->text() << d->detected->text();
            for (int i = 0; i < d->preview->topLevelItemCount(); ++i)
                seen << d->preview->topLevelItem(i)->text(1);
            d->rule->setCurrentIndex(d->rule->findData(int(SplitRule::WholeFile)));
            seen << QString::number(d->preview->topLevelItemCount());
            d->rule->setCurrentIndex(d->rule->findData(int(SplitRule::Heading)));
            d->startImport();
            QVERIFY(d->importing());
        });
        messages->answers = {MsgAnswer::Yes};
        editor->importNotes(book);
        QCOMPARE(messages->shown.at(0).prompt, QStringLiteral("是否保存？"));
        QCOMPARE(seen,
                 (QStringList{QStringLiteral("将导入 3 条资料。其中 1 条的标题已有，将加上“（二）”"
                                             "“（三）”等序号。"),
                              QStringLiteral("（文件中识别出的编码：UTF-8）"),
                              QStringLiteral("卷一"), QStringLiteral("方歌（二）"),
                              QStringLiteral("卷二"), QStringLiteral("1")}));
        QCOMPARE(lastMessage(),
                 QStringLiteral("导入成功！共导入 3 条资料。其中 1 条的标题已有，已加上序号。"));
        QCOMPARE(StoredTitles(),
                 (QStringList{QStringLiteral("读书笔记"), QStringLiteral("门诊记录"),
                              QStringLiteral("方歌"), QStringLiteral("卷一"),
                              QStringLiteral("方歌（二）"), QStringLiteral("卷二")}));
        QCOMPARE(title(), QStringLiteral("卷一"));
        QCOMPARE(line(), QStringLiteral("13，4/6"));

        frmMain window(engine, std::make_unique<SilentDevice>());
        window.Option5->setChecked(true);
        window.Text1[0]->setText(QStringLiteral("味甘微温"));
        click(window.Command1);
        QCOMPARE(window.List1->count(), 1);
        QCOMPARE(window.List1->item(0)->text(), QStringLiteral("方歌（二）"));
        window.close();

        // A JSON line that is not an object: the line is named and nothing can be imported.
        const QString bad = folder->path() + QStringLiteral("/坏.jsonl");
        {
            QFile f(bad);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("{\"标题\": \"甲\", \"文本\": \"乙\"}\n[1, 2]\n");
        }
        QTimer::singleShot(0, this, [&] {
            auto* d = qobject_cast<NotesImportDialog*>(QApplication::activeModalWidget());
            QVERIFY(d);
            seen = {d->summary->text()};
            QVERIFY(!d->importButton->isEnabled());
            d->reject();
        });
        editor->importNotes(bad);
        QCOMPARE(seen, QStringList{QStringLiteral("第 2 行不是一个 JSON 对象，未导入！")});
        QCOMPARE(StoredTitles().size(), 6);

        // Cancelled while it writes: the file stays as it was and the dialog stays open.
        const QString big = folder->path() + QStringLiteral("/大书.txt");
        {
            QFile f(big);
            QVERIFY(f.open(QIODevice::WriteOnly));
            for (int i = 0; i < 20000; ++i)
                f.write(QStringLiteral("第%1章\n正文。\n").arg(i).toUtf8());
        }
        QByteArray before;
        {
            QFile f(PersonalDbPath());
            QVERIFY(f.open(QIODevice::ReadOnly));
            before = f.readAll();
        }
        QTimer::singleShot(0, this, [&] {
            auto* d = qobject_cast<NotesImportDialog*>(QApplication::activeModalWidget());
            QVERIFY(d);
            QCOMPARE(d->notes().size(), 20000u);
            d->startImport();
            d->reject();
            seen = {d->summary->text(), QString::number(d->isVisible()),
                    QString::number(d->importButton->isEnabled())};
            d->reject();
        });
        editor->importNotes(big);
        QCOMPARE(seen, (QStringList{QStringLiteral("已取消导入，资料库未改动。"),
                                    QStringLiteral("1"), QStringLiteral("1")}));
        {
            QFile f(PersonalDbPath());
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), before);
        }

        const QString csv = folder->path() + QStringLiteral("/导出.csv");
        editor->askExportFile = [&] { return csv; };
        editor->exportAction->trigger();
        QCOMPARE(lastMessage(), QStringLiteral("导出成功！共导出 6 条资料。"));
        QFile exported(csv);
        QVERIFY(exported.open(QIODevice::ReadOnly));
        QVERIFY(exported.readAll().startsWith(
            "\xEF\xBB\xBF编号,标题,文本\r\n3,读书笔记,改过的正文\r\n"));
    }

    // The preview follows every choice: the encoding found is shown and may be changed, the
    // rule and the heading pattern split the text again, and a choice the file cannot be read
    // in names the line and leaves nothing to import.
    void importPreviewFollowsTheChoices() {
        const QString book = folder->path() + QStringLiteral("/gb.txt");
        {
            QFile f(book);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(EncodeText(
                QStringLiteral("卷一\n人参，味甘。\n\n黄芪，味甘。\n卷二\n甘草，味甘。\n"),
                TextEncoding::Gb18030));
        }
        NotesImportDialog d(PersonalDbPath());
        d.openFile(book);
        const auto titles = [&d] {
            QStringList out;
            for (int i = 0; i < d.preview->topLevelItemCount(); ++i)
                out << d.preview->topLevelItem(i)->text(0) + QLatin1Char(' ') +
                           d.preview->topLevelItem(i)->text(1);
            return out;
        };
        QCOMPARE(d.detected->text(), QStringLiteral("（文件中识别出的编码：GB18030）"));
        QCOMPARE(d.encoding->currentText(), QStringLiteral("GB18030"));
        QCOMPARE(titles(), (QStringList{QStringLiteral("1 卷一"), QStringLiteral("5 卷二")}));
        QVERIFY(d.pattern->isEnabled());

        d.encoding->setCurrentIndex(d.encoding->findText(QStringLiteral("UTF-8")));
        QCOMPARE(d.summary->text(), QStringLiteral("第 1 行有按此编码无法识别的文字，未导入！"));
        QVERIFY(!d.importButton->isEnabled());
        QCOMPARE(d.preview->topLevelItemCount(), 0);
        d.encoding->setCurrentIndex(d.encoding->findText(QStringLiteral("GB18030")));
        QVERIFY(d.importButton->isEnabled());

        d.rule->setCurrentIndex(d.rule->findData(int(SplitRule::Paragraph)));
        QVERIFY(!d.pattern->isEnabled());
        QCOMPARE(titles(),
                 (QStringList{QStringLiteral("1 卷一"), QStringLiteral("4 黄芪，味甘。")}));
        d.rule->setCurrentIndex(d.rule->findData(int(SplitRule::Heading)));
        d.pattern->setText(QStringLiteral("^卷一$"));
        QTRY_COMPARE(titles(), QStringList{QStringLiteral("1 卷一")});
        QCOMPARE(d.summary->text(), QStringLiteral("将导入 1 条资料。"));

        d.format->setCurrentIndex(d.format->findData(int(ImportFormat::Csv)));
        QCOMPARE(d.summary->text(), QStringLiteral("第 1 行没有“标题”和“文本”两列，未导入！"));
        QVERIFY(!d.rule->isEnabled());
    }

    void deleteDeclineSaveAndReload() {
        click(editor->cmdMove[2]);
        messages->answers = {MsgAnswer::No};
        click(editor->cmdDelete);
        QCOMPARE(messages->shown.last().prompt,
                 QStringLiteral("将删除标题为门诊记录的数据，是否继续？"));
        QCOMPARE(messages->shown.last().flags, 20);
        QCOMPARE(messages->shown.last().title, QStringLiteral("我的资料库"));
        QCOMPARE(editor->records().count(), 3);

        click(editor->cmdDelete); // Yes
        QCOMPARE(title(), QStringLiteral("方歌"));
        QCOMPARE(line(), QStringLiteral("2/2"));
        messages->answers = {MsgAnswer::No};
        click(editor->cmdSave);
        QCOMPARE(lastMessage(), QStringLiteral("未保存！"));
        QCOMPARE(StoredTitles().size(), 3);
        QVERIFY(editor->records().hasPendingChanges());

        click(editor->cmdRefresh); // Yes
        QCOMPARE(messages->shown.at(messages->shown.size() - 1).prompt,
                 QStringLiteral("将放弃未保存操作！"));
        QCOMPARE(editor->records().count(), 3);
        QCOMPARE(line(), QStringLiteral("1/3"));
        QVERIFY(!editor->records().hasPendingChanges());
    }

    void duplicateTitleKeepsChanges() {
        click(editor->cmdMove[3]);
        typeInto(editor->Text2_2, QStringLiteral("改过的方歌"));
        click(editor->cmdAdd);
        typeInto(editor->Text2_1, QStringLiteral("门诊记录")); // taken
        click(editor->cmdSave);
        QCOMPARE(lastMessage(), QStringLiteral("操作失败！已有相同标题的记录存在，请更改标题！"));
        QCOMPARE(StoredTitles().size(), 3); // nothing written, not even the edit
        QVERIFY(editor->records().hasPendingChanges());
        typeInto(editor->Text2_1, QStringLiteral("门诊记录二"));
        click(editor->cmdSave);
        QCOMPARE(lastMessage(), QStringLiteral("保存成功！"));
        QCOMPARE(StoredTitles().last(), QStringLiteral("门诊记录二"));
        QStringList bodies;
        ReadRows(PersonalConnectionString(), QStringLiteral("SELECT 文本 FROM me1 WHERE 编号=12"),
                 [&](const SqlStatement& r) { bodies << r.text(0); });
        QCOMPARE(bodies, QStringList{QStringLiteral("改过的方歌")});
    }

    void emptyTable() {
        // Deleting down to nothing, saving, and browsing the empty set.
        for (int i = 0; i < 3; ++i)
            click(editor->cmdDelete);
        QCOMPARE(line(), QStringLiteral("无记录"));
        QCOMPARE(title(), QString());
        click(editor->cmdSave);
        QCOMPARE(lastMessage(), QStringLiteral("保存成功！"));
        QVERIFY(StoredTitles().isEmpty());
        reopen();
        QCOMPARE(line(), QString());
        for (int i = 0; i < 4; ++i) {
            click(editor->cmdMove[size_t(i)]);
            QCOMPARE(line(), QStringLiteral("无记录"));
        }
        click(editor->cmdDelete); // nothing to delete, nothing asked
        QCOMPARE(messages->count(QStringLiteral("将删除标题为的数据，是否继续？")), 0);
    }

    void saveOpensTheFileBeforeAsking_data() {
        QTest::addColumn<QByteArray>("content"); // of msjic; "-" for no file
        QTest::newRow("missing") << QByteArray("-");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("not a database") << QByteArray("a note written with a text editor");
    }
    void saveOpensTheFileBeforeAsking() {
        // No file: an empty window, no message. A save that cannot open the file says so
        // without asking first, and keeps the note.
        QFETCH(QByteArray, content);
        editor.reset();
        QVERIFY(QFile::remove(PersonalDbPath()));
        reopen();
        QVERIFY(messages->shown.isEmpty());
        QCOMPARE(title(), QString());
        QCOMPARE(editor->Text2_2->toPlainText(), QString());
        QCOMPARE(line(), QString());
        click(editor->cmdAdd);
        typeInto(editor->Text2_1, QStringLiteral("新笔记"));
        if (content != "-") {
            QFile file(PersonalDbPath());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        click(editor->cmdSave);
        QCOMPARE(messages->count(QStringLiteral("是否保存？")), 0);
        QCOMPARE(messages->count(QStringLiteral("未保存！")), 0);
        QCOMPARE(lastMessage(), QStringLiteral("操作失败！无法打开资料库文件，修改均未写入！"));
        QVERIFY(editor->records().hasPendingChanges());
        QCOMPARE(QFile::exists(PersonalDbPath()), content != "-");

        // Closing offers to give the note up; No keeps the window.
        messages->answers = {MsgAnswer::Ok, MsgAnswer::No};
        editor->close();
        QCOMPARE(lastMessage(), QStringLiteral("将放弃未保存操作！"));
        QVERIFY(editor->isVisible());
        editor->close(); // Yes
        QVERIFY(!editor->isVisible());
    }

    void saveFindsTheFileChanged() {
        // Another program took away the note being edited: nothing is written, and the
        // message says why.
        click(editor->cmdMove[3]);
        typeInto(editor->Text2_2, QStringLiteral("改过的方歌"));
        click(editor->cmdMove[0]);
        typeInto(editor->Text2_2, QStringLiteral("改过的读书笔记"));
        ExecutePersonal(QStringLiteral("DELETE FROM me1 WHERE 编号=12"));
        click(editor->cmdSave);
        QCOMPARE(
            lastMessage(),
            QStringLiteral("操作失败！资料库中的记录已被改动，本次修改均未写入，请刷新后再修改！"));
        QCOMPARE(StoredTitles(),
                 (QStringList{QStringLiteral("读书笔记"), QStringLiteral("门诊记录")}));
        QStringList bodies;
        ReadRows(PersonalConnectionString(), QStringLiteral("SELECT 文本 FROM me1 WHERE 编号=3"),
                 [&](const SqlStatement& r) { bodies << r.text(0); });
        QCOMPARE(bodies, QStringList{QStringLiteral("四君子汤补气，ababab")});
        QVERIFY(editor->records().hasPendingChanges());
    }

    // Two editors on one file: the second deletes the last note and adds one, which the file
    // gives the freed row id; the first, opened before, then saves its edit of the deleted note.
    void twoEditorsOnOneFile() {
        Form5 other;
        other.show();
        click(other.cmdMove[3]);
        click(other.cmdDelete);
        click(other.cmdAdd);
        typeInto(other.Text2_1, QStringLiteral("另一个窗口的笔记"));
        typeInto(other.Text2_2, QStringLiteral("另一个窗口写的"));
        click(other.cmdSave);
        QCOMPARE(lastMessage(), QStringLiteral("保存成功！"));

        click(editor->cmdMove[3]);
        QCOMPARE(title(), QStringLiteral("方歌"));
        typeInto(editor->Text2_2, QStringLiteral("这个窗口改的"));
        click(editor->cmdSave);
        QCOMPARE(
            lastMessage(),
            QStringLiteral("操作失败！资料库中的记录已被改动，本次修改均未写入，请刷新后再修改！"));
        QCOMPARE(StoredTitles(),
                 (QStringList{QStringLiteral("读书笔记"), QStringLiteral("门诊记录"),
                              QStringLiteral("另一个窗口的笔记")}));
        QStringList bodies;
        ReadRows(PersonalConnectionString(), QStringLiteral("SELECT 文本 FROM me1 WHERE 编号=13"),
                 [&](const SqlStatement& r) { bodies << r.text(0); });
        QCOMPARE(bodies, QStringList{QStringLiteral("另一个窗口写的")});

        // Reloaded, the editor shows the other window's note and saves its edits of it.
        click(editor->cmdRefresh);
        click(editor->cmdMove[3]);
        QCOMPARE(title(), QStringLiteral("另一个窗口的笔记"));
        typeInto(editor->Text2_2, QStringLiteral("这个窗口改的"));
        click(editor->cmdSave);
        QCOMPARE(lastMessage(), QStringLiteral("保存成功！"));
        bodies.clear();
        ReadRows(PersonalConnectionString(), QStringLiteral("SELECT 文本 FROM me1 WHERE 编号=13"),
                 [&](const SqlStatement& r) { bodies << r.text(0); });
        QCOMPARE(bodies, QStringList{QStringLiteral("这个窗口改的")});
    }

    // A notes file the editor cannot change safely (code that runs with its writes, a me1
    // without row ids) is not read: the window says so, stays empty, and nothing in the file
    // changes. A backup of that kind is not restored. A column of me1's own named rowid is a
    // column like any other.
    void oddNotesFiles() {
        const QString unusable = QStringLiteral("资料库文件不是本程序可以编辑的资料库，未读入！");
        const QString wipe =
            QStringLiteral("CREATE TRIGGER wipe AFTER UPDATE ON me1 BEGIN DELETE FROM me1; END");
        click(editor->Command2);
        QCOMPARE(lastMessage(), QStringLiteral("备份成功！"));
        for (const QString& sql :
             {wipe, QStringLiteral("ALTER TABLE me1 RENAME TO kept; CREATE VIEW me1 AS SELECT * "
                                   "FROM kept")}) {
            QFile::remove(editor->backupPath);
            click(editor->Command2);
            SqlConnection backup;
            backup.open(editor->backupPath, QString());
            backup.exec(sql);
            backup.close();
            click(editor->Command3);
            QCOMPARE(lastMessage(), QStringLiteral("备份文件不是有效的资料库，未恢复！"));
            QCOMPARE(StoredTitles().size(), 3);
        }

        const QString columns =
            QStringLiteral("编号 INTEGER, 标题 TEXT, 文本 TEXT, 相符个数 INTEGER");
        const QString copy = QStringLiteral("INSERT INTO me1 (编号, 标题, 文本, 相符个数) SELECT "
                                            "编号, 标题, 文本, 相符个数 FROM old; DROP TABLE old");
        for (const QString& sql :
             {wipe, QStringLiteral("ALTER TABLE me1 RENAME TO old; CREATE TABLE me1 (%1, PRIMARY "
                                   "KEY (编号)) WITHOUT ROWID; %2")
                        .arg(columns, copy)}) {
            editor.reset();
            folder = std::make_unique<TempProgramFolder>(KnowledgeSources{}, Notes());
            ExecutePersonal(sql);
            messages->shown.clear();
            reopen();
            QCOMPARE(lastMessage(), unusable);
            QCOMPARE(title(), QString());
            QCOMPARE(line(), QString());
            click(editor->cmdMove[3]);
            QCOMPARE(line(), QStringLiteral("无记录"));
            click(editor->cmdAdd);
            typeInto(editor->Text2_1, QStringLiteral("新笔记"));
            click(editor->cmdSave);
            QCOMPARE(lastMessage(), QStringLiteral("操作失败！无法打开资料库文件，修改均未写入！"));
            click(editor->cmdRefresh);
            QCOMPARE(lastMessage(), unusable);
            QCOMPARE(StoredTitles(),
                     (QStringList{QStringLiteral("读书笔记"), QStringLiteral("门诊记录"),
                                  QStringLiteral("方歌")}));
            messages->answers = {MsgAnswer::Ok, MsgAnswer::Yes};
            editor->close();
        }

        editor.reset();
        folder = std::make_unique<TempProgramFolder>(KnowledgeSources{}, Notes());
        ExecutePersonal(QStringLiteral("ALTER TABLE me1 RENAME TO old; CREATE TABLE me1 (%1, "
                                       "rowid TEXT); %2")
                            .arg(columns, copy));
        messages->shown.clear();
        reopen();
        QVERIFY(messages->shown.isEmpty());
        QCOMPARE(line(), QStringLiteral("3，1/3"));
        click(editor->cmdMove[3]);
        typeInto(editor->Text2_2, QStringLiteral("改过的方歌"));
        click(editor->cmdMove[0]);
        click(editor->cmdDelete);
        click(editor->cmdSave);
        QCOMPARE(lastMessage(), QStringLiteral("保存成功！"));
        QCOMPARE(StoredTitles(), (QStringList{QStringLiteral("门诊记录"), QStringLiteral("方歌")}));
        QStringList bodies;
        ReadRows(PersonalConnectionString(), QStringLiteral("SELECT 文本 FROM me1 WHERE 编号=12"),
                 [&](const SqlStatement& r) { bodies << r.text(0); });
        QCOMPARE(bodies, QStringList{QStringLiteral("改过的方歌")});
    }

    void filters() {
        editor->Text2_0->setText(QStringLiteral("记"));
        click(editor->cmdSearch);
        QCOMPARE(editor->records().count(), 2);
        QCOMPARE(line(), QStringLiteral("3，1/2"));
        click(editor->cmdMove[3]);
        QCOMPARE(title(), QStringLiteral("门诊记录"));

        editor->Text2_0->setText(QStringLiteral("补气"));
        click(editor->Command1); // by body
        QCOMPARE(editor->records().count(), 2);
        QCOMPARE(line(), QStringLiteral("3，1/2"));
        click(editor->cmdMove[2]);
        QCOMPARE(line(), QStringLiteral("12，2/2"));

        // The whole text is one pattern.
        editor->Text2_0->setText(QStringLiteral("补气 四君"));
        click(editor->Command1);
        QCOMPARE(lastMessage(), QStringLiteral("没有查到相应的纪录！"));
        QCOMPARE(line(), QString());

        // Nothing to edit: typing into the boxes is refused with a message.
        QVERIFY(!editor->records().current());
        typeInto(editor->Text2_2, QStringLiteral("x"));
        QCOMPARE(lastMessage(), QStringLiteral("没有可以编辑的记录，请先点击“添加”！"));
        QCOMPARE(editor->Text2_2->toPlainText(), QString());
        QVERIFY(!editor->records().hasPendingChanges());

        // A text with a quote cannot be taken: the filter set before stays, and so does the
        // record being edited, which still takes what is typed.
        editor->Text2_0->setText(QStringLiteral("记"));
        click(editor->cmdSearch);
        click(editor->cmdMove[3]);
        editor->Text2_0->setText(QStringLiteral("it's"));
        click(editor->cmdSearch);
        QCOMPARE(messages->count(QStringLiteral("没有查到相应的纪录！")), 2);
        QCOMPARE(editor->records().count(), 2);
        QCOMPARE(line(), QStringLiteral("7，2/2"));
        QCOMPARE(title(), QStringLiteral("门诊记录"));
        const qsizetype shown = messages->shown.size();
        typeInto(editor->Text2_2, QStringLiteral("改"));
        QCOMPARE(messages->shown.size(), shown);
        QCOMPARE(editor->records().current()->body, QStringLiteral("改"));

        editor->Text2_0->clear();
        click(editor->cmdSearch);
        QCOMPARE(editor->records().count(), 3);
        QCOMPARE(line(), QStringLiteral("3，1/3"));
    }

    void findInBody() {
        // The find box loses its prompt to a click or the mouse, never what was typed.
        QTest::mouseMove(editor->Text1);
        QMouseEvent move(QEvent::MouseMove, QPointF(5, 5),
                         editor->Text1->mapToGlobal(QPointF(5, 5)), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(editor->Text1, &move);
        QCOMPARE(editor->Text1->text(), QString());
        editor->Text1->setText(QStringLiteral("ab"));
        QApplication::sendEvent(editor->Text1, &move);
        QTest::mouseClick(editor->Text1, Qt::LeftButton);
        QCOMPARE(editor->Text1->text(), QStringLiteral("ab"));

        // Body "四君子汤补气，ababab": ab at positions 8, 10, 12 (1-based).
        QList<int> starts;
        for (int i = 0; i < 6; ++i) {
            click(editor->Command7);
            starts << int(editor->Text2_2->textCursor().selectionStart()) + 1;
            QCOMPARE(editor->Text2_2->textCursor().selectedText().size(), 2);
        }
        // First click: arms only; then 8, 10, 12; then nothing found (selection stays); then 8.
        QCOMPARE(starts, (QList<int>{1, 8, 10, 12, 12, 8}));
    }

    void backupAndRestore() {
        click(editor->Command3);
        QCOMPARE(lastMessage(), QStringLiteral("没有找到备份文件！"));
        click(editor->Command2);
        QCOMPARE(lastMessage(), QStringLiteral("备份成功！"));
        click(editor->cmdDelete);
        click(editor->cmdSave);
        QCOMPARE(StoredTitles().size(), 2);

        // The editor shows the restored notes at once, so that what it saves next is made on
        // them: deleting the last one deletes that one and no other.
        click(editor->Command3);
        QCOMPARE(lastMessage(), QStringLiteral("恢复成功！"));
        QCOMPARE(StoredTitles().size(), 3);
        QCOMPARE(editor->records().count(), 3);
        QCOMPARE(line(), QStringLiteral("1/3"));
        QCOMPARE(title(), QStringLiteral("读书笔记"));
        QVERIFY(QDir(folder->path()).entryList({QStringLiteral("*.partial")}).isEmpty());
        QVERIFY(QFile::exists(PersonalDbPath() + QStringLiteral(".bak")));
        click(editor->cmdMove[3]);
        click(editor->cmdDelete);
        click(editor->cmdSave);
        QCOMPARE(StoredTitles(),
                 (QStringList{QStringLiteral("读书笔记"), QStringLiteral("门诊记录")}));

        // Unsaved changes are given up only when the user agrees.
        typeInto(editor->Text2_2, QStringLiteral("未保存的字"));
        messages->answers = {MsgAnswer::No};
        click(editor->Command3);
        QCOMPARE(lastMessage(), QStringLiteral("将放弃未保存操作！"));
        QCOMPARE(StoredTitles().size(), 2);
        QCOMPARE(editor->Text2_2->toPlainText(), QStringLiteral("未保存的字"));
        QVERIFY(editor->records().hasPendingChanges());
        click(editor->Command3); // Yes
        QCOMPARE(lastMessage(), QStringLiteral("恢复成功！"));
        QCOMPARE(StoredTitles().size(), 3);
        QVERIFY(!editor->records().hasPendingChanges());
        QCOMPARE(editor->Text2_2->toPlainText(), QStringLiteral("四君子汤补气，ababab"));

        // A backup that is not a notes database replaces nothing.
        for (const QByteArray& content : {QByteArray(), QByteArray("SQLite format 3")}) {
            QFile backup(editor->backupPath);
            QVERIFY(backup.open(QIODevice::WriteOnly | QIODevice::Truncate));
            backup.write(content);
            backup.close();
            click(editor->Command3);
            QCOMPARE(lastMessage(), QStringLiteral("备份文件不是有效的资料库，未恢复！"));
            QCOMPARE(StoredTitles().size(), 3);
            QCOMPARE(editor->records().count(), 3);
        }

        // A backup that cannot be written says so.
        editor->backupPath = folder->path() + QStringLiteral("/no/such/folder/msjicbak");
        click(editor->Command2);
        QCOMPARE(lastMessage(), QStringLiteral("备份失败！"));
        QCOMPARE(messages->shown.last().title, QStringLiteral("Meridane"));
    }

    void closingWithPendingChanges() {
        click(editor->cmdDelete);
        messages->answers = {MsgAnswer::No};
        click(editor->cmdExit);
        QCOMPARE(lastMessage(), QStringLiteral("是否保存？"));
        QVERIFY(!editor->isVisible());
        QCOMPARE(StoredTitles().size(), 3);

        reopen();
        click(editor->cmdDelete);
        const qsizetype before = messages->shown.size();
        editor->close(); // Yes
        QCOMPARE(messages->shown.at(before).prompt, QStringLiteral("是否保存？"));
        QCOMPARE(lastMessage(), QStringLiteral("保存成功！"));
        QCOMPARE(StoredTitles().size(), 2);

        // Nothing pending: no question.
        reopen();
        const qsizetype quiet = messages->shown.size();
        editor->close();
        QCOMPARE(messages->shown.size(), quiet);
    }

    void resizeScales() {
        // The controls stay visible through every resize, the first one before showing too.
        for (QWidget* w : editor->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            QVERIFY2(w->isVisible(), qPrintable(w->objectName()));
        const QRect body = editor->Text2_2->geometry();
        QCOMPARE(body, QRect(8, 72, 449, 377)); // 5652 twips, to the nearest pixel
        const qreal points = editor->Text2_2->font().pointSizeF();
        editor->resize(editor->width() * 2, editor->height() * 3);
        QCOMPARE(editor->Text2_2->geometry(), QRect(16, 216, 898, 1130));
        QCOMPARE(editor->Text2_2->font().pointSizeF(), points * 2); // the smaller factor
        QCOMPARE(editor->cmdExit->geometry().x(), 720);
        editor->resize(465, 527);
        QCOMPARE(editor->Text2_2->geometry(), body);
        QCOMPARE(editor->Text2_2->font().pointSizeF(), points);
    }
};

QTEST_MAIN(EditorTest)
#include "tst_editor.moc"
