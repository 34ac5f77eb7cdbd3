// Form5: the editor of the user's own notes (me1 of the personal database).
#pragma once

#include "services/personal_records.h"

#include <QWidget>

#include <array>
#include <functional>
#include <map>

class Command;
class QAction;
class QLineEdit;
class QPlainTextEdit;

namespace meridane {

inline const QString kFindPrompt = QStringLiteral("在此输入您要查找的字符");

// Where the backup of the personal database goes: "d:\msjicbak" on Windows, ~/msjicbak
// elsewhere.
QString DefaultBackupPath();

// The text of the position line for the record numbered number at 0-based place position of
// count records: "12，3/40".
QString PositionLine(const QVariant& number, int position, int count);

class Form5 : public QWidget {
    Q_OBJECT
public:
    explicit Form5(QWidget* parent = nullptr);

    QLineEdit* Text2_0; // search text of the two filters
    Command *cmdSearch, *Command1;
    QPlainTextEdit* Text2_1; // title of the current record
    QPlainTextEdit* Text2_2; // body of the current record
    Command* cmdAdd;
    std::array<Command*, 4> cmdMove;
    QLineEdit* txtNews; // position line
    Command *cmdDelete, *Command2, *cmdSave, *Command7;
    QLineEdit* Text1; // text to find
    Command *cmdRefresh, *cmdExit, *Command3;

    // "导入…" and "导出…", in the window's context menu and on Ctrl+I and Ctrl+E.
    QAction* importAction;
    QAction* exportAction;
    // Where the notes are exported to, asked of the user (a file dialog unless replaced);
    // an empty path exports nothing.
    std::function<QString()> askExportFile;

    QString backupPath = DefaultBackupPath();
    const PersonalRecordSet& records() const { return set_; }

    void cmdMoveClick(int index);
    void cmdAddClick();
    void cmdDeleteClick();
    void cmdSaveClick();
    void cmdRefreshClick();
    void cmdSearchClick();
    void Command1Click();
    void Command7Click();
    void Command2Click();
    void Command3Click();
    void cmdExitClick();
    // Saves pending changes first (the user is asked), then opens the import dialog, on path
    // when one is given; the imported notes are then read in and the first of them shown.
    void importNotes(const QString& path = {});
    // Saves pending changes first, then writes every note to the file askExportFile gives:
    // CSV for a name ending in ".csv", JSON Lines otherwise.
    void exportNotes();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Design {
        QRect twips;
        qreal points;
    };
    void Form_Load();
    enum class SaveResult { Saved, Declined, Failed };
    // Opens the file, asks "是否保存？" and writes the pending changes; every failure is shown.
    SaveResult save(bool sayDeclined);
    void showSaveFailure(const PersonalSaveError& e);
    // Reads the file again into the set; false (after the open-failure notice) when it cannot.
    bool reload();
    void showCurrent(); // the current record in the boxes, which take typing only when there is one
    void showPosition(); // "编号，n/m", or "无记录" for an empty set
    void filter(PersonalRecordSet::Column column);

    PersonalRecordSet set_;
    std::map<QWidget*, Design> design_;
    int findPosition_ = 0;
    bool showing_ = false; // the boxes are being filled from the set
    bool tooLong_ = false; // the current note is longer than the boxes show
    QPixmap background_;
};

} // namespace meridane
