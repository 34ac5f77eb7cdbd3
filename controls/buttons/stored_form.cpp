#include "drapix/stored_form.h"

#include "buttons/class_table.h"
#include "core/form_data.h"

namespace drapix {

StoredForm::StoredForm() : data_(std::make_shared<FormData>()) {}
StoredForm::~StoredForm() = default;
StoredForm::StoredForm(const StoredForm&) = default;
StoredForm& StoredForm::operator=(const StoredForm&) = default;

StoredForm StoredForm::Load(const QString& path) {
    StoredForm form;
    form.data_ = std::make_shared<FormData>(FormData::Load(path));
    return form;
}

QString StoredForm::fileName() const {
    return data_->fileName;
}

QStringList StoredForm::controlNames() const {
    QStringList names;
    for (const FormControl& c : data_->controls)
        names << c.name;
    return names;
}

bool StoredForm::contains(const QString& name) const {
    return data_->Control(name) != nullptr;
}

QWidget* StoredForm::createControl(const QString& name, QWidget* parent) const {
    return CreateFormControl(*data_, name, parent);
}

} // namespace drapix
