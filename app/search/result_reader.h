// Reading a table the way the main window reads result tables: a fresh connection and
// statement for each read, rows from the first to the last, both released at the end.
#pragma once

#include "search/sqlite_db.h"

#include <functional>
#include <optional>

namespace meridane {

// A cell as the record display prints it: its value as plain text, empty for null.
QString CellText(const SqlStatement& row, int column);

// The title a result row puts in the list (column 1), or none when it is null or empty.
std::optional<QString> ListedTitle(const SqlStatement& row);

// Throws DbError when the database cannot be opened or the statement cannot be read.
void ReadRows(const QString& connectionString, const QString& sql,
              const std::function<void(const SqlStatement& row)>& onRow);

} // namespace meridane
