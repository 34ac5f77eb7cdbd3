// Keeping what was read: favourites in a file of their own that outlive the window and the
// process, a favourite whose record is gone, and the export of a record or of the whole result
// list as text, HTML and PDF — written whole or not at all, also when the user cancels.
#include "builddb/source_records.h"
#include "main_window_fixture.h"
#include "search/keyword_search.h"
#include "search/memory/engine.h"
#include "search/program_folder.h"
#include "services/favourites.h"
#include "services/record_export.h"
#include "shell/keeping.h"
#include "shell/main_window.h"
#include "shell/printing.h"
#include "shell/record_pane.h"
#include "shell_test_support.h"
#include "test_support.h"

#include <QBuffer>
#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTreeWidget>
#include <QtTest>

using namespace meridane;
using namespace meridane::test;

namespace {

KnowledgeSources Sources() {
    KnowledgeSources s;
    s.An1 = {Rec(1, QStringLiteral("四君子汤"), QStringLiteral("组成：人参、白术、茯苓、甘草。"))};
    s.yao = {Rec(1, QStringLiteral("人参"), QStringLiteral("甘、微苦，微温。大补元气。")),
             Rec(2, QStringLiteral("黄连"), QStringLiteral("苦，寒。<清热>燥湿 & 泻火。"))};
    s.bing = {Rec(1, QStringLiteral("感冒"), QStringLiteral("恶寒发热，头痛。")),
              Rec(2, QStringLiteral("虚劳"), QStringLiteral("宜人參、黃連；发热者慎用。")),
              Rec(3, QStringLiteral("消渴"), QStringLiteral("口渴多饮，发热，发热。"))};
    s.yishu1 = {Rec(1, QStringLiteral("医案"), QStringLiteral("医案"))};
    return s;
}

// The sources with count pathology records of their own, each a body of padding characters
// after its number, all of them found by 发热.
KnowledgeSources ManyRecords(int count, int padding) {
    KnowledgeSources many = Sources();
    many.bing.clear();
    for (int i = 1; i <= count; ++i)
        many.bing.push_back(Rec(i, QStringLiteral("病%1").arg(i),
                                QStringLiteral("第%1条，发热。").arg(i) + QString(padding, u'文')));
    return many;
}

QString PdfText(const QString& path) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"),
            {QStringLiteral("-enc"), QStringLiteral("UTF-8"), path, QStringLiteral("-")});
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The file a test's save dialog "chooses".
class ChosenFile : public ExportDialogService {
public:
    ChosenFile() { SetExportDialogService(this); }
    ~ChosenFile() override { SetExportDialogService(nullptr); }
    QString AskSaveFile(QWidget*, const QString& caption, const QString& suggested) override {
        asked << caption;
        offered << suggested;
        return path;
    }
    QString path;
    QStringList asked, offered;
};

// Text written at the pace of a slow disk, a record a millisecond: an export that lasts long
// enough to be cancelled.
class SlowTextWriter : public RecordWriter {
public:
    explicit SlowTextWriter(QIODevice& out) : text_(MakeTextWriter(out)) {}
    void add(const ExportedRecord& record) override {
        QThread::msleep(1);
        text_->add(record);
    }
    bool finish() override { return text_->finish(); }

private:
    std::unique_ptr<RecordWriter> text_;
};

// The files in dir other than the program folder's own.
QStringList Leftovers(const QString& dir, const QString& except) {
    QStringList names = QDir(dir).entryList(QDir::Files | QDir::Hidden);
    names.removeAll(except);
    return names;
}

} // namespace

class KeepTest : public QObject, private MainWindowFixture {
    Q_OBJECT

    QStringList favouritesShown() const {
        QStringList out;
        QTreeWidget* list = window->favouritesDialog()->list();
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            out << list->topLevelItem(i)->text(0) + u'/' + list->topLevelItem(i)->text(1);
        return out;
    }

private slots:
    void init() {
        folder = std::make_unique<TempProgramFolder>(Sources());
        messages = std::make_unique<ScriptedMessages>();
        shell = std::make_unique<RecordingShell>();
    }
    void cleanup() {
        window.reset();
        shell.reset();
        messages.reset();
        folder.reset();
    }

