#include "shell/personal_editor.h"

#include "search/message_service.h"
#include "search/modado.h"
#include "search/program_folder.h"
#include "search/record_display.h"
#include "search/sqlite_db.h"
#include "services/file_replace.h"
#include "services/main_layout.h"
#include "services/notes_export.h"
#include "shell/form_controls.h"
#include "shell/keyboard.h"
#include "shell/notes_import_dialog.h"

#include <drapix/command.h>

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLinearGradient>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>

namespace meridane {

namespace {

constexpr int kDesignWidth = 6975;
constexpr int kDesignHeight = 7905;
// Each control's design geometry in twips, kept exact for the proportional resize.
constexpr const char* kDesignProperty = "designTwips";

const QString kEditorTitle = QStringLiteral("我的资料库");
const QString kAskSave = QStringLiteral("是否保存？");
const QString kSaved = QStringLiteral("保存成功！");
const QString kNotSaved = QStringLiteral("未保存！");
const QString kSaveFailed = QStringLiteral("操作失败！");
const QString kDuplicateTitle = QStringLiteral("已有相同标题的记录存在，请更改标题！");
const QString kChangedElsewhere =
    QStringLiteral("资料库中的记录已被改动，本次修改均未写入，请刷新后再修改！");
const QString kCannotOpen = QStringLiteral("无法打开资料库文件，修改均未写入！");
const QString kCannotWrite = QStringLiteral("无法写入资料库文件，修改均未写入！");
const QString kNoRecordToEdit = QStringLiteral("没有可以编辑的记录，请先点击“添加”！");
const QString kAskReload = QStringLiteral("将放弃未保存操作！");
const QString kNoMatch = QStringLiteral("没有查到相应的纪录！");
const QString kBackedUp = QStringLiteral("备份成功！");
const QString kBackupFailed = QStringLiteral("备份失败！");
const QString kRestored = QStringLiteral("恢复成功！");
const QString kNoBackup = QStringLiteral("没有找到备份文件！");
const QString kBadBackup = QStringLiteral("备份文件不是有效的资料库，未恢复！");
const QString kRestoreFailed = QStringLiteral("无法替换资料库文件，未恢复！");
const QString kUnusableNotes = QStringLiteral("资料库文件不是本程序可以编辑的资料库，未读入！");
const QString kNoteCut = QStringLiteral("\n……（本条资料共 %1 字，过长，只显示了前 %2 字）");
const QString kNoteTooLong = QStringLiteral("本条资料过长，不能在此修改！");
const QString kImported = QStringLiteral("导入成功！共导入 %1 条资料。");
const QString kImportedRenamed = QStringLiteral("其中 %1 条的标题已有，已加上序号。");
const QString kExported = QStringLiteral("导出成功！共导出 %1 条资料。");
const QString kExportFailed = QStringLiteral("导出失败！");

// A key press that would change the text of an editable box.
bool WouldEdit(const QKeyEvent* key) {
    if (key->matches(QKeySequence::Copy) || key->matches(QKeySequence::SelectAll))
        return false;
    switch (key->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Escape:
        return false;
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return true;
    default:
        return key->matches(QKeySequence::Paste) || key->matches(QKeySequence::Cut) ||
               key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo) ||
               (!key->text().isEmpty() && key->text().at(0).isPrint());
    }
}

// A quiet picture of the project's own: a pale paper gradient with a sprig in the corner.
QPixmap Background(QSize size) {
    QPixmap pm(size);
    QPainter p(&pm);
    QLinearGradient g(0, 0, 0, size.height());
    g.setColorAt(0, QColor(0xE9, 0xEE, 0xF8));
    g.setColorAt(1, QColor(0xC9, 0xD5, 0xEC));
    p.fillRect(pm.rect(), g);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x9A, 0xB4, 0x9A, 120), 2));
    const QPointF root(size.width() * 0.92, size.height() * 0.98);
    for (int i = 0; i < 5; ++i) {
        QPainterPath leaf;
        const QPointF tip(size.width() * (0.70 + 0.05 * i), size.height() * (0.80 + 0.03 * i));
        leaf.moveTo(root);
        leaf.quadTo(QPointF(tip.x(), root.y()), tip);
        leaf.quadTo(QPointF(root.x(), tip.y()), root);
        p.fillPath(leaf, QColor(0xA8, 0xC8, 0xA0, 70));
        p.drawPath(leaf);
    }
    return pm;
}

