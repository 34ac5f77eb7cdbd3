// A control made by its plain constructor is a newly placed one: a form compiled by uic from
// Designer's file (which calls `new Command(parent)`) gets the same controls as Designer showed
// and as QUiLoader builds through the designer plugin.
#include "buttons/command.h"
#include "buttons/notify_area.h"
#include "buttons/systray.h"
#include "skin/lustrane.h"

#include "ui_every_property.h"
#include "ui_newly_placed.h"

#include <QFile>
#include <QTest>
#include <QTimer>
#include <memory>
#ifdef DRAPIX_DESIGNER_DIR
#include <QUiLoader>
#endif

using namespace drapix;

namespace {

// What a newly placed control of each class shows, read through the form's children.
void CheckNewlyPlaced(QWidget* form) {
    auto* command = form->findChild<Command*>(QStringLiteral("command1"));
    QVERIFY(command);
    QCOMPARE(command->按钮类型(), 3);
    QCOMPARE(command->buttonStyle(), Command::Lustrane);
    QVERIFY(command->Enabled());
    QVERIFY(command->logic().isEnabled()); // IsEnabled, which the faces follow
    QCOMPARE(command->logic().facePicture(), QStringLiteral("Imgbut1"));
    QCOMPARE(command->Caption(), kCommandDesignCaption);
    QCOMPARE(command->图标位置(), 0);
    QCOMPARE(command->按钮热键(), QString());
    QVERIFY(!command->按钮上的图标().isNull());
    QCOMPARE(command->size(), QSize(94, 38));

    auto* tray = form->findChild<SysTray*>(QStringLiteral("systray1"));
    QVERIFY(tray);
    QCOMPARE(tray->Caption(), kSysTrayStudioText);
    QVERIFY(!tray->Icon().isNull());
    QVERIFY(tray->timerRunning());
    QCOMPARE(tray->attachCounter(), 0);
    QCOMPARE(tray->size(), QSize(200, 28));

    auto* skin = form->findChild<Lustrane*>(QStringLiteral("lustrane1"));
    QVERIFY(skin);
    QVERIFY(skin->timer1()->isActive());
    QVERIFY(!skin->timer3()->isActive());
    QVERIFY(!skin->attached());
    QCOMPARE(skin->窗体菜单句柄(), nullptr);
    QCOMPARE(skin->size(), QSize(180, 131));
}

} // namespace

class TestNewlyPlaced : public QObject {
    Q_OBJECT
private slots:
    void controlsMadeInCode();
    void formCompiledByUic();
    void formLoadedByQUiLoader();
    void propertiesSetInDesigner();
};

void TestNewlyPlaced::controlsMadeInCode() {
    QWidget form;
    auto* command = new Command(&form);
    command->setObjectName(QStringLiteral("command1"));
    command->resize(94, 38);
    (new SysTray(&form))->setObjectName(QStringLiteral("systray1"));
    (new Lustrane(&form))->setObjectName(QStringLiteral("lustrane1"));
    CheckNewlyPlaced(&form);
}

void TestNewlyPlaced::formCompiledByUic() {
    QWidget form;
    Ui::NewlyPlaced ui;
    ui.setupUi(&form);
    CheckNewlyPlaced(&form);
    QCOMPARE(ui.command1->parentWidget(), &form);
}

void TestNewlyPlaced::formLoadedByQUiLoader() {
#ifndef DRAPIX_DESIGNER_DIR
    QSKIP("no designer plugin (qt6-tools-dev)");
#else
    QUiLoader loader;
    loader.addPluginPath(QStringLiteral(DRAPIX_DESIGNER_DIR));
    QFile file(QStringLiteral(DRAPIX_FORMS_DIR "/newly_placed.ui"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    std::unique_ptr<QWidget> form(loader.load(&file));
    QVERIFY2(form, qPrintable(loader.errorString()));
    CheckNewlyPlaced(form.get());
#endif
}

// Every property Designer writes reaches the control through the setter uic calls.
void TestNewlyPlaced::propertiesSetInDesigner() {
    QWidget form;
    Ui::EveryProperty ui;
    ui.setupUi(&form);
    Command* c = ui.command1;
    QCOMPARE(c->按钮类型(), 4);
    QCOMPARE(c->logic().facePicture(), QStringLiteral("QQ2005Blue1"));
    QCOMPARE(c->Caption(), QStringLiteral("查询(&S)"));
    QCOMPARE(c->图标位置(), 2);
    QCOMPARE(c->FontColor(), 0x0000FFu); // red, as 0x00BBGGRR
    QCOMPARE(c->fontColor(), QColor(255, 0, 0));
    QCOMPARE(c->按钮热键(), QStringLiteral("q"));
    QVERIFY(c->Default());
    QVERIFY(c->Cancel());
    QVERIFY(c->Enabled());
    QCOMPARE(ui.systray1->Caption(), QStringLiteral("本草"));
}

QTEST_MAIN(TestNewlyPlaced)
#include "tst_newly_placed.moc"
