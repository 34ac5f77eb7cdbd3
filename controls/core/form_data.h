// clang-format off
// Form data: the stored properties of a host form's controls, kept as a UTF-8 text file.
//
//   # a comment
//   [Command1] Drapix.Command             one section per control: name and programmatic name
//   _extentx = 855                        the control's width and height in twips
//   _extenty = 375
//   caption = "查询"                      "text" with \" \\ \n \t \uXXXX escapes
//   enabled = False                       True / False
//   fontcolor = 0x0000FF                  32-bit integer, decimal or 0x hex
//   font = font("MS Sans Serif", 8.25)    optional further words: bold italic underline strikeout
//   按钮上的图标 = picture()              no picture; picture("<base64 PNG>") a picture
//   按钮类型 = nothing                    an empty object reference
// clang-format on
//
// Keys are matched without letter case. A line that cannot be read (not valid UTF-8, not of the
// forms above, a text longer than kMaxTextLength) is reported on standard error as
// "file:line: text" and makes its control fall back to its defaults; so does a second section
// of a control's name, whose lines are left out.
#pragma once

#include "core/property_bag.h"
#include "drapix_global.h"

#include <QByteArray>
#include <QList>
#include <QString>

class QWidget;

namespace drapix {

struct FormControl {
    QString name;   // "Command1"
    QString progId; // "Drapix.Command"
    int line = 0;   // the section's line
    PropertyBag bag;
    bool broken = false; // a line of the section could not be read
};

class DRAPIX_EXPORT FormData {
public:
    // Reads the text; lines that cannot be read are reported on standard error.
    static FormData Parse(const QByteArray& text, const QString& fileName);
    // Reads a file or resource (":/forms/frmMain.form"); a missing file is reported.
    static FormData Load(const QString& path);

    QByteArray ToText() const;
    const FormControl* Control(const QString& name) const;

    QString fileName;
    QList<FormControl> controls;
    QStringList problems; // "file:line: text" for lines outside any control
};

// The longest text value (a caption, a tip) the form data holds; a picture's data is not text.
inline constexpr qsizetype kMaxTextLength = 65535;

// One value in the file's notation, and back (false: not a value).
DRAPIX_EXPORT QString FormatValue(const QVariant& value);
DRAPIX_EXPORT bool ParseValue(const QString& text, QVariant* value, QString* error);

} // namespace drapix
