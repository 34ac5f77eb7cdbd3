// drapix-gallery: one form with the library's controls, for people and scripts to try them.
// Every event a control raises is printed to standard output as "NAME EVENT", at once. The form
// wears the skin (Lustrane1); "两个Lustrane" opens a second form that carries two Lustrane
// controls, which shows the warning and keeps its window manager's frame; "QMainWindow" opens a
// skinned QMainWindow.
#include "buttons/class_table.h"
#include "buttons/command.h"
#include "buttons/systray.h"
#include "core/ambient.h"
#include "skin/window_system.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>
#include <cstdio>

using namespace drapix;

namespace {

QPixmap GalleryIcon() {
    QPixmap p(16, 16);
    p.fill(Qt::transparent);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    g.setBrush(QColor(0x3F, 0x7F, 0xD6));
    g.setPen(QColor(0x1E, 0x4E, 0xA8));
    g.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    g.setPen(QPen(Qt::white, 2));
    g.drawLine(5, 8, 7, 11);
    g.drawLine(7, 11, 11, 5);
    return p;
}

Command* Add(QWidget* form, const QString& name, const QString& caption, QRect geometry) {
    auto* c = static_cast<Command*>(FindClass(QStringLiteral("Drapix.Command"))->create(form));
    c->setObjectName(name);
    c->setGeometry(geometry);
    c->SetCaption(caption);
    QObject::connect(c, &Command::EventRaised, c, [name](const QString& event) {
        std::printf("%s %s\n", qPrintable(name), qPrintable(event));
        std::fflush(stdout);
    });
    return c;
}

// A SysTray of the class table; its events are printed like the buttons' ones.
SysTray* AddTray(QWidget* form, const QString& name) {
    auto* t = static_cast<SysTray*>(FindClass(QStringLiteral("Drapix.SysTray"))->create(form));
    t->setObjectName(name);
    QObject::connect(t, &SysTray::EventRaised, t, [name](const QString& event) {
        std::printf("%s %s\n", qPrintable(name), qPrintable(event));
        std::fflush(stdout);
    });
    return t;
}

} // namespace

