#include "shell/notes_import_dialog.h"

#include "search/message_service.h"
#include "services/personal_records.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace meridane {

namespace {

constexpr int kPreviewRows = 300;
constexpr qsizetype kPreviewLineLength = 40;

const QString kDetected = QStringLiteral("（文件中识别出的编码：%1）");
const QString kSummary = QStringLiteral("将导入 %1 条资料。");
const QString kRenamed = QStringLiteral("其中 %1 条的标题已有，将加上“（二）”“（三）”等序号。");
const QString kMoreRows = QStringLiteral("（下表只列出前 %1 条）");
const QString kNoFile = QStringLiteral("请先选择要导入的文件。");
const QString kCancelled = QStringLiteral("已取消导入，资料库未改动。");
const QString kCannotOpenNotes = QStringLiteral("无法打开资料库文件，未导入！");
const QString kCannotWriteNotes = QStringLiteral("无法写入资料库文件，未导入！");

QString FirstLineOf(const QString& body) {
    for (const QStringView line : QStringView(body).split(QLatin1Char('\n')))
        if (!line.trimmed().isEmpty())
            return line.trimmed().left(kPreviewLineLength).toString();
    return {};
}

} // namespace

NotesImportDialog::NotesImportDialog(const QString& notesFile, QWidget* parent)
    : QDialog(parent), notesFile_(notesFile) {
    setObjectName(QStringLiteral("NotesImportDialog"));
    setWindowTitle(QStringLiteral("导入资料"));
    resize(640, 520);

    chooseButton = new QPushButton(QStringLiteral("选择文件…"), this);
    fileLabel = new QLabel(kNoFile, this);
    fileLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(fileLabel, 1);
    fileRow->addWidget(chooseButton);

    format = new QComboBox(this);
    format->addItem(QStringLiteral("纯文本"), int(ImportFormat::Text));
    format->addItem(QStringLiteral("JSON Lines（标题、文本）"), int(ImportFormat::JsonLines));
    format->addItem(QStringLiteral("CSV（标题、文本两列）"), int(ImportFormat::Csv));
    encoding = new QComboBox(this);
    for (const TextEncoding e : {TextEncoding::Utf8, TextEncoding::Gb18030, TextEncoding::Big5})
        encoding->addItem(EncodingName(e), int(e));
    detected = new QLabel(this);
    auto* encodingRow = new QHBoxLayout;
    encodingRow->addWidget(encoding);
    encodingRow->addWidget(detected, 1);
    rule = new QComboBox(this);
    rule->addItem(QStringLiteral("每个标题行一条"), int(SplitRule::Heading));
    rule->addItem(QStringLiteral("每个段落一条（段落之间空一行）"), int(SplitRule::Paragraph));
    rule->addItem(QStringLiteral("整个文件一条"), int(SplitRule::WholeFile));
    pattern = new QLineEdit(DefaultHeadingPattern(), this);
    pattern->setCursorPosition(0);
    pattern->setToolTip(
        QStringLiteral("不超过 %1 个字、且符合此正则表达式的行作为标题").arg(kMaxHeadingLength));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("文件："), fileRow);
    form->addRow(QStringLiteral("格式："), format);
    form->addRow(QStringLiteral("编码："), encodingRow);
    form->addRow(QStringLiteral("分条："), rule);
    form->addRow(QStringLiteral("标题行格式："), pattern);

    summary = new QLabel(this);
    summary->setWordWrap(true);
    preview = new QTreeWidget(this);
    preview->setRootIsDecorated(false);
    preview->setHeaderLabels(
        {QStringLiteral("行"), QStringLiteral("标题"), QStringLiteral("正文开头")});
    preview->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    preview->setColumnWidth(1, 200);
    progress = new QProgressBar(this);
    progress->setVisible(false);

    auto* buttons = new QDialogButtonBox(this);
    importButton = buttons->addButton(QStringLiteral("导入"), QDialogButtonBox::AcceptRole);
    cancelButton = buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    importButton->setEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(summary);
    layout->addWidget(preview, 1);
    layout->addWidget(progress);
    layout->addWidget(buttons);

    refreshSoon_.setSingleShot(true);
    refreshSoon_.setInterval(250);
    connect(&refreshSoon_, &QTimer::timeout, this, &NotesImportDialog::refresh);
    connect(chooseButton, &QPushButton::clicked, this, &NotesImportDialog::chooseFile);
    connect(importButton, &QPushButton::clicked, this, &NotesImportDialog::startImport);
    connect(cancelButton, &QPushButton::clicked, this, &NotesImportDialog::reject);
    for (QComboBox* box : {format, encoding, rule})
        connect(box, &QComboBox::currentIndexChanged, this, &NotesImportDialog::refresh);
    connect(pattern, &QLineEdit::textChanged, &refreshSoon_, qOverload<>(&QTimer::start));

    try {
        taken_ = TakenTitles(notesFile_);
    } catch (const DbError&) {
        // The import says why it cannot write; the preview counts no title as taken.
    }
    refresh();
}

NotesImportDialog::~NotesImportDialog() {
    if (worker_) {
        cancel_ = true;
        worker_->wait();
    }
}

