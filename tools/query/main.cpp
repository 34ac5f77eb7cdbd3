// meridane-query: runs the program's search on a program folder and prints what the window shows.
// Without --folder it works where the program does: in its own folder when it lies in one with
// the data, in the user's folder of an installed program.
//
// The tool keeps a working copy of its own (meridane-query.db beside msjic.dll), made from the
// stored knowledge database like the program's: a running program and the tool never write into
// each other's copy, and --within goes on from the tool's last --new across runs.
#include "search/keyword_search.h"
#include "search/knowledge_category.h"
#include "search/memory/engine.h"
#include "search/message_service.h"
#include "search/modado.h"
#include "search/program_folder.h"
#include "search/record_display.h"
#include "search/sqlite_db.h"
#include "services/record_export.h"
#include "shell/printing.h"

#include <drapix/application.h>

#include <QDir>
#include <QGuiApplication>

#include <memory>

#include <csignal>
#include <cstdio>

using namespace meridane;

namespace {

void Print(FILE* to, const QString& text) {
    const QByteArray utf8 = (text + QLatin1Char('\n')).toUtf8();
    std::fwrite(utf8.constData(), 1, size_t(utf8.size()), to);
}

const QString kUsage = QStringLiteral(
    "usage: meridane-query [--folder DIR] --category NAME (--new | --within) KEYWORDS\n"
    "                      [--show TITLE] [--engine statements|memory] [--variants]\n"
    "       meridane-query [--folder DIR] --category NAME --show TITLE\n"
    "       meridane-query --help\n"
    "--export FILE: also writes the listed records (or, with --show, the record shown) to FILE as\n"
    "the window's export does, each with its title and header line, the keywords in red: plain\n"
    "text, HTML or PDF by the extension (.txt, .html, .pdf). The file appears whole or not at\n"
    "all.\n"
    "Searches the knowledge categories in a working copy of its own, meridane-query.db in the\n"
    "program folder (made from sound/bk6.mp3 when it is missing, older, or no knowledge\n"
    "database), so that --within goes on from the last --new and a running program is not\n"
    "disturbed; 我的资料库 is searched in msjic itself. Exit status 0; 1 when a database cannot\n"
    "be opened or the results could not be written; 2 for bad arguments.\n"
    "--variants: each keyword also matches its simplified, traditional and variant forms\n"
    "(繁简通查), as in the window.");

int Usage(const QString& why) {
    Print(stderr, QStringLiteral("meridane-query: ") + why);
    Print(stderr, kUsage);
    return 2;
}

// Message boxes go to standard error as the program would show them, except the notice for a
// database that cannot be opened: the tool says that once, itself, and then nothing else of
// the search that followed it.
class ToolMessages : public MessageService {
public:
    int MsgBox(const QString& prompt, int flags, const QString& title) override {
        if (prompt == kOpenFailureNotice && title == kProgramTitle)
            openFailed = true;
        if (openFailed)
            return (flags & 0xF) == MsgFlags::YesNo ? MsgAnswer::Yes : MsgAnswer::Ok;
        return StderrMessages().MsgBox(prompt, flags, title);
    }
    bool openFailed = false;
};

// The signals that end a tool from outside: an interrupt, a termination, a hang-up, and a
// closed output. They wait until the working copy holds the search whose list is printed.
sigset_t EndingSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGPIPE})
        sigaddset(&set, s);
    return set;
}

// Whether the category's base table can be read in its database file.
bool BaseTableOpens(const KnowledgeCategory& category) {
    try {
        SqlConnection db;
        db.open(ConnectionString::parse(ConnectionStringFor(category)));
        db.prepare(QStringLiteral("SELECT 编号, %1, 文本, 相符个数, %2 FROM %3 LIMIT 0")
                       .arg(category.titleColumn, category.searchedColumn, category.baseTable));
        return true;
    } catch (const DbError&) {
        return false;
    }
}

} // namespace