int main(int argc, char** argv) {
    SelectWindowSystem();
    QApplication app(argc, argv);
    QWidget form;
    form.setObjectName(QStringLiteral("frmGallery"));
    form.setWindowTitle(QStringLiteral("Drapix gallery"));
    form.setFont(NamedFont(QStringLiteral("宋体"), 9));
    QPalette back = form.palette();
    back.setColor(QPalette::Window, QColor(0xD5, 0xDE, 0xF2));
    form.setPalette(back);
    form.setAutoFillBackground(true);
    // The skin takes 25 x 57 pixels of the window and grows it by 15 x 28.
    form.resize(530, 330);

    const QStringList styles = {
        QStringLiteral("标准XP蓝色"),     QStringLiteral("标准XP绿色"),
        QStringLiteral("标准XP银色"),     QStringLiteral("Lustrane"),
        QStringLiteral("QQ2005标准蓝色"), QStringLiteral("Lustrane菜单按钮")};
    auto* heading = new QLabel(QStringLiteral("Command: 六种样式"), &form);
    heading->setGeometry(16, 8, 300, 20);
    for (int i = 0; i < 6; ++i) {
        const QString key = QString::number(i);
        Command* c = Add(&form, QStringLiteral("Command%1").arg(i),
                         styles[i] + QStringLiteral("(&%1)").arg(key),
                         QRect(16 + (i % 3) * 166, 32 + (i / 3) * 48, 156, 38));
        c->Set按钮类型(i);
        c->Set按钮热键(key);
    }
    auto* layoutHeading = new QLabel(QStringLiteral("图标与状态"), &form);
    layoutHeading->setGeometry(16, 132, 300, 20);
    Command* left = Add(&form, QStringLiteral("Command6"), QStringLiteral("图标在左(&L)"),
                        QRect(16, 156, 156, 38));
    left->Set按钮上的图标(GalleryIcon());
    left->Set图标位置(1);
    left->Set按钮热键(QStringLiteral("l"));
    Command* right = Add(&form, QStringLiteral("Command7"), QStringLiteral("图标在右(&R)"),
                         QRect(182, 156, 156, 38));
    right->Set按钮上的图标(GalleryIcon());
    right->Set图标位置(2);
    right->Set按钮热键(QStringLiteral("r"));
    Command* disabled = Add(&form, QStringLiteral("Command8"), QStringLiteral("不可用(&D)"),
                            QRect(348, 156, 156, 38));
    disabled->Set按钮热键(QStringLiteral("d"));
    disabled->SetEnabled(false);

    Command* about = Add(&form, QStringLiteral("Command9"), QStringLiteral("关于Command(&A)"),
                         QRect(16, 244, 120, 38));
    about->Set按钮热键(QStringLiteral("a"));
    QObject::connect(about, &Command::Click, about, &Command::ShowAboutBox);
    Command* ok = Add(&form, QStringLiteral("Command10"), QStringLiteral("确定(&O)"),
                      QRect(265, 244, 115, 38));
    ok->Set按钮热键(QStringLiteral("o"));
    ok->SetDefault(true);
    Command* cancel = Add(&form, QStringLiteral("Command11"), QStringLiteral("关闭(&X)"),
                          QRect(389, 244, 115, 38));
    cancel->Set按钮热键(QStringLiteral("x"));
    cancel->SetCancel(true);
    QObject::connect(cancel, &Command::Click, &form, &QWidget::close);
    auto* hint = new QLabel(QStringLiteral("Enter: 确定    Esc: 关闭    Alt+键: 访问键"), &form);
    hint->setGeometry(16, 212, 488, 20);

    // The tray icon: invisible on the form, its icon and tip in the notification area.
    // The skin takes 25 x 57 pixels of the window and grows it by 15 x 28.
    form.resize(530, 380);
    SysTray* tray = AddTray(&form, QStringLiteral("SysTray1"));
    tray->SetCaption(QStringLiteral("Drapix gallery: SysTray1"));
    auto* trayHint =
        new QLabel(QStringLiteral("SysTray1: 通知区域中的图标 (左/右键单击、双击)"), &form);
    trayHint->setGeometry(16, 300, 330, 20);
    // A second form with two SysTray controls, which gets the library's warning.
    Command* twoTrays = Add(&form, QStringLiteral("Command12"), QStringLiteral("两个托盘(&T)"),
                            QRect(389, 292, 115, 38));
    twoTrays->Set按钮热键(QStringLiteral("t"));
    QObject::connect(twoTrays, &Command::Click, &form, [&form] {
        auto* second = new QWidget(&form, Qt::Window);
        second->setAttribute(Qt::WA_DeleteOnClose);
        second->setWindowTitle(QStringLiteral("Drapix gallery: two SysTray controls"));
        second->resize(300, 120);
        AddTray(second, QStringLiteral("SysTray2"));
        AddTray(second, QStringLiteral("SysTray3"));
        second->show();
    });

    Command* twice = Add(&form, QStringLiteral("Command13"), QStringLiteral("两个Lustrane(&2)"),
                         QRect(142, 244, 117, 38));
    twice->Set按钮热键(QStringLiteral("2"));
    QObject::connect(twice, &Command::Click, &form, [&form] {
        auto* second = new QWidget(&form, Qt::Window);
        second->setAttribute(Qt::WA_DeleteOnClose);
        second->setObjectName(QStringLiteral("frmTwice"));
        second->setWindowTitle(QStringLiteral("两个Lustrane"));
        second->resize(300, 160);
        auto* text = new QLabel(QStringLiteral("这个窗体上有 Lustrane1 和 Lustrane2。"), second);
        text->setGeometry(16, 16, 268, 20);
        for (const char* name : {"Lustrane1", "Lustrane2"})
            FindClass(QStringLiteral("Drapix.Lustrane"))
                ->create(second)
                ->setObjectName(QString::fromLatin1(name));
        second->show();
    });

    // A QMainWindow under the skin: the menu bar in the line below the caption; the tool bar,
    // the central widget and the status bar in the window's own layout, which follows its size.
    form.resize(530, 430);
    Command* mainWindow = Add(&form, QStringLiteral("Command14"), QStringLiteral("QMainWindow(&M)"),
                              QRect(389, 340, 115, 38));
    mainWindow->Set按钮热键(QStringLiteral("m"));
    QObject::connect(mainWindow, &Command::Click, &form, [&form] {
        auto* second = new QMainWindow(&form, Qt::Window);
        second->setAttribute(Qt::WA_DeleteOnClose);
        second->setObjectName(QStringLiteral("frmMainWindow"));
        second->setWindowTitle(QStringLiteral("Drapix gallery: QMainWindow"));
        QMenu* file = second->menuBar()->addMenu(QStringLiteral("文件(&F)"));
        file->addAction(QStringLiteral("新建(&N)"));
        file->addAction(QStringLiteral("关闭(&C)"), second, &QWidget::close);
        second->addToolBar(QStringLiteral("工具"))->addAction(QStringLiteral("新建"));
        QObject::connect(second->menuBar(), &QMenuBar::triggered, second, [](QAction* a) {
            std::printf("frmMainWindow Menu %s\n", qPrintable(a->text()));
            std::fflush(stdout);
        });
        auto* central = new QWidget;
        auto* layout = new QVBoxLayout(central);
        layout->addWidget(new QLabel(QStringLiteral("这个窗体的布局随窗口大小变化。")));
        layout->addWidget(new QPlainTextEdit);
        second->setCentralWidget(central);
        second->statusBar()->showMessage(QStringLiteral("就绪"));
        second->resize(420, 300);
        FindClass(QStringLiteral("Drapix.Lustrane"))
            ->create(second)
            ->setObjectName(QStringLiteral("Lustrane1"));
        second->show();
    });

    // The skin of the form.
    FindClass(QStringLiteral("Drapix.Lustrane"))
        ->create(&form)
        ->setObjectName(QStringLiteral("Lustrane1"));
    form.setWindowIcon(GalleryIcon());

    form.show();
    return app.exec();
}