    // The store alone: newest first, kept once, in a file that a second store (as a second
    // process would) reads as the first left it; a missing file is no favourites and is not
    // made by reading.
    void storeKeepsFavouritesInItsFile() {
        const QString path = folder->path() + QStringLiteral("/user/favourites.db");
        FavouriteStore store(path);
        QVERIFY(store.list().empty());
        QVERIFY(!QFileInfo::exists(path));
        QVERIFY(!store.remove({Category::Herbs, QStringLiteral("人参")}));

        store.add({Category::Herbs, QStringLiteral("人参")});
        store.add({Category::Formulas, QStringLiteral("四君子汤")});
        store.add({Category::MyLibrary, QStringLiteral("笔记")});
        store.add({Category::Herbs, QStringLiteral("人参")}); // again: to the front, once
        const std::vector<Favourite> expected = {{Category::Herbs, QStringLiteral("人参")},
                                                 {Category::MyLibrary, QStringLiteral("笔记")},
                                                 {Category::Formulas, QStringLiteral("四君子汤")}};
        QCOMPARE(store.list(), expected);

        FavouriteStore again(path);
        QCOMPARE(again.list(), expected);
        QVERIFY(again.remove({Category::MyLibrary, QStringLiteral("笔记")}));
        QCOMPARE(store.list().size(), size_t(2));
        // Nothing of a change is left beside the file: each one was committed whole.
        QCOMPARE(Leftovers(QFileInfo(path).absolutePath(), QStringLiteral("favourites.db")),
                 QStringList());

        // A file that is no database is an error, never favourites made up.
        QFile bad(folder->path() + QStringLiteral("/bad.db"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write(QByteArray(4096, 'x'));
        bad.close();
        QVERIFY_THROWS_EXCEPTION(DbError, FavouriteStore(bad.fileName()).list());
    }

    // Ctrl+D on a record shown, a restart, and the 收藏 window opening it with a click; a
    // favourite whose record is gone says so, and goes when the user agrees.
    void favouriteSurvivesARestartAndOpensWithAClick() {
        openWindow();
        search(QStringLiteral("大补"), window->Option2);
        clickTitle(QStringLiteral("人参"));
        QTest::keyClick(window->RichTextBox1, Qt::Key_D, Qt::ControlModifier);
        search(QStringLiteral("发热"), window->Option3);
        clickTitle(QStringLiteral("虚劳"));
        // From the record pane's context menu.
        std::unique_ptr<QMenu> menu(window->RichTextBox1->createContextMenu({5, 5}));
        QVERIFY(menu->actions().contains(window->addFavouriteAction));
        menu.reset();
        window->addFavouriteAction->trigger();
        QCOMPARE(FavouriteStore(FavouritesFile()).list().size(), size_t(2));

        window.reset();
        openWindow();
        QCOMPARE(window->RichTextBox1->toPlainText().contains(QStringLiteral("大补")), false);
        QTest::keyClick(window->Text1[0], Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(window->favouritesDialog());
        QTRY_VERIFY(window->favouritesDialog()->isVisible());
        QCOMPARE(favouritesShown(),
                 (QStringList{QStringLiteral("病理/虚劳"), QStringLiteral("中药/人参")}));
        QTreeWidget* list = window->favouritesDialog()->list();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->topLevelItem(1)).center());
        QCOMPARE(window->RichTextBox1->toPlainText(), QStringLiteral("甘、微苦，微温。大补元气。"));
        QVERIFY(window->Option2->isChecked());
        QCOMPARE(window->Label2->text(), QStringLiteral("页码： 1    相符个数： 0"));

        // A record that is gone (renamed by an update): said, kept when the user says no,
        // removed when yes.
        FavouriteStore(FavouritesFile()).add({Category::Herbs, QStringLiteral("人蔘")});
        window->favouritesDialog()->refresh();
        const QString before = window->RichTextBox1->toPlainText();
        messages->answers = {MsgAnswer::No, MsgAnswer::Yes};
        for (int round = 0; round < 2; ++round) {
            // (A second click sooner would be the second half of a double click.)
            QTest::qWait(QApplication::doubleClickInterval() + 50);
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(list->topLevelItem(0)).center());
            QCOMPARE(messages->shown.size(), round + 1);
            QCOMPARE(messages->shown.last().prompt,
                     kFavouriteGone.arg(QStringLiteral("人蔘"), QStringLiteral("中药")));
            QCOMPARE(messages->shown.last().flags, MsgFlags::YesNo);
            QCOMPARE(window->RichTextBox1->toPlainText(), before);
        }
        QCOMPARE(favouritesShown(),
                 (QStringList{QStringLiteral("病理/虚劳"), QStringLiteral("中药/人参")}));

        // "删除" removes the chosen ones.
        list->topLevelItem(0)->setSelected(true);
        QTest::mouseClick(window->favouritesDialog()->removeButton(), Qt::LeftButton);
        QCOMPARE(favouritesShown(), QStringList{QStringLiteral("中药/人参")});
        QCOMPARE(FavouriteStore(FavouritesFile()).list().size(), size_t(1));

        // Enter on the current one opens it too.
        search(QStringLiteral("发热"), window->Option3);
        clickTitle(QStringLiteral("感冒"));
        list->setCurrentItem(list->topLevelItem(0));
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(window->RichTextBox1->toPlainText(), QStringLiteral("甘、微苦，微温。大补元气。"));
    }