void NotesImportDialog::chooseFile() {
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("选择要导入的文件"), QFileInfo(path_).absolutePath(),
        QStringLiteral("文本、JSON Lines 或 CSV 文件 (*.txt *.jsonl *.json *.csv);;所有文件 (*)"));
    if (!path.isEmpty())
        openFile(path);
}

void NotesImportDialog::openFile(const QString& path) {
    QFile file(path);
    path_ = path;
    bytes_ = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    fileLabel->setText(QFileInfo(path).fileName());
    const ImportFormat suggested = FormatForFile(path);
    const TextEncoding found =
        suggested == ImportFormat::JsonLines ? TextEncoding::Utf8 : DetectEncoding(bytes_);
    detected->setText(kDetected.arg(EncodingName(found)));
    const QSignalBlocker a(format), b(encoding);
    format->setCurrentIndex(format->findData(int(suggested)));
    encoding->setCurrentIndex(encoding->findData(int(found)));
    refresh();
}

ImportSource NotesImportDialog::source() const {
    ImportSource s;
    s.format = ImportFormat(format->currentData().toInt());
    s.encoding = TextEncoding(encoding->currentData().toInt());
    s.rule = SplitRule(rule->currentData().toInt());
    s.headingPattern = pattern->text();
    s.fileTitle = QFileInfo(path_).completeBaseName();
    return s;
}

void NotesImportDialog::refresh() {
    refreshSoon_.stop();
    const ImportSource s = source();
    const bool text = s.format == ImportFormat::Text;
    encoding->setEnabled(s.format != ImportFormat::JsonLines);
    rule->setEnabled(text);
    pattern->setEnabled(text && s.rule == SplitRule::Heading);
    notes_.clear();
    plan_ = {};
    preview->clear();
    importButton->setEnabled(false);
    if (path_.isEmpty()) {
        summary->setText(kNoFile);
        return;
    }
    try {
        if (bytes_.isNull())
            throw ImportError(ImportError::Reason::CannotRead, 0, "cannot read the file");
        notes_ = ReadNotes(bytes_, s);
    } catch (const ImportError& e) {
        summary->setText(ImportErrorText(e));
        return;
    }
    plan_ = UniqueTitles(notes_, taken_);
    QString said = kSummary.arg(notes_.size());
    if (plan_.renamed > 0)
        said += kRenamed.arg(plan_.renamed);
    if (qsizetype(notes_.size()) > kPreviewRows)
        said += kMoreRows.arg(kPreviewRows);
    summary->setText(said);
    QList<QTreeWidgetItem*> rows;
    for (qsizetype i = 0; i < qsizetype(notes_.size()) && i < kPreviewRows; ++i)
        rows << new QTreeWidgetItem(QStringList{QString::number(notes_[size_t(i)].line),
                                                plan_.titles.at(i),
                                                FirstLineOf(notes_[size_t(i)].body)});
    preview->addTopLevelItems(rows);
    importButton->setEnabled(true);
}

void NotesImportDialog::startImport() {
    if (worker_ || notes_.empty())
        return;
    refreshSoon_.stop();
    for (QWidget* w : std::initializer_list<QWidget*>{chooseButton, format, encoding, rule, pattern,
                                                      importButton})
        w->setEnabled(false);
    progress->setRange(0, int(notes_.size()));
    progress->setValue(0);
    progress->setVisible(true);
    cancel_ = false;
    cancelled_ = false;
    failure_.clear();
    result_.reset();
    // Said before the worker starts: whoever keeps something read from the file lets it go.
    AnnounceFileChange(notesFile_);
    worker_ = QThread::create([this] {
        try {
            SqlConnection db = PersonalRecordSet::Connect(notesFile_);
            result_ = ImportNotes(db, notes_, [this](qsizetype done, qsizetype) {
                QMetaObject::invokeMethod(
                    progress, [this, done] { progress->setValue(int(done)); },
                    Qt::QueuedConnection);
                return !cancel_.load();
            });
            cancelled_ = !result_;
        } catch (const PersonalSaveError& e) {
            failure_ = e.reason() == PersonalSaveError::Reason::CannotOpen ? kCannotOpenNotes
                                                                           : kCannotWriteNotes;
        }
    });
    // A thread that reject() has already waited for and deleted finishes nothing more.
    connect(worker_, &QThread::finished, this, [this, started = worker_] {
        if (worker_ == started)
            finishImport();
    });
    worker_->start();
}

void NotesImportDialog::finishImport() {
    if (!worker_)
        return;
    worker_->wait();
    delete worker_;
    worker_ = nullptr;
    progress->setVisible(false);
    emit importEnded();
    if (result_) {
        accept();
        return;
    }
    chooseButton->setEnabled(true);
    format->setEnabled(true);
    refresh();
    if (cancelled_)
        summary->setText(kCancelled);
    else if (!failure_.isEmpty())
        Messages().MsgBox(failure_, MsgFlags::OkOnly, kProgramTitle);
}

void NotesImportDialog::reject() {
    if (worker_) {
        // The rollback is quick; the dialog stays until the file is as it was.
        cancel_ = true;
        finishImport();
        return;
    }
    QDialog::reject();
}

} // namespace meridane
