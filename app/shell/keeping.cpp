#include "shell/keeping.h"

#include "search/sqlite_db.h"
#include "services/user_settings.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <atomic>
#include <thread>

namespace meridane {

namespace {

class OnScreenExportDialog : public ExportDialogService {
public:
    QString AskSaveFile(QWidget* parent, const QString& caption,
                        const QString& suggested) override {
        QFileDialog dialog(parent, caption);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilters(ExportFilters());
        dialog.setDirectory(QFileInfo(suggested).absolutePath());
        dialog.selectFile(QFileInfo(suggested).fileName());
        // Another type gives the name typed so far its extension.
        QObject::connect(
            &dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
                const QFileInfo typed(dialog.selectedFiles().value(0));
                const QString name =
                    ExportFormatFor(typed.fileName()) ? typed.completeBaseName() : typed.fileName();
                if (!name.isEmpty())
                    dialog.selectFile(WithExportExtension(name, filter));
            });
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        return WithExportExtension(dialog.selectedFiles().first(), dialog.selectedNameFilter());
    }
};

ExportDialogService* g_exportDialog = nullptr;

// A title as a file name: the characters no file system takes become "_".
QString FileNameFor(QString name) {
    for (QChar& c : name)
        if (c == u'/' || c == u'\\' || c == u':' || c == u'*' || c == u'?' || c == u'"' ||
            c == u'<' || c == u'>' || c == u'|' || c.category() == QChar::Other_Control)
            c = u'_';
    name = name.trimmed();
    return name.isEmpty() ? QStringLiteral("记录") : name.left(80);
}

} // namespace

ExportDialogService& ExportDialog() {
    static OnScreenExportDialog onScreen;
    return g_exportDialog ? *g_exportDialog : onScreen;
}

void SetExportDialogService(ExportDialogService* service) {
    g_exportDialog = service;
}

QString AskExportFile(QWidget* parent, const QString& caption, const QString& name) {
    QString folder = ExportFolder();
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!QFileInfo(folder).isDir())
        folder = QDir::homePath();
    const QString chosen = ExportDialog().AskSaveFile(
        parent, caption, QDir(folder).filePath(FileNameFor(name) + QStringLiteral(".txt")));
    // A folder that is not there (the export will fail) does not replace the last good one.
    if (!chosen.isEmpty() && QFileInfo(QFileInfo(chosen).absolutePath()).isDir())
        SaveExportFolder(QFileInfo(chosen).absolutePath());
    return chosen;
}

ExportOutcome ExportListWithProgress(ListReader& reader, const QString& path,
                                     const WriterFactory& makeWriter, qsizetype total,
                                     QWidget* parent, int pollMs) {
    const std::optional<ExportFormat> format = ExportFormatFor(path);
    if (!format)
        return ExportOutcome::Failed;

    // The export's own thread reads, writes and commits; it stops at the next record once
    // cancelled, and then leaves nothing. A PDF's last step (its fonts and page index) takes a
    // good part of a second for a long list: no slice of the window's could hold it.
    std::atomic<bool> cancelled = false;
    std::atomic<qsizetype> done = 0;
    std::atomic<bool> ended = false;
    ExportOutcome outcome = ExportOutcome::Failed;
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            ExportFile file;
            if (file.open(path, *format, makeWriter)) {
                bool last = false;
                while (!last && !cancelled) {
                    last = reader.step(file.writer(), std::chrono::milliseconds(20));
                    done = reader.done();
                }
                if (cancelled) {
                    file.cancel();
                    outcome = ExportOutcome::Cancelled;
                } else {
                    outcome = file.commit() ? ExportOutcome::Written : ExportOutcome::Failed;
                }
            }
        } catch (...) {
            failure = std::current_exception();
        }
        ended = true;
    });

    QProgressDialog progress(kExportProgress, QStringLiteral("取消"), 0, int(total), parent);
    progress.setObjectName(QStringLiteral("exportProgress"));
    progress.setWindowTitle(kExportListAction);
    progress.setWindowModality(Qt::WindowModal);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setMinimumDuration(0);
    progress.setValue(0);
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(pollMs);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (ended) {
            loop.quit();
            return;
        }
        progress.setValue(int(std::min<qsizetype>(done, total)));
    });
    QObject::connect(&progress, &QProgressDialog::canceled, &loop, [&] {
        cancelled = true;
        progress.setLabelText(QStringLiteral("正在取消……"));
    });
    poll.start();
    if (!ended)
        loop.exec();
    // A loop ended from outside (the program quits) is a cancel: the worker stops at its next
    // record and leaves no file, rather than hold the window until the export is written.
    if (!ended)
        cancelled = true;
    poll.stop();
    worker.join();
    progress.hide();
    if (failure)
        std::rethrow_exception(failure);
    return outcome;
}