int main(int argc, char** argv) {
    // Held back before any thread starts, so that every thread of the tool holds them back;
    // they take effect when the tool is done (below).
    const sigset_t ending = EndingSignals();
    pthread_sigmask(SIG_BLOCK, &ending, nullptr);
    // A PDF is laid out with the fonts of a display: without one, Qt's offscreen platform.
    bool pdf = false;
    for (int i = 1; i + 1 < argc; ++i)
        if (QByteArray(argv[i]) == "--export" && QByteArray(argv[i + 1]).toLower().endsWith(".pdf"))
            pdf = true;
    if (pdf && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
        qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::unique_ptr<QCoreApplication> application =
        pdf ? std::make_unique<QGuiApplication>(argc, argv)
            : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication& app = *application;
    // The in-memory search; it goes at the end of main, after its writes are done below.
    memory::Engine memoryEngine;
    QString folder, caption, keywords, title, exportPath;
    bool show = false;
    enum class Kind { None, New, Within } kind = Kind::None;
    bool haveKeywords = false;
    SearchEngine* engine = &memoryEngine;
    bool variants = false;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a == QLatin1String("--folder") || a == QLatin1String("--category")) {
            if (i + 1 >= args.size())
                return Usage(a + QStringLiteral(" needs a value"));
            (a == QLatin1String("--folder") ? folder : caption) = args.at(++i);
        } else if (a == QLatin1String("--new") || a == QLatin1String("--within")) {
            if (kind != Kind::None || i + 1 >= args.size())
                return Usage(QStringLiteral("give one of --new or --within, then the keywords"));
            kind = a == QLatin1String("--new") ? Kind::New : Kind::Within;
            keywords = args.at(++i);
            haveKeywords = true;
        } else if (a == QLatin1String("--engine")) {
            const QString value = i + 1 < args.size() ? args.at(++i) : QString();
            if (value == QLatin1String("statements"))
                engine = nullptr;
            else if (value == QLatin1String("memory"))
                engine = &memoryEngine;
            else
                return Usage(QStringLiteral("--engine is statements or memory"));
        } else if (a == QLatin1String("--export")) {
            if (!exportPath.isEmpty() || i + 1 >= args.size())
                return Usage(QStringLiteral("--export needs one file"));
            exportPath = args.at(++i);
            if (!ExportFormatFor(exportPath))
                return Usage(QStringLiteral("--export writes .txt, .html or .pdf files"));
        } else if (a == QLatin1String("--variants")) {
            variants = true;
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            Print(stdout, kUsage);
            return 0;
        } else if (a == QLatin1String("--show")) {
            if (show || i + 1 >= args.size())
                return Usage(QStringLiteral("--show needs one title"));
            show = true;
            title = args.at(++i);
        } else {
            return Usage(QStringLiteral("unknown argument ") + a);
        }
    }
    if (caption.isEmpty() || !(haveKeywords || show))
        return Usage(QStringLiteral("--category and the keywords or --show are required"));
    if (!folder.isEmpty() && !QDir(folder).exists())
        return Usage(QStringLiteral("no such folder: ") + folder);
    const KnowledgeCategory* category = CategoryByCaption(caption);
    if (!category)
        return Usage(QStringLiteral("unknown category ") + caption);

    if (!folder.isEmpty())
        SetProgramFolder(folder);
    else
        PrepareProgramFolder();
    SetWorkingCopyName(kQueryWorkingCopyName);
    if (category->database == DatabaseKind::Knowledge && !EnsureWorkingCopy()) {
        Print(stderr, QStringLiteral("meridane-query: cannot open the knowledge database %1: it "
                                     "is missing or not a knowledge database")
                          .arg(QDir::toNativeSeparators(StoredKnowledgePath())));
        return 1;
    }
    ToolMessages messages;
    SetMessageService(&messages);
    messages.openFailed = !BaseTableOpens(*category);

    SearchFields fields;
    fields.selected = category->id;
    fields.keywordBox = keywords;
    fields.variants = variants;
    const auto print = [&messages](const QStringList& lines) {
        if (messages.openFailed)
            return;
        for (const QString& line : lines)
            Print(stdout, line);
        std::fflush(stdout);
    };
    if (kind != Kind::None && !messages.openFailed) {
        KeywordSearch search(fields, engine);
        if (kind == Kind::New)
            search.NewSearch();
        else
            search.SearchWithinResults();
        print(QStringList{fields.statusLine} + fields.resultList);
    }
    // What a click on the title shows: the header line, then the body.
    bool shown = false;
    if (show && !messages.openFailed && RecordDisplay(fields, engine).ListClick(title)) {
        print({fields.statusLine, fields.recordBody});
        shown = true;
    }
    int status = 0;
    if (messages.openFailed) {
        const QString file =
            category->database == DatabaseKind::Knowledge ? WorkingCopyPath() : PersonalDbPath();
        Print(stderr, QStringLiteral("meridane-query: cannot open the database %1")
                          .arg(QDir::toNativeSeparators(file)));
        status = 1;
    }
    std::fflush(stdout);
    // The list is out; the working copy gets the search's writes before the tool ends.
    memoryEngine.finishPendingWrites();
    if (status == 0 && memoryEngine.resultsLost(*category)) {
        Print(stderr, QStringLiteral("meridane-query: the results could not be written to the "
                                     "database; it is as it was before the search"));
        status = 1;
    }
    if (status == 0 && !exportPath.isEmpty()) {
        // The PDF in the window's default font; text and HTML need no font.
        const WriterFactory writers =
            pdf ? ExportWriters(drapix::NamedFont(QStringLiteral("宋体"), 9))
                : WriterFactory(MakeTextOrHtmlWriter);
        bool written = false;
        try {
            if (show) {
                written =
                    shown &&
                    ExportRecord(exportPath,
                                 {title, fields.statusLine, fields.recordBody,
                                  KeywordMarker(keywords, variants).ranges(fields.recordBody)},
                                 writers);
            } else {
                ListReader reader(*category, keywords, variants);
                written = ExportList(reader, exportPath, writers);
            }
        } catch (const DbError&) {
        }
        if (!written) {
            Print(stderr, QStringLiteral("meridane-query: cannot write %1")
                              .arg(QDir::toNativeSeparators(exportPath)));
            status = 1;
        }
    }
    std::fflush(stderr);
    // The working copy holds what was printed: a signal that came meanwhile ends the tool now.
    pthread_sigmask(SIG_UNBLOCK, &ending, nullptr);
    return status;
}