// Places a control at its design geometry, which it keeps for the proportional resize.
void PlaceAtDesign(QWidget* w, QRect twips) {
    w->setProperty(kDesignProperty, twips);
    w->setGeometry(TwipsToPixels(twips.x()), TwipsToPixels(twips.y()), TwipsToPixels(twips.width()),
                   TwipsToPixels(twips.height()));
}

template <typename W>
W* Make(QWidget* parent, const char* name, QRect twips, const QString& text = {}) {
    auto* w = new W(parent);
    w->setObjectName(QLatin1String(name));
    PlaceAtDesign(w, twips);
    if constexpr (std::is_same_v<W, QPlainTextEdit>)
        w->setPlainText(text);
    else
        w->setText(text);
    return w;
}

// Shows text in a box: at most its first kMaxShownChars characters, then a line saying how many
// are not shown; a run too long to wrap at word boundaries in good time wraps anywhere.
void ShowInBox(QPlainTextEdit& box, const QString& text) {
    const QString shown = ShownPart(text);
    box.setWordWrapMode(HasUnbreakableRun(shown) ? QTextOption::WrapAnywhere
                                                 : QTextOption::WrapAtWordBoundaryOrAnywhere);
    if (shown.size() == text.size())
        box.setPlainText(text);
    else
        box.setPlainText(shown + kNoteCut.arg(text.size()).arg(shown.size()));
}

} // namespace

QString DefaultBackupPath() {
#ifdef Q_OS_WIN
    return QStringLiteral("d:\\msjicbak");
#else
    return QDir::homePath() + QStringLiteral("/msjicbak");
#endif
}

QString PositionLine(const QVariant& number, int position, int count) {
    return QStringLiteral("%1，%2/%3").arg(NumberText(number)).arg(position + 1).arg(count);
}

