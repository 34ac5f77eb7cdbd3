// Starts reading the knowledge tables after start, then lets the program end at once, the way
// a main window that is deleted without being closed does. Run by tst_fast_search.
//   warm_up_exit report          exit status 3 when the reading outlives the application object
//   warm_up_exit end             the application object goes, then the process ends
//   warm_up_exit no-application  no application object at all
#include "bench/synthetic_corpus.h"
#include "search/memory/warm_up.h"
#include "test_support.h"

#include <QCoreApplication>

#include <cstring>
#include <optional>

using namespace meridane;

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
        WarmUpKnowledgeImages();
        return 0;
    }
    {
        QCoreApplication app(argc, argv);
        folder.emplace(sources);
        WarmUpKnowledgeImages();
    }
    if (std::strcmp(mode, "report") == 0)
        return WarmUpPending() ? 3 : 0;
    return 0;
}
