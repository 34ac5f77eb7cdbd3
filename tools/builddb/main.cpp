// meridane-builddb: makes the knowledge and the personal database from JSON Lines sources.
#include "source_records.h"

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
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString source, knowledge, personal;
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
        else if (a == QLatin1String("--stamp"))
            stamp = value;
        else
            return Usage();
    }
    if (source.isEmpty() || (knowledge.isEmpty() && personal.isEmpty()))
        return Usage();
    if (!IsValidStamp(stamp)) {
        Print(stderr, QStringLiteral("meridane-builddb: --stamp takes a date YYYY-MM-DD"));
        return 2;
    }
    try {
        if (!knowledge.isEmpty())
            WriteKnowledgeDb(ReadKnowledgeSources(source), knowledge, stamp);
        if (!personal.isEmpty()) {
            const QString notes = source + QStringLiteral("/me1.jsonl");
            WritePersonalDb(QFile::exists(notes) ? ReadJsonLines(notes, false)
                                                 : std::vector<SourceRecord>{},
                            personal);
        }
    } catch (const BuildError& e) {
        Print(stderr, QStringLiteral("meridane-builddb: ") + QString::fromUtf8(e.what()));
        return 1;
    }
    return 0;
}