Form5::Form5(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("我的资料库_数据输入"));
    resize(TwipsToPixels(kDesignWidth), TwipsToPixels(kDesignHeight));

    // The buttons come from the library, with the properties stored for this form.
    const drapix::StoredForm form = LoadFormData(objectName());
    const auto button = [this, &form](const char* name, QRect r) {
        Command* b = CreateCommand(form, QLatin1String(name), this);
        PlaceAtDesign(b, r);
        return b;
    };
    Text2_0 = Make<QLineEdit>(this, "Text2_0", {120, 240, 4335, 372});
    cmdSearch = button("cmdSearch", {4560, 240, 1095, 375});
    Command1 = button("Command1", {5760, 240, 1095, 375});
    Text2_1 =
        Make<QPlainTextEdit>(this, "Text2_1", {120, 720, 6735, 375}, QStringLiteral("标题\n"));
    Text2_2 =
        Make<QPlainTextEdit>(this, "Text2_2", {120, 1080, 6735, 5652}, QStringLiteral("正文\n"));
    for (QPlainTextEdit* box : {Text2_1, Text2_2})
        box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    cmdAdd = button("cmdAdd", {120, 6840, 735, 375});
    cmdMove[0] = button("cmdMove_0", {960, 6840, 495, 375});
    cmdMove[1] = button("cmdMove_1", {1440, 6840, 495, 375});
    txtNews = Make<QLineEdit>(this, "txtNews", {2040, 6840, 2175, 375});
    cmdMove[2] = button("cmdMove_2", {4320, 6840, 495, 375});
    cmdMove[3] = button("cmdMove_3", {4800, 6840, 495, 375});
    cmdDelete = button("cmdDelete", {5400, 6840, 735, 375});
    Command2 = button("Command2", {6240, 6840, 615, 375});
    cmdSave = button("cmdSave", {120, 7320, 735, 375});
    Command7 = button("Command7", {960, 7320, 975, 375});
    Text1 = Make<QLineEdit>(this, "Text1", {2040, 7320, 2175, 375}, kFindPrompt);
    cmdRefresh = button("cmdRefresh", {4320, 7320, 975, 375});
    cmdExit = button("cmdExit", {5400, 7320, 735, 375});
    Command3 = button("Command3", {6240, 7320, 615, 375});

    for (int i = 0; i < 4; ++i)
        connect(cmdMove[size_t(i)], &Command::Click, this, [this, i] { cmdMoveClick(i); });
    const std::pair<Command*, void (Form5::*)()> clicks[] = {
        {cmdAdd, &Form5::cmdAddClick},       {cmdDelete, &Form5::cmdDeleteClick},
        {cmdSave, &Form5::cmdSaveClick},     {cmdRefresh, &Form5::cmdRefreshClick},
        {cmdSearch, &Form5::cmdSearchClick}, {Command1, &Form5::Command1Click},
        {Command7, &Form5::Command7Click},   {Command2, &Form5::Command2Click},
        {Command3, &Form5::Command3Click},   {cmdExit, &Form5::cmdExitClick}};
    for (const auto& [b, handler] : clicks)
        connect(b, &Command::Click, this, handler);

    // The bound boxes write into the current record.
    connect(Text2_1, &QPlainTextEdit::textChanged, this, [this] {
        if (!showing_)
            set_.setTitle(Text2_1->toPlainText());
    });
    connect(Text2_2, &QPlainTextEdit::textChanged, this, [this] {
        if (!showing_)
            set_.setBody(Text2_2->toPlainText());
    });
    Text1->setMouseTracking(true);
    Text1->installEventFilter(this);
    Text2_1->installEventFilter(this);
    Text2_2->installEventFilter(this);
    // Tab moves on to the next control; a note's text takes no tab characters.
    LeaveOnTab(*Text2_1);
    LeaveOnTab(*Text2_2);

    // The form has no room for more buttons: the import and export are in the window's
    // context menu, with their keys.
    importAction = new QAction(QStringLiteral("导入…"), this);
    importAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    exportAction = new QAction(QStringLiteral("导出…"), this);
    exportAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    for (QAction* a : {importAction, exportAction}) {
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a);
    }
    setContextMenuPolicy(Qt::ActionsContextMenu);
    // The boxes fill most of the window: their menus offer the two as well.
    for (QPlainTextEdit* box : {Text2_1, Text2_2}) {
        box->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(box, &QWidget::customContextMenuRequested, this, [this, box](QPoint at) {
            QMenu* menu = box->createStandardContextMenu(at);
            menu->addSeparator();
            menu->addAction(importAction);
            menu->addAction(exportAction);
            menu->setAttribute(Qt::WA_DeleteOnClose);
            menu->popup(box->viewport()->mapToGlobal(at));
        });
    }
    connect(importAction, &QAction::triggered, this, [this] { importNotes(); });
    connect(exportAction, &QAction::triggered, this, &Form5::exportNotes);
    askExportFile = [this] {
        const QString jsonLines = QStringLiteral("JSON Lines (*.jsonl)");
        const QString csv = QStringLiteral("CSV (*.csv)");
        QString chosenType;
        QString path =
            QFileDialog::getSaveFileName(this, QStringLiteral("导出资料"),
                                         QDir::home().filePath(QStringLiteral("我的资料库.jsonl")),
                                         jsonLines + QStringLiteral(";;") + csv, &chosenType);
        // A name typed without its extension gets the chosen type's, so that the file is
        // written, and read back by 导入…, in that type.
        const QString suffix = QFileInfo(path).suffix().toLower();
        if (!path.isEmpty() && suffix != QLatin1String("csv") && suffix != QLatin1String("jsonl"))
            path += chosenType == csv ? QStringLiteral(".csv") : QStringLiteral(".jsonl");
        return path;
    };

    Form_Load();
}

