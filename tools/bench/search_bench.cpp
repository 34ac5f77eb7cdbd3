// Prints how long the search takes on both paths, side by side in one run: the statement
// sequence and the in-memory search, on synthetic knowledge databases of growing size, on the
// bundled data and, when given, on a folder of classical texts. Not a test: it asserts nothing.
#include "bench/synthetic_corpus.h"
#include "search/fast_search.h"
#include "search/keyword_search.h"
#include "search/message_service.h"
#include "search/program_folder.h"
#include "search/record_display.h"
#include "search/sqlite_db.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
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

double Max(const std::vector<double>& v) {
    return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
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

QString Ms(double ms) {
    return QString::number(ms, 'f', ms < 10 ? 2 : 1);
}

struct Options {
    std::vector<int> sizes{1000, 10000, 100000};
    int runs = 5;
    QString classics;
    QString bundled;
    QString queryTool;
    bool legacyPages = false;
    bool statements = true; // also measure the statement sequence
};

// Both paths' program folders, made from one stored database.
struct FolderPair {
    QString statements, memory;
};

FolderPair MakeFolders(const QString& root, const KnowledgeSources& sources,
                       const std::vector<SourceRecord>& notes) {
    const QString stored = root + QStringLiteral("/stored");
    WriteKnowledgeDb(sources, stored + QStringLiteral("/bk6.mp3"), QStringLiteral("2008-05-20"));
    WritePersonalDb(notes, stored + QStringLiteral("/msjic"));
    FolderPair pair{root + QStringLiteral("/statements"), root + QStringLiteral("/memory")};
    for (const QString& folder : {pair.statements, pair.memory}) {
        QDir().mkpath(folder + QStringLiteral("/sound"));
        QFile::copy(stored + QStringLiteral("/bk6.mp3"), folder + QStringLiteral("/sound/bk6.mp3"));
        QFile::copy(stored + QStringLiteral("/msjic"), folder + QStringLiteral("/msjic"));
    }
    return pair;
}

struct Figures {
    SearchEngine engine = SearchEngine::Statements;
    std::vector<double> freshProcess, firstInProcess, firstAfterWarmUp, laterNew, within, click;
    QStringList listed;
};

// The measurements of one category on one path.
Figures Measure(const Options& o, const QString& folder, SearchEngine engine,
                const KnowledgeCategory& category, const QStringList& setA, const QStringList& setB,
                int runs) {
    Figures f;
    f.engine = engine;
    const QString a = setA.join(QChar(0xFF0C)), b = setB.join(QChar(0xFF0C));
    const QStringList withinSets{setA.mid(0, 3).join(QChar(0xFF0C)),
                                 setA.mid(2, 3).join(QChar(0xFF0C))};
    SetProgramFolder(folder);
    // The first search of a category in a fresh process, on a fresh working copy, as the
    // program runs it after start.
    if (!o.queryTool.isEmpty()) {
        for (int r = 0; r < runs; ++r) {
            MakeWorkingCopy();
            QProcess query;
            const QStringList args{QStringLiteral("--folder"),
                                   folder,
                                   QStringLiteral("--category"),
                                   category.caption,
                                   QStringLiteral("--new"),
                                   a,
                                   QStringLiteral("--engine"),
                                   engine == SearchEngine::Statements ? QStringLiteral("statements")
                                                                      : QStringLiteral("memory")};
            f.freshProcess.push_back(TimeMs([&] {
                query.start(o.queryTool, args);
                query.waitForFinished(-1);
            }));
        }
    }
    MakeWorkingCopy();
    ForgetTableImages();
    {
        // What the program's start-up does before any search: it reads the working copy's
        // stamp, which derives the key once for the process.
        SqlConnection startup;
        startup.open(ConnectionString::parse(KnowledgeConnectionString()));
    }
    SearchFields fields;
    fields.selected = category.option;
    KeywordSearch search(fields, engine);
    RecordDisplay display(fields, engine);
    fields.keywordBox = a;
    f.firstInProcess.push_back(TimeMs([&] { search.NewSearch(category); }));
    f.listed = fields.resultList;
    if (engine == SearchEngine::InMemory) {
        // As the program does it: the tables are read while the user types.
        MakeWorkingCopy();
        WarmUpKnowledgeImages();
        FinishWarmUp();
        f.firstAfterWarmUp.push_back(TimeMs([&] { search.NewSearch(category); }));
    }
    for (int r = 0; r < runs; ++r) {
        fields.keywordBox = r % 2 ? a : b;
        f.laterNew.push_back(TimeMs([&] { search.NewSearch(category); }));
    }
    fields.keywordBox = a;
    search.NewSearch(category);
    for (int r = 0; r < runs; ++r) {
        fields.keywordBox = withinSets[r % 2];
        f.within.push_back(TimeMs([&] { search.SearchWithinResults(category); }));
    }
    fields.keywordBox = a;
    search.NewSearch(category);
    const QStringList listed = fields.resultList;
    for (int r = 0; r < runs && !listed.isEmpty(); ++r) {
        const QString& title = listed.at((qsizetype(r) * 7919) % listed.size());
        f.click.push_back(TimeMs([&] { display.ListClick(title); }));
    }
    return f;
}

void Report(const QString& label, const Figures& s, const Figures& m) {
    const auto line = [&](const char* what, const std::vector<double>& ref,
                          const std::vector<double>& mem) {
        if (ref.empty() && mem.empty())
            return;
        const double r = Median(ref), f = Median(mem);
        Out(QStringLiteral("  %1 %2  statements %3 ms   in memory %4 ms (max %5)   x%6")
                .arg(label, -24)
                .arg(QLatin1String(what), -18)
                .arg(Ms(r), 9)
                .arg(Ms(f), 8)
                .arg(Ms(Max(mem)), 7)
                .arg(f > 0 ? QString::number(r / f, 'f', 1) : QStringLiteral("-")));
    };
    line("fresh process", s.freshProcess, m.freshProcess);
    line("first in process", s.firstInProcess, m.firstInProcess);
    line("first, warmed up", s.firstInProcess, m.firstAfterWarmUp);
    line("later new search", s.laterNew, m.laterNew);
    line("within results", s.within, m.within);
    line("list click", s.click, m.click);
    Out(QStringLiteral("  %1 listed %2, lists %3")
            .arg(label, -24)
            .arg(m.listed.size())
            .arg(s.listed == m.listed ? QStringLiteral("equal") : QStringLiteral("DIFFER")));
}

void Compare(const Options& o, const QString& label, const FolderPair& folders,
             const KnowledgeCategory& category, const QStringList& setA, const QStringList& setB,
             int runs) {
    const Figures s = o.statements ? Measure(o, folders.statements, SearchEngine::Statements,
                                             category, setA, setB, runs)
                                   : Figures{};
    const Figures m =
        Measure(o, folders.memory, SearchEngine::InMemory, category, setA, setB, runs);
    Report(label, s, m);
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
        const QByteArray salt = QByteArray::number(QRandomGenerator::global()->generate64())
                                    .leftJustified(16, 'x', true);
        derive.push_back(TimeMs([&] { RawKeyFor(kDatabasePassword, salt); }));
    }
    Out(QStringLiteral("key derivation (done once per process and salt): median %1 ms")
            .arg(Median(derive), 0, 'f', 2));
}

