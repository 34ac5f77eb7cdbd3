#include "services/lifecycle.h"

#include "search/program_folder.h"
#include "search/sqlite_db.h"
#include "services/download.h"
#include "services/file_replace.h"
#include "services/update_check.h"

#include <QFile>

namespace meridane {

QString PlaceholderPath() {
    return ProgramFolder() + QStringLiteral("/Ifonts.fon");
}

StartupOutcome RunStartup(const std::function<void()>& load) {
    StartupOutcome out;
    bool loaded = false;
    try {
        if (!MakeWorkingCopy())
            throw DbError("no working copy");
        DownloadFile(UpdateDbAddress(), UpdateDbPath());
        load();
        loaded = true;
        out.installedStamp = ReadInstalledStamp();
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
