#include "services/record_export.h"

#include "search/message_service.h"
#include "search/program_folder.h"
#include "search/result_reader.h"
#include "search/sqlite_db.h"

#include <QFileInfo>
#include <QHash>
#include <QIODevice>

#include <sqlite3.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace meridane {

namespace {

// Between two records of a text file.
const QString kTextSeparator = QString(40, QChar(0x2500));

// What the text and HTML writers share: UTF-8 out, the count of records written, and whether
// every write went through.
class Utf8Writer : public RecordWriter {
public:
    explicit Utf8Writer(QIODevice& out) : out_(out) {}
    bool finish() override { return ok_; }

protected:
    void write(const QString& text) {
        const QByteArray utf8 = text.toUtf8();
        ok_ = ok_ && out_.write(utf8) == utf8.size();
    }
    QIODevice& out_;
    qsizetype count_ = 0;
    bool ok_ = true;
};

class TextWriter : public Utf8Writer {
public:
    explicit TextWriter(QIODevice& out) : Utf8Writer(out) {}
    void add(const ExportedRecord& r) override {
        QString text;
        if (count_++ > 0)
            text += kTextSeparator + QStringLiteral("\n\n");
        text += r.title + u'\n' + r.header + QStringLiteral("\n\n") + r.body;
        if (!r.body.endsWith(u'\n'))
            text += u'\n';
        text += u'\n';
        write(text);
    }
};

QString Escaped(QStringView text) {
    return text.toString().toHtmlEscaped();
}

class HtmlWriter : public Utf8Writer {
public:
    HtmlWriter(QIODevice& out, const QString& title) : Utf8Writer(out) {
        write(
            QStringLiteral("<!DOCTYPE html>\n<html lang=\"zh\">\n<head>\n<meta charset=\"utf-8\">\n"
                           "<title>%1</title>\n<style>\n"
                           "body { font-family: \"宋体\", \"SimSun\", serif; margin: 2em; }\n"
                           "h2 { font-size: 1.2em; margin: 1.5em 0 0.2em; }\n"
                           ".header { color: #555; margin: 0 0 0.6em; }\n"
                           ".body { white-space: pre-wrap; line-height: 1.6; }\n"
                           ".kw { color: #ff0000; }\n"
                           "hr { border: none; border-top: 1px solid #ccc; }\n"
                           "</style>\n</head>\n<body>\n")
                .arg(Escaped(title)));
    }
    void add(const ExportedRecord& r) override {
        QString html;
        if (count_++ > 0)
            html += QStringLiteral("<hr>\n");
        html += QStringLiteral("<h2>%1</h2>\n<p class=\"header\">%2</p>\n<div class=\"body\">")
                    .arg(Escaped(r.title), Escaped(r.header));
        qsizetype at = 0;
        const QStringView body(r.body);
        for (const TextRange& k : r.keywords) {
            if (k.start < at || k.start + k.length > body.size())
                continue;
            html += Escaped(body.mid(at, k.start - at));
            html += QStringLiteral("<span class=\"kw\">") + Escaped(body.mid(k.start, k.length)) +
                    QStringLiteral("</span>");
            at = k.start + k.length;
        }
        html += Escaped(body.mid(at));
        html += QStringLiteral("</div>\n");
        write(html);
    }
    bool finish() override {
        write(QStringLiteral("</body>\n</html>\n"));
        return ok_;
    }
};

ExportedRecord RecordOf(const SqlStatement& row, const KeywordMarker& marker) {
    ExportedRecord r;
    r.title = CellText(row, 1);
    r.body = CellText(row, 2);
    r.header = RecordHeader(CellText(row, 0), CellText(row, 3));
    r.keywords = marker.ranges(r.body);
    return r;
}

} // namespace

std::optional<ExportFormat> ExportFormatFor(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("txt"))
        return ExportFormat::Text;
    if (suffix == QLatin1String("html") || suffix == QLatin1String("htm"))
        return ExportFormat::Html;
    if (suffix == QLatin1String("pdf"))
        return ExportFormat::Pdf;
    return std::nullopt;
}

