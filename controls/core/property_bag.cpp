#include "core/property_bag.h"

#include <QImage>
#include <cstdio>

namespace drapix {

const PropertyBag::Entry* PropertyBag::Find(const QString& key) const {
    for (const Entry& e : entries_) {
        if (e.key.compare(key, Qt::CaseInsensitive) == 0)
            return &e;
    }
    return nullptr;
}

QVariant PropertyBag::ReadProperty(const QString& key, const QVariant& defaultValue,
                                   QMetaType expected) const {
    const Entry* e = Find(key);
    if (!e)
        return defaultValue;
    if (!expected.isValid())
        expected = defaultValue.metaType();
    if (expected.isValid() && e->value.metaType() != expected) {
        AddProblem(e->line, QStringLiteral("\"%1\" needs a value of type %2")
                                .arg(key, QString::fromLatin1(expected.name())));
        return defaultValue;
    }
    return e->value;
}

void PropertyBag::WriteProperty(const QString& key, const QVariant& value,
                                const QVariant& defaultValue) {
    const bool isDefault = defaultValue.isValid() && value == defaultValue;
    for (qsizetype i = 0; i < entries_.size(); ++i) {
        if (entries_[i].key.compare(key, Qt::CaseInsensitive) == 0) {
            if (isDefault)
                entries_.removeAt(i);
            else
                entries_[i].value = value;
            return;
        }
    }
    if (!isDefault)
        entries_.append({key, value, 0});
}

void PropertyBag::AddProblem(int line, const QString& text) const {
    problems_.append(QStringLiteral("%1:%2: %3")
                         .arg(fileName.isEmpty() ? QStringLiteral("(form data)") : fileName)
                         .arg(line)
                         .arg(text));
}

void PropertyBag::ReportProblems(qsizetype first) const {
    for (qsizetype i = first; i < problems_.size(); ++i)
        std::fprintf(stderr, "%s\n", qPrintable(problems_[i]));
    std::fflush(stderr);
}

QVariant PictureValue(const QImage& image) {
    return QVariant::fromValue(image.isNull() ? QImage()
                                              : image.convertToFormat(QImage::Format_ARGB32));
}

} // namespace drapix
