// Finding in the record shown and finding one's way back, as the user does it with the keyboard
// and the mouse: the find bar under the pane with its count, F3 between the places it found or
// between the keywords in red, the pane's size by keys and wheel in step with the size list, the
// keyword box's history across a restart, going back and forward through the records shown, a
// search by pinyin when the letters typed are found nowhere, and "繁简通查".
#include "main_window_fixture.h"
#include "search/memory/engine.h"
#include "shell/find_bar.h"
#include "shell/main_window.h"
#include "shell/record_pane.h"
#include "shell_test_support.h"
#include "test_support.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTextBlock>
#include <QtTest>

using namespace meridane;
using namespace meridane::test;

namespace {

// Ten places of 茯苓, 人参 twice, and enough lines that the later places lie below the fold.
QString LongRecord() {
    QString text = QStringLiteral("组成：人参、白术、茯苓、甘草。");
    for (int i = 1; i <= 9; ++i)
        text += QStringLiteral("\n第%1段").arg(i) + QString(40, QChar(u'·')) +
                QStringLiteral("\n\n\n茯苓\n\n\n");
    return text + QStringLiteral("\n人参。");
}

KnowledgeSources Sources() {
    KnowledgeSources s;
    s.An1 = {Rec(1, QStringLiteral("四君子汤"), LongRecord())};
    s.yao = {Rec(1, QStringLiteral("人参"), QStringLiteral("甘、微苦")),
             Rec(2, QStringLiteral("白术"), QStringLiteral("苦、甘，温")),
             Rec(3, QStringLiteral("Herba Ephedrae"), QStringLiteral("herba: 麻黄"))};
    s.bing = {Rec(1, QStringLiteral("感冒"), QStringLiteral("恶寒发热")),
              Rec(2, QStringLiteral("虚劳"), QStringLiteral("宜人參、黃連；人蔘亦可。")),
              Rec(3, QStringLiteral("消渴"), QStringLiteral("人参白虎汤"))};
    s.yishu1 = {Rec(1, QStringLiteral("医案"), QStringLiteral("医案"))};
    return s;
}

} // namespace

class RecordFindTest : public QObject, private MainWindowFixture {
    Q_OBJECT

