// The designer plugin offers the class table's controls with their toolbox icons, and a form
// built from a .ui file gets the library's own widgets.
#include "buttons/class_table.h"
#include "buttons/command.h"
#include "core/ambient.h"

#include <QBuffer>
#include <QMetaEnum>
#include <QPluginLoader>
#include <QTest>
#include <QUiLoader>
#include <QXmlStreamReader>
#include <QtUiPlugin/QDesignerCustomWidgetCollectionInterface>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>
#include <map>

using namespace drapix;

class TestDesignerPlugin : public QObject {
    Q_OBJECT
private slots:
    void offersTheClassTable();
    void formsBuildTheLibrarysWidgets();
    void propertyEditorShowsNamesAndHelp();
};

namespace {

// The tooltips of a plugin entry's domXml, by property name; empty names mark a broken file.
std::map<QString, QString> Tooltips(const QString& domXml) {
    std::map<QString, QString> tips;
    QXmlStreamReader xml(domXml);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement &&
            xml.name() == QLatin1String("tooltip"))
            tips[xml.attributes().value("name").toString()] =
                xml.attributes().value("value").toString();
    }
    if (xml.hasError())
        tips[QString()] = xml.errorString();
    return tips;
}

} // namespace

void TestDesignerPlugin::offersTheClassTable() {
    QPluginLoader loader(QStringLiteral(DRAPIX_DESIGNER_PLUGIN));
    QObject* instance = loader.instance();
    QVERIFY2(instance, qPrintable(loader.errorString()));
    auto* collection = qobject_cast<QDesignerCustomWidgetCollectionInterface*>(instance);
    QVERIFY(collection);
    const auto widgets = collection->customWidgets();
    QCOMPARE(widgets.size(), int(ControlClasses().size()));
    for (int i = 0; i < widgets.size(); ++i) {
        QDesignerCustomWidgetInterface* w = widgets[i];
        const ControlClass& c = ControlClasses()[size_t(i)];
        QCOMPARE(w->name(), c.name);
        QCOMPARE(w->group(), QString("Drapix"));
        QCOMPARE(w->icon().availableSizes().value(0), QSize(16, 15));
        QVERIFY(w->domXml().contains("class=\"" + c.name + "\""));
        SetUserMode(true);
        w->initialize(nullptr);
        QVERIFY(!UserMode()); // the controls run in design mode inside the designer
        SetUserMode(true);
        std::unique_ptr<QWidget> made(w->createWidget(nullptr));
        QCOMPARE(QString::fromLatin1(made->metaObject()->className()), w->name());
    }
}

void TestDesignerPlugin::formsBuildTheLibrarysWidgets() {
    QUiLoader loader;
    loader.addPluginPath(QStringLiteral(DRAPIX_DESIGNER_DIR));
    QVERIFY(loader.availableWidgets().contains("Command"));
    QByteArray ui = R"(<ui version="4.0"><class>Form</class>
<widget class="QWidget" name="Form">
 <widget class="Command" name="Command1">
  <property name="geometry"><rect><x>8</x><y>8</y><width>94</width><height>38</height></rect></property>
  <property name="caption"><string>查询</string></property>
  <property name="buttonStyle"><number>0</number></property>
 </widget>
</widget></ui>)";
    QBuffer buffer(&ui);
    std::unique_ptr<QWidget> form(loader.load(&buffer));
    QVERIFY2(form, qPrintable(loader.errorString()));
    auto* c = form->findChild<Command*>("Command1");
    QVERIFY(c);
    QCOMPARE(c->Caption(), QStringLiteral("查询"));
    QCOMPARE(c->按钮类型(), 0);
    QCOMPARE(c->size(), QSize(94, 38));
}

