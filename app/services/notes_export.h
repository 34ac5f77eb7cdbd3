// Exporting the notes (me1): JSON Lines with the fields of the notes' source file ("编号",
// "标题", "文本", one object a line), or CSV (RFC 4180, UTF-8 with a byte-order mark so that
// spreadsheets read the Chinese, a header row 编号,标题,文本) — both read back by the import.
#pragma once

#include <QString>

#include <optional>

namespace meridane {

enum class NotesFormat { JsonLines, Csv };

// Writes every note of me1 in file, in 编号 order, to target, which appears complete or not at
// all. The number of notes written, or nothing when target cannot be written. Throws DbError
// when file cannot be read, and for a file the editor does not work with (of which nothing
// runs).
std::optional<int> ExportNotes(const QString& file, const QString& target, NotesFormat format);

} // namespace meridane