void BenchSynthetic(const Options& o, const QString& root, int n, int pageSize) {
    SetCipherPageSizeForNewFiles(pageSize);
    SyntheticSpec spec;
    spec.records = n;
    KnowledgeSources sources;
    sources.bing = MakeSyntheticRecords(spec, false);
    FolderPair folders;
    const double buildMs = TimeMs([&] {
        folders = MakeFolders(root + QStringLiteral("/n%1-%2").arg(n).arg(pageSize), sources, {});
    });
    SetCipherPageSizeForNewFiles(kCipherPageSize);
    Out(QStringLiteral("N = %1, %2-byte pages: built in %3 s, file %4 MB")
            .arg(n)
            .arg(pageSize)
            .arg(buildMs / 1000, 0, 'f', 1)
            .arg(double(QFileInfo(folders.memory + QStringLiteral("/sound/bk6.mp3")).size()) / 1e6,
                 0, 'f', 1));
    const QStringList markers = SyntheticMarkers();
    const int runs = n >= 100000 ? std::min(o.runs, 3) : o.runs;
    Compare(o, QStringLiteral("N=%1 p%2 5 keywords").arg(n).arg(pageSize), folders,
            *CategoryFor(Option::Option3), markers.mid(0, 5), markers.mid(5, 5), runs);
    if (n == o.sizes.front() && pageSize == kCipherPageSize) {
        SetProgramFolder(folders.memory);
        BenchOpen();
    }
}