    // A favourites file that cannot be written: 加入收藏 says so and names it, and what it held
    // is still listed.
    void favouritesFileThatCannotBeWritten() {
        FavouriteStore(FavouritesFile()).add({Category::Herbs, QStringLiteral("黄连")});
        UnwritableFile locked(FavouritesFile());
        if (!locked.unwritable())
            QSKIP("the file system cannot make a file unwritable here");
        openWindow();
        search(QStringLiteral("大补"), window->Option2);
        clickTitle(QStringLiteral("人参"));
        window->addFavouriteAction->trigger();
        QCOMPARE(messages->shown.size(), 1);
        QCOMPARE(messages->shown.first().prompt,
                 kFavouritesUnreadable + QDir::toNativeSeparators(FavouritesFile()));
        window->showFavouritesAction->trigger();
        QCOMPARE(favouritesShown(), QStringList{QStringLiteral("中药/黄连")});
    }

    // A title whose record is not there (the file changed under the list) leaves the pane as
    // it was; the pane's text is then not that title's, so neither is kept under it.
    void titleWithoutRecordIsNotKept() {
        openWindow();
        search(QStringLiteral("大补"), window->Option2);
        clickTitle(QStringLiteral("人参"));
        const QString shown = window->RichTextBox1->toPlainText();
        window->List1Click(QStringLiteral("不在表中"));
        QCOMPARE(window->RichTextBox1->toPlainText(), shown);
        const int beeps = shell->beeps;
        window->addFavouriteAction->trigger();
        window->exportRecordAction->trigger();
        QCOMPARE(shell->beeps, beeps + 2);
        QVERIFY(FavouriteStore(FavouritesFile()).list().empty());
    }

