// The designer plugin offers the class table's controls with their toolbox icons, and a form
// built from a .ui file gets the library's own widgets.
#include "buttons/class_table.h"
#include "buttons/command.h"
#include "core/ambient.h"

#include <QBuffer>
#include <QPluginLoader>
#include <QTest>
#include <QUiLoader>
#include <QtUiPlugin/QDesignerCustomWidgetCollectionInterface>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

using namespace drapix;

class TestDesignerPlugin : public QObject {
    Q_OBJECT
private slots:
    void offersTheClassTable();
    void formsBuildTheLibrarysWidgets();
};

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

QTEST_MAIN(TestDesignerPlugin)
#include "tst_designer_plugin.moc"
