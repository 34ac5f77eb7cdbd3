#include "search/result_reader.h"

namespace meridane {

QString CellText(const SqlStatement& row, int column) {
    const QVariant v = row.value(column);
    return v.isNull() ? QString() : v.toString();
}

std::optional<QString> ListedTitle(const SqlStatement& row) {
    if (row.isNull(1))
        return std::nullopt;
    QString title = row.text(1);
    if (title.isEmpty())
        return std::nullopt;
    return title;
}

void ReadRows(const QString& connectionString, const QString& sql,
              const std::function<void(const SqlStatement& row)>& onRow) {
    SqlConnection connection;
    connection.open(ConnectionString::parse(connectionString));
    SqlStatement statement = connection.prepare(sql);
    while (statement.step())
        onRow(statement);
}

} // namespace meridane