    void showRecord(const QString& keywords) {
        window->Text1[0]->setText(keywords);
        QTest::keyClick(window->Text1[0], Qt::Key_Return);
        QCOMPARE(window->List1->count(), 1);
        QListWidget* list = window->List1;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(0)).center());
        QVERIFY(window->RichTextBox1->toPlainText().startsWith(QStringLiteral("组成")));
    }
    QLineEdit* findText() const { return window->findBar->findChild<QLineEdit*>("findText"); }
    QString counter() const { return window->findBar->findChild<QLabel*>("findCounter")->text(); }
    // The pane's marks: the text under each, and which one has the current colour.
    QStringList marks(int* current = nullptr) const {
        QStringList out;
        const auto selections = window->RichTextBox1->extraSelections();
        for (int i = 0; i < selections.size(); ++i) {
            out << selections[i].cursor.selectedText();
            if (current && selections[i].format.background().color() == kFoundCurrentColour)
                *current = i;
        }
        return out;
    }
    // Key by key, as an input method delivers committed text.
    static void typeInto(QWidget* w, const QString& text) {
        for (QChar ch : text)
            QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
    int caretBlock() const { return window->RichTextBox1->textCursor().block().blockNumber(); }

private slots:
    QStringList historyShown() const {
        QStringList out;
        for (int i = 0; i < window->keywordHistory->count(); ++i)
            out << window->keywordHistory->itemText(i);
        return out;
    }
    // Opens the keyword box's drop-down and clicks its entry at row.
    void pickFromHistory(int row) {
        QComboBox* box = window->keywordHistory;
        box->showPopup();
        QAbstractItemView* view = box->view();
        QTRY_VERIFY(view->isVisible());
        const QRect r = view->visualRect(view->model()->index(row, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, r.center());
        QTRY_VERIFY(!view->isVisible());
    }
    void clickTitle(int row) {
        QListWidget* list = window->List1;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(row)).center());
    }

    void init() {
        // As main() of the program makes it: the working copy is written only for a reader.
        engine.deferPendingWrites(true);
        folder = std::make_unique<TempProgramFolder>(Sources());
        messages = std::make_unique<ScriptedMessages>();
        shell = std::make_unique<RecordingShell>();
        openWindow();
    }

    void cleanup() {
        window.reset();
        engine.abandonPendingWrites();
        engine.deferPendingWrites(false);
        shell.reset();
        messages.reset();
        folder.reset();
    }

    void findBarCountsAndMoves() {
        showRecord(QStringLiteral("人参"));
        const QRect paneBefore = window->RichTextBox1->geometry();
        QVERIFY(window->findBar->isHidden());

        QTest::keyClick(window->RichTextBox1, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(window->findBar->isVisible());
        QVERIFY(findText()->hasFocus());
        // Under the pane, which gives up the bar's height.
        const QRect bar = window->findBar->geometry();
        const QRect pane = window->RichTextBox1->geometry();
        QCOMPARE(pane.top(), paneBefore.top());
        QCOMPARE(pane.bottom() + 1, bar.top());
        QCOMPARE(bar.bottom(), paneBefore.bottom());
        QCOMPARE(counter(), QStringLiteral("0 / 0"));

        typeInto(findText(), QStringLiteral("茯苓"));
        int current = -1;
        QCOMPARE(marks(&current).size(), 10);
        QCOMPARE(marks().first(), QStringLiteral("茯苓"));
        QCOMPARE(current, 0);
        QCOMPARE(counter(), QStringLiteral("1 / 10"));
        // The keyword red is still there under the marks.
        QTextCursor red(window->RichTextBox1->document());
        red.setPosition(4);
        QCOMPARE(red.charFormat().foreground().color(), kKeywordColour);

        // Enter goes on, Shift+Enter back, F3 and Shift+F3 likewise; round the end.
        QTest::keyClick(findText(), Qt::Key_Return);
        QCOMPARE(counter(), QStringLiteral("2 / 10"));
        for (int i = 0; i < 8; ++i)
            QTest::keyClick(findText(), Qt::Key_F3);
        QCOMPARE(counter(), QStringLiteral("10 / 10"));
        // The current place is scrolled into view.
        const QRect caret = window->RichTextBox1->cursorRect();
        QVERIFY(window->RichTextBox1->viewport()->rect().contains(caret.center()));
        QVERIFY(caretBlock() > 30);
        QTest::keyClick(findText(), Qt::Key_F3);
        QCOMPARE(counter(), QStringLiteral("1 / 10"));
        QTest::keyClick(findText(), Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(counter(), QStringLiteral("10 / 10"));
        QTest::keyClick(findText(), Qt::Key_F3, Qt::ShiftModifier);
        marks(&current);
        QCOMPARE(current, 8);

        // A text that is not there; then Esc closes the bar and gives the pane its place.
        QTest::keyClicks(findText(), QStringLiteral("x"));
        QCOMPARE(counter(), QStringLiteral("0 / 0"));
        QTest::keyClick(findText(), Qt::Key_Escape);
        QVERIFY(window->findBar->isHidden());
        QVERIFY(window->RichTextBox1->extraSelections().isEmpty());
        QCOMPARE(window->RichTextBox1->geometry(), paneBefore);
        QVERIFY(window->RichTextBox1->hasFocus());
    }

    void f3MovesBetweenKeywords() {
        showRecord(QStringLiteral("人参"));
        const QString header = window->Label2->text();
        QTest::keyClick(window->RichTextBox1, Qt::Key_F3);
        QCOMPARE(window->RichTextBox1->textCursor().selectedText(), QStringLiteral("人参"));
        QCOMPARE(caretBlock(), 0);
        QCOMPARE(window->Label2->text(), header + QStringLiteral("  第1/2处"));
        // Shown whole, clear of the size list's caption.
        QVERIFY(window->Label2->geometry().right() < window->Label5->x());
        QVERIFY(window->Label2->width() >= window->Label2->sizeHint().width());
        QTest::keyClick(window->RichTextBox1, Qt::Key_F3);
        QVERIFY(caretBlock() > 30);
        QCOMPARE(window->Label2->text(), header + QStringLiteral("  第2/2处"));
        QTest::keyClick(window->RichTextBox1, Qt::Key_F3);
        QCOMPARE(window->Label2->text(), header + QStringLiteral("  第1/2处"));
        // A new search starts the count afresh, and the header is as it was.
        showRecord(QStringLiteral("人参"));
        QCOMPARE(window->Label2->text(), header);
    }

    void keywordHistoryAcrossRestart();
    void backAndForward();
    void pinyinWhenNothingFound();
    void variantsFindTraditionalText();

    void sizeFollowsKeysAndWheel() {
        RecordPane* pane = window->RichTextBox1;
        QCOMPARE(window->Combo1->currentText(), QStringLiteral("9"));
        QTest::keyClick(pane, Qt::Key_Equal, Qt::ControlModifier);
        QCOMPARE(pane->font().pointSizeF(), 12.0);
        QCOMPARE(window->Combo1->currentText(), QStringLiteral("12"));
        QTest::keyClick(pane, Qt::Key_Minus, Qt::ControlModifier);
        QTest::keyClick(pane, Qt::Key_Minus, Qt::ControlModifier);
        QCOMPARE(pane->font().pointSizeF(), 8.0);
        QTest::keyClick(pane, Qt::Key_Minus, Qt::ControlModifier); // the smallest stays
        QCOMPARE(window->Combo1->currentText(), QStringLiteral("8"));

        const QPoint at = pane->viewport()->rect().center();
        QWheelEvent up(at, pane->viewport()->mapToGlobal(at), QPoint(), QPoint(0, 120),
                       Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(pane->viewport(), &up);
        QCOMPARE(pane->font().pointSizeF(), 9.0);
        QCOMPARE(window->Combo1->currentText(), QStringLiteral("9"));
        // A size typed into the list sits between two: the next one up is the list's next.
        window->Combo1->setEditText(QStringLiteral("13"));
        window->Combo1Click();
        QTest::keyClick(pane, Qt::Key_Equal, Qt::ControlModifier);
        QCOMPARE(window->Combo1->currentText(), QStringLiteral("14"));
    }
};

void RecordFindTest::keywordHistoryAcrossRestart() {
    QVERIFY(historyShown().isEmpty());
    search(QStringLiteral("人参"));
    search(QStringLiteral("茯苓,白术"));
    search(QStringLiteral("人参"));
    search(QString()); // nothing typed: nothing kept
    QCOMPARE(historyShown(), (QStringList{QStringLiteral("人参"), QStringLiteral("茯苓,白术"),
                                          QStringLiteral("清除历史")}));
    QCOMPARE(window->Text1[0]->text(), QString());

    // Another category has a history of its own; the text typed stays when it is chosen.
    window->Text1[0]->setText(QStringLiteral("甘"));
    QTest::mouseClick(window->Option2, Qt::LeftButton);
    QVERIFY(historyShown().isEmpty());
    QCOMPARE(window->Text1[0]->text(), QStringLiteral("甘"));
    QTest::mouseClick(window->Option1, Qt::LeftButton);
    QCOMPARE(historyShown().size(), 3);

    // After a restart the drop-down holds the same; a pick fills the keyword box.
    window.reset();
    openWindow();
    QCOMPARE(historyShown().size(), 3);
    pickFromHistory(1);
    QCOMPARE(window->Text1[0]->text(), QStringLiteral("茯苓,白术"));

    // "清除历史" empties the category's history and leaves the box as it was.
    window->Text1[0]->clear();
    QTest::keyClicks(window->Text1[0], QStringLiteral("abc"));
    pickFromHistory(2);
    QVERIFY(historyShown().isEmpty());
    QCOMPARE(window->Text1[0]->text(), QStringLiteral("abc"));
    window.reset();
    openWindow();
    QVERIFY(historyShown().isEmpty());
}

void RecordFindTest::backAndForward() {
    search(QStringLiteral("人参"));
    clickTitle(0); // 四君子汤 of 方剂
    const QString formula = window->RichTextBox1->toPlainText();
    const QString header = window->Label2->text();
    QTest::mouseClick(window->Option2, Qt::LeftButton);
    search(QStringLiteral("甘"));
    clickTitle(0); // 人参 of 中药
    QCOMPARE(window->RichTextBox1->toPlainText(), QStringLiteral("甘、微苦"));

    // Back: the category, the keywords and the record as they were; the list shows 中药's
    // titles, so no row is chosen.
    QTest::keyClick(window->RichTextBox1, Qt::Key_Left, Qt::AltModifier);
    QVERIFY(window->Option1->isChecked());
    QCOMPARE(window->Text1[0]->text(), QStringLiteral("人参"));
    QCOMPARE(window->RichTextBox1->toPlainText(), formula);
    QCOMPARE(window->List1->currentRow(), -1);
    QCOMPARE(window->Label2->text(), header);
    // Answered from memory: the searches' writes still wait for a reader of the file.
    QVERIFY(!engine.pendingWrites().queued().empty());
    QTest::keyClick(window->RichTextBox1, Qt::Key_Left, Qt::AltModifier); // nothing before it
    QCOMPARE(window->RichTextBox1->toPlainText(), formula);

    // Forward, by the mouse's forward button: the record is listed, and chosen in the list.
    QTest::mouseClick(window->RichTextBox1->viewport(), Qt::ForwardButton);
    QVERIFY(window->Option2->isChecked());
    QCOMPARE(window->RichTextBox1->toPlainText(), QStringLiteral("甘、微苦"));
    QCOMPARE(window->List1->currentRow(), 0);
    QTest::mouseClick(window->List1->viewport(), Qt::BackButton);
    QCOMPARE(window->RichTextBox1->toPlainText(), formula);
    // Going back is not a new step: forward still leads to where the user was.
    QTest::keyClick(window->Text1[0], Qt::Key_Right, Qt::AltModifier);
    QCOMPARE(window->RichTextBox1->toPlainText(), QStringLiteral("甘、微苦"));

    // A later search of 方剂 no longer lists 四君子汤: going back still shows that record.
    QTest::mouseClick(window->Option1, Qt::LeftButton);
    search(QStringLiteral("麻黄"));
    QVERIFY(window->List1->findItems(QStringLiteral("四君子汤"), Qt::MatchExactly).isEmpty());
    QTest::keyClick(window->Text1[0], Qt::Key_Left, Qt::AltModifier);
    QCOMPARE(window->RichTextBox1->toPlainText(), formula);
    QCOMPARE(window->Text1[0]->text(), QStringLiteral("人参"));
}

void RecordFindTest::pinyinWhenNothingFound() {
    auto listed = [this] {
        QStringList out;
        for (int i = 0; i < window->List1->count(); ++i)
            out << window->List1->item(i)->text();
        return out;
    };
    // Whole syllables or initials; a reading other than the usual one (术 zhu).
    search(QStringLiteral("sjzt"));
    QCOMPARE(listed(), QStringList{QStringLiteral("四君子汤")});
    QCOMPARE(window->Label2->text(), QStringLiteral("按拼音找到1条记录"));
    clickTitle(0);
    QVERIFY(window->RichTextBox1->toPlainText().startsWith(QStringLiteral("组成")));
    // Listed and shown from memory: the search's writes still wait for a reader of the file.
    QVERIFY(!engine.pendingWrites().queued().empty());
    QTest::mouseClick(window->Option2, Qt::LeftButton);
    search(QStringLiteral("Bai Zhu"));
    QCOMPARE(listed(), QStringList{QStringLiteral("白术")});

    // Letters that the text holds are found as they are, and nothing by pinyin is added.
    search(QStringLiteral("herba"));
    QCOMPARE(listed(), QStringList{QStringLiteral("Herba Ephedrae")});
    QCOMPARE(window->Label2->text(), QStringLiteral("共有1条记录"));
    // Not letters, letters that spell nothing, or a search within the results: nothing.
    for (const QString& keywords : {QStringLiteral("人参x"), QStringLiteral("qqq")}) {
        search(keywords);
        QVERIFY(listed().isEmpty());
        QCOMPARE(window->Label2->text(), QStringLiteral("没有找到您所需的资料！"));
    }
    window->Text1[0]->setText(QStringLiteral("renshen"));
    QTest::mouseClick(window->Command2, Qt::LeftButton);
    QVERIFY(listed().isEmpty());
}

void RecordFindTest::variantsFindTraditionalText() {
    auto listed = [this] {
        QStringList out;
        for (int i = 0; i < window->List1->count(); ++i)
            out << window->List1->item(i)->text();
        return out;
    };
    QTest::mouseClick(window->Option3, Qt::LeftButton);
    // Off at first start: the text as typed.
    QVERIFY(!window->variantsBox->isChecked());
    search(QStringLiteral("人参,黄连"));
    QCOMPARE(listed(), QStringList{QStringLiteral("消渴")});

    // On: every form, each keyword counted once per record; kept for the next start.
    QTest::mouseClick(window->variantsBox, Qt::LeftButton);
    QVERIFY(window->variantsBox->isChecked());
    search(QStringLiteral("人参,黄连"));
    QCOMPARE(listed(), (QStringList{QStringLiteral("虚劳"), QStringLiteral("消渴")}));
    clickTitle(0);
    QVERIFY(window->Label2->text().endsWith(QStringLiteral("相符个数： 2")));
    // The forms that matched are red, at their places.
    QStringList red;
    QString run;
    const QString shown = window->RichTextBox1->toPlainText();
    QTextCursor c(window->RichTextBox1->document());
    for (int i = 0; i < shown.size(); ++i) {
        c.setPosition(i + 1);
        if (c.charFormat().foreground().color() == kKeywordColour) {
            run += shown.at(i);
        } else if (!run.isEmpty()) {
            red << run;
            run.clear();
        }
    }
    QCOMPARE(red,
             (QStringList{QStringLiteral("人參"), QStringLiteral("黃連"), QStringLiteral("人蔘")}));

    window.reset();
    openWindow();
    QVERIFY(window->variantsBox->isChecked());
    // Turned off again: as typed.
    QTest::mouseClick(window->Option3, Qt::LeftButton);
    QTest::mouseClick(window->variantsBox, Qt::LeftButton);
    search(QStringLiteral("人参,黄连"));
    QCOMPARE(listed(), QStringList{QStringLiteral("消渴")});
}

QTEST_MAIN(RecordFindTest)
#include "tst_record_find.moc"