void Form5::Form_Load() {
    // The design geometry and lettering of every control, for the proportional resize.
    for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (const QVariant twips = w->property(kDesignProperty); twips.isValid())
            design_[w] = {twips.toRect(), w->font().pointSizeF()};
    try {
        set_.load(PersonalDbPath());
    } catch (const UnusableNotesError&) {
        // Opened, looked at and left alone: nothing of it was read or run.
        showCurrent();
        Messages().MsgBox(kUnusableNotes, MsgFlags::OkOnly, kProgramTitle);
        return;
    } catch (const DbError&) {
        showCurrent();
        return;
    }
    showCurrent();
    if (set_.current())
        showPosition();
}

void Form5::showCurrent() {
    showing_ = true;
    const PersonalRecord* r = set_.current();
    const QString title = r ? r->title : QString();
    const QString body = r ? r->body : QString();
    // A note too long to show whole shows its first part, says so, and is not edited here: what
    // the boxes hold would replace the whole note.
    tooLong_ = title.size() > kMaxShownChars || body.size() > kMaxShownChars;
    ShowInBox(*Text2_1, title);
    ShowInBox(*Text2_2, body);
    // With no record to write into, the boxes take nothing (and typing there says why).
    Text2_1->setReadOnly(!r || tooLong_);
    Text2_2->setReadOnly(!r || tooLong_);
    showing_ = false;
}

void Form5::showPosition() {
    const PersonalRecord* r = set_.current();
    txtNews->setText(r ? PositionLine(r->number, set_.position(), set_.count())
                       : QStringLiteral("无记录"));
}

void Form5::cmdMoveClick(int index) {
    switch (index) {
    case 0:
        set_.moveFirst();
        break;
    case 1:
        set_.movePrevious();
        break;
    case 2:
        set_.moveNext();
        break;
    case 3:
        set_.moveLast();
        break;
    }
    showCurrent();
    showPosition();
}

void Form5::cmdAddClick() {
    set_.addNew();
    showCurrent();
    Text2_1->setFocus();
    txtNews->setText(QStringLiteral("记录：%1/%2").arg(set_.position() + 1).arg(set_.count()));
}

void Form5::cmdDeleteClick() {
    if (!set_.current())
        return;
    const QString title = Text2_1->toPlainText().trimmed();
    if (Messages().MsgBox(QStringLiteral("将删除标题为") + title +
                              QStringLiteral("的数据，是否继续？"),
                          MsgFlags::YesNoStop, kEditorTitle) != MsgAnswer::Yes)
        return;
    set_.deleteCurrent();
    showCurrent();
    if (set_.current())
        txtNews->setText(QStringLiteral("%1/%2").arg(set_.position() + 1).arg(set_.count()));
    else
        showPosition(); // the last one is gone: "无记录"
}

Form5::SaveResult Form5::save(bool sayDeclined) {
    // The file is opened before the question: a save that cannot happen is not offered.
    SqlConnection db;
    try {
        db = PersonalRecordSet::Connect(PersonalDbPath());
    } catch (const PersonalSaveError& e) {
        showSaveFailure(e);
        return SaveResult::Failed;
    }
    if (Messages().MsgBox(kAskSave, MsgFlags::YesNo, kProgramTitle) != MsgAnswer::Yes) {
        db.close();
        if (sayDeclined)
            Messages().MsgBox(kNotSaved, MsgFlags::OkOnly, kProgramTitle);
        return SaveResult::Declined;
    }
    try {
        AnnounceFileChange(PersonalDbPath());
        set_.save(db);
    } catch (const PersonalSaveError& e) {
        db.close();
        showSaveFailure(e);
        return SaveResult::Failed;
    }
    db.close();
    // New notes now carry the numbers the file gave them.
    if (set_.current())
        showPosition();
    Messages().MsgBox(kSaved, MsgFlags::OkOnly, kProgramTitle);
    return SaveResult::Saved;
}

void Form5::showSaveFailure(const PersonalSaveError& e) {
    QString reason;
    switch (e.reason()) {
    case PersonalSaveError::Reason::CannotOpen:
        reason = kCannotOpen;
        break;
    case PersonalSaveError::Reason::DuplicateTitle:
        reason = kDuplicateTitle;
        break;
    case PersonalSaveError::Reason::ChangedElsewhere:
        reason = kChangedElsewhere;
        break;
    case PersonalSaveError::Reason::CannotWrite:
        reason = kCannotWrite;
        break;
    }
    Messages().MsgBox(kSaveFailed + reason, MsgFlags::OkOnly, kProgramTitle);
}

