#include "builddb/source_records.h"

#include "search/knowledge_category.h"
#include "search/program_folder.h"
#include "search/sqlite_db.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QStringDecoder>

#include <charconv>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

namespace meridane {

namespace {

[[noreturn]] void Fail(const QString& file, qsizetype line, const QString& reason) {
    const QString where = line > 0 ? QStringLiteral("%1:%2: ").arg(file).arg(line) : file + ": ";
    throw BuildError((where + reason).toStdString());
}

// One JSON object per line, read strictly: the text must be well-formed UTF-8, a string may
// not hold a NUL or half of a surrogate pair, and a number is kept as it is written, so that
// "编号" is taken only when it is exactly a whole number that fits.
class JsonLine {
public:
    struct Value {
        enum Kind { String, Number, Other } kind = Other;
        QString text;      // a string's value
        std::string token; // a number as written
    };

    JsonLine(const QByteArray& line, const QString& file, qsizetype lineNo)
        : p_(line.constData()), end_(line.constData() + line.size()), file_(file), line_(lineNo) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString decoded = utf8.decode(line); // converted only when assigned
        if (utf8.hasError())
            fail(QStringLiteral("the line is not valid UTF-8"));
    }

    // The members of the object that makes up the line (a later key replaces an earlier one).
    QHash<QString, Value> object() {
        skipBlanks();
        if (!consume('{'))
            fail(QStringLiteral("not a JSON object"));
        QHash<QString, Value> members;
        skipBlanks();
        if (!consume('}')) {
            do {
                skipBlanks();
                if (peek() != '"')
                    fail(QStringLiteral("malformed JSON (a key must be a string)"));
                const QString key = string();
                skipBlanks();
                if (!consume(':'))
                    fail(QStringLiteral("malformed JSON (':' expected)"));
                members.insert(key, value(0));
                skipBlanks();
            } while (consume(','));
            if (!consume('}'))
                fail(QStringLiteral("malformed JSON (',' or '}' expected)"));
        }
        skipBlanks();
        if (p_ != end_)
            fail(QStringLiteral("malformed JSON (text after the object)"));
        return members;
    }

    [[noreturn]] void fail(const QString& reason) const { Fail(file_, line_, reason); }

private:
    static constexpr int kMaxDepth = 64;

    char peek() const { return p_ < end_ ? *p_ : '\0'; }
    bool consume(char c) {
        if (p_ < end_ && *p_ == c) {
            ++p_;
            return true;
        }
        return false;
    }
    void skipBlanks() {
        while (p_ < end_ && (*p_ == ' ' || *p_ == '\t' || *p_ == '\r' || *p_ == '\n'))
            ++p_;
    }

    Value value(int depth) {
        if (depth > kMaxDepth)
            fail(QStringLiteral("malformed JSON (nested too deeply)"));
        skipBlanks();
        const char c = peek();
        if (c == '"')
            return {Value::String, string(), {}};
        if (c == '-' || (c >= '0' && c <= '9'))
            return {Value::Number, {}, number()};
        if (c == '{' || c == '[') {
            const char close = c == '{' ? '}' : ']';
            ++p_;
            skipBlanks();
            if (consume(close))
                return {};
            do {
                if (c == '{') {
                    skipBlanks();
                    if (peek() != '"')
                        fail(QStringLiteral("malformed JSON (a key must be a string)"));
                    string();
                    skipBlanks();
                    if (!consume(':'))
                        fail(QStringLiteral("malformed JSON (':' expected)"));
                }
                value(depth + 1);
                skipBlanks();
            } while (consume(','));
            if (!consume(close))
                fail(QStringLiteral("malformed JSON ('%1' expected)").arg(QLatin1Char(close)));
            return {};
        }
        for (const char* word : {"true", "false", "null"}) {
            const size_t n = std::strlen(word);
            if (size_t(end_ - p_) >= n && std::memcmp(p_, word, n) == 0) {
                p_ += n;
                return {};
            }
        }
        fail(QStringLiteral("malformed JSON (a value expected)"));
    }

