// The library controls of the program's forms, made from each form's stored data
// (":/forms/frmMain.form", ":/forms/Form5.form").
#pragma once

#include <drapix/stored_form.h>

#include <QString>

class Command;
class QWidget;

namespace meridane {

// The form data of a form, by its name ("frmMain"), read from the program's resources.
drapix::StoredForm LoadFormData(const QString& formName);

// The named Command of the form data, created through the library's factory with its stored
// caption, font, style and extent. Should the data lack it (reported on standard error), the
// form still gets a working button of that name, as a newly placed one.
Command* CreateCommand(const drapix::StoredForm& form, const QString& name, QWidget* parent);

} // namespace meridane
