// Reading a table the way the main window reads result tables: a fresh connection and
// statement for each read, rows from the first to the last, both released at the end.
#pragma once

#include "sqlite_db.h"

#include <functional>

namespace meridane {

// A cell as the record display prints it: its value as plain text, empty for null.
QString CellText(const SqlStatement& row, int column);

// Throws DbError when the database cannot be opened or the statement cannot be read.
void ReadRows(const QString& connectionString, const QString& sql,
              const std::function<void(const SqlStatement& row)>& onRow);

} // namespace meridane
