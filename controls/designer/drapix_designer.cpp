// The library's controls in Qt Designer's widget box, one entry per row of the class table.
// Inside the designer the controls run with the user-mode flag False.
#include "buttons/class_table.h"
#include "core/ambient.h"
#include "core/pictures.h"

#include <QIcon>
#include <QtUiPlugin/QDesignerCustomWidgetCollectionInterface>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

using namespace drapix;

namespace {

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
    QString includeFile() const override { return cls_.header; }
    bool isInitialized() const override { return initialized_; }
    void initialize(QDesignerFormEditorInterface*) override {
        SetUserMode(false);
        initialized_ = true;
    }
    QWidget* createWidget(QWidget* parent) override { return cls_.create(parent); }
    QString domXml() const override {
        return QStringLiteral("<ui language=\"c++\"><widget class=\"%1\" name=\"%2\"/></ui>")
            .arg(cls_.name, cls_.name.toLower() + QStringLiteral("1"));
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
