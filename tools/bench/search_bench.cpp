// Prints how long the search takes on both paths, side by side in one run: the statement
// sequence and the in-memory search, on synthetic knowledge databases of growing size, on the
// bundled data and, when given, on a folder of classical texts. Not a test: it asserts nothing.
#include "bench/bench_support.h"
#include "bench/realistic_corpus.h"
#include "bench/synthetic_corpus.h"
#include "search/keyword_search.h"
#include "search/memory/engine.h"
#include "search/message_service.h"
#include "search/program_folder.h"
#include "search/record_display.h"
#include "search/sqlite_db.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using namespace meridane;
using namespace meridane::bench;

namespace {

double Max(const std::vector<double>& v) {
    return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}

double Min(const std::vector<double>& v) {
    return v.empty() ? 0 : *std::min_element(v.begin(), v.end());
}

QString Ms(double ms) {
    return QString::number(ms, 'f', ms < 10 ? 2 : 1);
}

// "median (min-max)" of a series, or "-" without one.
QString Spread(const std::vector<double>& v) {
    if (v.empty())
        return QStringLiteral("-");
    if (v.size() == 1)
        return Ms(v.front());
    return QStringLiteral("%1 (%2-%3)").arg(Ms(Median(v)), Ms(Min(v)), Ms(Max(v)));
}

// The system's load averages (1, 5, 15 minutes), printed beside the figures they may disturb.
QString LoadAverage() {
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("unknown");
    return QString::fromLatin1(file.readAll()).section(QLatin1Char(' '), 0, 2);
}

// One run of another program: when its list was out, when it ended, its processor time and
// its peak resident memory.
struct ChildRun {
    double listMs = 0, exitMs = 0, cpuMs = 0;
    qint64 peakKiB = 0;
    QStringList lines;
};

// Runs program with args through this program's "--measure-child" mode (a small process, so
// that the peak memory it reports is the program's own and not this large process's), reading
// its standard output line by line. The list is out when the status line and as many titles as
// it announces ("共有N条记录") have arrived.
ChildRun RunChild(const QString& program, const QStringList& args) {
    ChildRun run;
    int out[2];
    if (pipe(out) != 0)
        return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const QByteArray path = QCoreApplication::applicationFilePath().toLocal8Bit();
    std::vector<QByteArray> storage{path, QByteArrayLiteral("--measure-child"),
                                    program.toLocal8Bit()};
    for (const QString& a : args)
        storage.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& a : storage)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    const int spawned =
        posix_spawnp(&pid, path.constData(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        close(out[0]);
        return run;
    }
    QByteArray pending;
    qsizetype expected = -1; // lines of the list, known once the status line is in
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(out[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        pending.append(buffer, n);
        qsizetype nl;
        while ((nl = pending.indexOf('\n')) >= 0) {
            const QByteArray line = pending.left(nl);
            pending.remove(0, nl + 1);
            if (line.startsWith("@@measured ")) {
                const QList<QByteArray> parts = line.split(' ');
                run.peakKiB = parts.value(1).toLongLong();
                run.cpuMs = parts.value(2).toDouble();
                continue;
            }
            run.lines << QString::fromUtf8(line);
            if (run.lines.size() == 1) {
                const QString& status = run.lines.front();
                expected = 1;
                if (status.startsWith(QStringLiteral("共有")))
                    expected += status.mid(2, status.size() - 5).toLongLong();
            }
            if (run.lines.size() == expected)
                run.listMs = double(timer.nsecsElapsed()) / 1e6;
        }
    }
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    run.exitMs = double(timer.nsecsElapsed()) / 1e6;
    if (run.listMs == 0)
        run.listMs = run.exitMs;
    return run;
}

// The "--measure-child" mode: runs argv[0] with the rest, then prints "@@measured", its peak
// resident memory in KiB and its processor time in ms.
int MeasureChild(char** argv) {
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv, environ) != 0)
        return 127;
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    std::printf("@@measured %ld %.1f\n", usage.ru_maxrss,
                double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                    double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

struct Options {
    std::vector<int> sizes{1000, 10000, 100000};
    int runs = 5;
    QString classics;
    QString bundled;
    QString queryTool;
    bool legacyPages = false;
    bool statements = true; // also measure the statement sequence
    std::vector<int> realSizes{10000, 100000, 300000};
    QString makeFolder;
    int largeStatementRuns = 1;       // statement runs at 300,000 records, where one takes ~40 s
    memory::Engine* engine = nullptr; // the in-memory search main() made
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
    bool inMemory = false;
    std::vector<double> freshProcess, freshExit, freshCpu, freshPeakMiB;
    std::vector<double> firstInProcess, firstAfterWarmUp, laterNew, laterCpu, writesBehind, within,
        click, clickAtOnce, firstVariants, laterVariants, previewPerKey, previewLastKey,
        laterDeferred, abandon;
    QStringList listed;
    // The preview of the whole text equals the new search's list.
    bool previewEqual = true;
};

double ProcessCpuMs() {
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

// The measurements of one category on one path.
Figures Measure(const Options& o, const QString& folder, bool inMemory,
                const KnowledgeCategory& category, const QStringList& setA, const QStringList& setB,
                int runs) {
    Figures f;
    f.inMemory = inMemory;
    memory::Engine& engine = *o.engine;
    const QString a = setA.join(QChar(0xFF0C)), b = setB.join(QChar(0xFF0C));
    const QStringList withinSets{setA.mid(0, 3).join(QChar(0xFF0C)),
                                 setA.mid(2, 3).join(QChar(0xFF0C))};
    SetProgramFolder(folder);
    // The first search of a category in a fresh process, on a fresh working copy, as the
    // program runs it after start.
    if (!o.queryTool.isEmpty()) {
        for (int r = 0; r < runs; ++r) {
            // The tool's own working copy, fresh.
            SetWorkingCopyName(kQueryWorkingCopyName);
            MakeWorkingCopy();
            SetWorkingCopyName(kWorkingCopyName);
            const QStringList args{
                QStringLiteral("--folder"),
                folder,
                QStringLiteral("--category"),
                category.caption,
                QStringLiteral("--new"),
                a,
                QStringLiteral("--engine"),
                inMemory ? QStringLiteral("memory") : QStringLiteral("statements")};
            const ChildRun run = RunChild(o.queryTool, args);
            f.freshProcess.push_back(run.listMs);
            f.freshExit.push_back(run.exitMs);
            f.freshCpu.push_back(run.cpuMs);
            f.freshPeakMiB.push_back(double(run.peakKiB) / 1024);
        }
    }
    MakeWorkingCopy();
    engine.forgetTableImages();
    {
        // What the program's start-up does before any search: it reads the working copy's
        // stamp, which derives the key once for the process.
        SqlConnection startup;
        startup.open(ConnectionString::parse(KnowledgeConnectionString()));
    }
    SearchFields fields;
    fields.selected = category.id;
    KeywordSearch search(fields, inMemory ? &engine : nullptr);
    RecordDisplay display(fields, inMemory ? &engine : nullptr);
    fields.keywordBox = a;
    f.firstInProcess.push_back(TimeMs([&] { search.NewSearch(category); }));
    f.listed = fields.resultList;
    engine.finishPendingWrites();
    if (inMemory) {
        // As the program does it: the tables are read while the user types.
        MakeWorkingCopy();
        engine.warmUp();
        engine.finishWarmUp();
        f.firstAfterWarmUp.push_back(TimeMs([&] { search.NewSearch(category); }));
        engine.finishPendingWrites();
    }
    // Each search is timed to its list; the writes it leaves behind are timed apart, and end
    // before the next search starts (the user reads the list meanwhile).
    for (int r = 0; r < runs; ++r) {
        fields.keywordBox = r % 2 ? a : b;
        const double cpu = ProcessCpuMs();
        f.laterNew.push_back(TimeMs([&] { search.NewSearch(category); }));
        f.laterCpu.push_back(ProcessCpuMs() - cpu);
        if (inMemory)
            f.writesBehind.push_back(TimeMs([&] { engine.finishPendingWrites(); }));
    }
    // "繁简通查": the first search of variant forms folds the text once; the later ones are
    // set beside the later searches without it.
    if (inMemory) {
        fields.variants = true;
        fields.keywordBox = a;
        f.firstVariants.push_back(TimeMs([&] { search.NewSearch(category); }));
        engine.finishPendingWrites();
        for (int r = 0; r < runs; ++r) {
            fields.keywordBox = r % 2 ? a : b;
            f.laterVariants.push_back(TimeMs([&] { search.NewSearch(category); }));
            engine.finishPendingWrites();
        }
        fields.variants = false;
    }
    if (inMemory) {
        // Search as you type: the preview of every prefix of the text, as the keys come; the
        // last key's preview is what the user waits for after the pause of the typing.
        for (int r = 0; r < runs; ++r) {
            std::optional<QStringList> last;
            for (qsizetype n = 1; n <= a.size(); ++n) {
                const QStringList keywords = SplitKeywords(a.left(n));
                const double ms =
                    TimeMs([&] { last = engine.previewNewSearch(category, keywords); });
                f.previewPerKey.push_back(ms);
                if (n == a.size())
                    f.previewLastKey.push_back(ms);
            }
            fields.keywordBox = a;
            search.NewSearch(category);
            engine.finishPendingWrites();
            f.previewEqual = f.previewEqual && last && *last == fields.resultList;
        }
    }
    fields.keywordBox = a;
    search.NewSearch(category);
    engine.finishPendingWrites();
    for (int r = 0; r < runs; ++r) {
        fields.keywordBox = withinSets[r % 2];
        f.within.push_back(TimeMs([&] { search.SearchWithinResults(category); }));
        engine.finishPendingWrites();
    }
    fields.keywordBox = a;
    search.NewSearch(category);
    engine.finishPendingWrites();
    const QStringList listed = fields.resultList;
    for (int r = 0; r < runs && !listed.isEmpty(); ++r) {
        const QString& title = listed.at((qsizetype(r) * 7919) % listed.size());
        f.click.push_back(TimeMs([&] { display.ListClick(title); }));
    }
    // A click at once after a new search: it waits for the search's writes.
    for (int r = 0; r < runs && !listed.isEmpty(); ++r) {
        fields.keywordBox = r % 2 ? a : b;
        search.NewSearch(category);
        const QStringList now = fields.resultList;
        if (!now.isEmpty())
            f.clickAtOnce.push_back(TimeMs([&] { display.ListClick(now.constFirst()); }));
    }
    if (inMemory) {
        // As the program runs: the writes wait for a reader, each search replaces what the one
        // before left, and the close drops what is pending (here after the searches, each run).
        engine.finishPendingWrites();
        engine.deferPendingWrites(true);
        for (int r = 0; r < runs; ++r) {
            for (int n = 0; n < 3; ++n) {
                fields.keywordBox = (r + n) % 2 ? a : b;
                f.laterDeferred.push_back(TimeMs([&] { search.NewSearch(category); }));
            }
            f.abandon.push_back(TimeMs([&] { engine.abandonPendingWrites(); }));
            // The abandoned lists are gone from the file: the images are read again.
            engine.forgetTableImages();
            fields.keywordBox = a;
            search.NewSearch(category);
        }
        engine.abandonPendingWrites();
        engine.deferPendingWrites(false);
    }
    return f;
}

void Report(const QString& label, const Figures& s, const Figures& m, bool statementsRun) {
    const auto line = [&](const char* what, const std::vector<double>& ref,
                          const std::vector<double>& mem) {
        if (ref.empty() && mem.empty())
            return;
        const double r = Median(ref), f = Median(mem);
        Out(QStringLiteral("  %1 %2  statements %3 ms   in memory %4 ms   x%5")
                .arg(label, -24)
                .arg(QLatin1String(what), -22)
                .arg(Spread(ref), 26)
                .arg(Spread(mem), 24)
                .arg(f > 0 && r > 0 ? QString::number(r / f, 'f', 1) : QStringLiteral("-")));
    };
    line("fresh process, list", s.freshProcess, m.freshProcess);
    line("fresh process, exit", s.freshExit, m.freshExit);
    line("fresh process, CPU", s.freshCpu, m.freshCpu);
    line("first in process", s.firstInProcess, m.firstInProcess);
    line("first, warmed up", s.firstInProcess, m.firstAfterWarmUp);
    line("later new search", s.laterNew, m.laterNew);
    line("later new, CPU", s.laterCpu, m.laterCpu);
    line("writes behind", {}, m.writesBehind);
    line("later new, deferred", {}, m.laterDeferred);
    line("abandon pending writes", {}, m.abandon);
    line("first with variants", {}, m.firstVariants);
    line("later with variants", {}, m.laterVariants);
    if (!m.laterVariants.empty() && Median(m.laterNew) > 0)
        Out(QStringLiteral("  %1 later search with variants / without: x%2")
                .arg(label, -24)
                .arg(Median(m.laterVariants) / Median(m.laterNew), 0, 'f', 2));
    line("within results", s.within, m.within);
    line("list click", s.click, m.click);
    line("click at once", s.clickAtOnce, m.clickAtOnce);
    line("preview, each key", {}, m.previewPerKey);
    line("preview, last key", {}, m.previewLastKey);
    if (!m.previewLastKey.empty())
        Out(QStringLiteral("  %1 preview of the whole text and new search list %2")
                .arg(label, -24)
                .arg(m.previewEqual ? QStringLiteral("equal") : QStringLiteral("DIFFER")));
    if (!m.freshPeakMiB.empty())
        Out(QStringLiteral("  %1 fresh process peak resident memory: statements %2 MiB, in "
                           "memory %3 MiB")
                .arg(label, -24)
                .arg(s.freshPeakMiB.empty() ? QStringLiteral("-")
                                            : QString::number(Max(s.freshPeakMiB), 'f', 0))
                .arg(Max(m.freshPeakMiB), 0, 'f', 0));
    Out(QStringLiteral("  %1 listed %2, lists %3")
            .arg(label, -24)
            .arg(m.listed.size())
            .arg(!statementsRun         ? QStringLiteral("(statements not run)")
                 : s.listed == m.listed ? QStringLiteral("equal")
                                        : QStringLiteral("DIFFER")));
}

void Compare(const Options& o, const QString& label, const FolderPair& folders,
             const KnowledgeCategory& category, const QStringList& setA, const QStringList& setB,
             int runs, int statementRuns = -1) {
    const Figures s = o.statements ? Measure(o, folders.statements, false, category, setA, setB,
                                             statementRuns > 0 ? statementRuns : runs)
                                   : Figures{};
    const Figures m = Measure(o, folders.memory, true, category, setA, setB, runs);
    Report(label, s, m, o.statements);
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
    Out(QStringLiteral("N = %1, %2-byte pages: built in %3 s, file %4 MB; load %5")
            .arg(n)
            .arg(pageSize)
            .arg(buildMs / 1000, 0, 'f', 1)
            .arg(double(QFileInfo(folders.memory + QStringLiteral("/sound/bk6.mp3")).size()) / 1e6,
                 0, 'f', 1)
            .arg(LoadAverage()));
    const QStringList markers = SyntheticMarkers();
    const int runs = n >= 100000 ? std::min(o.runs, 3) : o.runs;
    Compare(o, QStringLiteral("N=%1 p%2 5 keywords").arg(n).arg(pageSize), folders,
            *CategoryFor(Category::Pathology), markers.mid(0, 5), markers.mid(5, 5), runs);
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

// The bodies of records one after another, each followed by a NUL.
std::string JoinedBodies(const std::vector<SourceRecord>& records) {
    std::string out;
    for (const SourceRecord& r : records) {
        out += r.text.toStdString();
        out.push_back('\0');
    }
    return out;
}

// What counting the keywords costs at least: one memmem pass per keyword over the bodies, on
// one thread, each body counted once per keyword.
double SinglePassLimitMs(const std::string& bodies, const QStringList& keywords, qint64* hits) {
    std::vector<std::string> needles;
    for (const QString& k : keywords)
        needles.push_back(k.toStdString());
    qint64 total = 0;
    const double ms = TimeMs([&] {
        for (const std::string& needle : needles) {
            const char* at = bodies.data();
            const char* const end = at + bodies.size();
            while (at < end) {
                const void* found = memmem(at, size_t(end - at), needle.data(), needle.size());
                if (!found)
                    break;
                ++total;
                // The next body: after the NUL that ends this one.
                const char* next = static_cast<const char*>(
                    std::memchr(found, '\0', size_t(end - static_cast<const char*>(found))));
                at = next ? next + 1 : end;
            }
        }
    });
    // The count is printed, so that the compiler keeps the passes.
    if (hits)
        *hits = total;
    return ms;
}

void BenchRealistic(const Options& o, const QString& root, int n, const QStringList& sentences,
                    double baselineMiB) {
    RealisticSpec spec;
    spec.records = n;
    KnowledgeSources sources;
    sources.bing = MakeRealisticRecords(spec, sentences);
    const KeywordChoice words = ChooseEverydayKeywords(sources.bing);
    const std::string bodies = JoinedBodies(sources.bing);
    const double textMB = double(bodies.size() - size_t(n)) / 1e6;
    const QString dir = root + QStringLiteral("/real%1").arg(n);
    FolderPair folders;
    const double buildMs = TimeMs([&] { folders = MakeFolders(dir, sources, {}); });
    // The plain dump grep reads: one body a line.
    const QString dump = dir + QStringLiteral("/bodies.txt");
    {
        QFile file(dump);
        file.open(QIODevice::WriteOnly);
        for (const SourceRecord& r : sources.bing) {
            QString line = r.text;
            line.replace(QLatin1Char('\n'), QLatin1Char(' '));
            file.write(line.toUtf8() + '\n');
        }
    }
    sources = {};
    QStringList shares;
    for (qsizetype i = 0; i < words.setA.size(); ++i)
        shares
            << QStringLiteral("%1 %2%").arg(words.setA[i]).arg(words.sharesA[i] * 100, 0, 'f', 1);
    Out(QStringLiteral("realistic N = %1: %2 MB of text, built in %3 s, file %4 MB; keywords %5 "
                       "(at least one: %6%), alternating with %7; load %8")
            .arg(n)
            .arg(textMB, 0, 'f', 1)
            .arg(buildMs / 1000, 0, 'f', 1)
            .arg(double(QFileInfo(folders.memory + QStringLiteral("/sound/bk6.mp3")).size()) / 1e6,
                 0, 'f', 1)
            .arg(shares.join(QStringLiteral(", ")))
            .arg(words.unionA * 100, 0, 'f', 1)
            .arg(words.setB.join(QChar(0xFF0C)))
            .arg(LoadAverage()));
    std::vector<double> limit, grep;
    qint64 hits = 0;
    for (int r = 0; r < o.runs; ++r)
        limit.push_back(SinglePassLimitMs(bodies, words.setA, &hits));
    QStringList grepArgs{QStringLiteral("-F"), QStringLiteral("-c")};
    for (const QString& k : words.setA)
        grepArgs << QStringLiteral("-e") << k;
    grepArgs << dump;
    QString grepCount;
    for (int r = 0; r < o.runs; ++r) {
        const ChildRun run = RunChild(QStringLiteral("grep"), grepArgs);
        grep.push_back(run.exitMs);
        grepCount = run.lines.value(0);
    }
    const QString label = QStringLiteral("real N=%1").arg(n);
    Out(QStringLiteral("  %1 single-pass limit (memmem, 1 thread) %2 ms (%3 keyword hits); "
                       "grep -F -c %4 ms (%5 lines)")
            .arg(label, -24)
            .arg(Spread(limit))
            .arg(hits)
            .arg(Spread(grep), grepCount));
    const int runs = n >= 100000 ? std::min(o.runs, 5) : o.runs;
    Compare(o, label, folders, *CategoryFor(Category::Pathology), words.setA, words.setB, runs,
            n >= 300000 ? o.largeStatementRuns : -1);
    Out(QStringLiteral("  %1 text %2 MB; baseline (empty database) %3 MiB; load at the end %4")
            .arg(label, -24)
            .arg(textMB, 0, 'f', 1)
            .arg(baselineMiB, 0, 'f', 0)
            .arg(LoadAverage()));
    QDir(dir).removeRecursively();
}

// The peak resident memory of meridane-query on a folder with an empty database.
double BaselineMiB(const Options& o, const QString& root) {
    if (o.queryTool.isEmpty())
        return 0;
    KnowledgeSources empty;
    const FolderPair folders = MakeFolders(root + QStringLiteral("/empty"), empty, {});
    std::vector<double> peaks;
    for (int r = 0; r < 3; ++r) {
        SetProgramFolder(folders.memory);
        MakeWorkingCopy();
        peaks.push_back(
            double(RunChild(o.queryTool, {QStringLiteral("--folder"), folders.memory,
                                          QStringLiteral("--category"), QStringLiteral("病理"),
                                          QStringLiteral("--new"), QStringLiteral("发热")})
                       .peakKiB) /
            1024);
    }
    return Median(peaks);
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::strcmp(argv[1], "--measure-child") == 0)
        return MeasureChild(argv + 2);
    QCoreApplication app(argc, argv);
    memory::Engine engine;
    QuietMessages quiet;
    SetMessageService(&quiet);
    Options o;
    o.engine = &engine;
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
        } else if (a == QLatin1String("--make-folder")) {
            o.makeFolder = value;
        } else if (a == QLatin1String("--real-sizes")) {
            o.realSizes.clear();
            for (const QString& s : value.split(QLatin1Char(','), Qt::SkipEmptyParts))
                o.realSizes.push_back(s.toInt());
        } else if (a == QLatin1String("--large-statement-runs")) {
            o.largeStatementRuns = std::max(1, value.toInt());
        } else if (a == QLatin1String("--query")) {
            o.queryTool = value;
        } else {
            std::fprintf(stderr,
                         "usage: meridane-bench [--runs N] [--sizes N,...] [--real-sizes N,...] "
                         "[--classics DIR] [--memory-only] [--legacy-pages] "
                         "[--large-statement-runs N] [--query TOOL] [--make-folder DIR]\n");
            return a == QLatin1String("--help") ? 0 : 2;
        }
    }
    if (!QFileInfo(o.queryTool).isExecutable())
        o.queryTool.clear();
    Out(QStringLiteral("median (min-max) of %1 runs (at most 3 at N = 100,000 synthetic, 5 "
                       "realistic); \"fresh process\" runs meridane-query%2")
            .arg(o.runs)
            .arg(o.queryTool.isEmpty() ? QStringLiteral(" (not found, skipped)") : QString()));

    if (!o.makeFolder.isEmpty()) {
        // A program folder with the realistic corpus of the first size, kept for profiling.
        KnowledgeSources bundled = ReadKnowledgeSources(o.bundled), classics;
        std::vector<const KnowledgeSources*> from{&bundled};
        if (!o.classics.isEmpty()) {
            classics = ReadKnowledgeSources(o.classics);
            from.push_back(&classics);
        }
        RealisticSpec spec;
        spec.records = o.realSizes.empty() ? 100000 : o.realSizes.front();
        KnowledgeSources sources;
        sources.bing = MakeRealisticRecords(spec, SentencesOf(from));
        const KeywordChoice words = ChooseEverydayKeywords(sources.bing);
        const FolderPair folders = MakeFolders(o.makeFolder, sources, {});
        Out(folders.memory + QLatin1Char(' ') + words.setA.join(QChar(0xFF0C)) + QLatin1Char(' ') +
            words.setB.join(QChar(0xFF0C)));
        return 0;
    }
    QTemporaryDir tmp;
    if (!o.realSizes.empty()) {
        KnowledgeSources bundled, classics;
        std::vector<const KnowledgeSources*> from;
        if (QFileInfo::exists(o.bundled + QStringLiteral("/An1.jsonl"))) {
            bundled = ReadKnowledgeSources(o.bundled);
            from.push_back(&bundled);
        }
        if (!o.classics.isEmpty()) {
            classics = ReadKnowledgeSources(o.classics);
            from.push_back(&classics);
        }
        const QStringList sentences = SentencesOf(from);
        const double baseline = BaselineMiB(o, tmp.path());
        Out(QStringLiteral("realistic corpus: %1 sentences from the bundled texts%2; statement "
                           "runs at 300,000: %3")
                .arg(sentences.size())
                .arg(o.classics.isEmpty() ? QString() : QStringLiteral(" and ") + o.classics)
                .arg(o.largeStatementRuns));
        for (int n : o.realSizes)
            BenchRealistic(o, tmp.path(), n, sentences, baseline);
    }
    for (int n : o.sizes)
        BenchSynthetic(o, tmp.path(), n, kCipherPageSize);
    if (o.legacyPages && !o.sizes.empty())
        BenchSynthetic(o, tmp.path(), o.sizes.back(), kLegacyCipherPageSize);

    if (QFileInfo::exists(o.bundled + QStringLiteral("/An1.jsonl"))) {
        std::vector<SourceRecord> notes;
        if (QFileInfo::exists(o.bundled + QStringLiteral("/me1.jsonl")))
            notes = ReadJsonLines(o.bundled + QStringLiteral("/me1.jsonl"), false);
        Out(QStringLiteral("bundled data; load ") + LoadAverage());
        BenchRealTexts(o, QStringLiteral("bundled"),
                       MakeFolders(tmp.path() + QStringLiteral("/bundled"),
                                   ReadKnowledgeSources(o.bundled), notes),
                       true);
    }
    if (!o.classics.isEmpty()) {
        Out(QStringLiteral("classical texts; load ") + LoadAverage());
        BenchRealTexts(o, QStringLiteral("classics"),
                       MakeFolders(tmp.path() + QStringLiteral("/classics"),
                                   ReadKnowledgeSources(o.classics), {}),
                       false);
    }
    return 0;
}
