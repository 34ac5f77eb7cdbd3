#include "shell/form_controls.h"

#include "buttons/class_table.h"
#include "buttons/command.h"
#include "core/form_data.h"

namespace meridane {

drapix::FormData LoadFormData(const QString& formName) {
    return drapix::FormData::Load(QStringLiteral(":/forms/%1.form").arg(formName));
}

Command* CreateCommand(const drapix::FormData& form, const QString& name, QWidget* parent) {
    QWidget* made = drapix::CreateFormControl(form, name, parent);
    if (auto* command = qobject_cast<Command*>(made))
        return command;
    delete made; // a control of another class under that name
    auto* command =
        static_cast<Command*>(drapix::FindClass(QStringLiteral("Command"))->create(parent));
    command->setObjectName(name);
    return command;
}

} // namespace meridane
