// <drapix/stored_form.h>: a host form's stored controls. The library's form data keeps, per
// control, its name, its class ("Drapix.Command") and its stored properties, as a UTF-8 text
// file; a program loads one per form and makes the controls from it.
#pragma once

#include <drapix/drapix_global.h>

#include <QString>
#include <QStringList>
#include <memory>

class QWidget;

namespace drapix {

class FormData;

/// The stored controls of one host form. Copies share the data.
class DRAPIX_EXPORT StoredForm {
public:
    /// A form without controls.
    StoredForm();
    ~StoredForm();
    StoredForm(const StoredForm&);
    StoredForm& operator=(const StoredForm&);

    /// Reads a form-data file or resource (":/forms/frmMain.form"). A missing file, and lines
    /// that cannot be read, are reported on standard error; what could be read is kept.
    static StoredForm Load(const QString& path);

    /// The file it was read from.
    QString fileName() const;
    /// The names of its controls ("Command1"), in the file's order.
    QStringList controlNames() const;
    /// Whether it holds a control of that name.
    bool contains(const QString& name) const;
    /// Makes the named control as a child of parent, sized by its stored extent and with its
    /// stored properties (a control whose stored data cannot be read takes its defaults, with a
    /// message on standard error). Null, with a message, when the form holds no such control or
    /// its class is not one of the library's.
    QWidget* createControl(const QString& name, QWidget* parent) const;

private:
    std::shared_ptr<const FormData> data_;
};

} // namespace drapix