    // An online update replaces the knowledge database: a favourite whose record it keeps shows
    // the record as the update has it, one whose record it drops is reported.
    void favouriteOutlivesAnUpdateThatKeepsItsRecord() {
        FavouriteStore(FavouritesFile()).add({Category::Herbs, QStringLiteral("黄连")});
        FavouriteStore(FavouritesFile()).add({Category::Herbs, QStringLiteral("人参")});
        openWindow();
        KnowledgeSources updated = Sources();
        updated.yao = {Rec(7, QStringLiteral("人参"), QStringLiteral("甘、微苦，平。大补元气。"))};
        AnnounceFileChange();
        WriteKnowledgeDb(updated, folder->path() + QStringLiteral("/sound/bk6.mp3"),
                         QStringLiteral("2008-06-01"));
        QVERIFY(MakeWorkingCopy());
        window->showFavouritesAction->trigger();
        QTreeWidget* list = window->favouritesDialog()->list();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->topLevelItem(0)).center());
        QCOMPARE(window->RichTextBox1->toPlainText(), QStringLiteral("甘、微苦，平。大补元气。"));
        QCOMPARE(window->Label2->text(), QStringLiteral("页码： 7    相符个数： 0"));
        messages->answers = {MsgAnswer::Yes};
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->topLevelItem(1)).center());
        QCOMPARE(messages->shown.size(), 1);
        QCOMPARE(messages->shown.first().prompt,
                 kFavouriteGone.arg(QStringLiteral("黄连"), QStringLiteral("中药")));
        QCOMPARE(favouritesShown(), QStringList{QStringLiteral("中药/人参")});
    }

    // A list of records written as text, HTML and PDF: each with its title, header and body,
    // in list order, the keywords (and with 繁简通查 their variants) marked as the pane marks
    // them.
    void listExportWritesEveryFormat() {
        SearchFields fields;
        fields.selected = Category::Pathology;
        fields.keywordBox = QStringLiteral("发热,人参");
        fields.variants = true;
        KeywordSearch(fields, &engine).NewSearch();
        engine.finishPendingWrites();
        QCOMPARE(fields.resultList, (QStringList{QStringLiteral("虚劳"), QStringLiteral("感冒"),
                                                 QStringLiteral("消渴")}));
        const KnowledgeCategory& category = *CategoryFor(Category::Pathology);
        const WriterFactory writers = ExportWriters(QFont(QStringLiteral("Noto Serif CJK SC"), 9));

        const QString txt = folder->path() + QStringLiteral("/list.txt");
        ListReader textReader(category, fields.keywordBox, fields.variants);
        QVERIFY(ExportList(textReader, txt, writers));
        QCOMPARE(textReader.done(), 3);
        const QString text = QString::fromUtf8(ReadAll(txt));
        const QString rule = QString(40, QChar(0x2500));
        QCOMPARE(
            text,
            QStringLiteral("虚劳\n页码： 2    相符个数： 2\n\n宜人參、黃連；发热者慎用。\n\n") +
                rule +
                QStringLiteral("\n\n感冒\n页码： 1    相符个数： 1\n\n恶寒发热，头痛。\n\n") +
                rule +
                QStringLiteral("\n\n消渴\n页码： 3    相符个数： 1\n\n口渴多饮，发热，发热。\n\n"));

        const QString html = folder->path() + QStringLiteral("/list.html");
        ListReader htmlReader(category, fields.keywordBox, fields.variants);
        QVERIFY(ExportList(htmlReader, html, writers));
        const QString page = QString::fromUtf8(ReadAll(html));
        QVERIFY(page.startsWith(QStringLiteral("<!DOCTYPE html>")));
        QVERIFY(page.contains(QStringLiteral("<meta charset=\"utf-8\">")));
        QVERIFY(page.contains(QStringLiteral(".kw { color: #ff0000; }")));
        QVERIFY(page.contains(QStringLiteral(
            "<h2>虚劳</h2>\n<p class=\"header\">页码： 2    相符个数： 2</p>\n<div class=\"body\">"
            "宜<span class=\"kw\">人參</span>、黃連；<span "
            "class=\"kw\">发热</span>者慎用。</div>")));
        QVERIFY(page.contains(QStringLiteral("口渴多饮，<span class=\"kw\">发热</span>，<span "
                                             "class=\"kw\">发热</span>。")));
        QVERIFY(page.indexOf(QStringLiteral("<h2>虚劳")) <
                page.indexOf(QStringLiteral("<h2>感冒")));
        QVERIFY(page.indexOf(QStringLiteral("<h2>感冒")) <
                page.indexOf(QStringLiteral("<h2>消渴")));
        QVERIFY(page.trimmed().endsWith(QStringLiteral("</html>")));

        // Markup in a record is text, never markup.
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        {
            std::unique_ptr<RecordWriter> w = MakeHtmlWriter(buffer, QStringLiteral("a<b"));
            w->add({QStringLiteral("黄连 <i>"),
                    QStringLiteral("h&"),
                    QStringLiteral("苦，寒。<清热>燥湿 & 泻火。"),
                    {{4, 4}}});
            QVERIFY(w->finish());
        }
        const QString escaped = QString::fromUtf8(buffer.data());
        QVERIFY(escaped.contains(QStringLiteral("<title>a&lt;b</title>")));
        QVERIFY(escaped.contains(QStringLiteral("<h2>黄连 &lt;i&gt;</h2>")));
        QVERIFY(escaped.contains(
            QStringLiteral("苦，寒。<span class=\"kw\">&lt;清热&gt;</span>燥湿 &amp; 泻火。")));

        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext is not installed: the PDF's text layer is not read back");
        const QString pdf = folder->path() + QStringLiteral("/list.pdf");
        ListReader pdfReader(category, fields.keywordBox, fields.variants);
        QVERIFY(ExportList(pdfReader, pdf, writers));
        QVERIFY(ReadAll(pdf).startsWith("%PDF-"));
        const QString layer = PdfText(pdf);
        for (const QString& part :
             {QStringLiteral("虚劳"), QStringLiteral("页码： 2"),
              QStringLiteral("宜人參、黃連；发热者慎用。"),
              QStringLiteral("口渴多饮，发热，发热。"), QStringLiteral("恶寒发热，头痛。")})
            QVERIFY2(layer.contains(part), qPrintable(part + QStringLiteral(" not in: ") + layer));
        QVERIFY(layer.indexOf(QStringLiteral("虚劳")) < layer.indexOf(QStringLiteral("感冒")));
    }

    // A list that cannot be read is an error, at the first step; a reader given up while it
    // reads ends at once, and the next one reads the whole list.
    void listReaderFailsAndEnds() {
        QBuffer sink;
        sink.open(QIODevice::WriteOnly);
        std::unique_ptr<RecordWriter> writer = MakeTextWriter(sink);
        // 中药 was never searched: it has no result table.
        ListReader never(*CategoryFor(Category::Herbs), QStringLiteral("人参"), false);
        QVERIFY_THROWS_EXCEPTION(DbError, {
            while (!never.step(*writer, std::chrono::milliseconds(100))) {
            }
        });

        KnowledgeSources many = Sources();
        for (int i = 1; i <= 5000; ++i)
            many.bing.push_back(Rec(100 + i, QStringLiteral("病%1").arg(i),
                                    QStringLiteral("发热") + QString(300, u'文')));
        folder = std::make_unique<TempProgramFolder>(many);
        SearchFields fields;
        fields.selected = Category::Pathology;
        fields.keywordBox = QStringLiteral("发热");
        KeywordSearch(fields, &engine).NewSearch();
        engine.finishPendingWrites();
        for (int round = 0; round < 5; ++round) {
            ListReader early(*CategoryFor(Category::Pathology), fields.keywordBox, false);
            early.step(*writer, std::chrono::milliseconds(round));
        }
        ListReader whole(*CategoryFor(Category::Pathology), fields.keywordBox, false);
        while (!whole.step(*writer, std::chrono::milliseconds(5))) {
        }
        QCOMPARE(whole.done(), fields.resultList.size());
        QCOMPARE(whole.done(), 5003);
    }

    // The window's list export: a cancel leaves no file (and an older one as it was), nothing
    // of the temporary file either; then the whole list is written, the folder remembered.
    void cancelledListExportLeavesNoFile() {
        folder = std::make_unique<TempProgramFolder>(ManyRecords(3000, 200));
        const QString out = folder->path() + QStringLiteral("/out");
        QVERIFY(QDir().mkpath(out));
        const QString path = out + QStringLiteral("/发热.txt");
        ChosenFile chosen;
        chosen.path = path;
        openWindow();
        search(QStringLiteral("发热"), window->Option3);
        QCOMPARE(window->List1->count(), 3000);

        // The cancel button of the progress dialog, pressed once part is written; the window
        // answers meanwhile.
        bool sawProgress = false;
        const auto export_ = [&](bool cancel) {
            const KnowledgeCategory& category = *CategoryFor(Category::Pathology);
            ListReader reader(category, QStringLiteral("发热"), false);
            sawProgress = false;
            QTimer press;
            QObject::connect(&press, &QTimer::timeout, [&] {
                auto* progress =
                    window->findChild<QProgressDialog*>(QStringLiteral("exportProgress"));
                if (!progress || progress->value() < 100)
                    return;
                sawProgress = true;
                QVERIFY(progress->isVisible());
                QCOMPARE(progress->windowModality(), Qt::WindowModal);
                if (cancel)
                    QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
            });
            press.start(1);
            const ExportOutcome outcome = ExportListWithProgress(
                reader, path,
                [](ExportFormat, QIODevice& out) { return std::make_unique<SlowTextWriter>(out); },
                3000, window.get(), 5);
            press.stop();
            return outcome;
        };
        QCOMPARE(export_(true), ExportOutcome::Cancelled);
        QVERIFY(sawProgress);
        QVERIFY(!QFileInfo::exists(path));
        QCOMPARE(Leftovers(out, QString()), QStringList());

        QFile older(path);
        QVERIFY(older.open(QIODevice::WriteOnly));
        older.write("an older export\n");
        older.close();
        QCOMPARE(export_(true), ExportOutcome::Cancelled);
        QVERIFY(sawProgress);
        QCOMPARE(ReadAll(path), QByteArray("an older export\n"));
        QCOMPARE(Leftovers(out, QStringLiteral("发热.txt")), QStringList());

        // Ctrl+Shift+S in the window: the whole list, in list order.
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QTest::keyClick(window->List1, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(chosen.asked, QStringList{kExportListAction});
        const QString text = QString::fromUtf8(ReadAll(path));
        QCOMPARE(text.count(QStringLiteral("页码： ")), 3000);
        QVERIFY(text.startsWith(QStringLiteral("病1\n页码： 1    相符个数： 1\n\n第1条，发热。")));
        QVERIFY(text.indexOf(QStringLiteral("\n病2999\n")) <
                text.indexOf(QStringLiteral("\n病3000\n")));
        QCOMPARE(Leftovers(out, QStringLiteral("发热.txt")), QStringList());
        QCOMPARE(messages->shown.size(), 0);

        // The next dialog starts in the folder of the last export.
        clickTitle(QStringLiteral("病7"));
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        chosen.path = out + QStringLiteral("/病7.html");
        QTest::keyClick(window->RichTextBox1, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(chosen.offered.last(), out + QStringLiteral("/病7.txt"));
        QVERIFY(QString::fromUtf8(ReadAll(chosen.path))
                    .contains(QStringLiteral("第7条，<span class=\"kw\">发热</span>。")));

        // An export into a folder that is not there fails with a message and is not the folder
        // the next dialog starts in.
        chosen.path = folder->path() + QStringLiteral("/gone/病7.txt");
        QTest::keyClick(window->RichTextBox1, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(messages->shown.size(), 1);
        QVERIFY(!QFileInfo::exists(chosen.path));
        QTest::keyClick(window->RichTextBox1, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(chosen.offered.last(), out + QStringLiteral("/病7.txt"));
    }

    // As the program runs: the writes behind the lists wait for a reader. The list export reads
    // the result table after them (on its reading thread), and a favourite opened meanwhile
    // shows the count the last search left, from memory, without writing anything.
    void keepingWhileWritesAreDeferred() {
        KnowledgeSources many = Sources();
        many.bing.clear();
        for (int i = 1; i <= 300; ++i)
            many.bing.push_back(Rec(i, QStringLiteral("病%1").arg(i),
                                    i % 3 ? QStringLiteral("第%1条，发热恶寒。").arg(i)
                                          : QStringLiteral("第%1条，无汗。").arg(i)));
        folder = std::make_unique<TempProgramFolder>(many);
        engine.deferPendingWrites(true);
        const auto undefer = qScopeGuard([this] { engine.deferPendingWrites(false); });
        ChosenFile chosen;
        chosen.path = folder->path() + QStringLiteral("/list.txt");
        openWindow();
        search(QStringLiteral("发热,恶寒"), window->Option3);
        QCOMPARE(window->List1->count(), 200);

        // A favourite from the list, opened while the writes are pending: the count of the
        // search, read from memory.
        QVERIFY(window->openFavourite(Favourite{Category::Pathology, QStringLiteral("病4")}));
        QVERIFY(window->RichTextBox1->toPlainText().contains(QStringLiteral("第4条")));
        QCOMPARE(window->Label2->text(), QStringLiteral("页码： 4    相符个数： 2"));
        QVERIFY(engine.pendingWrites().busy());

        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QTest::keyClick(window->List1, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
        const QString text = QString::fromUtf8(ReadAll(chosen.path));
        QCOMPARE(text.count(QStringLiteral("页码： ")), 200);
        QCOMPARE(text.count(QStringLiteral("相符个数： 2")), 200);
        QCOMPARE(messages->shown.size(), 0);
    }

    // The window closed while its list export runs (a quit, or the update's restart): the
    // export is cancelled, the window closes once it has returned, and no partial file is
    // left.
    void closeDuringListExport() {
        folder = std::make_unique<TempProgramFolder>(ManyRecords(20000, 300));
        ChosenFile chosen;
        chosen.path = folder->path() + QStringLiteral("/list.html");
        openWindow();
        search(QStringLiteral("发热"), window->Option3);
        QCOMPARE(window->List1->count(), 20000);

        bool closedDuring = false;
        QTimer close;
        QObject::connect(&close, &QTimer::timeout, [&] {
            if (closedDuring ||
                !window->findChild<QProgressDialog*>(QStringLiteral("exportProgress")))
                return;
            closedDuring = true;
            window->close();
            QVERIFY(window->isVisible()); // not before the export has returned
        });
        close.start(1);
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QTest::keyClick(window->List1, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
        close.stop();
        QVERIFY(closedDuring);
        QTRY_VERIFY(!window->isVisible());
        QCOMPARE(messages->shown.size(), 0);
        // Cancelled, or (when it had just ended) whole: never a part.
        if (QFileInfo::exists(chosen.path))
            QCOMPARE(QString::fromUtf8(ReadAll(chosen.path)).count(QStringLiteral("<h2>")), 20000);
        QCOMPARE(
            Leftovers(folder->path(), QStringLiteral("list.html")).filter(QStringLiteral("list")),
            QStringList());
    }

    // The record shown, saved whole, as PDF through the print path: the text layer holds its
    // title, header and text.
    void recordExportAsPdf() {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext is not installed");
        ChosenFile chosen;
        chosen.path = folder->path() + QStringLiteral("/四君子汤.pdf");
        openWindow();
        // Nothing shown yet: nothing to save, a beep.
        window->exportRecordAction->trigger();
        QCOMPARE(shell->beeps, 1);
        QVERIFY(chosen.asked.isEmpty());
        search(QStringLiteral("人参"), window->Option1);
        clickTitle(QStringLiteral("四君子汤"));
        window->exportRecordAction->trigger();
        const QString layer = PdfText(chosen.path);
        QVERIFY2(layer.contains(QStringLiteral("四君子汤")), qPrintable(layer));
        QVERIFY(layer.contains(QStringLiteral("页码： 1")));
        QVERIFY(layer.contains(QStringLiteral("组成：人参、白术、茯苓、甘草。")));
    }

    // meridane-query --export writes what the window's export writes, by the extension.
    void queryToolExports() {
        const QString tool = QStringLiteral(MERIDANE_QUERY);
        const QStringList base{QStringLiteral("--folder"),   folder->path(),
                               QStringLiteral("--category"), QStringLiteral("病理"),
                               QStringLiteral("--new"),      QStringLiteral("发热")};
        const QString txt = folder->path() + QStringLiteral("/q.txt");
        QProcess p;
        p.start(tool, base + QStringList{QStringLiteral("--export"), txt});
        QVERIFY(p.waitForFinished(60000));
        QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
        QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()),
                 QStringLiteral("共有3条记录\n感冒\n虚劳\n消渴\n"));
        const QString text = QString::fromUtf8(ReadAll(txt));
        QVERIFY(
            text.startsWith(QStringLiteral("感冒\n页码： 1    相符个数： 1\n\n恶寒发热，头痛。")));
        QCOMPARE(text.count(QStringLiteral("页码： ")), 3);

        const QString html = folder->path() + QStringLiteral("/q.html");
        p.start(tool, base + QStringList{QStringLiteral("--export"), html});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(QString::fromUtf8(ReadAll(html))
                    .contains(QStringLiteral("恶寒<span class=\"kw\">发热</span>，头痛。")));

        // An extension it does not write is a bad argument; a folder that is not there fails.
        p.start(tool, base + QStringList{QStringLiteral("--export"), folder->path() + "/q.doc"});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 2);
        p.start(tool, base + QStringList{QStringLiteral("--export"),
                                         folder->path() + QStringLiteral("/none/q.txt")});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 1);

        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext is not installed");
        const QString pdf = folder->path() + QStringLiteral("/q.pdf");
        p.start(tool, base + QStringList{QStringLiteral("--export"), pdf});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(PdfText(pdf).contains(QStringLiteral("口渴多饮，发热，发热。")));
    }
};

QTEST_MAIN(KeepTest)
#include "tst_keep.moc"
