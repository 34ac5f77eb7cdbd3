// The library's class table: one row per control. The factories, the registration and the
// designer plugin all read it; a new control is one new row.
#pragma once

#include "drapix_global.h"

#include <QString>
#include <QUuid>
#include <vector>

class QWidget;

namespace drapix {

class PropertyBag;
class FormData;

// The type library that describes every class of the table.
struct TypeLibrary {
    QString name; // "Drapix", also its help string
    QUuid id;
    int major = 1;
    int minor = 0;
    int locale = 0; // neutral
};

struct ControlClass {
    QString name;             // "Command": also the widget's class name
    QUuid classId;            // fixed once; hosts keep it in their form data
    QString progId;           // "Drapix.Command"
    QString defaultInterface; // "_Command"
    QUuid defaultInterfaceId;
    QString eventInterface; // "__Command"
    QUuid eventInterfaceId;
    quint32 miscStatus;     // OLEMISC flags
    int toolboxResource;    // the toolbox bitmap's resource number
    QString toolboxPicture; // its picture in the library ("toolbox30002")
    QString description;    // one line for the designer's tooltip
    QString header;         // the public header that declares the widget ("drapix/command.h")
    // A new control, initialised as when first placed on a form.
    QWidget* (*create)(QWidget* parent);
    // A control with stored properties; broken: its stored data could not be read, so it
    // takes its defaults.
    QWidget* (*createFromBag)(QWidget* parent, const QString& name, const PropertyBag& bag,
                              bool broken);
};

// OLEMISC flags used by the table.
enum : quint32 {
    OLEMISC_RECOMPOSEONRESIZE = 0x1,
    OLEMISC_CANTLINKINSIDE = 0x10,
    OLEMISC_INSIDEOUT = 0x80,
    OLEMISC_ACTIVATEWHENVISIBLE = 0x100,
    OLEMISC_INVISIBLEATRUNTIME = 0x400,
    OLEMISC_ACTSLIKEBUTTON = 0x1000,
    OLEMISC_NOUIACTIVATE = 0x4000,
    OLEMISC_SETCLIENTSITEFIRST = 0x20000,
};

DRAPIX_EXPORT const TypeLibrary& DrapixTypeLibrary();
DRAPIX_EXPORT const std::vector<ControlClass>& ControlClasses();
// By programmatic name or class name, without letter case.
DRAPIX_EXPORT const ControlClass* FindClass(const QString& progIdOrName);
DRAPIX_EXPORT const ControlClass* FindClass(const QUuid& classId);

// Creates the named control of the form data through the class table's factory, sizes it by its
// stored extent and gives it its stored properties (its defaults, with a message on standard
// error, when its section is broken). Nullptr when the form data has no such control or its
// class is unknown (also reported).
DRAPIX_EXPORT QWidget* CreateFormControl(const FormData& form, const QString& name,
                                         QWidget* parent);

} // namespace drapix