FavouritesDialog::FavouritesDialog(FavouriteStore& store, QWidget* parent)
    : QDialog(parent), store_(store) {
    setObjectName(QStringLiteral("favourites"));
    setWindowTitle(kFavouritesCaption);
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("favouritesList"));
    list_->setColumnCount(2);
    list_->setHeaderLabels({QStringLiteral("类别"), QStringLiteral("标题")});
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAlternatingRowColors(true);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->header()->setStretchLastSection(true);
    list_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    empty_ = new QLabel(QStringLiteral("还没有收藏。在记录上按 Ctrl+D，或用右键菜单的“加入收藏”。"),
                        this);
    empty_->setWordWrap(true);
    empty_->setAlignment(Qt::AlignCenter);

    auto* buttons = new QDialogButtonBox(this);
    remove_ = buttons->addButton(QStringLiteral("删除"), QDialogButtonBox::ActionRole);
    remove_->setObjectName(QStringLiteral("removeFavourite"));
    QPushButton* close = buttons->addButton(QStringLiteral("关闭"), QDialogButtonBox::RejectRole);
    close->setAutoDefault(false);
    remove_->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_, 1);
    layout->addWidget(empty_, 1);
    layout->addWidget(buttons);
    resize(420, 360);

    // A click opens; so does Enter on the current one (eventFilter). The second click of a
    // double click opens nothing more.
    connect(list_, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        if (item == lastOpened_ && sinceOpened_.isValid() &&
            sinceOpened_.elapsed() < QApplication::doubleClickInterval())
            return;
        open(item);
    });
    list_->installEventFilter(this);
    connect(remove_, &QPushButton::clicked, this, &FavouritesDialog::removeChosen);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QTreeWidget::itemSelectionChanged, this,
            [this] { remove_->setEnabled(!list_->selectedItems().isEmpty()); });
    refresh();
}

bool FavouritesDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && list_->currentItem()) {
            open(list_->currentItem());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void FavouritesDialog::open(QTreeWidgetItem* item) {
    const int row = list_->indexOfTopLevelItem(item);
    if (row < 0 || size_t(row) >= shown_.size())
        return;
    lastOpened_ = item;
    sinceOpened_.start();
    emit openRequested(shown_[size_t(row)]);
}

void FavouritesDialog::refresh() {
    try {
        shown_ = store_.list();
    } catch (const DbError&) {
        shown_.clear();
    }
    list_->clear();
    lastOpened_ = nullptr;
    for (const Favourite& f : shown_) {
        const KnowledgeCategory* category = CategoryFor(f.category);
        auto* item =
            new QTreeWidgetItem(list_, {category ? category->caption : QString(), f.title});
        item->setToolTip(1, f.title);
    }
    list_->setVisible(!shown_.empty());
    empty_->setVisible(shown_.empty());
    remove_->setEnabled(!list_->selectedItems().isEmpty());
}

void FavouritesDialog::removeChosen() {
    std::vector<Favourite> chosen;
    for (QTreeWidgetItem* item : list_->selectedItems()) {
        const int row = list_->indexOfTopLevelItem(item);
        if (row >= 0 && size_t(row) < shown_.size())
            chosen.push_back(shown_[size_t(row)]);
    }
    try {
        for (const Favourite& f : chosen)
            store_.remove(f);
    } catch (const DbError&) {
    }
    refresh();
}

} // namespace meridane
