#include "services/notes_import.h"

#include "services/personal_records.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <limits>

namespace meridane {

namespace {

[[noreturn]] void Refuse(ImportError::Reason reason, qsizetype line, const char* what) {
    std::string text = line > 0 ? "line " + std::to_string(line) + ": " : std::string();
    throw ImportError(reason, line, text + what);
}

bool IsBlank(const QString& line) {
    return line.trimmed().isEmpty();
}

QString FirstLine(const QString& text) {
    for (const QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        const QString trimmed = line.trimmed().toString();
        if (!trimmed.isEmpty())
            return trimmed.left(kMaxTitleLength);
    }
    return {};
}

// The lines of a note's body, without blank lines at either end.
QString JoinBody(const QStringList& lines, qsizetype from, qsizetype to) {
    while (from < to && IsBlank(lines.at(from)))
        ++from;
    while (to > from && IsBlank(lines.at(to - 1)))
        --to;
    QString body;
    for (qsizetype i = from; i < to; ++i) {
        if (i > from)
            body += QLatin1Char('\n');
        body += lines.at(i);
    }
    return body;
}

const char* kDigits[] = {"零", "一", "二", "三", "四", "五", "六", "七", "八", "九"};

QString ChineseNumber(int n) {
    if (n < 0 || n >= 10000)
        return QString::number(n);
    if (n < 10)
        return QString::fromUtf8(kDigits[n]);
    if (n < 20)
        return QStringLiteral("十") + (n % 10 ? QString::fromUtf8(kDigits[n % 10]) : QString());
    const char* units[] = {"千", "百", "十", ""};
    const int places[] = {n / 1000, n / 100 % 10, n / 10 % 10, n % 10};
    QString out;
    bool zero = false; // a zero waits to be said before the next digit
    for (int i = 0; i < 4; ++i) {
        if (places[i] == 0) {
            zero = !out.isEmpty();
            continue;
        }
        if (zero)
            out += QString::fromUtf8(kDigits[0]);
        zero = false;
        out += QString::fromUtf8(kDigits[places[i]]) + QString::fromUtf8(units[i]);
    }
    return out;
}

// The titles me1 holds.
QSet<QString> TitlesOf(SqlConnection& db) {
    SqlStatement titles = db.prepare(QStringLiteral("SELECT 标题 FROM me1 WHERE 标题 IS NOT NULL"));
    QSet<QString> out;
    while (titles.step())
        out.insert(titles.text(0));
    return out;
}

} // namespace

QString ImportErrorText(const ImportError& e) {
    const QString line = QString::number(e.line());
    switch (e.reason()) {
    case ImportError::Reason::CannotRead:
        return QStringLiteral("无法读取文件，未导入！");
    case ImportError::Reason::Undecodable:
        return QStringLiteral("第 %1 行有按此编码无法识别的文字，未导入！").arg(line);
    case ImportError::Reason::NotAnObject:
        return QStringLiteral("第 %1 行不是一个 JSON 对象，未导入！").arg(line);
    case ImportError::Reason::MissingField:
        return QStringLiteral("第 %1 行缺少文字的“标题”或“文本”，未导入！").arg(line);
    case ImportError::Reason::NoColumns:
        return QStringLiteral("第 %1 行没有“标题”和“文本”两列，未导入！").arg(line);
    case ImportError::Reason::UnclosedQuote:
        return QStringLiteral("第 %1 行的引号没有结束，未导入！").arg(line);
    case ImportError::Reason::StrayQuote:
        return QStringLiteral("第 %1 行有不成对的引号，未导入！").arg(line);
    case ImportError::Reason::Empty:
        return QStringLiteral("文件中没有可以导入的资料！");
    }
    return {};
}

QString DefaultHeadingPattern() {
    return QStringLiteral("^(卷[〇零一二三四五六七八九十百千0-9]+.*|"
                          "第[〇零一二三四五六七八九十百千0-9]+[卷章节篇回部].*|"
                          "[^，。；：！？、,.;:!?]+)$");
}

std::vector<ImportedNote> SplitText(const QString& text, SplitRule rule,
                                    const QString& headingPattern, const QString& fileTitle) {
    std::vector<ImportedNote> notes;
    if (rule == SplitRule::WholeFile) {
        const QStringList lines = text.split(QLatin1Char('\n'));
        const QString body = JoinBody(lines, 0, lines.size());
        if (!body.isEmpty())
            notes.push_back({fileTitle, body, 1});
        return notes;
    }
    const QStringList lines = text.split(QLatin1Char('\n'));
    if (rule == SplitRule::Paragraph) {
        qsizetype start = -1;
        for (qsizetype i = 0; i <= lines.size(); ++i) {
            const bool blank = i == lines.size() || IsBlank(lines.at(i));
            if (!blank && start < 0)
                start = i;
            if (blank && start >= 0) {
                const QString body = JoinBody(lines, start, i);
                notes.push_back({FirstLine(body), body, start + 1});
                start = -1;
            }
        }
        return notes;
    }
    const QRegularExpression heading(headingPattern);
    const bool usable = heading.isValid() && !headingPattern.isEmpty();
    QString title = fileTitle;
    qsizetype titleLine = 1, bodyFrom = 0;
    bool titled = false; // the current title is a heading
    const auto flush = [&](qsizetype to) {
        const QString body = JoinBody(lines, bodyFrom, to);
        if (!body.isEmpty())
            notes.push_back({title, body, titleLine});
        return !body.isEmpty();
    };
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
        if (!usable || line.isEmpty() || line.size() > kMaxHeadingLength ||
            !heading.match(line).hasMatch())
            continue;
        // Headings with no text between them make one title.
        if (!flush(i) && titled) {
            title += QLatin1Char(' ') + line;
        } else {
            title = line;
            titleLine = i + 1;
        }
        titled = true;
        bodyFrom = i + 1;
    }
    flush(lines.size());
    return notes;
}

