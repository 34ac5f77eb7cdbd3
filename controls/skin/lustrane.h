// The skin control inside the library: the public class (<drapix/lustrane.h>), the skin's
// decisions and outline, and what only the library's own parts use.
#pragma once

#include "core/cut_form.h"
#include "drapix/lustrane.h"
#include "skin/skin_logic.h"

#include <QString>

class QWidget;

namespace drapix {
class PropertyBag;
// The class table's factories: a newly placed control, and one of a form's stored controls.
QWidget* NewLustrane(QWidget* parent);
QWidget* LoadLustrane(QWidget* parent, const QString& name, const PropertyBag& bag, bool broken);
} // namespace drapix
