// The library's controls in Qt Designer's widget box, one entry per row of the class table.
// Inside the designer the controls run with the user-mode flag False. A form saved by Designer
// includes the public headers (<drapix/command.h>), and the property editor shows each
// property's help text as its tooltip.
#include "buttons/class_table.h"
#include "core/ambient.h"
#include "core/pictures.h"

#include <QIcon>
#include <QtUiPlugin/QDesignerCustomWidgetCollectionInterface>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>
#include <utility>
#include <vector>

using namespace drapix;

namespace {

// The help text of each property, by meta-object name, as the property editor shows it.
std::vector<std::pair<QString, QString>> PropertyHelp(const QString& className) {
    if (className == QLatin1String("Command"))
        return {
            {QStringLiteral("buttonStyle"),
             QStringLiteral("按钮类型：标准XP蓝色、标准XP绿色、标准XP银色、Lustrane、"
                            "QQ2005标准蓝色、Lustrane菜单按钮")},
            {QStringLiteral("buttonIcon"), QStringLiteral("设置按钮图标")},
            {QStringLiteral("caption"), QStringLiteral("返回/设置按钮的文本")},
            {QStringLiteral("iconPosition"), QStringLiteral("设置按钮图标在该按钮上的位置")},
            {QStringLiteral("enabled"),
             QStringLiteral("返回或设置一个值，该值用来确定一个窗体或控件是否能够对用户产生的"
                            "事件作出反应")},
            {QStringLiteral("font"), QStringLiteral("设置按钮文本的字体大小")},
            {QStringLiteral("fontColor"), QStringLiteral("设置按钮的文本颜色")},
            {QStringLiteral("accessKeys"), QStringLiteral("按钮热键")},
        };
    if (className == QLatin1String("SysTray"))
        return {
            {QStringLiteral("icon"), QStringLiteral("程序在托盘中的图标,用后缀名为ico的图标文件")},
            {QStringLiteral("caption"), QStringLiteral("当鼠标指向托盘图片时显示的文字")},
        };
    if (className == QLatin1String("Lustrane"))
        return {
            {QStringLiteral("menuHeight"), QStringLiteral("标准菜单的高度")},
            {QStringLiteral("menuPicture"), QStringLiteral("内置菜单图片")},
        };
    return {};
}

QString XmlAttribute(const QString& text) {
    return text.toHtmlEscaped();
}

class DrapixDesignerWidget : public QObject, public QDesignerCustomWidgetInterface {
    Q_OBJECT
    Q_INTERFACES(QDesignerCustomWidgetInterface)
public:
    DrapixDesignerWidget(const ControlClass& cls, QObject* parent) : QObject(parent), cls_(cls) {}
    QString name() const override { return cls_.name; }
    QString group() const override { return QStringLiteral("Drapix"); }
    QIcon icon() const override { return QIcon(Picture(cls_.toolboxPicture)); }
    QString toolTip() const override { return cls_.description; }
    QString whatsThis() const override { return cls_.description + " (" + cls_.progId + ")"; }
    bool isContainer() const override { return false; }
    // Angle brackets: Designer writes <header location="global">, uic #include <drapix/...>.
    QString includeFile() const override {
        return QLatin1Char('<') + cls_.header + QLatin1Char('>');
    }
    bool isInitialized() const override { return initialized_; }
    void initialize(QDesignerFormEditorInterface*) override {
        SetUserMode(false);
        initialized_ = true;
    }
    QWidget* createWidget(QWidget* parent) override { return cls_.create(parent); }
    QString domXml() const override {
        QString tips;
        for (const auto& [property, help] : PropertyHelp(cls_.name))
            tips += QStringLiteral("<tooltip name=\"%1\" value=\"%2\"/>")
                        .arg(XmlAttribute(property), XmlAttribute(help));
        return QStringLiteral("<ui language=\"c++\"><widget class=\"%1\" name=\"%2\"/>"
                              "<customwidgets><customwidget><class>%1</class>"
                              "<propertyspecifications>%3</propertyspecifications>"
                              "</customwidget></customwidgets></ui>")
            .arg(cls_.name, cls_.name.toLower() + QStringLiteral("1"), tips);
    }

private:
    const ControlClass& cls_;
    bool initialized_ = false;
};

} // namespace

class DrapixDesignerCollection : public QObject, public QDesignerCustomWidgetCollectionInterface {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QDesignerCustomWidgetCollectionInterface")
    Q_INTERFACES(QDesignerCustomWidgetCollectionInterface)
public:
    explicit DrapixDesignerCollection(QObject* parent = nullptr) : QObject(parent) {
        for (const ControlClass& c : ControlClasses())
            widgets_.append(new DrapixDesignerWidget(c, this));
    }
    QList<QDesignerCustomWidgetInterface*> customWidgets() const override { return widgets_; }

private:
    QList<QDesignerCustomWidgetInterface*> widgets_;
};

#include "drapix_designer.moc"
