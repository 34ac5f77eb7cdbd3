// meridane-export-bench: the export of a whole result list. A realistic corpus (runs of the
// bundled texts' sentences, 0.3 to 5 KB a record) is searched for everyday words that list 30 %
// of the records, and the list is written as text, HTML and PDF: first straight through, then as
// the window does it, on the export's thread under the progress dialog, where the longest time
// the event loop did not turn is the longest the window stops answering.
//   meridane-export-bench [--records N] [--classics DIR] [--formats txt,html,pdf]
#include "bench/bench_support.h"
#include "builddb/source_records.h"
#include "realistic_corpus.h"
#include "search/keyword_search.h"
#include "search/memory/engine.h"
#include "search/message_service.h"
#include "search/program_folder.h"
#include "services/record_export.h"
#include "shell/keeping.h"
#include "shell/printing.h"

#include <drapix/application.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <cstdio>

using namespace meridane;
using namespace meridane::bench;

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QuietMessages quiet;
    SetMessageService(&quiet);
    int records = 100000;
    QString classics;
    QStringList formats{QStringLiteral("txt"), QStringLiteral("html"), QStringLiteral("pdf")};
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString value = i + 1 < args.size() ? args[i + 1] : QString();
        if (args[i] == QLatin1String("--records") && value.toInt() > 0) {
            records = value.toInt();
        } else if (args[i] == QLatin1String("--classics") && !value.isEmpty()) {
            classics = value;
        } else if (args[i] == QLatin1String("--formats") && !value.isEmpty()) {
            formats = value.split(QLatin1Char(','), Qt::SkipEmptyParts);
        } else {
            std::fprintf(stderr, "usage: meridane-export-bench [--records N] [--classics DIR] "
                                 "[--formats txt,html,pdf]\n");
            return 2;
        }
        ++i;
    }

    KnowledgeSources bundled =
        ReadKnowledgeSources(QStringLiteral(MERIDANE_SOURCE_DIR "/data/source"));
    KnowledgeSources more;
    std::vector<const KnowledgeSources*> from{&bundled};
    if (!classics.isEmpty()) {
        more = ReadKnowledgeSources(classics);
        from.push_back(&more);
    }
    RealisticSpec spec;
    spec.records = records;
    KnowledgeSources sources;
    sources.bing = MakeRealisticRecords(spec, SentencesOf(from));
    const KeywordChoice words = ChooseEverydayKeywords(sources.bing);

    QTemporaryDir tmp;
    WriteKnowledgeDb(sources, tmp.filePath(QStringLiteral("sound/bk6.mp3")),
                     QStringLiteral("2008-05-20"));
    WritePersonalDb({}, tmp.filePath(QStringLiteral("msjic")));
    QDir(tmp.path()).mkpath(QStringLiteral("sys"));
    sources = {};
    SetProgramFolder(tmp.path());
    if (!MakeWorkingCopy()) {
        std::fprintf(stderr, "meridane-export-bench: cannot make the working copy\n");
        return 1;
    }

    // Set A's everyday words, and as many of set B's as bring the list to 30 % of the records.
    memory::Engine engine;
    SearchFields fields;
    fields.selected = Category::Pathology;
    QStringList keywords = words.setA;
    for (qsizetype b = 0;; ++b) {
        fields.keywordBox = keywords.join(QChar(0xFF0C));
        KeywordSearch(fields, &engine).NewSearch();
        if (fields.resultList.size() * 10 >= qsizetype(records) * 3 || b >= words.setB.size())
            break;
        keywords << words.setB[b];
    }
    engine.finishPendingWrites();
    const qsizetype listed = fields.resultList.size();
    Out(QStringLiteral("realistic N = %1, keywords %2: %3 records listed (%4%)")
            .arg(records)
            .arg(fields.keywordBox)
            .arg(listed)
            .arg(100.0 * double(listed) / records, 0, 'f', 1));

    const KnowledgeCategory& category = *CategoryFor(Category::Pathology);
    const WriterFactory writers = ExportWriters(drapix::NamedFont(QStringLiteral("宋体"), 9));
    QWidget window;
    window.resize(800, 600);
    window.show();
    for (const QString& format : formats) {
        const QString path = tmp.filePath(QStringLiteral("list.") + format);
        // Straight through, as meridane-query --export writes it.
        QElapsedTimer clock;
        clock.start();
        ListReader straight(category, fields.keywordBox, false);
        const bool written = ExportList(straight, path, writers);
        const double straightMs = double(clock.nsecsElapsed()) / 1e6;
        const double mb = double(QFileInfo(path).size()) / 1e6;
        QFile::remove(path);

        // As the window does it: the export on its thread, the progress dialog over the window;
        // a timer of 0 ms measures the gaps between the turns of the window's event loop.
        qint64 longest = 0;
        QElapsedTimer gap;
        QTimer tick;
        tick.setInterval(0);
        QObject::connect(&tick, &QTimer::timeout, [&] {
            longest = std::max(longest, gap.elapsed());
            gap.restart();
        });
        ListReader sliced(category, fields.keywordBox, false);
        clock.restart();
        gap.start();
        tick.start();
        const ExportOutcome outcome =
            ExportListWithProgress(sliced, path, writers, listed, &window);
        tick.stop();
        const double slicedMs = double(clock.nsecsElapsed()) / 1e6;
        Out(QStringLiteral("  %1: %2 records, %3 MB; straight %4 s; as the window does it %5 s, "
                           "longest turn of its event loop %6 ms%7")
                .arg(format, -4)
                .arg(straight.done())
                .arg(mb, 0, 'f', 1)
                .arg(straightMs / 1000, 0, 'f', 2)
                .arg(slicedMs / 1000, 0, 'f', 2)
                .arg(longest)
                .arg(written && outcome == ExportOutcome::Written ? QString()
                                                                  : QStringLiteral(" (FAILED)")));
        QFile::remove(path);
    }
    return 0;
}