void Form5::cmdSaveClick() {
    save(true);
}

bool Form5::reload() {
    try {
        set_.load(PersonalDbPath());
    } catch (const UnusableNotesError&) {
        Messages().MsgBox(kUnusableNotes, MsgFlags::OkOnly, kProgramTitle);
        return false;
    } catch (const DbError&) {
        // The notes in memory stay as they were; say why nothing changed.
        Messages().MsgBox(kOpenFailureNotice, MsgFlags::OkOnly, kProgramTitle);
        return false;
    }
    showCurrent();
    txtNews->setText(QStringLiteral("%1/%2").arg(set_.position() + 1).arg(set_.count()));
    return true;
}

void Form5::cmdRefreshClick() {
    if (Messages().MsgBox(kAskReload, MsgFlags::YesNo, kProgramTitle) != MsgAnswer::Yes)
        return;
    reload();
}

void Form5::filter(PersonalRecordSet::Column column) {
    if (!set_.setFilter(column, Text2_0->text())) {
        // A text the filter cannot take: the records shown before stay, and so does the record
        // being edited.
        Messages().MsgBox(kNoMatch, MsgFlags::OkOnly, kProgramTitle);
        return;
    }
    if (set_.count() == 0)
        txtNews->clear();
    showCurrent();
    if (!set_.current()) {
        Messages().MsgBox(kNoMatch, MsgFlags::OkOnly, kProgramTitle);
        return;
    }
    showPosition();
}

void Form5::cmdSearchClick() {
    filter(PersonalRecordSet::Column::Title);
}

void Form5::Command1Click() {
    filter(PersonalRecordSet::Column::Body);
}

void Form5::Command7Click() {
    const QString needle = Text1->text();
    const QString text = Text2_2->toPlainText();
    const int length = int(needle.size());
    if (findPosition_ >= 1)
        findPosition_ = int(text.indexOf(needle, findPosition_ - 1, Qt::CaseSensitive)) + 1;
    Text2_2->setFocus();
    QTextCursor c = Text2_2->textCursor();
    const int start = findPosition_ >= 1 ? findPosition_ - 1 : c.selectionStart();
    c.setPosition(std::min(start, int(text.size())));
    c.setPosition(std::min(start + length, int(text.size())), QTextCursor::KeepAnchor);
    Text2_2->setTextCursor(c);
    findPosition_ = length >= 2 ? findPosition_ - 1 + length : findPosition_ + 1;
}

void Form5::Command2Click() {
    if (CopyReplacing(PersonalDbPath(), backupPath))
        Messages().MsgBox(kBackedUp, MsgFlags::OkOnly, kProgramTitle);
    else
        Messages().MsgBox(kBackupFailed, MsgFlags::OkOnly, kProgramTitle);
}

void Form5::Command3Click() {
    // The notes in memory are read again from the restored file (saving them over it would
    // undo the restore note by note), so changes not yet saved are given up only when the user
    // agrees.
    if (set_.hasPendingChanges() &&
        Messages().MsgBox(kAskReload, MsgFlags::YesNo, kProgramTitle) != MsgAnswer::Yes)
        return;
    switch (RestoreNotes(backupPath, PersonalDbPath())) {
    case RestoreOutcome::NoBackup:
        Messages().MsgBox(kNoBackup, MsgFlags::OkOnly, kProgramTitle);
        return;
    case RestoreOutcome::NotNotes:
        Messages().MsgBox(kBadBackup, MsgFlags::OkOnly, kProgramTitle);
        return;
    case RestoreOutcome::CannotWrite:
        Messages().MsgBox(kRestoreFailed, MsgFlags::OkOnly, kProgramTitle);
        return;
    case RestoreOutcome::Restored:
        break;
    }
    if (reload())
        Messages().MsgBox(kRestored, MsgFlags::OkOnly, kProgramTitle);
}

