// Loading a control from its stored properties, the same for every control class.
#pragma once

#include "core/property_bag.h"
#include "core/twips.h"

#include <QString>
#include <QWidget>
#include <cstdio>

namespace drapix {

// A new Control named name, sized by its stored extent (twips) and given its stored properties.
// When its section is broken or a value cannot be read (a wrong extent counts like any other
// wrong value), the problems are reported on standard error and the control takes its defaults.
// A control with a fixed size keeps its own.
template <class Control>
QWidget* LoadControl(QWidget* parent, const QString& name, const PropertyBag& bag, bool broken) {
    auto* c = new Control(parent);
    c->setObjectName(name);
    const qsizetype before = bag.problems().size();
    const int w =
        bag.ReadProperty(QStringLiteral("_extentx"), 0, QMetaType::fromType<int>()).toInt();
    const int h =
        bag.ReadProperty(QStringLiteral("_extenty"), 0, QMetaType::fromType<int>()).toInt();
    if (w > 0 && h > 0)
        c->resize(TwipsToPixels(w), TwipsToPixels(h));
    if (broken || !c->ReadProperties(bag) || bag.problems().size() > before) {
        if (!broken)
            bag.ReportProblems(before);
        std::fprintf(stderr, "%s: %s takes its default properties\n", qPrintable(bag.fileName),
                     qPrintable(name));
        std::fflush(stderr);
        c->ReadProperties(PropertyBag());
    }
    return c;
}

} // namespace drapix