// A form saved by Designer includes the installed headers, and its property editor offers the
// styles and icon positions by name, the caption colour as a colour, and each help text.
void TestDesignerPlugin::propertyEditorShowsNamesAndHelp() {
    QPluginLoader plugin(QStringLiteral(DRAPIX_DESIGNER_PLUGIN));
    auto* collection = qobject_cast<QDesignerCustomWidgetCollectionInterface*>(plugin.instance());
    QVERIFY(collection);
    std::map<QString, QDesignerCustomWidgetInterface*> entries;
    for (QDesignerCustomWidgetInterface* w : collection->customWidgets())
        entries[w->name()] = w;
    QCOMPARE(entries.at("Command")->includeFile(), QString("<drapix/command.h>"));
    QCOMPARE(entries.at("Lustrane")->includeFile(), QString("<drapix/lustrane.h>"));
    QCOMPARE(entries.at("SysTray")->includeFile(), QString("<drapix/systray.h>"));

    const auto command = Tooltips(entries.at("Command")->domXml());
    QVERIFY(!command.count(QString()));
    QCOMPARE(command.at("caption"), QStringLiteral("返回/设置按钮的文本"));
    QCOMPARE(command.at("buttonIcon"), QStringLiteral("设置按钮图标"));
    QCOMPARE(command.at("iconPosition"), QStringLiteral("设置按钮图标在该按钮上的位置"));
    QCOMPARE(command.at("fontColor"), QStringLiteral("设置按钮的文本颜色"));
    QCOMPARE(command.at("font"), QStringLiteral("设置按钮文本的字体大小"));
    QVERIFY(command.at("buttonStyle").contains(QStringLiteral("QQ2005标准蓝色")));
    QVERIFY(command.at("enabled").startsWith(QStringLiteral("返回或设置一个值")));
    const auto tray = Tooltips(entries.at("SysTray")->domXml());
    QCOMPARE(tray.at("caption"), QStringLiteral("当鼠标指向托盘图片时显示的文字"));
    QVERIFY(tray.at("icon").startsWith(QStringLiteral("程序在托盘中的图标")));
    const auto skin = Tooltips(entries.at("Lustrane")->domXml());
    QCOMPARE(skin.at("menuHeight"), QStringLiteral("标准菜单的高度"));

    const QMetaObject& mo = Command::staticMetaObject;
    const QMetaProperty style = mo.property(mo.indexOfProperty("buttonStyle"));
    QVERIFY(style.isEnumType());
    QCOMPARE(style.enumerator().keyCount(), 6);
    QCOMPARE(QByteArray(style.enumerator().valueToKey(3)), QByteArray("Lustrane"));
    QCOMPARE(QByteArray(style.enumerator().valueToKey(5)), QByteArray("LustraneMenuButton"));
    const QMetaProperty position = mo.property(mo.indexOfProperty("iconPosition"));
    QVERIFY(position.isEnumType());
    QCOMPARE(QByteArray(position.enumerator().valueToKey(1)), QByteArray("eLeft"));
    QCOMPARE(mo.property(mo.indexOfProperty("fontColor")).metaType(),
             QMetaType::fromType<QColor>());

    // Designer's file with names and a colour builds the same button.
    QUiLoader loader;
    loader.addPluginPath(QStringLiteral(DRAPIX_DESIGNER_DIR));
    QByteArray ui = R"(<ui version="4.0"><class>Form</class>
<widget class="QWidget" name="Form">
 <widget class="Command" name="Command1">
  <property name="buttonStyle"><enum>Command::LustraneMenuButton</enum></property>
  <property name="iconPosition"><enum>Command::eLeft</enum></property>
  <property name="fontColor"><color><red>0</red><green>0</green><blue>255</blue></color></property>
 </widget>
</widget></ui>)";
    QBuffer buffer(&ui);
    std::unique_ptr<QWidget> form(loader.load(&buffer));
    QVERIFY2(form, qPrintable(loader.errorString()));
    auto* c = form->findChild<Command*>("Command1");
    QVERIFY(c);
    QCOMPARE(c->按钮类型(), 5);
    QCOMPARE(c->图标位置(), 1);
    QCOMPARE(c->FontColor(), 0xFF0000u); // blue, as 0x00BBGGRR
}

QTEST_MAIN(TestDesignerPlugin)
#include "tst_designer_plugin.moc"
