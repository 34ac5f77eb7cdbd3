// meridane-builddb: makes the knowledge and the personal database from JSON Lines sources, and
// knowledge tables from plain-text books.
#include "builddb/source_records.h"

#include <QCoreApplication>
#include <QDate>
#include <QFile>
#include <QRegularExpression>

#include <cstdio>

using namespace meridane;

namespace {

void Print(FILE* to, const QString& text) {
    const QByteArray utf8 = (text + QLatin1Char('\n')).toUtf8();
    std::fwrite(utf8.constData(), 1, size_t(utf8.size()), to);
}

int Usage() {
    Print(stderr, QStringLiteral("usage: meridane-builddb --source DIR [--knowledge FILE] "
                                 "[--personal FILE] [--stamp YYYY-MM-DD]"));
    Print(stderr, QStringLiteral("       meridane-builddb [--source DIR] --knowledge FILE "
                                 "--text TABLE=BOOK... [--split heading|paragraph|file]"));
    Print(stderr, QStringLiteral("                        [--heading PATTERN] "
                                 "[--encoding utf-8|gb18030|big5] [--stamp YYYY-MM-DD]"));
    Print(stderr, QStringLiteral("       meridane-builddb --update FILE --notice TEXTFILE "
                                 "[--stamp YYYY-MM-DD]"));
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString source, knowledge, personal, update, notice;
    QString stamp = QDate::currentDate().toString(Qt::ISODate);
    std::vector<TextBook> books; // the rule, pattern and encoding are set once all are read
    SplitRule rule = SplitRule::Heading;
    QString heading = DefaultHeadingPattern();
    std::optional<TextEncoding> encoding;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (i + 1 >= args.size())
            return Usage();
        const QString& value = args.at(++i);
        if (a == QLatin1String("--source"))
            source = value;
        else if (a == QLatin1String("--knowledge"))
            knowledge = value;
        else if (a == QLatin1String("--personal"))
            personal = value;
        else if (a == QLatin1String("--update"))
            update = value;
        else if (a == QLatin1String("--notice"))
            notice = value;
        else if (a == QLatin1String("--stamp"))
            stamp = value;
        else if (a == QLatin1String("--text")) {
            const qsizetype eq = value.indexOf(QLatin1Char('='));
            KnowledgeSources none;
            if (eq <= 0 || !TableRecords(none, value.left(eq))) {
                Print(stderr, QStringLiteral("meridane-builddb: --text takes TABLE=FILE, TABLE "
                                             "one of An1, yao, bing, yishu1"));
                return 2;
            }
            TextBook book;
            book.table = value.left(eq);
            book.path = value.mid(eq + 1);
            books.push_back(book);
        } else if (a == QLatin1String("--split")) {
            if (value == QLatin1String("heading"))
                rule = SplitRule::Heading;
            else if (value == QLatin1String("paragraph"))
                rule = SplitRule::Paragraph;
            else if (value == QLatin1String("file"))
                rule = SplitRule::WholeFile;
            else
                return Usage();
        } else if (a == QLatin1String("--heading")) {
            heading = value;
        } else if (a == QLatin1String("--encoding")) {
            const QString e = value.toLower();
            if (e == QLatin1String("utf-8") || e == QLatin1String("utf8"))
                encoding = TextEncoding::Utf8;
            else if (e == QLatin1String("gb18030") || e == QLatin1String("gbk"))
                encoding = TextEncoding::Gb18030;
            else if (e == QLatin1String("big5"))
                encoding = TextEncoding::Big5;
            else
                return Usage();
        } else
            return Usage();
    }
    for (TextBook& book : books) {
        book.rule = rule;
        book.headingPattern = heading;
        book.encoding = encoding;
    }
    // Without --source a knowledge database holds the books alone; the notes need the source.
    if ((!personal.isEmpty() && source.isEmpty()) ||
        (!knowledge.isEmpty() && source.isEmpty() && books.empty()) ||
        (!books.empty() && knowledge.isEmpty()) || (!update.isEmpty() && notice.isEmpty()) ||
        (knowledge.isEmpty() && personal.isEmpty() && update.isEmpty()))
        return Usage();
    if (!QRegularExpression(heading).isValid()) {
        Print(stderr, QStringLiteral("meridane-builddb: --heading takes a regular expression"));
        return 2;
    }
    if (!IsValidStamp(stamp)) {
        Print(stderr, QStringLiteral("meridane-builddb: --stamp takes a date YYYY-MM-DD"));
        return 2;
    }
    try {
        // Every input is read before anything is written: bad input leaves no file changed.
        QString noticeText;
        if (!update.isEmpty()) {
            QFile text(notice);
            if (!text.open(QIODevice::ReadOnly)) {
                Print(stderr, QStringLiteral("meridane-builddb: cannot read ") + notice);
                return 1;
            }
            noticeText = QString::fromUtf8(text.readAll()).trimmed();
        }
        KnowledgeSources records;
        if (!knowledge.isEmpty() && !source.isEmpty())
            records = ReadKnowledgeSources(source);
        // A table read from books holds them in place of its source file.
        for (const char* table : {"An1", "yao", "bing", "yishu1"}) {
            std::vector<TextBook> its;
            for (const TextBook& book : books)
                if (book.table == QLatin1String(table))
                    its.push_back(book);
            if (!its.empty())
                *TableRecords(records, QLatin1String(table)) =
                    ReadTextBooks(its, SearchesKeywords(QLatin1String(table)));
        }
        std::vector<SourceRecord> notes;
        const QString notesFile = source + QStringLiteral("/me1.jsonl");
        if (!personal.isEmpty() && QFile::exists(notesFile))
            notes = ReadPersonalNotes(notesFile);
        if (!update.isEmpty())
            WriteUpdateDb(update, stamp, noticeText);
        if (!knowledge.isEmpty())
            WriteKnowledgeDb(records, knowledge, stamp);
        if (!personal.isEmpty())
            WritePersonalDb(notes, personal);
    } catch (const BuildError& e) {
        Print(stderr, QStringLiteral("meridane-builddb: ") + QString::fromUtf8(e.what()));
        return 1;
    }
    return 0;
}
