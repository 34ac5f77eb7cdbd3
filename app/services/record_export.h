// Saving records to a file: the record shown, or every record of the result list, each with
// its title, its header line and its text, as plain text (UTF-8), HTML with the keywords in red
// as the record pane shows them, or PDF (made by the window's print path, see
// shell/record_pdf.h). The file is written through QSaveFile: it appears whole at the end, and
// an export that is cancelled or fails leaves no file behind (and an older file as it was).
#pragma once

#include "search/keyword_text.h"
#include "search/knowledge_category.h"
#include "search/record_display.h"

#include <QSaveFile>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QIODevice;

namespace meridane {

class SqlConnection;
class SqlStatement;

enum class ExportFormat { Text, Html, Pdf };

// By the file name's extension, in any case: .txt, .html or .htm, .pdf; none for any other.
std::optional<ExportFormat> ExportFormatFor(const QString& path);
// The file dialog's filters, "纯文本 (*.txt)" and so on, in the order Text, Html, Pdf.
QStringList ExportFilters();
// The extension (with its dot) a name chosen under filter gets when it has none of the three.
QString WithExportExtension(const QString& path, const QString& filter);

struct ExportedRecord {
    QString title;
    QString header; // "页码： …    相符个数： …"
    QString body;
    std::vector<TextRange> keywords; // sorted, disjoint ranges of body shown in red
};

// Writes records one after another to a device, in one format.
class RecordWriter {
public:
    virtual ~RecordWriter() = default;
    virtual void add(const ExportedRecord& record) = 0;
    // Ends the file; false when something could not be written.
    virtual bool finish() = 0;
};

std::unique_ptr<RecordWriter> MakeTextWriter(QIODevice& out);
// title: the document's title in the page's head.
std::unique_ptr<RecordWriter> MakeHtmlWriter(QIODevice& out, const QString& title);

// Makes the writer of a format for a device; the PDF one needs the print path of the window
// (or of a tool that has it), text and HTML need nothing: MakeTextOrHtmlWriter.
using WriterFactory =
    std::function<std::unique_ptr<RecordWriter>(ExportFormat format, QIODevice& out)>;
std::unique_ptr<RecordWriter> MakeTextOrHtmlWriter(ExportFormat format, QIODevice& out);

// A file being exported: written to a temporary file beside path, which takes path's place only
// when commit() is called after the last record. Destroyed without a commit, it leaves nothing.
class ExportFile {
public:
    // False when the file cannot be made; the writer is then null.
    bool open(const QString& path, ExportFormat format, const WriterFactory& makeWriter);
    RecordWriter& writer() { return *writer_; }
    // Ends the writer and puts the file in place; false when either fails (nothing is left).
    bool commit();
    void cancel();

private:
    std::unique_ptr<QSaveFile> file_;
    std::unique_ptr<RecordWriter> writer_;
};

// The records of a result list, in their list order, read from one statement on a thread of
// their own (a few thousand ahead of the writer), so that whoever writes them waits for no read:
// the first row of a list in rank order comes only after the whole table has been sorted. A
// search's list is read from the category's result table (rows with hits, in rank order, as the
// list is filled; its reader finishes the search's pending writes first); a list of titles of its
// own (titles found by pinyin) from the base table, the last record of each title, as a click on
// it shows. Destroyed early, it interrupts the statement and ends the thread.
class ListReader {
public:
    ListReader(const KnowledgeCategory& category, const QString& keywordBox, bool variants,
               std::optional<QStringList> titles = std::nullopt);
    ~ListReader();
    ListReader(const ListReader&) = delete;
    ListReader& operator=(const ListReader&) = delete;

    // Hands the records read so far to writer, waiting for more until the list ends or budget
    // has passed. Returns true when the list has ended and every record was handed on. Throws
    // DbError when the database cannot be opened or the statement cannot be read.
    bool step(RecordWriter& writer, std::chrono::milliseconds budget);
    qsizetype done() const { return done_; }
    // Runs first on the reading thread, before the file is opened (the window has the writes
    // behind the list done there, so that it goes on answering), with a call that tells whether
    // the reader is being given up; false: the reader was given up, or the file does not hold
    // the list (step then throws DbError). Set before the first step.
    using BeforeReading = std::function<bool(const std::function<bool()>& stopped)>;
    void setBeforeReading(BeforeReading before) { beforeReading_ = std::move(before); }

private:
    struct Shared;
    void read();

    const KnowledgeCategory& category_;
    KeywordMarker marker_;
    std::optional<QStringList> titles_;
    BeforeReading beforeReading_;
    std::unique_ptr<Shared> shared_;
    qsizetype done_ = 0;
};

// Writes one record to path, in the format its extension names: true when the file is in place
// (false for a name of no export format).
bool ExportRecord(const QString& path, const ExportedRecord& record,
                  const WriterFactory& makeWriter);
// Writes the whole list at once (the command-line tool): true when the file is in place.
// Throws DbError.
bool ExportList(ListReader& reader, const QString& path, const WriterFactory& makeWriter);

} // namespace meridane
