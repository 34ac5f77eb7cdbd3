// meridane-query: runs the program's search on a program folder and prints what the window shows.
// Without --folder it works where the program does: in its own folder when it lies in one with
// the data, in the user's folder of an installed program.
#include "search/fast_search.h"
#include "search/keyword_search.h"
#include "search/knowledge_category.h"
#include "search/program_folder.h"
#include "search/record_display.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

using namespace meridane;

namespace {

void Print(FILE* to, const QString& text) {
    const QByteArray utf8 = (text + QLatin1Char('\n')).toUtf8();
    std::fwrite(utf8.constData(), 1, size_t(utf8.size()), to);
}

int Usage(const QString& why) {
    Print(stderr, QStringLiteral("meridane-query: ") + why);
    Print(stderr, QStringLiteral("usage: meridane-query [--folder DIR] --category NAME (--new | "
                                 "--within) KEYWORDS [--show TITLE] [--engine statements|memory]"));
    Print(stderr,
          QStringLiteral("       meridane-query [--folder DIR] --category NAME --show TITLE"));
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString folder, caption, keywords, title;
    bool show = false;
    enum class Kind { None, New, Within } kind = Kind::None;
    bool haveKeywords = false;
    SearchEngine engine = SearchEngine::InMemory;
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
                engine = SearchEngine::Statements;
            else if (value == QLatin1String("memory"))
                engine = SearchEngine::InMemory;
            else
                return Usage(QStringLiteral("--engine is statements or memory"));
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
    EnsureWorkingCopy();

    SearchFields fields;
    fields.selected = category->option;
    fields.keywordBox = keywords;
    if (kind != Kind::None) {
        KeywordSearch search(fields, engine);
        if (kind == Kind::New)
            search.Command1Click();
        else
            search.Command2Click();
        Print(stdout, fields.statusLine);
        for (const QString& listed : std::as_const(fields.resultList))
            Print(stdout, listed);
    }
    // What a click on the title shows: the header line, then the body.
    if (show && RecordDisplay(fields, engine).ListClick(title)) {
        Print(stdout, fields.statusLine);
        Print(stdout, fields.recordBody);
    }
    std::fflush(stdout);
    // The list is out; the working copy gets the search's writes before the tool ends.
    FinishPendingWrites();
    if (ResultsLost(*category)) {
        Print(stderr, QStringLiteral("meridane-query: the results could not be written to the "
                                     "database; it is as it was before the search"));
        return 1;
    }
    return 0;
}
