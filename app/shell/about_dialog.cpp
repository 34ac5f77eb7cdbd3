#include "shell/about_dialog.h"

#include "search/message_service.h"
#include "services/main_layout.h"
#include "services/site.h"
#include "shell/program_icon.h"
#include "shell/shell_services.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStandardPaths>

#include <algorithm>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace meridane {

namespace {

QRect Twips(int left, int top, int width, int height) {
    return {TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width), TwipsToPixels(height)};
}

bool StartTool(const QString& program) {
    return QFileInfo(program).isFile() && Shell().StartProgram(program, {});
}

} // namespace

int FitLabelToText(QLabel& label) {
    const QRect inside = label.contentsRect();
    const int flags = int(label.alignment()) | (label.wordWrap() ? int(Qt::TextWordWrap) : 0);
    const QRect need = QFontMetrics(label.font()).boundingRect(inside, flags, label.text());
    QRect g = label.geometry();
    if (!label.wordWrap() && need.width() > inside.width())
        g.setWidth(g.width() + need.width() - inside.width());
    const int grow = std::max(0, need.height() - inside.height());
    if (label.alignment() & Qt::AlignTop)
        g.setHeight(g.height() + grow);
    else // the text stays where it is drawn, now whole
        g.adjust(0, -grow / 2, 0, grow - grow / 2);
    label.setGeometry(g);
    return grow;
}

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        program_icon::Paint(p, size);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

#ifdef Q_OS_WIN
bool GetKeyValue(void* keyRoot, const QString& keyName, const QString& subKeyRef, QString& keyVal) {
    keyVal.clear();
    HKEY key = nullptr;
    // Read access only: asking for all access fails for users without write rights.
    if (RegOpenKeyExW(static_cast<HKEY>(keyRoot), reinterpret_cast<LPCWSTR>(keyName.utf16()), 0,
                      KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    wchar_t buffer[1024];
    DWORD size = sizeof(buffer);
    DWORD type = 0;
    const LONG rc = RegQueryValueExW(key, reinterpret_cast<LPCWSTR>(subKeyRef.utf16()), nullptr,
                                     &type, reinterpret_cast<LPBYTE>(buffer), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS)
        return false;
    qsizetype n = qsizetype(size / sizeof(wchar_t));
    if (n > 0 && buffer[n - 1] == L'\0')
        --n;
    if (type == REG_SZ)
        keyVal = QString::fromWCharArray(buffer, n);
    return true;
}
#endif

QStringList SystemInfoPrograms() {
    return {QStringLiteral("hardinfo"), QStringLiteral("kinfocenter"),
            QStringLiteral("gnome-system-monitor"), QStringLiteral("xfce4-taskmanager"),
            QStringLiteral("lxtask")};
}

void StartSysInfo(const QStringList& searchPath) {
#ifdef Q_OS_WIN
    Q_UNUSED(searchPath);
    QString path;
    if (GetKeyValue(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
                    QStringLiteral("PATH"), path)) {
        if (StartTool(path))
            return;
    } else if (GetKeyValue(HKEY_LOCAL_MACHINE,
                           QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"),
                           QStringLiteral("MSINFO"), path)) {
        if (StartTool(path + QStringLiteral("\\MSINFO32.EXE")))
            return;
    }
#else
    for (const QString& name : SystemInfoPrograms()) {
        const QString program = QStandardPaths::findExecutable(name, searchPath);
        if (!program.isEmpty()) {
            if (StartTool(program))
                return;
            break;
        }
    }
#endif
    Messages().MsgBox(kNoSysInfo, MsgFlags::OkOnly, kProgramTitle);
}

QString AboutDescription() {
    const QString crlf = QStringLiteral("\r\n");
    return QStringLiteral(
               "    1.输入您要查询的关键字，多个关键词用逗号隔开，并选择要查询资料的类别。"
               "单击“查询”按钮，查阅您所需的资料。") +
           crlf +
           QStringLiteral("     2.作者提供的资料仅供学习参考之用，不能替代医生诊断。"
                          "更多资讯请访问Meridane主页：") +
           crlf + QStringLiteral("    ") + SiteAddress();
}

frmAbout::frmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));

    picIcon = new QLabel(this);
    picIcon->setGeometry(Twips(240, 240, 540, 540));
    picIcon->setPixmap(ProgramIcon().pixmap(32, 32));

    lblTitle = new QLabel(this);
    lblTitle->setGeometry(Twips(1050, 240, 1845, 360));
    QFont titleFont = lblTitle->font();
    titleFont.setPointSizeF(12);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);

    lblDescription = new QLabel(this);
    lblDescription->setGeometry(Twips(1050, 645, 4365, 1410));
    lblDescription->setWordWrap(true);
    lblDescription->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblDescription->setText(
        QString(AboutDescription()).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));

    // The description takes the lines its font needs; what lies below moves down with it.
    descriptionGrowth_ = FitLabelToText(*lblDescription);
    const QPoint below(0, descriptionGrowth_);

    cmdSysInfo = new QPushButton(QStringLiteral("系统信息(&S)..."), this);
    cmdSysInfo->setGeometry(Twips(2520, 2640, 1485, 345).translated(below));
    cmdSysInfo->setAutoDefault(false);
    cmdOK = new QPushButton(QStringLiteral("确定"), this);
    cmdOK->setGeometry(Twips(4125, 2625, 1500, 345).translated(below));
    setFixedSize(TwipsToPixels(5805), TwipsToPixels(3450) + descriptionGrowth_);
    cmdOK->setDefault(true); // Enter; Esc closes a dialog as well

    connect(cmdOK, &QPushButton::clicked, this, &QDialog::close);
    connect(cmdSysInfo, &QPushButton::clicked, this, [this] { StartSysInfo(sysInfoSearchPath); });

    // Load: the captions.
    setWindowTitle(QStringLiteral("关于 ") + kProgramTitle);
    lblTitle->setText(kProductCaption);
    FitLabelToText(*lblTitle);
    setWindowIcon(ProgramIcon());
}

void frmAbout::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    // The etched separator: a grey line with a white one under it.
    QPainter p(this);
    p.translate(0, descriptionGrowth_);
    p.setPen(QPen(QColor(0x80, 0x80, 0x80), 1));
    p.drawLine(TwipsToPixels(90), TwipsToPixels(2445), TwipsToPixels(5669), TwipsToPixels(2445));
    p.setPen(QPen(Qt::white, 2));
    p.drawLine(TwipsToPixels(105), TwipsToPixels(2460), TwipsToPixels(5669), TwipsToPixels(2460));
}

} // namespace meridane
