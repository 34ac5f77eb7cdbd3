// Prints the median time of the search on synthetic knowledge databases of growing size and,
// when given, on a folder of classical texts. Not a test: it asserts nothing.
#include "keyword_search.h"
#include "message_service.h"
#include "program_folder.h"
#include "sqlite_db.h"
#include "synthetic_corpus.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

using namespace meridane;

namespace {

class QuietMessages : public MessageService {
public:
    int MsgBox(const QString&, int, const QString&) override { return MsgAnswer::Ok; }
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

template <typename F> double TimeMs(F f) {
    QElapsedTimer t;
    t.start();
    f();
    return double(t.nsecsElapsed()) / 1e6;
}

void Out(const QString& s) {
    const QByteArray b = (s + QLatin1Char('\n')).toUtf8();
    std::fwrite(b.constData(), 1, size_t(b.size()), stdout);
    std::fflush(stdout);
}

// Makes a program folder around the given sources; returns its path.
void MakeFolder(const QString& folder, const KnowledgeSources& sources) {
    WriteKnowledgeDb(sources, folder + QStringLiteral("/sound/bk6.mp3"), QStringLiteral("2008-05-20"));
    WritePersonalDb({}, folder + QStringLiteral("/msjic"));
    SetProgramFolder(folder);
    MakeWorkingCopy();
}

void BenchOpen() {
    std::vector<double> times;
    for (int i = 0; i < 41; ++i) {
        times.push_back(TimeMs([] {
            SqlConnection c;
            c.open(ConnectionString::parse(KnowledgeConnectionString()));
            SqlStatement s = c.prepare(QStringLiteral("SELECT cntr FROM cnt"));
            s.step();
        }));
    }
    Out(QStringLiteral("open + first read + close of the knowledge database: median %1 ms")
            .arg(Median(times), 0, 'f', 2));
    // What every open would cost if the key were derived from the password each time.
    std::vector<double> derive;
    for (int i = 0; i < 5; ++i) {
        const QByteArray salt = QByteArray::number(QRandomGenerator::global()->generate64()).leftJustified(16, 'x', true);
        derive.push_back(TimeMs([&] { RawKeyFor(kDatabasePassword, salt); }));
    }
    Out(QStringLiteral("key derivation (done once per process and salt): median %1 ms")
            .arg(Median(derive), 0, 'f', 2));
}

void BenchSearches(const QString& label, Option option, const QStringList& keywords, int runs) {
    SearchFields fields;
    fields.selected = option;
    KeywordSearch search(fields);
    for (int k : {1, 3, 5}) {
        if (k > keywords.size())
            break;
        fields.keywordBox = keywords.mid(0, k).join(QChar(0xFF0C));
        std::vector<double> newTimes, withinTimes;
        qsizetype hits = 0;
        for (int r = 0; r < runs; ++r) {
            newTimes.push_back(TimeMs([&] { search.Command1Click(); }));
            hits = fields.resultList.size();
            withinTimes.push_back(TimeMs([&] { search.Command2Click(); }));
        }
        Out(QStringLiteral("%1  keywords %2  new %3 ms  within %4 ms  (%5 listed)")
                .arg(label, -22)
                .arg(k)
                .arg(Median(newTimes), 9, 'f', 1)
                .arg(Median(withinTimes), 9, 'f', 1)
                .arg(hits));
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QuietMessages quiet;
    SetMessageService(&quiet);
    std::vector<int> sizes{1000, 10000, 100000};
    int runs = 5;
    QString classics;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--sizes")) {
            sizes.clear();
            for (const QString& s : args[i + 1].split(QLatin1Char(',')))
                sizes.push_back(s.toInt());
        } else if (args[i] == QLatin1String("--runs")) {
            runs = std::max(1, args[i + 1].toInt());
        } else if (args[i] == QLatin1String("--classics")) {
            classics = args[i + 1];
        }
    }

    QTemporaryDir tmp;
    for (int n : sizes) {
        const QString folder = tmp.path() + QStringLiteral("/n%1").arg(n);
        SyntheticSpec spec;
        spec.records = n;
        KnowledgeSources sources;
        sources.bing = MakeSyntheticRecords(spec, false);
        const double buildMs = TimeMs([&] { MakeFolder(folder, sources); });
        Out(QStringLiteral("N = %1: built in %2 s, file %3 MB")
                .arg(n)
                .arg(buildMs / 1000, 0, 'f', 1)
                .arg(double(QFileInfo(folder + QStringLiteral("/msjic.dll")).size()) / 1e6, 0,
                     'f', 1));
        if (n == sizes.front())
            BenchOpen();
        BenchSearches(QStringLiteral("synthetic N=%1").arg(n), Option::Option3, SyntheticMarkers(),
                      n >= 100000 ? std::min(runs, 3) : runs);
    }

    if (!classics.isEmpty()) {
        const QString folder = tmp.path() + QStringLiteral("/classics");
        MakeFolder(folder, ReadKnowledgeSources(classics));
        const QStringList words{QStringLiteral("人参"), QStringLiteral("甘草"),
                                QStringLiteral("黄连"), QStringLiteral("发热"),
                                QStringLiteral("头痛")};
        BenchSearches(QStringLiteral("classics 方剂"), Option::Option1, words, runs);
        BenchSearches(QStringLiteral("classics 中药"), Option::Option2, words, runs);
        BenchSearches(QStringLiteral("classics 病理"), Option::Option3, words, runs);
        BenchSearches(QStringLiteral("classics 专家医案"), Option::Option6, words, runs);
    }
    return 0;
}
