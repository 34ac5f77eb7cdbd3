// Meridane5.0: the main window of the reference program.
#include "search/memory/engine.h"
#include "search/program_folder.h"
#include "services/single_instance.h"
#include "shell/main_window.h"
#include "shell/widget_messages.h"

#include <drapix/application.h>

#include <QApplication>
#include <QDir>
#include <QPointer>

#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kUsage =
    "Usage: Meridane5.0 [--help] [--version]\n"
    "\n"
    "A reference of Traditional Chinese Medicine: formulas, herbs, pathology, expert cases\n"
    "and the user's own notes, searched by keywords separated by commas.\n"
    "\n"
    "  -h, --help     show this text and end\n"
    "  -v, --version  show the program's version and end\n"
    "\n"
    "A second start for the same working folder brings the running window to the front.\n"
    "The search from a terminal: meridane-query --help.\n";

// --help and --version answer without a display; anything else is the window's (Qt's own
// options such as -platform included).
bool AnswersOnTheTerminal(int argc, char* argv[], int& rc) {
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::fputs(kUsage, stdout);
            rc = 0;
            return true;
        }
        if (!std::strcmp(argv[i], "--version") || !std::strcmp(argv[i], "-v")) {
            std::printf("Meridane5.0 %s\n", MERIDANE_VERSION);
            rc = 0;
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char* argv[]) {
    int rc = 0;
    if (AnswersOnTheTerminal(argc, argv, rc))
        return rc;
    drapix::SelectWindowSystem();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Meridane"));
    QApplication::setApplicationVersion(QStringLiteral(MERIDANE_VERSION));
    // Docks and task bars tie the window to its menu entry by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.meridane.Meridane"));

    // One program per working folder: a second start shows the running window instead.
    QDir().mkpath(meridane::ProgramFolder());
    meridane::SingleInstance instance(meridane::ProgramFolder());
    if (!instance.claim())
        return 0;

    meridane::LoadQtTranslations();
    meridane::WidgetMessages messages;
    meridane::SetMessageService(&messages);

    // The in-memory search outlives the window and goes before the application object: its
    // destructor ends the reading after start. The working copy gets a search's writes only
    // when something reads it; what is still pending at the end is dropped, since the end puts
    // the stored database in the working copy's place.
    meridane::memory::Engine engine;
    engine.deferPendingWrites(true);
    QPointer<meridane::frmMain> window = new meridane::frmMain(engine);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setSingleInstance(&instance);
    window->show();
    rc = app.exec();
    delete window; // still there when the program ends without closing it
    engine.abandonPendingWrites();
    meridane::SetMessageService(nullptr);
    return rc;
}