QStringList ExportFilters() {
    return {QStringLiteral("纯文本 (*.txt)"), QStringLiteral("网页 (*.html *.htm)"),
            QStringLiteral("PDF 文档 (*.pdf)")};
}

QString WithExportExtension(const QString& path, const QString& filter) {
    if (ExportFormatFor(path))
        return path;
    const QStringList filters = ExportFilters();
    const QString extensions[] = {QStringLiteral(".txt"), QStringLiteral(".html"),
                                  QStringLiteral(".pdf")};
    const qsizetype at = filters.indexOf(filter);
    return path + extensions[at >= 0 ? at : 0];
}

std::unique_ptr<RecordWriter> MakeTextWriter(QIODevice& out) {
    return std::make_unique<TextWriter>(out);
}

std::unique_ptr<RecordWriter> MakeHtmlWriter(QIODevice& out, const QString& title) {
    return std::make_unique<HtmlWriter>(out, title);
}

std::unique_ptr<RecordWriter> MakeTextOrHtmlWriter(ExportFormat format, QIODevice& out) {
    switch (format) {
    case ExportFormat::Text:
        return MakeTextWriter(out);
    case ExportFormat::Html:
        return MakeHtmlWriter(out, kProgramTitle);
    case ExportFormat::Pdf:
        break;
    }
    return nullptr;
}

bool ExportFile::open(const QString& path, ExportFormat format, const WriterFactory& makeWriter) {
    cancel();
    file_ = std::make_unique<QSaveFile>(path);
    if (!file_->open(QIODevice::WriteOnly)) {
        file_.reset();
        return false;
    }
    writer_ = makeWriter(format, *file_);
    if (!writer_) {
        cancel();
        return false;
    }
    return true;
}

bool ExportFile::commit() {
    if (!file_ || !writer_)
        return false;
    const bool written = writer_->finish();
    writer_.reset();
    if (!written) {
        cancel();
        return false;
    }
    const bool committed = file_->commit();
    file_.reset();
    return committed;
}

void ExportFile::cancel() {
    // The writer may still hold the device (a PDF's painter): it goes first, then the file
    // without its commit, which removes the temporary file.
    writer_.reset();
    if (file_)
        file_->cancelWriting();
    file_.reset();
}

// What the reading thread and the writer share, under the mutex.
struct ListReader::Shared {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<ExportedRecord> queue;
    bool ended = false;
    bool stop = false;
    std::optional<std::string> error;
    sqlite3* reading = nullptr; // to interrupt
    std::thread thread;
};

// The records read ahead of the writer at most.
constexpr size_t kReadAhead = 2000;

ListReader::ListReader(const KnowledgeCategory& category, const QString& keywordBox, bool variants,
                       std::optional<QStringList> titles)
    : category_(category), marker_(keywordBox, variants), titles_(std::move(titles)) {}

ListReader::~ListReader() {
    if (!shared_)
        return;
    {
        const std::lock_guard lock(shared_->mutex);
        shared_->stop = true;
        if (shared_->reading)
            sqlite3_interrupt(shared_->reading);
    }
    shared_->changed.notify_all();
    shared_->thread.join();
}

