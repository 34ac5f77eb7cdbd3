// Starts reading the knowledge tables after start, then lets the program end at once, the way
// a main window that is deleted without being closed does: the engine main() made goes with the
// reading still going. Run by tst_fast_search.
//   warm_up_exit report          exit status 3 when a thread of the engine or the working copy
//                                it read outlives the engine
//   warm_up_exit end             the engine goes, then the application object, then the process
//   warm_up_exit no-application  no application object at all
#include "bench/synthetic_corpus.h"
#include "search/memory/engine.h"
#include "search/program_folder.h"
#include "test_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstring>
#include <optional>

using namespace meridane;

namespace {

qsizetype Threads() {
    return QDir(QStringLiteral("/proc/self/task"))
        .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
        .size();
}

// Whether the process holds file open.
bool HoldsOpen(const QString& file) {
    const QString wanted = QFileInfo(file).canonicalFilePath();
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& fd : fds.entryList(QDir::System | QDir::NoDotAndDotDot))
        if (QFileInfo(fds.filePath(fd)).symLinkTarget() == wanted)
            return true;
    return false;
}

} // namespace

int main(int argc, char** argv) {
    const char* mode = argc > 1 ? argv[1] : "";
    SyntheticSpec spec;
    spec.records = 1500;
    KnowledgeSources sources;
    sources.An1 = MakeSyntheticRecords(spec, true);
    sources.yao = sources.bing = MakeSyntheticRecords(spec, false);
    sources.yishu1 = sources.An1;
    std::optional<test::TempProgramFolder> folder;
    if (std::strcmp(mode, "no-application") == 0) {
        folder.emplace(sources);
        memory::Engine engine;
        engine.warmUp();
        return 0;
    }
    QCoreApplication app(argc, argv);
    folder.emplace(sources);
    const qsizetype threads = Threads();
    {
        memory::Engine engine;
        engine.warmUp();
        if (!engine.warmUpPending())
            return 2;
    }
    if (std::strcmp(mode, "report") == 0)
        return Threads() > threads || HoldsOpen(WorkingCopyPath()) ? 3 : 0;
    return 0;
}
