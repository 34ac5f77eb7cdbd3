// The main window's keeping of what was read: favourites (加入收藏, the 收藏 window) and the
// export of the record shown or of the whole result list as text, HTML or PDF.
#include "search/message_service.h"
#include "search/pinyin_titles.h"
#include "search/program_folder.h"
#include "search/sqlite_db.h"
#include "shell/keeping.h"
#include "shell/keyboard.h"
#include "shell/main_window.h"
#include "shell/printing.h"
#include "shell/record_pane.h"
#include "shell/shell_services.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QRadioButton>
#include <QTimer>
#include <QToolTip>

namespace meridane {

void frmMain::wireKeeping() {
    const auto make = [this](const QString& text, const char* name, const QKeySequence& keys,
                             void (frmMain::*run)()) {
        auto* action = new QAction(text, this);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, run);
        addAction(action);
        return action;
    };
    addFavouriteAction = make(kAddFavouriteAction, "addFavouriteAction",
                              QKeySequence(Qt::CTRL | Qt::Key_D), &frmMain::addFavourite);
    showFavouritesAction =
        make(kShowFavouritesAction, "showFavouritesAction",
             QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D), &frmMain::showFavourites);
    exportRecordAction = make(kExportRecordAction, "exportRecordAction",
                              QKeySequence(Qt::CTRL | Qt::Key_S), &frmMain::exportRecord);
    exportListAction = make(kExportListAction, "exportListAction",
                            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), &frmMain::exportList);
    RichTextBox1->setMenuActions({addFavouriteAction, showFavouritesAction, exportRecordAction});
    List1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(List1, &QWidget::customContextMenuRequested, this, &frmMain::resultListMenu);
    // The text boxes would take Ctrl+D (delete) for editing of their own.
    const QList<QKeySequence> keys = {addFavouriteAction->shortcut(),
                                      showFavouritesAction->shortcut(),
                                      exportRecordAction->shortcut(), exportListAction->shortcut()};
    for (QWidget* w : std::initializer_list<QWidget*>{Text1[0], Combo1->lineEdit(), RichTextBox1})
        LeaveKeysToWindow(*w, keys);
}

void frmMain::resultListMenu(const QPoint& pos) {
    QMenu menu(this);
    menu.addAction(exportListAction);
    menu.addAction(showFavouritesAction);
    exportListAction->setEnabled(List1->count() > 0);
    menu.exec(List1->viewport()->mapToGlobal(pos));
    exportListAction->setEnabled(true);
}

// "加入收藏": keeps the record shown.
void frmMain::addFavourite() {
    if (!shown_) {
        Shell().Beep();
        return;
    }
    try {
        favourites_.add(shown_->favourite);
    } catch (const DbError&) {
        Messages().MsgBox(kFavouritesUnreadable + QDir::toNativeSeparators(favourites_.path()),
                          MsgFlags::OkExclamation, kProgramTitle);
        return;
    }
    if (favouritesDialog_)
        favouritesDialog_->refresh();
    QToolTip::showText(RichTextBox1->mapToGlobal(QPoint(8, 8)),
                       QStringLiteral("已加入收藏：") + shown_->favourite.title, RichTextBox1, {},
                       2500);
}

// "收藏夹…": the 收藏 window, one at a time, beside this one.
void frmMain::showFavourites() {
    if (!favouritesDialog_) {
        favouritesDialog_ = new FavouritesDialog(favourites_, this);
        favouritesDialog_->setAttribute(Qt::WA_DeleteOnClose);
        connect(favouritesDialog_, &FavouritesDialog::openRequested, this, &frmMain::openFavourite);
    } else {
        favouritesDialog_->refresh();
    }
    favouritesDialog_->show();
    favouritesDialog_->raise();
    favouritesDialog_->activateWindow();
}