void BenchRealTexts(const Options& o, const QString& label, const FolderPair& folders,
                    bool withNotes) {
    const QStringList a{QStringLiteral("人参"), QStringLiteral("甘草"), QStringLiteral("黄连"),
                        QStringLiteral("发热"), QStringLiteral("头痛")};
    const QStringList b{QStringLiteral("桂枝"), QStringLiteral("白术"), QStringLiteral("当归"),
                        QStringLiteral("咳嗽"), QStringLiteral("恶寒")};
    for (const KnowledgeCategory& c : KnowledgeCategories()) {
        if (c.database == DatabaseKind::Personal && !withNotes)
            continue;
        Compare(o, label + QLatin1Char(' ') + c.caption, folders, c, a, b, o.runs);
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QuietMessages quiet;
    SetMessageService(&quiet);
    Options o;
    o.bundled = QStringLiteral(MERIDANE_SOURCE_DIR "/data/source");
    o.queryTool = QStringLiteral(MERIDANE_QUERY_TOOL);
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const QString value = i + 1 < args.size() ? args[i + 1] : QString();
        if (a == QLatin1String("--legacy-pages")) {
            o.legacyPages = true;
            continue;
        }
        if (a == QLatin1String("--memory-only")) {
            o.statements = false;
            continue;
        }
        ++i;
        if (a == QLatin1String("--sizes")) {
            o.sizes.clear();
            for (const QString& s : value.split(QLatin1Char(','), Qt::SkipEmptyParts))
                o.sizes.push_back(s.toInt());
        } else if (a == QLatin1String("--runs")) {
            o.runs = std::max(1, value.toInt());
        } else if (a == QLatin1String("--classics")) {
            o.classics = value;
        } else if (a == QLatin1String("--query")) {
            o.queryTool = value;
        }
    }
    if (!QFileInfo(o.queryTool).isExecutable())
        o.queryTool.clear();
    Out(QStringLiteral("median of %1 runs (3 at N = 100,000); \"fresh process\" runs "
                       "meridane-query%2")
            .arg(o.runs)
            .arg(o.queryTool.isEmpty() ? QStringLiteral(" (not found, skipped)") : QString()));

    QTemporaryDir tmp;
    for (int n : o.sizes)
        BenchSynthetic(o, tmp.path(), n, kCipherPageSize);
    if (o.legacyPages && !o.sizes.empty())
        BenchSynthetic(o, tmp.path(), o.sizes.back(), kLegacyCipherPageSize);

    if (QFileInfo::exists(o.bundled + QStringLiteral("/An1.jsonl"))) {
        std::vector<SourceRecord> notes;
        if (QFileInfo::exists(o.bundled + QStringLiteral("/me1.jsonl")))
            notes = ReadJsonLines(o.bundled + QStringLiteral("/me1.jsonl"), false);
        Out(QStringLiteral("bundled data"));
        BenchRealTexts(o, QStringLiteral("bundled"),
                       MakeFolders(tmp.path() + QStringLiteral("/bundled"),
                                   ReadKnowledgeSources(o.bundled), notes),
                       true);
    }
    if (!o.classics.isEmpty()) {
        Out(QStringLiteral("classical texts"));
        BenchRealTexts(o, QStringLiteral("classics"),
                       MakeFolders(tmp.path() + QStringLiteral("/classics"),
                                   ReadKnowledgeSources(o.classics), {}),
                       false);
    }
    return 0;
}
