// Keeping what the user read: the 收藏 window with the favourites, the file dialog of an export,
// and a result list exported with a progress dialog that can be cancelled.
#pragma once

#include "services/favourites.h"
#include "services/record_export.h"

#include <QDialog>
#include <QElapsedTimer>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace meridane {

// The captions and messages of favourites and export.
inline const QString kFavouritesCaption = QStringLiteral("收藏");
inline const QString kAddFavouriteAction = QStringLiteral("加入收藏");
inline const QString kShowFavouritesAction = QStringLiteral("收藏夹…");
inline const QString kExportRecordAction = QStringLiteral("导出本条记录…");
inline const QString kExportListAction = QStringLiteral("导出结果列表…");
inline const QString kExportProgress = QStringLiteral("正在导出结果列表……");
// %1 the title, %2 the category.
inline const QString kFavouriteGone =
    QStringLiteral("收藏的记录“%1”（%2）已不存在。\r\n是否从收藏中删除？");
inline const QString kFavouritesUnreadable = QStringLiteral("无法读写收藏文件：");
inline const QString kExportNotWritten = QStringLiteral("无法保存文件：");
inline const QString kNothingToExport = QStringLiteral("结果列表是空的，没有可导出的记录。");

// The file dialog of an export; tests put one of their own in its place.
class ExportDialogService {
public:
    virtual ~ExportDialogService() = default;
    // The file to save to, suggested: the folder and name offered. Empty: cancelled.
    virtual QString AskSaveFile(QWidget* parent, const QString& caption,
                                const QString& suggested) = 0;
};
ExportDialogService& ExportDialog();
// Installs service (not owned); nullptr restores the on-screen dialog.
void SetExportDialogService(ExportDialogService* service);

// Asks for the file to export to, starting in the folder of the last export, and remembers the
// folder chosen; name is the file name offered (without extension). Empty: cancelled.
QString AskExportFile(QWidget* parent, const QString& caption, const QString& name);

enum class ExportOutcome { Written, Cancelled, Failed };

// Exports the list read by reader to path on a thread of its own, with a window-modal progress
// dialog over parent that counts to total and can be cancelled: the window only looks at the
// count, every pollMs. A cancelled or failed export leaves no file (an older file at path stays
// as it was). Throws DbError when the list cannot be read (nothing is left then either).
ExportOutcome ExportListWithProgress(ListReader& reader, const QString& path,
                                     const WriterFactory& makeWriter, qsizetype total,
                                     QWidget* parent, int pollMs = 50);

// The 收藏 window: the favourites, newest first, as category and title. A click (or Enter) on
// one asks the main window to open it; "删除" removes the chosen ones.
class FavouritesDialog : public QDialog {
    Q_OBJECT
public:
    explicit FavouritesDialog(FavouriteStore& store, QWidget* parent = nullptr);

    // Reads the store again (after a change from outside).
    void refresh();
    QTreeWidget* list() const { return list_; }
    QPushButton* removeButton() const { return remove_; }

signals:
    void openRequested(const meridane::Favourite& favourite);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void open(QTreeWidgetItem* item);
    void removeChosen();
    FavouriteStore& store_;
    QTreeWidget* list_;
    QLabel* empty_;
    QPushButton* remove_;
    std::vector<Favourite> shown_;
    QTreeWidgetItem* lastOpened_ = nullptr;
    QElapsedTimer sinceOpened_;
};

} // namespace meridane
