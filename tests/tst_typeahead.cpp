// Search as you type: the preview of a new search, read from memory, against the new search
// itself over a small record set and the sample classics, with the files left as they were; and
// the main window with "输入即查" on, typed into key by key as a user does.
#include "builddb/source_records.h"
#include "search/keyword_search.h"
#include "search/memory/engine.h"
#include "search/program_folder.h"
#include "services/user_settings.h"
#include "shell/main_window.h"
#include "shell/record_pane.h"
#include "shell_test_support.h"
#include "test_support.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCryptographicHash>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include <sys/stat.h>

using namespace meridane;
using namespace meridane::test;

namespace {

KnowledgeSources SmallSources() {
    KnowledgeSources s;
    s.An1 = {Rec(1, QStringLiteral("四君子汤"), QStringLiteral("人参、白术、茯苓、甘草。")),
             Rec(2, QStringLiteral("独参汤"), QStringLiteral("人参一味，浓煎顿服。")),
             Rec(3, QStringLiteral("理中丸"), QStringLiteral("人参、干姜、白术、甘草。")),
             Rec(4, QStringLiteral("桂枝汤"), QStringLiteral("桂枝、芍药、甘草、生姜、大枣。"))};
    s.yao = {Rec(1, QStringLiteral("人参"), QStringLiteral("甘、微苦，微温。大补元气。")),
             Rec(2, QStringLiteral("党参"), QStringLiteral("甘，平。补中益气，力逊人参。")),
             Rec(3, QStringLiteral("Herba Ephedrae"), QStringLiteral("herba: 麻黄，发汗。"))};
    s.bing = {Rec(1, QStringLiteral("感冒"), QStringLiteral("恶寒发热，头痛。")),
              Rec(2, QStringLiteral("虚劳"), QStringLiteral("气血两虚，宜人参、黄芪。"))};
    s.yishu1 = {Rec(1, QStringLiteral("医案一"), QStringLiteral("患者发热三日，予桂枝汤。"))};
    return s;
}

std::vector<SourceRecord> SmallNotes() {
    return {Rec(1, QStringLiteral("笔记甲"), QStringLiteral("人参宜另煎。")),
            Rec(2, QStringLiteral("笔记乙"), QStringLiteral("甘草调和诸药，人参补气。"))};
}

// A file's bytes and its modification time.
struct FileState {
    QByteArray digest;
    qint64 modifiedNs = 0;
    bool operator==(const FileState&) const = default;
};

FileState StateOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    struct stat info {};
    if (stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return {QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256),
            qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

// Every prefix of text, one character longer each.
QStringList Prefixes(const QString& text) {
    QStringList out;
    for (qsizetype n = 1; n <= text.size(); ++n)
        out << text.left(n);
    return out;
}

QStringList Items(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

const Category kCategories[] = {Category::Formulas, Category::Herbs, Category::Pathology,
                                Category::ExpertCases, Category::MyLibrary};

} // namespace

class TypeAheadTest : public QObject {
    Q_OBJECT

    std::unique_ptr<memory::Engine> engine;
    std::unique_ptr<TempProgramFolder> folder;
    std::unique_ptr<ScriptedMessages> messages;
    std::unique_ptr<RecordingShell> shell;
    std::unique_ptr<frmMain> window;

    void open() {
        window = std::make_unique<frmMain>(*engine, std::make_unique<SilentDevice>());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    // The keyword box's context menu, asked of the box itself (a right click) or of the
    // drop-down around it, which has the focus (the menu key).
    QMenu* openBoxMenu(bool fromDropDown = false) {
        QWidget* box = fromDropDown ? static_cast<QWidget*>(window->keywordHistory)
                                    : static_cast<QWidget*>(window->Text1[0]);
        QContextMenuEvent event(QContextMenuEvent::Keyboard, box->rect().center(),
                                box->mapToGlobal(box->rect().center()));
        QApplication::sendEvent(box, &event);
        QMenu* menu = nullptr;
        [&] { QTRY_VERIFY((menu = qobject_cast<QMenu*>(QApplication::activePopupWidget()))); }();
        return menu;
    }
    QAction* typeAheadEntry(QMenu* menu) {
        for (QAction* action : menu->actions())
            if (action->text() == QStringLiteral("输入即查"))
                return action;
        return nullptr;
    }
    void switchTypeAhead(bool on) {
        QMenu* menu = openBoxMenu();
        QVERIFY(menu);
        QAction* entry = typeAheadEntry(menu);
        QVERIFY(entry);
        QVERIFY(entry->isCheckable());
        if (entry->isChecked() != on)
            entry->trigger();
        menu->close();
        QCOMPARE(window->typeAheadAction->isChecked(), on);
    }
    // One character, as an input method delivers committed text; then the pause of the typing.
    void typeKey(const QString& ch) {
        QTest::sendKeyEvent(QTest::Click, window->Text1[0], Qt::Key_unknown, ch, Qt::NoModifier);
        QTRY_VERIFY(!window->typeAheadTimer->isActive());
    }
    void search(const QString& keywords) {
        window->Text1[0]->setText(keywords);
        QTest::keyClick(window->Text1[0], Qt::Key_Return);
    }
    void clickTitle(int row) {
        QListWidget* list = window->List1;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(row)).center());
    }

    // For each category and each keyword text: the preview, then the files, then the search.
    void comparePreviews(const QStringList& texts) {
        for (Category category : kCategories) {
            const KnowledgeCategory& c = *CategoryFor(category);
            for (const QString& text : texts) {
                engine->finishPendingWrites();
                const FileState copy = StateOf(WorkingCopyPath());
                const FileState personal = StateOf(PersonalDbPath());
                const std::optional<QStringList> preview =
                    engine->previewNewSearch(c, SplitKeywords(text));
                QVERIFY2(preview, qPrintable(text));
                QVERIFY(StateOf(WorkingCopyPath()) == copy);
                QVERIFY(StateOf(PersonalDbPath()) == personal);

                SearchFields fields;
                fields.keywordBox = text;
                KeywordSearch search(fields, engine.get());
                search.NewSearch(c);
                QVERIFY(search.lastSearchInMemory());
                QCOMPARE(*preview, fields.resultList);
            }
        }
    }

private slots:
    void init() {
        engine = std::make_unique<memory::Engine>();
        messages = std::make_unique<ScriptedMessages>();
        shell = std::make_unique<RecordingShell>();
    }
    void cleanup() {
        window.reset();
        engine.reset();
        shell.reset();
        messages.reset();
        folder.reset();
    }

    void previewListsWhatTheSearchLists() {
        folder = std::make_unique<TempProgramFolder>(SmallSources(), SmallNotes());
        QStringList texts = Prefixes(QStringLiteral("人参,甘草 白术"));
        texts << QStringLiteral("HERBA") << QStringLiteral("麻黄，发汗") << QStringLiteral(",")
              << QStringLiteral("无此字") << QStringLiteral("人参");
        comparePreviews(texts);
        QVERIFY(messages->shown.isEmpty());
    }

    void previewOverTheSampleClassics() {
        const KnowledgeSources sources = ReadKnowledgeSources(SampleClassicsFolder());
        QVERIFY(!sources.yao.empty());
        folder = std::make_unique<TempProgramFolder>(sources, SmallNotes());
        QStringList texts = Prefixes(QStringLiteral("主治寒热,甘草"));
        texts << QStringLiteral("人参 桂枝") << QStringLiteral("风湿痹痛,痈肿疮毒,小毒");
        comparePreviews(texts);
    }

    void offAtFirstStartAndRemembered() {
        folder = std::make_unique<TempProgramFolder>(SmallSources());
        open();
        QVERIFY(!TypeAheadOn());
        QMenu* menu = openBoxMenu(true);
        QVERIFY(menu);
        // The box's own entries stay, "输入即查" comes after them, unchecked.
        QAction* entry = typeAheadEntry(menu);
        QVERIFY(entry);
        QVERIFY(!entry->isChecked());
        const QList<QAction*> actions = menu->actions();
        QVERIFY(actions.indexOf(entry) > 4);
        menu->close();

        // Off: typing lists nothing.
        typeKey(QStringLiteral("人"));
        QVERIFY(Items(window->List1).isEmpty());

        switchTypeAhead(true);
        window.reset();
        open();
        QVERIFY(window->typeAheadAction->isChecked());
        switchTypeAhead(false);
        window.reset();
        open();
        QVERIFY(!window->typeAheadAction->isChecked());
    }

    void typingListsWhatTheSearchLists() {
        folder = std::make_unique<TempProgramFolder>(SmallSources());
        open();
        const QString typed = QStringLiteral("人参,甘草");
        // What "查询" lists for each prefix, and the line above the pane.
        QList<std::pair<QStringList, QString>> expected;
        for (const QString& prefix : Prefixes(typed)) {
            search(prefix);
            expected.append({Items(window->List1), window->Label2->text()});
        }
        QCOMPARE(expected.last().first,
                 (QStringList{QStringLiteral("四君子汤"), QStringLiteral("理中丸"),
                              QStringLiteral("独参汤"), QStringLiteral("桂枝汤")}));
        search(QStringLiteral("桂枝")); // another list before typing
        QCOMPARE(Items(window->List1), QStringList{QStringLiteral("桂枝汤")});
        engine->finishPendingWrites();
        messages->shown.clear();

        switchTypeAhead(true);
        const FileState before = StateOf(WorkingCopyPath());
        window->Text1[0]->clear();
        for (qsizetype i = 0; i < typed.size(); ++i) {
            typeKey(typed.mid(i, 1));
            QCOMPARE(Items(window->List1), expected[i].first);
            QCOMPARE(window->Label2->text(), expected[i].second);
        }
        // Emptying the box empties the list; no message.
        window->Text1[0]->selectAll();
        QTest::keyClick(window->Text1[0], Qt::Key_Backspace);
        QTRY_VERIFY(!window->typeAheadTimer->isActive());
        QVERIFY(window->Text1[0]->text().isEmpty());
        QCOMPARE(window->List1->count(), 0);
        // Nothing found says so, as after "查询".
        typeKey(QStringLiteral("无"));
        QCOMPARE(Items(window->List1), QStringList());
        QCOMPARE(window->Label2->text(), kNothingFound);
        QVERIFY(messages->shown.isEmpty());
        engine->finishPendingWrites();
        QVERIFY(StateOf(WorkingCopyPath()) == before);

        // With "繁简通查" the list waits for "查询".
        search(QStringLiteral("桂枝"));
        QTest::mouseClick(window->variantsBox, Qt::LeftButton);
        QVERIFY(window->variantsBox->isChecked());
        window->Text1[0]->clear();
        typeKey(QStringLiteral("人"));
        QCOMPARE(Items(window->List1), QStringList{QStringLiteral("桂枝汤")});
        QVERIFY(messages->shown.isEmpty());
    }

    void previewedTitleAndSearchWithin() {
        folder = std::make_unique<TempProgramFolder>(SmallSources());
        open();
        const QString typed = QStringLiteral("人参,甘");

        // After "查询": the list, the record shown on a click and its line.
        search(typed);
        const QStringList listed = Items(window->List1);
        QCOMPARE(listed.value(1), QStringLiteral("理中丸"));
        clickTitle(1);
        const QString pane = window->RichTextBox1->toPlainText();
        const QString line = window->Label2->text();
        QVERIFY(pane.contains(QStringLiteral("干姜")));
        // "在结果中查询" with the same text after "查询".
        window->Text1[0]->setText(QStringLiteral("干姜"));
        QTest::mouseClick(window->Command2, Qt::LeftButton);
        const QStringList within = Items(window->List1);
        const QString withinLine = window->Label2->text();
        QCOMPARE(within, QStringList{QStringLiteral("理中丸")});

        // The same after a preview.
        search(QStringLiteral("桂枝"));
        switchTypeAhead(true);
        window->Text1[0]->clear();
        for (QChar ch : typed)
            typeKey(ch);
        QCOMPARE(Items(window->List1), listed);
        clickTitle(1);
        QCOMPARE(window->RichTextBox1->toPlainText(), pane);
        QCOMPARE(window->Label2->text(), line);
        QCOMPARE(Items(window->List1), listed);
        QCOMPARE(window->List1->currentItem()->text(), QStringLiteral("理中丸"));
        QCOMPARE(window->Text1[1]->text(), QStringLiteral("甘"));

        search(QStringLiteral("桂枝"));
        window->Text1[0]->clear();
        for (QChar ch : typed)
            typeKey(ch);
        window->Text1[0]->clear();
        typeKey(QStringLiteral("干"));
        typeKey(QStringLiteral("姜"));
        // The preview lists what a new search of 干姜 would.
        QCOMPARE(Items(window->List1), QStringList{QStringLiteral("理中丸")});
        QTest::mouseClick(window->Command2, Qt::LeftButton);
        QCOMPARE(Items(window->List1), within);
        QCOMPARE(window->Label2->text(), withinLine);
        QVERIFY(messages->shown.isEmpty());
    }
};

QTEST_MAIN(TypeAheadTest)
#include "tst_typeahead.moc"
