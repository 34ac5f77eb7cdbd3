#include "buttons/class_table.h"

#include "buttons/command.h"
#include "buttons/systray.h"
#include "core/control_loader.h"
#include "core/form_data.h"
#include "skin/lustrane.h"

#include <cstdio>

namespace drapix {

namespace {

constexpr quint32 kCommon = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE | OLEMISC_INSIDEOUT |
                            OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST;

std::vector<ControlClass> MakeClasses() {
    return {
        {QStringLiteral("Command"), QUuid(QStringLiteral("{88E7203A-0CA1-4C90-85AD-AE6D6A9224A9}")),
         QStringLiteral("Drapix.Command"), QStringLiteral("_Command"),
         QUuid(QStringLiteral("{CAB40601-0DB8-44E5-9FB4-FAAB58DCAF2A}")),
         QStringLiteral("__Command"),
         QUuid(QStringLiteral("{F1C54B86-CC0B-4E4E-8411-8AFE047538CA}")),
         kCommon | OLEMISC_ACTSLIKEBUTTON, 30002, QStringLiteral("toolbox30002"),
         QStringLiteral("Lustrane窗体按钮控件: a push button with picture faces"),
         QStringLiteral("drapix/command.h"), &NewCommand, &LoadControl<Command>},
        {QStringLiteral("SysTray"), QUuid(QStringLiteral("{3215F7C5-8B7E-49E3-9029-1E8B7F723A4B}")),
         QStringLiteral("Drapix.SysTray"), QStringLiteral("_SysTray"),
         QUuid(QStringLiteral("{58FE4481-B6D7-40B6-9F60-A4E8C16694BA}")),
         QStringLiteral("__SysTray"),
         QUuid(QStringLiteral("{D9ED2A75-C7A2-4CEC-B534-95B057B6CD74}")),
         kCommon | OLEMISC_INVISIBLEATRUNTIME | OLEMISC_NOUIACTIVATE, 30001,
         QStringLiteral("toolbox30001"),
         QStringLiteral("Lustrane窗体托盘控件: an icon with a tip in the notification area"),
         QStringLiteral("drapix/systray.h"), &NewSysTray, &LoadControl<SysTray>},
        {QStringLiteral("Lustrane"),
         QUuid(QStringLiteral("{5B0E2C71-8E4A-4F8B-9C2D-3A61D7F0B5E4}")),
         QStringLiteral("Drapix.Lustrane"), QStringLiteral("_Lustrane"),
         QUuid(QStringLiteral("{9D4F6A12-2B7C-4E91-A3F5-C0E8B7D61A29}")),
         QStringLiteral("__Lustrane"),
         QUuid(QStringLiteral("{E27A5C94-6F13-4D08-B9A1-74C3F2E8D056}")),
         kCommon | OLEMISC_INVISIBLEATRUNTIME, 30000, QStringLiteral("toolbox30000"),
         QStringLiteral(
             "Lustrane窗体皮肤控件: the form's skin (caption, rims, outline, system menu)"),
         QStringLiteral("drapix/lustrane.h"), &NewLustrane, &LoadLustrane},
    };
}

} // namespace

const TypeLibrary& DrapixTypeLibrary() {
    static const TypeLibrary lib{QStringLiteral("Drapix"),
                                 QUuid(QStringLiteral("{01442723-6D8C-4D2B-A5A3-F77DA96FA620}")), 1,
                                 0, 0};
    return lib;
}

const std::vector<ControlClass>& ControlClasses() {
    static const std::vector<ControlClass> table = MakeClasses();
    return table;
}

const ControlClass* FindClass(const QString& progIdOrName) {
    for (const ControlClass& c : ControlClasses()) {
        if (c.progId.compare(progIdOrName, Qt::CaseInsensitive) == 0 ||
            c.name.compare(progIdOrName, Qt::CaseInsensitive) == 0)
            return &c;
    }
    return nullptr;
}

const ControlClass* FindClass(const QUuid& classId) {
    for (const ControlClass& c : ControlClasses()) {
        if (c.classId == classId)
            return &c;
    }
    return nullptr;
}

QWidget* CreateFormControl(const FormData& form, const QString& name, QWidget* parent) {
    const FormControl* c = form.Control(name);
    if (!c) {
        std::fprintf(stderr, "%s:0: no control \"%s\"\n", qPrintable(form.fileName),
                     qPrintable(name));
        return nullptr;
    }
    const ControlClass* cls = FindClass(c->progId);
    if (!cls) {
        std::fprintf(stderr, "%s:%d: unknown class \"%s\"\n", qPrintable(form.fileName), c->line,
                     qPrintable(c->progId));
        return nullptr;
    }
    return cls->createFromBag(parent, c->name, c->bag, c->broken);
}

} // namespace drapix