void Form5::importNotes(const QString& path) {
    // The import writes into the file and reads it in again: changes not yet saved go first.
    if (set_.hasPendingChanges() && save(true) != SaveResult::Saved)
        return;
    NotesImportDialog dialog(PersonalDbPath(), this);
    if (!path.isEmpty())
        dialog.openFile(path);
    if (dialog.exec() != QDialog::Accepted || !dialog.result())
        return;
    const ImportSummary done = *dialog.result();
    if (!reload())
        return;
    if (set_.moveToNumber(done.firstNumber)) {
        showCurrent();
        showPosition();
    }
    QString said = kImported.arg(done.imported);
    if (done.renamed > 0)
        said += kImportedRenamed.arg(done.renamed);
    Messages().MsgBox(said, MsgFlags::OkOnly, kProgramTitle);
}

void Form5::exportNotes() {
    if (set_.hasPendingChanges() && save(true) != SaveResult::Saved)
        return;
    const QString target = askExportFile ? askExportFile() : QString();
    if (target.isEmpty())
        return;
    const NotesFormat format =
        QFileInfo(target).suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0
            ? NotesFormat::Csv
            : NotesFormat::JsonLines;
    std::optional<int> written;
    try {
        written = ExportNotes(PersonalDbPath(), target, format);
    } catch (const DbError&) {
    }
    if (written)
        Messages().MsgBox(kExported.arg(*written), MsgFlags::OkOnly, kProgramTitle);
    else
        Messages().MsgBox(kExportFailed, MsgFlags::OkOnly, kProgramTitle);
}

void Form5::cmdExitClick() {
    close();
}

void Form5::closeEvent(QCloseEvent* event) {
    // Unsaved notes are not dropped without asking; when they cannot be saved, the user says
    // whether to give them up.
    if (set_.hasPendingChanges() && save(false) == SaveResult::Failed &&
        Messages().MsgBox(kAskReload, MsgFlags::YesNo, kProgramTitle) != MsgAnswer::Yes) {
        event->ignore();
        return;
    }
    event->accept();
}

void Form5::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const qreal sx = qreal(width() * kTwipsPerPixel) / kDesignWidth;
    const qreal sy = qreal(height() * kTwipsPerPixel) / kDesignHeight;
    for (const auto& [w, d] : design_) {
        const bool visible = !w->isHidden(); // its own state, whether or not the window shows yet
        w->hide();
        w->setGeometry(TwipsToPixels(sx * d.twips.x()), TwipsToPixels(sy * d.twips.y()),
                       TwipsToPixels(sx * d.twips.width()), TwipsToPixels(sy * d.twips.height()));
        if (d.points > 0) {
            QFont f = w->font();
            f.setPointSizeF(std::max(1.0, (sx < sy ? sx : sy) * d.points));
            w->setFont(f);
        }
        w->setVisible(visible);
    }
    background_ = Background(size());
}

void Form5::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    if (background_.size() != size())
        background_ = Background(size());
    QPainter(this).drawPixmap(0, 0, background_);
}

bool Form5::eventFilter(QObject* watched, QEvent* event) {
    // Typing into a bound box that has no record behind it is refused aloud.
    if ((watched == Text2_1 || watched == Text2_2) && event->type() == QEvent::KeyPress &&
        !set_.current() && WouldEdit(static_cast<QKeyEvent*>(event))) {
        Messages().MsgBox(kNoRecordToEdit, MsgFlags::OkOnly, kProgramTitle);
        return true;
    }
    if ((watched == Text2_1 || watched == Text2_2) && event->type() == QEvent::KeyPress &&
        tooLong_ && WouldEdit(static_cast<QKeyEvent*>(event))) {
        Messages().MsgBox(kNoteTooLong, MsgFlags::OkOnly, kProgramTitle);
        return true;
    }
    // A click into the find box, or the mouse over it, takes the prompt away; typed text stays.
    if (watched == Text1 &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseMove) &&
        Text1->text() == kFindPrompt)
        Text1->clear();
    return QWidget::eventFilter(watched, event);
}

} // namespace meridane