    std::string number() {
        const char* start = p_;
        consume('-');
        if (consume('0')) {
        } else if (peek() >= '1' && peek() <= '9') {
            while (peek() >= '0' && peek() <= '9')
                ++p_;
        } else {
            fail(QStringLiteral("malformed JSON (a number expected)"));
        }
        if (consume('.')) {
            if (!(peek() >= '0' && peek() <= '9'))
                fail(QStringLiteral("malformed JSON (a digit expected)"));
            while (peek() >= '0' && peek() <= '9')
                ++p_;
        }
        if (consume('e') || consume('E')) {
            if (!consume('+'))
                consume('-');
            if (!(peek() >= '0' && peek() <= '9'))
                fail(QStringLiteral("malformed JSON (a digit expected)"));
            while (peek() >= '0' && peek() <= '9')
                ++p_;
        }
        return std::string(start, p_);
    }

    // Text keeps no control character but tab and line feed, however it was written: C0, DEL
    // and C1 alike.
    void refuseControls(const QString& text) const {
        for (const QChar ch : text) {
            const char16_t u = ch.unicode();
            if ((u < 0x20 && u != '\t' && u != '\n') || (u >= 0x7F && u <= 0x9F))
                fail(
                    QStringLiteral("a string holds the control character U+%1")
                        .arg(QString::number(u, 16).toUpper().rightJustified(4, QLatin1Char('0'))));
        }
    }

    unsigned hex4() {
        if (end_ - p_ < 4)
            fail(QStringLiteral("malformed JSON (\\u takes four hex digits)"));
        unsigned v = 0;
        for (int i = 0; i < 4; ++i) {
            const char h = *p_++;
            v <<= 4;
            if (h >= '0' && h <= '9')
                v |= unsigned(h - '0');
            else if (h >= 'a' && h <= 'f')
                v |= unsigned(h - 'a' + 10);
            else if (h >= 'A' && h <= 'F')
                v |= unsigned(h - 'A' + 10);
            else
                fail(QStringLiteral("malformed JSON (\\u takes four hex digits)"));
        }
        return v;
    }

    QString string() {
        ++p_; // the opening quote
        QString out;
        const char* run = p_; // plain bytes not yet copied
        const auto flush = [&] { out += QString::fromUtf8(run, p_ - run); };
        for (;;) {
            if (p_ == end_)
                fail(QStringLiteral("malformed JSON (a string is not closed)"));
            const auto c = static_cast<unsigned char>(*p_);
            if (c == '"') {
                flush();
                ++p_;
                refuseControls(out);
                return out;
            }
            if (c < 0x20)
                fail(c == 0 ? QStringLiteral("a string holds a NUL character")
                            : QStringLiteral("malformed JSON (a control character in a string)"));
            if (c != '\\') {
                ++p_;
                continue;
            }
            flush();
            ++p_;
            const char e = p_ < end_ ? *p_++ : '\0';
            switch (e) {
            case '"':
            case '\\':
            case '/':
                out += QLatin1Char(e);
                break;
            case 'b':
                out += QLatin1Char('\b');
                break;
            case 'f':
                out += QLatin1Char('\f');
                break;
            case 'n':
                out += QLatin1Char('\n');
                break;
            case 'r':
                out += QLatin1Char('\r');
                break;
            case 't':
                out += QLatin1Char('\t');
                break;
            case 'u': {
                const unsigned u = hex4();
                if (u == 0)
                    fail(QStringLiteral("a string holds a NUL character"));
                if (QChar::isLowSurrogate(u))
                    fail(QStringLiteral("a string holds a lone surrogate (\\u%1)")
                             .arg(u, 4, 16, QLatin1Char('0')));
                out += QChar(char16_t(u));
                if (QChar::isHighSurrogate(u)) {
                    if (!(end_ - p_ >= 2 && p_[0] == '\\' && p_[1] == 'u'))
                        fail(QStringLiteral("a string holds a lone surrogate (\\u%1)")
                                 .arg(u, 4, 16, QLatin1Char('0')));
                    p_ += 2;
                    const unsigned low = hex4();
                    if (!QChar::isLowSurrogate(low))
                        fail(QStringLiteral("a string holds a lone surrogate (\\u%1)")
                                 .arg(u, 4, 16, QLatin1Char('0')));
                    out += QChar(char16_t(low));
                }
                break;
            }
            default:
                fail(QStringLiteral("malformed JSON (unknown escape in a string)"));
            }
            run = p_;
        }
    }

