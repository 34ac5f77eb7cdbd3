#include "core/form_data.h"

#include "core/ambient.h"

#include <QBuffer>
#include <QFile>
#include <QFont>
#include <QImage>
#include <QStringDecoder>
#include <QWidget>
#include <cstdio>

namespace drapix {

namespace {

QString Quote(const QString& s) {
    QString out = QStringLiteral("\"");
    for (QChar c : s) {
        switch (c.unicode()) {
        case '"':
            out += QStringLiteral("\\\"");
            break;
        case '\\':
            out += QStringLiteral("\\\\");
            break;
        case '\n':
            out += QStringLiteral("\\n");
            break;
        case '\r':
            out += QStringLiteral("\\r");
            break;
        case '\t':
            out += QStringLiteral("\\t");
            break;
        default:
            if (c.unicode() < 0x20)
                out += QStringLiteral("\\u%1").arg(int(c.unicode()), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    return out + QLatin1Char('"');
}

// A small reader over one value's text.
class Reader {
public:
    explicit Reader(const QString& text) : s_(text) {}
    void skipSpace() {
        while (i_ < s_.size() && s_[i_].isSpace())
            ++i_;
    }
    bool atEnd() {
        skipSpace();
        return i_ >= s_.size();
    }
    bool take(QChar c) {
        skipSpace();
        if (i_ < s_.size() && s_[i_] == c) {
            ++i_;
            return true;
        }
        return false;
    }
    bool peek(QChar c) {
        skipSpace();
        return i_ < s_.size() && s_[i_] == c;
    }
    QString word() {
        skipSpace();
        const qsizetype start = i_;
        while (i_ < s_.size() && (s_[i_].isLetterOrNumber() || s_[i_] == QLatin1Char('_') ||
                                  s_[i_] == QLatin1Char('.') || s_[i_] == QLatin1Char('-') ||
                                  s_[i_] == QLatin1Char('+')))
            ++i_;
        return s_.mid(start, i_ - start);
    }
    bool string(QString* out, QString* error) {
        skipSpace();
        if (!take(QLatin1Char('"'))) {
            *error = QStringLiteral("a quoted text is missing");
            return false;
        }
        out->clear();
        while (i_ < s_.size()) {
            const QChar c = s_[i_++];
            if (c == QLatin1Char('"'))
                return true;
            if (c != QLatin1Char('\\')) {
                *out += c;
                continue;
            }
            if (i_ >= s_.size())
                break;
            const QChar e = s_[i_++];
            switch (e.unicode()) {
            case '"':
            case '\\':
                *out += e;
                break;
            case 'n':
                *out += QLatin1Char('\n');
                break;
            case 'r':
                *out += QLatin1Char('\r');
                break;
            case 't':
                *out += QLatin1Char('\t');
                break;
            case 'u': {
                bool ok = false;
                const ushort code = s_.mid(i_, 4).toUShort(&ok, 16);
                if (!ok || i_ + 4 > s_.size()) {
                    *error = QStringLiteral("a \\u escape needs four hex digits");
                    return false;
                }
                *out += QChar(code);
                i_ += 4;
                break;
            }
            default:
                *error = QStringLiteral("unknown escape \\%1").arg(e);
                return false;
            }
        }
        *error = QStringLiteral("the text is not closed");
        return false;
    }

private:
    QString s_;
    qsizetype i_ = 0;
};

bool ParseInteger(const QString& w, QVariant* value) {
    bool ok = false;
    qint64 v = 0;
    if (w.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        v = w.mid(2).toLongLong(&ok, 16);
    else if (w.startsWith(QLatin1String("-0x"), Qt::CaseInsensitive))
        v = -w.mid(3).toLongLong(&ok, 16);
    else
        v = w.toLongLong(&ok, 10);
    if (!ok || v < -2147483648LL || v > 4294967295LL)
        return false;
    *value = QVariant(qint32(quint32(v))); // hex colours above 0x7FFFFFFF keep their bits
    return true;
}

} // namespace

QString FormatValue(const QVariant& value) {
    if (!value.isValid())
        return QStringLiteral("nothing");
    switch (value.metaType().id()) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::Int:
        return QString::number(value.toInt());
    case QMetaType::QString:
        return Quote(value.toString());
    case QMetaType::QFont: {
        const QFont f = value.value<QFont>();
        QString out = QStringLiteral("font(%1, %2").arg(Quote(f.family())).arg(f.pointSizeF());
        if (f.bold())
            out += QStringLiteral(", bold");
        if (f.italic())
            out += QStringLiteral(", italic");
        if (f.underline())
            out += QStringLiteral(", underline");
        if (f.strikeOut())
            out += QStringLiteral(", strikeout");
        return out + QLatin1Char(')');
    }
    case QMetaType::QImage: {
        const QImage img = value.value<QImage>();
        if (img.isNull())
            return QStringLiteral("picture()");
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        img.save(&buffer, "PNG");
        return QStringLiteral("picture(\"%1\")").arg(QString::fromLatin1(png.toBase64()));
    }
    default:
        return Quote(value.toString());
    }
}

bool ParseValue(const QString& text, QVariant* value, QString* error) {
    Reader r(text);
    if (r.peek(QLatin1Char('"'))) {
        QString s;
        if (!r.string(&s, error))
            return false;
        if (s.size() > kMaxTextLength) {
            *error = QStringLiteral("a text of %1 characters is longer than the %2 a value holds")
                         .arg(s.size())
                         .arg(kMaxTextLength);
            return false;
        }
        *value = s;
    } else {
        const QString w = r.word();
        if (w == QLatin1String("True") || w == QLatin1String("False")) {
            *value = (w == QLatin1String("True"));
        } else if (w == QLatin1String("nothing")) {
            *value = QVariant();
        } else if (w == QLatin1String("font")) {
            QString family;
            if (!r.take(QLatin1Char('(')) || !r.string(&family, error)) {
                if (error->isEmpty())
                    *error = QStringLiteral("font( is missing");
                return false;
            }
            bool ok = false;
            const double size = r.take(QLatin1Char(',')) ? r.word().toDouble(&ok) : 0;
            if (!ok || size <= 0 || size > 1000) {
                *error = QStringLiteral("a font needs a size in points");
                return false;
            }
            QFont f = NamedFont(family, size);
            while (r.take(QLatin1Char(','))) {
                const QString flag = r.word();
                if (flag == QLatin1String("bold"))
                    f.setBold(true);
                else if (flag == QLatin1String("italic"))
                    f.setItalic(true);
                else if (flag == QLatin1String("underline"))
                    f.setUnderline(true);
                else if (flag == QLatin1String("strikeout"))
                    f.setStrikeOut(true);
                else {
                    *error = QStringLiteral("unknown font style \"%1\"").arg(flag);
                    return false;
                }
            }
            if (!r.take(QLatin1Char(')'))) {
                *error = QStringLiteral("font(...) is not closed");
                return false;
            }
            *value = f;
        } else if (w == QLatin1String("picture")) {
            if (!r.take(QLatin1Char('('))) {
                *error = QStringLiteral("picture( is missing");
                return false;
            }
            QImage img;
            if (r.peek(QLatin1Char('"'))) {
                QString data;
                if (!r.string(&data, error))
                    return false;
                if (!img.loadFromData(QByteArray::fromBase64(data.toLatin1()), "PNG")) {
                    *error = QStringLiteral("the picture is not a PNG image");
                    return false;
                }
            }
            if (!r.take(QLatin1Char(')'))) {
                *error = QStringLiteral("picture(...) is not closed");
                return false;
            }
            *value = PictureValue(img);
        } else if (!ParseInteger(w, value)) {
            *error = w.isEmpty() ? QStringLiteral("a value is missing")
                                 : QStringLiteral("\"%1\" is not a value").arg(w);
            return false;
        }
    }
    if (!r.atEnd()) {
        *error = QStringLiteral("unexpected text after the value");
        return false;
    }
    return true;
}

FormData FormData::Parse(const QByteArray& text, const QString& fileName) {
    FormData form;
    form.fileName = fileName;
    const QList<QByteArray> lines = text.split('\n');
    FormControl* current = nullptr;
    bool skipping = false; // in a section given again: its lines are left out
    const auto problem = [&](int line, const QString& message) {
        const QString p = QStringLiteral("%1:%2: %3").arg(fileName).arg(line).arg(message);
        if (current) {
            current->broken = true;
            current->bag.AddProblem(line, message);
        } else {
            form.problems.append(p);
        }
        std::fprintf(stderr, "%s\n", qPrintable(p));
    };
    for (int n = 0; n < lines.size(); ++n) {
        const int lineNo = n + 1;
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString line = utf8.decode(lines[n]);
        const bool validUtf8 = !utf8.hasError();
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QString t = line.trimmed();
        if (validUtf8 && (t.isEmpty() || t.startsWith(QLatin1Char('#'))))
            continue;
        if (t.startsWith(QLatin1Char('['))) {
            const qsizetype close = t.indexOf(QLatin1Char(']'));
            const QString name = close > 1 ? t.mid(1, close - 1).trimmed() : QString();
            const QString progId = close > 1 ? t.mid(close + 1).trimmed() : QString();
            current = nullptr;
            skipping = false;
            if (name.isEmpty() || progId.isEmpty() || progId.contains(QLatin1Char(' '))) {
                problem(lineNo, QStringLiteral("a section reads [NAME] CLASS"));
                continue;
            }
            // A second section of one name leaves it unclear which values the control has: it
            // takes its defaults, and the second section's lines are left out.
            for (FormControl& first : form.controls) {
                if (first.name.compare(name, Qt::CaseInsensitive) != 0)
                    continue;
                current = &first;
                problem(lineNo, QStringLiteral("the control \"%1\" is given again (first on line "
                                               "%2); this section is left out")
                                    .arg(name)
                                    .arg(first.line));
                current = nullptr;
                skipping = true;
                break;
            }
            if (skipping)
                continue;
            FormControl c;
            c.name = name;
            c.progId = progId;
            c.line = lineNo;
            c.bag.fileName = fileName;
            form.controls.append(c);
            current = &form.controls.last();
            if (!validUtf8)
                problem(lineNo, QStringLiteral("the line is not valid UTF-8"));
            continue;
        }
        if (skipping)
            continue;
        if (!validUtf8) {
            problem(lineNo, QStringLiteral("the line is not valid UTF-8"));
            continue;
        }
        const qsizetype eq = t.indexOf(QLatin1Char('='));
        if (!current) {
            problem(lineNo, QStringLiteral("a value outside any control"));
            continue;
        }
        if (eq <= 0) {
            problem(lineNo, QStringLiteral("a line reads KEY = VALUE"));
            continue;
        }
        const QString key = t.left(eq).trimmed();
        QVariant value;
        QString error;
        if (!ParseValue(t.mid(eq + 1), &value, &error)) {
            problem(lineNo, error);
            continue;
        }
        if (current->bag.Contains(key)) {
            problem(lineNo, QStringLiteral("\"%1\" is given twice").arg(key));
            continue;
        }
        current->bag.Append({key, value, lineNo});
    }
    return form;
}

FormData FormData::Load(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        FormData form;
        form.fileName = path;
        form.problems.append(QStringLiteral("%1:0: cannot be read").arg(path));
        std::fprintf(stderr, "%s\n", qPrintable(form.problems.last()));
        return form;
    }
    return Parse(file.readAll(), path);
}

QByteArray FormData::ToText() const {
    QString out;
    for (const FormControl& c : controls) {
        if (!out.isEmpty())
            out += QLatin1Char('\n');
        out += QStringLiteral("[%1] %2\n").arg(c.name, c.progId);
        for (const PropertyBag::Entry& e : c.bag.entries())
            out += QStringLiteral("%1 = %2\n").arg(e.key.toLower(), FormatValue(e.value));
    }
    return out.toUtf8();
}

const FormControl* FormData::Control(const QString& name) const {
    for (const FormControl& c : controls) {
        if (c.name.compare(name, Qt::CaseInsensitive) == 0)
            return &c;
    }
    return nullptr;
}

} // namespace drapix
