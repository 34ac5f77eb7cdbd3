// Prints how long importing a 10 MB book into the notes takes, step by step: finding the
// encoding, decoding, splitting at the heading lines, making the titles unique and writing the
// notes in one transaction, then the same write cancelled half-way. The book is made from the
// classics (../shared/data/classics beside the project) when they are there, else generated.
// Not a test: it asserts nothing.
#include "bench/bench_support.h"
#include "builddb/source_records.h"
#include "services/notes_import.h"
#include "services/personal_records.h"
#include "services/text_encoding.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace meridane;
using namespace meridane::bench;

namespace {

QString Ms(double ms) {
    return QString::number(ms, 'f', ms < 10 ? 2 : 1).rightJustified(8);
}

// The records of the classics as a book: each title on a line of its own, then its text.
QString ClassicsBook(const QString& dir) {
    QString book;
    for (const char* name : {"yao.jsonl", "An1.jsonl", "bing.jsonl", "yishu1.jsonl"}) {
        QFile f(dir + QLatin1Char('/') + QLatin1String(name));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        while (!f.atEnd()) {
            const QJsonObject o = QJsonDocument::fromJson(f.readLine()).object();
            book += o.value(QStringLiteral("标题")).toString() + QLatin1Char('\n') +
                    o.value(QStringLiteral("文本")).toString() + QStringLiteral("\n\n");
        }
    }
    return book;
}

QString GeneratedBook() {
    QString book;
    const QString text = QStringLiteral("味甘，微寒。主补五脏，安精神，定魂魄，止惊悸，除邪气，"
                                        "明目，开心益智。久服轻身延年。");
    for (int i = 1; i <= 2000; ++i) {
        book += QStringLiteral("第%1章\n").arg(i);
        for (int j = 0; j < 20; ++j)
            book += text + QLatin1Char('\n');
        book += QLatin1Char('\n');
    }
    return book;
}

int Usage() {
    Out(QStringLiteral("usage: meridane-import-bench [--classics DIR] [--megabytes N] [--runs R]"));
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString classics = QStringLiteral(MERIDANE_SOURCE_DIR "/../shared/data/classics");
    int megabytes = 10;
    int runs = 3;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); i += 2) {
        if (i + 1 >= args.size())
            return Usage();
        const QString& value = args.at(i + 1);
        if (args.at(i) == QLatin1String("--classics")) {
            classics = value;
            continue;
        }
        bool ok = false;
        const int n = value.toInt(&ok);
        if (!ok || n < 1)
            return Usage();
        if (args.at(i) == QLatin1String("--megabytes"))
            megabytes = n;
        else if (args.at(i) == QLatin1String("--runs"))
            runs = n;
        else
            return Usage();
    }

    QString part = ClassicsBook(classics);
    const bool fromClassics = !part.isEmpty();
    if (!fromClassics)
        part = GeneratedBook();
    QString text;
    const qsizetype wanted = qsizetype(megabytes) * 1024 * 1024;
    while (EncodeText(text, TextEncoding::Gb18030).size() < wanted)
        text += part;
    // Cut to the size asked for, at the end of a record.
    const qsizetype cut =
        text.lastIndexOf(QStringLiteral("\n\n"),
                         text.size() * wanted / EncodeText(text, TextEncoding::Gb18030).size());
    if (cut > 0)
        text.truncate(cut + 2);
    const QByteArray book = EncodeText(text, TextEncoding::Gb18030);

    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/msjic");
    const QString stored = dir.path() + QStringLiteral("/stored");
    std::vector<SourceRecord> notes;
    for (int i = 0; i < 1000; ++i)
        notes.push_back({i + 1, QStringLiteral("笔记%1").arg(i + 1), QStringLiteral("旧笔记"), {}});
    WritePersonalDb(notes, stored);

    std::vector<double> detect, decode, split, titles, write, cancel, total;
    qsizetype count = 0;
    int renamed = 0;
    for (int run = 0; run < runs; ++run) {
        QFile::remove(file);
        QFile::copy(stored, file);
        TextEncoding encoding{};
        DecodedText decoded;
        std::vector<ImportedNote> read;
        double all = 0;
        all += detect.emplace_back(TimeMs([&] { encoding = DetectEncoding(book); }));
        all += decode.emplace_back(TimeMs([&] { decoded = DecodeText(book, encoding); }));
        all += split.emplace_back(TimeMs([&] {
            read = SplitText(decoded.text, SplitRule::Heading, DefaultHeadingPattern(),
                             QStringLiteral("书"));
        }));
        all += titles.emplace_back(
            TimeMs([&] { renamed = UniqueTitles(read, TakenTitles(file)).renamed; }));
        count = qsizetype(read.size());
        cancel.push_back(TimeMs([&] {
            SqlConnection db = PersonalRecordSet::Connect(file);
            ImportNotes(db, read, [](qsizetype done, qsizetype all) { return done < all / 2; });
        }));
        all += write.emplace_back(TimeMs([&] {
            SqlConnection db = PersonalRecordSet::Connect(file);
            ImportNotes(db, read, [](qsizetype, qsizetype) { return true; });
        }));
        total.push_back(all);
    }

    Out(QStringLiteral("import of a %1 MB book (GB18030, %2) into 1000 notes, "
                       "median of %3 runs (ms)")
            .arg(QString::number(double(book.size()) / 1024 / 1024, 'f', 1),
                 fromClassics ? QStringLiteral("the classics repeated")
                              : QStringLiteral("generated text"))
            .arg(runs));
    Out(QStringLiteral("  %1 notes at heading lines, %2 titles given a suffix")
            .arg(count)
            .arg(renamed));
    Out(QStringLiteral("  find the encoding         %1").arg(Ms(Median(detect))));
    Out(QStringLiteral("  decode                    %1").arg(Ms(Median(decode))));
    Out(QStringLiteral("  split at headings         %1").arg(Ms(Median(split))));
    Out(QStringLiteral("  unique titles             %1").arg(Ms(Median(titles))));
    Out(QStringLiteral("  write, one transaction    %1").arg(Ms(Median(write))));
    Out(QStringLiteral("  total                     %1").arg(Ms(Median(total))));
    Out(QStringLiteral("  cancelled half-way        %1").arg(Ms(Median(cancel))));
    return 0;
}
