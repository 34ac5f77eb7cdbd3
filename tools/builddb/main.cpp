// meridane-builddb: makes the knowledge and the personal database from JSON Lines sources.
#include "builddb/source_records.h"

#include <QCoreApplication>
#include <QDate>
#include <QFile>

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
    Print(stderr, QStringLiteral("       meridane-builddb --update FILE --notice TEXTFILE "
                                 "[--stamp YYYY-MM-DD]"));
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString source, knowledge, personal, update, notice;
    QString stamp = QDate::currentDate().toString(Qt::ISODate);
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
        else
            return Usage();
    }
    const bool sources = !knowledge.isEmpty() || !personal.isEmpty();
    if ((sources && source.isEmpty()) || (!update.isEmpty() && notice.isEmpty()) ||
        (!sources && update.isEmpty()))
        return Usage();
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
        if (!knowledge.isEmpty())
            records = ReadKnowledgeSources(source);
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
