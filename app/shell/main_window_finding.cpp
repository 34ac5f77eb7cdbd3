// The main window's ways of finding: the find bar under the record pane, F3 between the keywords,
// the record pane's size by keys and wheel, the keyword box's history, going back and forward
// through the records shown, and the titles found by pinyin.
#include "search/message_service.h"
#include "search/pinyin_titles.h"
#include "search/program_folder.h"
#include "search/sqlite_db.h"
#include "services/user_settings.h"
#include "shell/about_dialog.h"
#include "shell/find_bar.h"
#include "shell/main_window.h"
#include "shell/record_pane.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QRadioButton>

#include <array>

namespace meridane {

namespace {

const QString kClearHistory = QStringLiteral("清除历史");

} // namespace

std::optional<TitledRecord> frmMain::readRecordByTitle(const KnowledgeCategory& category,
                                                       const QString& title) {
    // From memory while the writes are pending; else the base table is read as the searches
    // left it.
    if (std::optional<TitledRecord> fromMemory = engine_.recordByTitle(category, title))
        return fromMemory;
    engine_.finishPendingWritesOf(
        ConnectionString::parse(ConnectionStringFor(category)).dataSource);
    return RecordByTitle(category, title);
}

std::optional<bool> frmMain::showByTitle(const QString& title) {
    const KnowledgeCategory* category =
        (fields_.selected ? CategoryFor(*fields_.selected) : nullptr);
    try {
        const std::optional<TitledRecord> record =
            category ? readRecordByTitle(*category, title) : std::nullopt;
        // A record no longer there shows nothing rather than the one shown before.
        fields_.recordBody = record ? record->body : QString();
        if (record)
            fields_.statusLine = record->header;
        return record.has_value();
    } catch (const DbError&) {
        Messages().MsgBox(kCannotReadResult, MsgFlags::OkOnly, kProgramTitle);
        return std::nullopt;
    }
}

void frmMain::listByPinyin() {
    const KnowledgeCategory* category =
        (fields_.selected ? CategoryFor(*fields_.selected) : nullptr);
    if (!category)
        return;
    QStringList titles;
    try {
        titles = PinyinTitles(SplitKeywords(fields_.keywordBox), [&] {
            // From memory while the writes are pending; else read as the searches left it.
            if (std::optional<QStringList> kept = engine_.titlesOf(*category))
                return std::move(*kept);
            engine_.finishPendingWritesOf(
                ConnectionString::parse(ConnectionStringFor(*category)).dataSource);
            return TitlesOf(*category);
        });
    } catch (const DbError&) {
        return; // the literal search's answer stands
    }
    if (titles.isEmpty())
        return;
    List1->addItems(titles);
    pinyinListed_ = true;
    Label2->setText(QStringLiteral("按拼音找到%1条记录").arg(titles.size()));
    FitLabelToText(*Label2);
    keepAbovePane(*Label2);
}

void frmMain::applyFontSize(double points) {
    QFont f = RichTextBox1->font();
    f.setPointSizeF(points);
    RichTextBox1->setFont(f);
}

void frmMain::stepFontSize(int step) {
    const QStringList sizes = FontSizes();
    const double now = RichTextBox1->font().pointSizeF();
    qsizetype to = -1;
    if (step > 0) {
        for (qsizetype i = 0; i < sizes.size() && to < 0; ++i)
            if (sizes[i].toDouble() > now)
                to = i;
    } else {
        for (qsizetype i = sizes.size() - 1; i >= 0 && to < 0; --i)
            if (sizes[i].toDouble() < now)
                to = i;
    }
    if (to < 0)
        return; // already the largest or the smallest
    Combo1->setCurrentIndex(int(to));
    applyFontSize(sizes[to].toDouble());
}

void frmMain::fillKeywordHistory() {
    // Refilling an editable list empties its edit field: the text typed stays.
    const QString typed = Text1[0]->text();
    const int cursor = Text1[0]->cursorPosition();
    const QSignalBlocker quiet(keywordHistory);
    keywordHistory->clear();
    const QStringList kept = KeywordHistory(CategoryKey(selectedCategory()));
    keywordHistory->addItems(kept);
    if (!kept.isEmpty())
        keywordHistory->addItem(kClearHistory);
    keywordHistory->setCurrentIndex(-1);
    Text1[0]->setText(typed);
    Text1[0]->setCursorPosition(cursor);
}

void frmMain::keywordHistoryChosen(int index) {
    if (keywordHistory->itemText(index) == kClearHistory && index == keywordHistory->count() - 1) {
        ClearKeywordHistory(CategoryKey(selectedCategory()));
        Text1[0]->setText(typedBeforePick_);
        fillKeywordHistory();
        return;
    }
    typedBeforePick_ = Text1[0]->text();
}

void frmMain::goBack() {
    retrace(trail_.back());
}

void frmMain::goForward() {
    retrace(trail_.forward());
}

void frmMain::retrace(const std::optional<VisitedRecord>& record) {
    if (!record)
        return;
    // In the order of Category: Formulas, Herbs, Pathology, ExpertCases, MyLibrary.
    const std::array<QRadioButton*, 5> options = {Option1, Option2, Option3, Option6, Option5};
    if (record->category >= 1 && record->category <= int(options.size()))
        options[size_t(record->category - 1)]->setChecked(true);
    Text1[0]->setText(record->keywords);
    retracing_ = true;
    List1Click(record->title);
    retracing_ = false;
    const QList<QListWidgetItem*> listed = List1->findItems(record->title, Qt::MatchExactly);
    if (!listed.isEmpty())
        List1->setCurrentItem(listed.first());
    else
        List1->setCurrentRow(-1);
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    // The menu key reaches the drop-down, which would show the box's standard menu alone.
    if (event->type() == QEvent::ContextMenu && watched == keywordHistory) {
        const auto* asked = static_cast<QContextMenuEvent*>(event);
        keywordBoxMenu(Text1[0]->mapFrom(keywordHistory, asked->pos()));
        return true;
    }
    // The mouse's back and forward buttons anywhere over this window.
    if (event->type() == QEvent::MouseButtonPress) {
        const auto* press = static_cast<QMouseEvent*>(event);
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == this &&
            (press->button() == Qt::BackButton || press->button() == Qt::ForwardButton)) {
            press->button() == Qt::BackButton ? goBack() : goForward();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmMain::openFindBar() {
    const bool wasOpen = findBar->isVisible();
    findBar->open();
    if (!wasOpen) {
        placeControls();
        refreshFound();
    }
}

void frmMain::closeFindBar() {
    findBar->hide();
    found_.setHits({});
    RichTextBox1->markFound({}, std::nullopt);
    placeControls();
    RichTextBox1->setFocus(Qt::OtherFocusReason);
}

void frmMain::refreshFound() {
    found_.setHits(FindAll(RichTextBox1->toPlainText(), findBar->text()));
    found_.startAt(RichTextBox1->textCursor().selectionStart());
    RichTextBox1->markFound(found_.hits(), found_.current());
    showFoundCount();
}

void frmMain::showFoundCount() {
    findBar->setCounter(found_.counter());
}

void frmMain::findNext(bool forward) {
    const qsizetype caret = RichTextBox1->textCursor().position();
    if (findBar->isVisible()) {
        if (found_.step(forward, caret)) {
            RichTextBox1->markFound(found_.hits(), found_.current());
            showFoundCount();
        }
        return;
    }
    const std::optional<TextRange> hit = keywordHits_.step(forward, caret);
    if (!hit)
        return;
    RichTextBox1->showPlace(*hit);
    // Which keyword of how many, after the header, as far as the size list's caption allows.
    Label2->setText(
        fields_.statusLine +
        QStringLiteral("  第%1/%2处").arg(*keywordHits_.current() + 1).arg(keywordHits_.count()));
    FitLabelToText(*Label2);
    const int room = Label5->x() - Label2->x() - TwipsToPixels(60);
    if (Label2->width() > room)
        Label2->resize(room, Label2->height());
}

} // namespace meridane