    const char* p_;
    const char* end_;
    QString file_;
    qsizetype line_;
};

// The whole number a JSON number token stands for, when it is one exactly and fits 64 bits.
std::optional<qint64> ExactWholeNumber(const std::string& token) {
    size_t i = 0;
    const bool negative = token[i] == '-';
    if (negative)
        ++i;
    std::string digits;
    qint64 exponent = 0;
    for (; i < token.size() && token[i] >= '0' && token[i] <= '9'; ++i)
        digits += token[i];
    if (i < token.size() && token[i] == '.') {
        for (++i; i < token.size() && token[i] >= '0' && token[i] <= '9'; ++i) {
            digits += token[i];
            --exponent;
        }
    }
    if (i < token.size() && (token[i] == 'e' || token[i] == 'E')) {
        ++i;
        const bool down = token[i] == '-';
        if (token[i] == '+' || token[i] == '-')
            ++i;
        qint64 e = 0;
        for (; i < token.size(); ++i) {
            e = e * 10 + (token[i] - '0');
            if (e > 1000000)
                return std::nullopt; // far beyond any whole number of 64 bits, or below 1
        }
        exponent += down ? -e : e;
    }
    // digits × 10^exponent: drop the zeros that a negative exponent takes away.
    while (exponent < 0 && !digits.empty() && digits.back() == '0') {
        digits.pop_back();
        ++exponent;
    }
    const size_t firstNonZero = digits.find_first_not_of('0');
    if (firstNonZero == std::string::npos)
        return 0;
    if (exponent < 0)
        return std::nullopt; // a fraction
    digits.erase(0, firstNonZero);
    if (digits.size() + size_t(exponent) > 19)
        return std::nullopt;
    digits.append(size_t(exponent), '0');
    if (negative)
        digits.insert(digits.begin(), '-');
    qint64 value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    return value;
}

QString RequiredText(const QHash<QString, JsonLine::Value>& o, const char* key,
                     const JsonLine& in) {
    const auto it = o.constFind(QString::fromUtf8(key));
    if (it == o.cend() || it->kind != JsonLine::Value::String)
        in.fail(QStringLiteral("\"%1\" is missing or not a string").arg(QString::fromUtf8(key)));
    return it->text;
}

const KnowledgeCategory& CategoryTable(Category category) {
    return *CategoryFor(category);
}

void CreateTable(SqlConnection& db, const KnowledgeCategory& c, bool withKeywords) {
    // The user's own notes are told apart by their titles, and each has a number of its own.
    const bool personal = c.database == DatabaseKind::Personal;
    QString sql =
        QStringLiteral("CREATE TABLE %1 (编号 INTEGER%4, %2 TEXT%3, 文本 TEXT, "
                       "相符个数 INTEGER NOT NULL DEFAULT 0")
            .arg(c.baseTable, c.titleColumn, personal ? QStringLiteral(" UNIQUE") : QString(),
                 personal ? QStringLiteral(" NOT NULL UNIQUE") : QString());
    if (withKeywords)
        sql += QStringLiteral(", 关键字 TEXT");
    db.exec(sql + QLatin1Char(')'));
}

void InsertAll(SqlConnection& db, const KnowledgeCategory& c,
               const std::vector<SourceRecord>& records, bool withKeywords) {
    QString sql =
        QStringLiteral("INSERT INTO %1 (编号, %2, 文本, 相符个数%3) VALUES (?1, ?2, ?3, 0%4)")
            .arg(c.baseTable, c.titleColumn, withKeywords ? QStringLiteral(", 关键字") : QString(),
                 withKeywords ? QStringLiteral(", ?4") : QString());
    SqlStatement insert = db.prepare(sql);
    for (const SourceRecord& r : records) {
        insert.reset();
        insert.bind(1, r.number);
        insert.bind(2, r.title);
        insert.bind(3, r.text);
        if (withKeywords)
            insert.bind(4, r.keywords);
        insert.step();
    }
}

// Builds a database in a temporary file beside target, then moves it into place. The temporary
// file is created here, exclusively: one that is already there belongs to someone else (another
// build at work, or what a build that was killed left) and is neither used nor removed.
template <typename Fill>
void WriteAtomically(const QString& target, const QString& password, Fill fill) {
    const QFileInfo info(target);
    if (!QDir().mkpath(info.absolutePath()))
        Fail(target, 0, QStringLiteral("cannot create the folder"));
    const QString partial = info.absoluteFilePath() + QStringLiteral(".partial");
    {
        QFile claim(partial);
        if (!claim.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            Fail(partial, 0,
                 claim.exists()
                     ? QStringLiteral("the file is in the way (another build at work, "
                                      "or one that stopped; remove it by hand)")
                     : QStringLiteral("cannot create the file (%1)").arg(claim.errorString()));
    }
    try {
        SqlConnection db;
        db.open(partial, password, SqlConnection::Mode::CreateIfMissing);
        db.exec(QStringLiteral("BEGIN"));
        fill(db);
        db.exec(QStringLiteral("COMMIT"));
        db.close();
        std::error_code ec;
        std::filesystem::rename(partial.toStdString(), info.absoluteFilePath().toStdString(), ec);
        if (ec)
            Fail(target, 0, QString::fromStdString(ec.message()));
    } catch (const DbError& e) {
        QFile::remove(partial);
        Fail(target, 0, QString::fromUtf8(e.what()));
    } catch (...) {
        QFile::remove(partial);
        throw;
    }
}

// Each note has a title and a number of its own: the second of two is named with its line.
void CheckNotesAreDistinct(const std::vector<SourceRecord>& notes, const QString& file) {
    QHash<qint64, qsizetype> numbers;
    QHash<QString, qsizetype> titles;
    for (const SourceRecord& r : notes) {
        const QString where = r.source.isEmpty() ? file : r.source;
        if (const auto it = numbers.constFind(r.number); it != numbers.cend())
            Fail(where, r.line,
                 QStringLiteral("\"编号\" %1 is given again (first on line %2)")
                     .arg(r.number)
                     .arg(*it));
        if (const auto it = titles.constFind(r.title); it != titles.cend())
            Fail(where, r.line,
                 QStringLiteral("\"标题\" \"%1\" is given again (first on line %2)")
                     .arg(r.title)
                     .arg(*it));
        numbers.insert(r.number, r.line);
        titles.insert(r.title, r.line);
    }
}

} // namespace

std::vector<SourceRecord> ReadJsonLines(const QString& path, bool withKeywords) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        Fail(path, 0, QStringLiteral("cannot read the file (%1)").arg(file.errorString()));
    std::vector<SourceRecord> records;
    qsizetype lineNo = 0;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine();
        ++lineNo;
        if (line.trimmed().isEmpty())
            continue;
        JsonLine in(line, path, lineNo);
        const QHash<QString, JsonLine::Value> o = in.object();
        SourceRecord r;
        const auto number = o.constFind(QStringLiteral("编号"));
        if (number == o.cend() || number->kind != JsonLine::Value::Number)
            in.fail(QStringLiteral("\"编号\" is missing or not a whole number"));
        const std::optional<qint64> n = ExactWholeNumber(number->token);
        if (!n)
            in.fail(QStringLiteral("\"编号\" %1 is not a whole number that fits in 64 bits")
                        .arg(QString::fromStdString(number->token)));
        r.number = *n;
        r.title = RequiredText(o, "标题", in);
        r.text = RequiredText(o, "文本", in);
        if (withKeywords)
            r.keywords = RequiredText(o, "关键字", in);
        r.source = path;
        r.line = lineNo;
        records.push_back(std::move(r));
    }
    return records;
}