std::vector<ImportedNote> ParseNotesJsonLines(const QByteArray& bytes) {
    const DecodedText decoded = DecodeText(bytes, TextEncoding::Utf8);
    if (decoded.failure)
        Refuse(ImportError::Reason::Undecodable, decoded.failure->line, "not valid UTF-8");
    std::vector<ImportedNote> notes;
    const QStringList lines = decoded.text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (IsBlank(lines.at(i)))
            continue;
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(lines.at(i).toUtf8(), &error);
        if (error.error != QJsonParseError::NoError || !doc.isObject())
            Refuse(ImportError::Reason::NotAnObject, i + 1, "not a JSON object");
        const QJsonObject o = doc.object();
        const QJsonValue title = o.value(QStringLiteral("标题"));
        const QJsonValue body = o.value(QStringLiteral("文本"));
        if (!title.isString() || !body.isString())
            Refuse(ImportError::Reason::MissingField, i + 1,
                   "\"标题\" or \"文本\" is missing or not a string");
        if (title.toString().isEmpty() && body.toString().isEmpty())
            continue;
        notes.push_back({title.toString(), body.toString(), i + 1});
    }
    if (notes.empty())
        Refuse(ImportError::Reason::Empty, 0, "no note in the file");
    return notes;
}

std::vector<ImportedNote> ParseNotesCsv(const QString& text) {
    struct Row {
        QStringList fields;
        qsizetype line;
    };
    std::vector<Row> rows;
    qsizetype line = 1;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        Row row{{}, line};
        for (;;) {
            QString field;
            if (i < n && text.at(i) == QLatin1Char('"')) {
                const qsizetype openedOn = line;
                ++i;
                for (;;) {
                    if (i >= n)
                        Refuse(ImportError::Reason::UnclosedQuote, openedOn,
                               "a quote is not closed");
                    const QChar c = text.at(i++);
                    if (c == QLatin1Char('"')) {
                        if (i < n && text.at(i) == QLatin1Char('"')) {
                            field += c;
                            ++i;
                            continue;
                        }
                        break;
                    }
                    if (c == QLatin1Char('\n'))
                        ++line;
                    field += c;
                }
                if (i < n && text.at(i) != QLatin1Char(',') && text.at(i) != QLatin1Char('\n'))
                    Refuse(ImportError::Reason::StrayQuote, line, "text after a closing quote");
            } else {
                const qsizetype start = i;
                while (i < n && text.at(i) != QLatin1Char(',') && text.at(i) != QLatin1Char('\n')) {
                    if (text.at(i) == QLatin1Char('"'))
                        Refuse(ImportError::Reason::StrayQuote, line,
                               "a quote inside a field that is not quoted");
                    ++i;
                }
                field = text.mid(start, i - start);
            }
            row.fields << field;
            if (i < n && text.at(i) == QLatin1Char(',')) {
                ++i;
                continue;
            }
            if (i < n) { // the line feed
                ++i;
                ++line;
            }
            break;
        }
        if (!(row.fields.size() == 1 && row.fields.front().isEmpty()))
            rows.push_back(std::move(row));
    }
    if (rows.empty())
        Refuse(ImportError::Reason::NoColumns, 1, "no header row");
    qsizetype titleColumn = -1, bodyColumn = -1;
    const QStringList& header = rows.front().fields;
    for (qsizetype c = 0; c < header.size(); ++c) {
        const QString name = header.at(c).trimmed();
        if (name == QStringLiteral("标题") && titleColumn < 0)
            titleColumn = c;
        else if (name == QStringLiteral("文本") && bodyColumn < 0)
            bodyColumn = c;
    }
    if (titleColumn < 0 || bodyColumn < 0)
        Refuse(ImportError::Reason::NoColumns, rows.front().line,
               "the first row does not name the columns 标题 and 文本");
    std::vector<ImportedNote> notes;
    for (size_t r = 1; r < rows.size(); ++r) {
        const QStringList& f = rows[r].fields;
        ImportedNote note{f.value(titleColumn), f.value(bodyColumn), rows[r].line};
        if (!note.title.isEmpty() || !note.body.isEmpty())
            notes.push_back(std::move(note));
    }
    if (notes.empty())
        Refuse(ImportError::Reason::Empty, 0, "no note in the file");
    return notes;
}

