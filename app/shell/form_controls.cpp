#include "shell/form_controls.h"

#include <drapix/command.h>
#include <drapix/stored_form.h>

namespace meridane {

drapix::StoredForm LoadFormData(const QString& formName) {
    return drapix::StoredForm::Load(QStringLiteral(":/forms/%1.form").arg(formName));
}

Command* CreateCommand(const drapix::StoredForm& form, const QString& name, QWidget* parent) {
    QWidget* made = form.createControl(name, parent);
    if (auto* command = qobject_cast<Command*>(made))
        return command;
    delete made;                         // a control of another class under that name
    auto* command = new Command(parent); // a newly placed button
    command->setObjectName(name);
    return command;
}

} // namespace meridane