bool frmMain::openFavourite(const Favourite& favourite) {
    const KnowledgeCategory* category = CategoryFor(favourite.category);
    if (!category)
        return false;
    std::optional<TitledRecord> record;
    try {
        record = readRecordByTitle(*category, favourite.title);
    } catch (const DbError&) {
        Messages().MsgBox(kCannotReadResult, MsgFlags::OkOnly, kProgramTitle);
        return false;
    }
    if (!record) {
        const int answer = Messages().MsgBox(kFavouriteGone.arg(favourite.title, category->caption),
                                             MsgFlags::YesNo, kProgramTitle);
        if (answer == MsgAnswer::Yes) {
            try {
                favourites_.remove(favourite);
            } catch (const DbError&) {
                Messages().MsgBox(kFavouritesUnreadable +
                                      QDir::toNativeSeparators(favourites_.path()),
                                  MsgFlags::OkExclamation, kProgramTitle);
            }
            if (favouritesDialog_)
                favouritesDialog_->refresh();
        }
        return false;
    }
    // As a title gone back to: the category's option, then the record read by its title.
    const std::array<QRadioButton*, 5> options = {Option1, Option2, Option3, Option6, Option5};
    const int key = CategoryKey(favourite.category);
    if (key >= 1 && key <= int(options.size()))
        options[size_t(key - 1)]->setChecked(true);
    retracing_ = true;
    List1Click(favourite.title);
    retracing_ = false;
    trail_.visit({key, fields_.keywordBox, favourite.title});
    const QList<QListWidgetItem*> listed = List1->findItems(favourite.title, Qt::MatchExactly);
    if (!listed.isEmpty()) {
        const QSignalBlocker quiet(List1);
        List1->setCurrentItem(listed.first());
    } else {
        List1->setCurrentRow(-1);
    }
    return true;
}

// "导出本条记录…": the record shown, whole (also the part a long record does not show), with
// its title and header line.
void frmMain::exportRecord() {
    if (!shown_) {
        Shell().Beep();
        return;
    }
    const QString path = AskExportFile(this, kExportRecordAction, shown_->favourite.title);
    if (path.isEmpty())
        return;
    const ExportedRecord record{
        shown_->favourite.title, shown_->header, shown_->body,
        KeywordMarker(shown_->keywordBox, shown_->variants).ranges(shown_->body)};
    if (!ExportRecord(path, record, ExportWriters(RichTextBox1->font())))
        Messages().MsgBox(kExportNotWritten + QDir::toNativeSeparators(path),
                          MsgFlags::OkExclamation, kProgramTitle);
}

// "导出结果列表…": every record of the list, in its order, with a progress dialog.
void frmMain::exportList() {
    if (List1->count() == 0) {
        Messages().MsgBox(kNothingToExport, MsgFlags::OkOnly, kProgramTitle);
        return;
    }
    // A previewed list is the search the user has not made yet: it is made now.
    if (previewListed_)
        searchPreviewed();
    // The fields hold the category and keywords of the list's search (or of the title shown
    // from it), whatever the boxes hold since.
    const KnowledgeCategory* category = fields_.selected ? CategoryFor(*fields_.selected) : nullptr;
    if (!category)
        return;
    const QString path = AskExportFile(
        this, kExportListAction,
        category->caption + QStringLiteral("-") +
            (fields_.keywordBox.isEmpty() ? QStringLiteral("结果") : fields_.keywordBox));
    if (path.isEmpty())
        return;
    std::optional<QStringList> titles;
    if (pinyinListed_) {
        titles.emplace();
        for (int i = 0; i < List1->count(); ++i)
            *titles << List1->item(i)->text();
    }
    ListReader reader(*category, fields_.keywordBox, fields_.variants, titles);
    // The list is read from the result table, which holds it once the writes behind it are
    // done: the writing thread does them now, under the progress dialog, and a cancel meanwhile
    // leaves them to it rather than wait.
    reader.setBeforeReading([this, category,
                             byPinyin = pinyinListed_](const std::function<bool()>& stopped) {
        return engine_.writePendingWritesOf(
                   ConnectionString::parse(ConnectionStringFor(*category)).dataSource, stopped) &&
               (byPinyin || !engine_.resultsLost(*category));
    });
    exporting_ = true;
    std::optional<ExportOutcome> outcome;
    try {
        outcome = ExportListWithProgress(reader, path, ExportWriters(RichTextBox1->font()),
                                         List1->count(), this);
    } catch (const DbError&) {
    }
    exporting_ = false;
    if (closeWhenExported_) {
        // A close came meanwhile (and cancelled the export): it is done now.
        QTimer::singleShot(0, this, &QWidget::close);
        return;
    }
    if (!outcome)
        Messages().MsgBox(kCannotReadResult, MsgFlags::OkOnly, kProgramTitle);
    else if (*outcome == ExportOutcome::Failed)
        Messages().MsgBox(kExportNotWritten + QDir::toNativeSeparators(path),
                          MsgFlags::OkExclamation, kProgramTitle);
}

} // namespace meridane