ImportFormat FormatForFile(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("jsonl") || suffix == QLatin1String("json"))
        return ImportFormat::JsonLines;
    if (suffix == QLatin1String("csv"))
        return ImportFormat::Csv;
    return ImportFormat::Text;
}

std::vector<ImportedNote> ReadNotes(const QByteArray& bytes, const ImportSource& source) {
    if (source.format == ImportFormat::JsonLines)
        return ParseNotesJsonLines(bytes);
    DecodedText decoded = DecodeText(bytes, source.encoding);
    if (decoded.failure)
        Refuse(ImportError::Reason::Undecodable, decoded.failure->line,
               "a byte that does not decode in the encoding chosen");
    if (source.format == ImportFormat::Csv)
        return ParseNotesCsv(decoded.text);
    std::vector<ImportedNote> notes =
        SplitText(decoded.text, source.rule, source.headingPattern, source.fileTitle);
    if (notes.empty())
        Refuse(ImportError::Reason::Empty, 0, "no note in the file");
    return notes;
}

QString TitleSuffix(int n) {
    return QStringLiteral("（") + ChineseNumber(n) + QStringLiteral("）");
}

TitlePlan UniqueTitles(const std::vector<ImportedNote>& notes, const QSet<QString>& taken) {
    TitlePlan plan;
    QSet<QString> used = taken;
    // The next suffix to try for each title, so that a title given a thousand times is quick.
    QHash<QString, int> nextSuffix;
    plan.titles.reserve(qsizetype(notes.size()));
    for (const ImportedNote& note : notes) {
        QString base = note.title.isEmpty() ? FirstLine(note.body) : note.title;
        if (base.isEmpty())
            base = QStringLiteral("无题");
        QString title = base;
        if (used.contains(title)) {
            int k = nextSuffix.value(base, 2);
            while (used.contains(base + TitleSuffix(k)))
                ++k;
            title = base + TitleSuffix(k);
            nextSuffix.insert(base, k + 1);
            ++plan.renamed;
        }
        used.insert(title);
        plan.titles << title;
    }
    return plan;
}

QSet<QString> TakenTitles(const QString& file) {
    // Checked as the editor checks it before anything of me1 is read.
    SqlConnection db = PersonalRecordSet::Connect(file);
    return TitlesOf(db);
}

std::optional<ImportSummary> ImportNotes(SqlConnection& db, const std::vector<ImportedNote>& notes,
                                         const ImportProgress& progress) {
    try {
        db.exec(QStringLiteral("BEGIN IMMEDIATE"));
    } catch (const DbError& e) {
        throw PersonalSaveError(PersonalSaveError::Reason::CannotWrite, e.what());
    }
    try {
        // The titles and numbers as the file holds them under the write lock.
        const TitlePlan plan = UniqueTitles(notes, TitlesOf(db));
        const std::optional<qint64> largest = LargestNumber(db);
        if (largest && *largest > std::numeric_limits<qint64>::max() - qint64(notes.size()))
            throw PersonalSaveError(PersonalSaveError::Reason::CannotWrite,
                                    "the numbers of the notes have run out");
        const qint64 first = largest ? *largest + 1 : 1;
        SqlStatement insert = db.prepare(
            QStringLiteral("INSERT INTO me1 (编号, 标题, 文本, 相符个数) VALUES (?1, ?2, ?3, 0)"));
        const qsizetype total = qsizetype(notes.size());
        for (qsizetype i = 0; i < total; ++i) {
            if (progress && i % 64 == 0 && !progress(i, total)) {
                db.exec(QStringLiteral("ROLLBACK"));
                return std::nullopt;
            }
            insert.reset();
            insert.bind(1, first + i);
            insert.bind(2, plan.titles.at(i));
            insert.bind(3, notes[size_t(i)].body);
            insert.step();
        }
        if (progress && !progress(total, total)) {
            db.exec(QStringLiteral("ROLLBACK"));
            return std::nullopt;
        }
        db.exec(QStringLiteral("COMMIT"));
        return ImportSummary{int(total), plan.renamed, first};
    } catch (const std::exception& e) {
        RollBackAndThrow(db, e);
    }
}

} // namespace meridane
