#include "services/notes_export.h"

#include "search/sqlite_db.h"
#include "services/personal_records.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

namespace meridane {

namespace {

// value as a JSON value, compact.
QByteArray Json(const QJsonValue& value) {
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

QByteArray JsonNumber(const QVariant& number) {
    switch (number.typeId()) {
    case QMetaType::LongLong:
        return QByteArray::number(number.toLongLong());
    case QMetaType::Double:
        return Json(number.toDouble());
    case QMetaType::QString:
        return Json(number.toString());
    case QMetaType::QByteArray:
        return Json(QString::fromUtf8(number.toByteArray()));
    default:
        return "null";
    }
}

QByteArray CsvField(const QString& text) {
    QByteArray utf8 = text.toUtf8();
    if (!utf8.contains(',') && !utf8.contains('"') && !utf8.contains('\n') && !utf8.contains('\r'))
        return utf8;
    utf8.replace("\"", "\"\"");
    return '"' + utf8 + '"';
}

} // namespace

std::optional<int> ExportNotes(const QString& file, const QString& target, NotesFormat format) {
    // Checked as the editor checks it before anything of me1 is read.
    SqlConnection db = PersonalRecordSet::Connect(file);
    SqlStatement rows =
        db.prepare(QStringLiteral("SELECT 编号, 标题, 文本 FROM me1 ORDER BY 编号, rowid"));
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        return std::nullopt;
    if (format == NotesFormat::Csv)
        out.write("\xEF\xBB\xBF编号,标题,文本\r\n");
    int count = 0;
    while (rows.step()) {
        const QVariant number = rows.value(0);
        const QString title = rows.text(1);
        const QString body = rows.text(2);
        if (format == NotesFormat::JsonLines) {
            out.write("{\"编号\": " + JsonNumber(number) + ", \"标题\": " + Json(title) +
                      ", \"文本\": " + Json(body) + "}\n");
        } else {
            out.write(CsvField(NumberText(number)) + ',' + CsvField(title) + ',' + CsvField(body) +
                      "\r\n");
        }
        ++count;
    }
    if (!out.commit())
        return std::nullopt;
    return count;
}

} // namespace meridane