void ListReader::read() {
    Shared& s = *shared_;
    // Hands one record on; false when the reader is to stop.
    const auto put = [&s](ExportedRecord&& record) {
        std::unique_lock lock(s.mutex);
        s.changed.wait(lock, [&s] { return s.stop || s.queue.size() < kReadAhead; });
        if (s.stop)
            return false;
        s.queue.push_back(std::move(record));
        s.changed.notify_all();
        return true;
    };
    SqlConnection db;
    const auto stopped = [&s] {
        const std::lock_guard lock(s.mutex);
        return s.stop;
    };
    const auto readRows = [&] {
        db.open(ConnectionString::parse(ConnectionStringFor(category_)));
        {
            const std::lock_guard lock(s.mutex);
            if (s.stop)
                return;
            s.reading = db.handle();
        }
        if (!titles_) {
            SqlStatement rows = db.prepare(category_.readStatement());
            while (rows.step()) {
                // The rows the list leaves out (no title) are left out here too.
                if (ListedTitle(rows) && !put(RecordOf(rows, marker_)))
                    break;
            }
        } else {
            // A list of titles of its own: one pass over the base table, then the list's order.
            QHash<QString, qsizetype> at;
            for (qsizetype i = 0; i < titles_->size(); ++i)
                at.insert(titles_->at(i), i);
            std::vector<std::optional<ExportedRecord>> found(size_t(titles_->size()));
            SqlStatement rows =
                db.prepare(QStringLiteral("SELECT * FROM %1").arg(category_.baseTable));
            while (rows.step()) {
                if (rows.isNull(1))
                    continue;
                const auto i = at.constFind(rows.text(1));
                if (i != at.cend())
                    found[size_t(*i)] = RecordOf(rows, marker_);
            }
            for (std::optional<ExportedRecord>& r : found)
                if (r && !put(std::move(*r)))
                    break;
        }
    };
    try {
        if (beforeReading_ && !beforeReading_(stopped)) {
            if (!stopped())
                throw DbError("the result table does not hold the list");
        } else if (!stopped()) {
            readRows();
        }
    } catch (const DbError& e) {
        const std::lock_guard lock(s.mutex);
        s.error = e.what();
    }
    {
        // No interrupt reaches the connection once it is closed.
        const std::lock_guard lock(s.mutex);
        s.reading = nullptr;
    }
    db.close();
    const std::lock_guard lock(s.mutex);
    s.ended = true;
    s.changed.notify_all();
}

bool ListReader::step(RecordWriter& writer, std::chrono::milliseconds budget) {
    const auto until = std::chrono::steady_clock::now() + budget;
    if (!shared_) {
        shared_ = std::make_unique<Shared>();
        shared_->thread = std::thread([this] { read(); });
    }
    Shared& s = *shared_;
    std::unique_lock lock(s.mutex);
    for (;;) {
        if (!s.changed.wait_until(lock, until, [&s] { return !s.queue.empty() || s.ended; }))
            return false;
        if (s.error)
            throw DbError(*s.error);
        if (s.queue.empty())
            return true; // ended, and every record handed on
        // Written outside the lock: the reader goes on meanwhile.
        std::deque<ExportedRecord> batch;
        batch.swap(s.queue);
        s.changed.notify_all();
        lock.unlock();
        while (!batch.empty()) {
            writer.add(batch.front());
            batch.pop_front();
            ++done_;
            if (std::chrono::steady_clock::now() >= until && !batch.empty()) {
                // The rest goes back in front of what was read meanwhile.
                lock.lock();
                s.queue.insert(s.queue.begin(), std::make_move_iterator(batch.begin()),
                               std::make_move_iterator(batch.end()));
                return false;
            }
        }
        lock.lock();
        if (std::chrono::steady_clock::now() >= until)
            return s.ended && s.queue.empty() && !s.error;
    }
}

bool ExportRecord(const QString& path, const ExportedRecord& record,
                  const WriterFactory& makeWriter) {
    const std::optional<ExportFormat> format = ExportFormatFor(path);
    ExportFile file;
    if (!format || !file.open(path, *format, makeWriter))
        return false;
    file.writer().add(record);
    return file.commit();
}

bool ExportList(ListReader& reader, const QString& path, const WriterFactory& makeWriter) {
    const std::optional<ExportFormat> format = ExportFormatFor(path);
    if (!format)
        return false;
    ExportFile file;
    if (!file.open(path, *format, makeWriter))
        return false;
    while (!reader.step(file.writer(), std::chrono::milliseconds(1000))) {
    }
    return file.commit();
}

} // namespace meridane
