// A control's stored properties: named values read and written in the control's own order.
// Keys compare without letter case; a value equal to its default is not written; a missing key
// reads as its default. Values are bool, int (32-bit), QString, QFont, QImage (a picture; a
// null image is "no picture") or an invalid QVariant (an empty object reference).
#pragma once

#include "drapix_global.h"

#include <QList>
#include <QString>
#include <QVariant>

namespace drapix {

class DRAPIX_EXPORT PropertyBag {
public:
    struct Entry {
        QString key;
        QVariant value;
        int line = 0; // the line of the form data it came from; 0 when written in memory
    };

    // The stored value, or defaultValue when the key is missing. A stored value of another
    // type than expected (the default's type unless given) is a problem: it is recorded and
    // the default is returned.
    QVariant ReadProperty(const QString& key, const QVariant& defaultValue = {},
                          QMetaType expected = {}) const;
    // Stores the value under the key, unless it equals the default (then any stored value of
    // the key is dropped). An existing key keeps its place.
    void WriteProperty(const QString& key, const QVariant& value,
                       const QVariant& defaultValue = {});

    const Entry* Find(const QString& key) const;
    bool Contains(const QString& key) const { return Find(key) != nullptr; }
    const QList<Entry>& entries() const { return entries_; }
    void Append(const Entry& entry) { entries_.append(entry); } // for readers of stored data

    // Where the values came from, for messages ("forms/frmMain.form").
    QString fileName;
    // Problems found while reading: "file:line: text", in the order found.
    QStringList problems() const { return problems_; }
    void AddProblem(int line, const QString& text) const;
    // Writes the problems from the first'th on (every one by default) to standard error, one
    // line each.
    void ReportProblems(qsizetype first = 0) const;

private:
    QList<Entry> entries_;
    mutable QStringList problems_;
};

// A picture as the bag keeps it (one pixel format, so that equal pictures compare equal).
DRAPIX_EXPORT QVariant PictureValue(const QImage& image);

} // namespace drapix
