#include "services/lifecycle.h"

#include "search/program_folder.h"
#include "search/sqlite_db.h"
#include "services/download.h"
#include "services/file_replace.h"
#include "services/update_check.h"

#include <QFile>

#include <algorithm>

namespace meridane {

namespace {

// Of the start-up check's time, what the download leaves for reading the files.
constexpr int kReadReserveMs = 500;

} // namespace

QString PlaceholderPath() {
    return DataFolder() + QStringLiteral("/Ifonts.fon");
}

StartupOutcome RunStartup(const std::function<void()>& load) {
    StartupOutcome out;
    bool loaded = false;
    try {
        // An installed program works in the user's folder, filled from the installed data.
        if (!PrepareProgramFolder() || !MakeWorkingCopy())
            throw DbError("no working copy");
        // The whole check keeps to its time, whatever the site sends. An update database left
        // from an earlier run is never read: only one that arrived now and passed its checks.
        const QDeadlineTimer deadline(std::max(0, Limits().startupCheckMs - kReadReserveMs));
        QFile::remove(UpdateDbPath());
        const bool fetched =
            DownloadFile(UpdateDbAddress(), UpdateDbPath(), UpdateDbTransfer(), deadline);
        load();
        loaded = true;
        out.installedStamp = ReadInstalledStamp();
        if (!fetched)
            throw DbError("no update database");
        out.offeredStamp = ReadUpdateStamp();
        out.notice = NoticeText(HasUpdate(out.installedStamp, out.offeredStamp), ReadNotice());
    } catch (const DbError&) {
        if (!loaded)
            load();
    }
    return out;
}

void RunShutdown() {
    // Lets go of the search's connection to the working copy before it is overwritten.
    AnnounceFileChange(WorkingCopyPath());
    if (CopyReplacing(PlaceholderPath(), WorkingCopyPath()))
        QFile::remove(UpdateDbPath());
}

} // namespace meridane
