// frmAbout: the program's name, usage hints, a disclaimer and the system-information button.
#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QPushButton;

namespace meridane {

inline const QString kNoSysInfo = QStringLiteral("此时系统信息不可用");

// Makes label as large as its text needs in its font: taller (around the same middle unless the
// text is aligned to the top), and wider when it does not wrap. Returns the height it grew by.
int FitLabelToText(QLabel& label);

// The program's icon, painted (32 x 32 and larger).
QIcon ProgramIcon();

#ifdef Q_OS_WIN
// Reads the text value subKeyRef of keyName under keyRoot (an HKEY) into keyVal, opening the key
// for reading only. False (keyVal empty) when the key or the value cannot be read.
bool GetKeyValue(void* keyRoot, const QString& keyName, const QString& subKeyRef, QString& keyVal);
#endif

// Programs that show system information on desktops without the Windows tool, in the order
// they are looked for.
QStringList SystemInfoPrograms();

// Starts the system's information tool, or says "此时系统信息不可用". searchPath: the folders
// to look in instead of PATH (empty: PATH).
void StartSysInfo(const QStringList& searchPath = {});

class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

    QLabel* picIcon;
    QLabel* lblTitle;
    QLabel* lblDescription;
    QPushButton* cmdSysInfo;
    QPushButton* cmdOK;

    QStringList sysInfoSearchPath; // empty: PATH

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int descriptionGrowth_ = 0;
};

// "    1.输入…" etc.: the three lines of the description, joined by CR LF.
QString AboutDescription();

} // namespace meridane