std::vector<SourceRecord> ReadPersonalNotes(const QString& path) {
    std::vector<SourceRecord> notes = ReadJsonLines(path, false);
    CheckNotesAreDistinct(notes, path);
    return notes;
}

KnowledgeSources ReadKnowledgeSources(const QString& dir) {
    const auto in = [&dir](const char* name) {
        return dir + QLatin1Char('/') + QLatin1String(name);
    };
    KnowledgeSources s;
    s.An1 = ReadJsonLines(in("An1.jsonl"), true);
    s.yao = ReadJsonLines(in("yao.jsonl"), false);
    s.bing = ReadJsonLines(in("bing.jsonl"), false);
    s.yishu1 = ReadJsonLines(in("yishu1.jsonl"), true);
    return s;
}

std::vector<SourceRecord> ReadTextBooks(const std::vector<TextBook>& books, bool withKeywords) {
    std::vector<ImportedNote> notes;
    std::vector<QString> from; // the file of each note
    for (const TextBook& book : books) {
        QFile file(book.path);
        if (!file.open(QIODevice::ReadOnly))
            Fail(book.path, 0, QStringLiteral("cannot read the file (%1)").arg(file.errorString()));
        const QByteArray bytes = file.readAll();
        ImportSource source;
        source.encoding = book.encoding ? *book.encoding : DetectEncoding(bytes);
        source.rule = book.rule;
        source.headingPattern = book.headingPattern;
        source.fileTitle = QFileInfo(book.path).completeBaseName();
        try {
            for (ImportedNote& n : ReadNotes(bytes, source)) {
                notes.push_back(std::move(n));
                from.push_back(book.path);
            }
        } catch (const ImportError& e) {
            Fail(book.path, e.line(),
                 e.reason() == ImportError::Reason::Undecodable
                     ? QStringLiteral("the text does not decode as %1")
                           .arg(EncodingName(source.encoding))
                     : QString::fromUtf8(e.what()).section(QStringLiteral(": "), -1));
        }
    }
    const TitlePlan plan = UniqueTitles(notes, {});
    std::vector<SourceRecord> records;
    records.reserve(notes.size());
    for (size_t i = 0; i < notes.size(); ++i) {
        SourceRecord r;
        r.number = qint64(i) + 1;
        r.title = plan.titles.at(qsizetype(i));
        r.text = notes[i].body;
        if (withKeywords)
            r.keywords = r.title + QLatin1Char(' ') +
                         QString(r.text).replace(QLatin1Char('\n'), QLatin1Char(' '));
        r.source = from[i];
        r.line = notes[i].line;
        records.push_back(std::move(r));
    }
    return records;
}

