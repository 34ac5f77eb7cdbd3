#include "result_reader.h"

namespace meridane {

void ReadRows(const QString& connectionString, const QString& sql,
              const std::function<void(const SqlStatement& row)>& onRow) {
    SqlConnection connection;
    connection.open(ConnectionString::parse(connectionString));
    SqlStatement statement = connection.prepare(sql);
    while (statement.step())
        onRow(statement);
}

} // namespace meridane