std::vector<SourceRecord>* TableRecords(KnowledgeSources& sources, const QString& table) {
    if (table == QLatin1String("An1"))
        return &sources.An1;
    if (table == QLatin1String("yao"))
        return &sources.yao;
    if (table == QLatin1String("bing"))
        return &sources.bing;
    if (table == QLatin1String("yishu1"))
        return &sources.yishu1;
    return nullptr;
}

bool SearchesKeywords(const QString& table) {
    for (const KnowledgeCategory& c : KnowledgeCategories())
        if (c.baseTable == table)
            return c.searchedColumn == QStringLiteral("关键字");
    return false;
}

bool IsValidStamp(const QString& stamp) {
    static const QRegularExpression form(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
    return form.match(stamp).hasMatch() && QDate::fromString(stamp, Qt::ISODate).isValid();
}

void WriteKnowledgeDb(const KnowledgeSources& sources, const QString& file, const QString& stamp) {
    if (!IsValidStamp(stamp))
        Fail(file, 0, QStringLiteral("the stamp \"%1\" is not a date YYYY-MM-DD").arg(stamp));
    WriteAtomically(file, kDatabasePassword, [&](SqlConnection& db) {
        const struct {
            Category category;
            const std::vector<SourceRecord>& records;
        } tables[] = {{Category::Formulas, sources.An1},
                      {Category::Herbs, sources.yao},
                      {Category::Pathology, sources.bing},
                      {Category::ExpertCases, sources.yishu1}};
        for (const auto& t : tables) {
            const KnowledgeCategory& c = CategoryTable(t.category);
            const bool withKeywords = c.searchedColumn == QStringLiteral("关键字");
            CreateTable(db, c, withKeywords);
            InsertAll(db, c, t.records, withKeywords);
        }
        db.exec(QStringLiteral("CREATE TABLE cnt (cntr TEXT)"));
        db.exec(QStringLiteral("INSERT INTO cnt (cntr) VALUES (?1)"), {stamp});
    });
}

void WritePersonalDb(const std::vector<SourceRecord>& notes, const QString& file) {
    CheckNotesAreDistinct(notes, file);
    WriteAtomically(file, QString(), [&](SqlConnection& db) {
        const KnowledgeCategory& c = CategoryTable(Category::MyLibrary);
        CreateTable(db, c, false);
        InsertAll(db, c, notes, false);
    });
}

void WriteUpdateDb(const QString& file, const QString& stamp, const QString& notice) {
    if (!IsValidStamp(stamp))
        Fail(file, 0, QStringLiteral("the stamp \"%1\" is not a date YYYY-MM-DD").arg(stamp));
    WriteAtomically(file, kDatabasePassword, [&](SqlConnection& db) {
        db.exec(QStringLiteral("CREATE TABLE cnt_date (downdate TEXT)"));
        db.exec(QStringLiteral("INSERT INTO cnt_date (downdate) VALUES (?1)"), {stamp});
        db.exec(QStringLiteral("CREATE TABLE gao (gonggao TEXT)"));
        db.exec(QStringLiteral("INSERT INTO gao (gonggao) VALUES (?1)"), {notice});
    });
}

} // namespace meridane
