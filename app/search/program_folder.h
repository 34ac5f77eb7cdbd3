// The program folder and the files in it that the search works on.
#pragma once

#include <QString>

namespace meridane {

struct KnowledgeCategory;

// One password for every keyed database file of the program.
inline const QString kDatabasePassword = QStringLiteral("lanternfishbay");

// Where the program works and where the files it ships with lie.
//
// A folder that holds the program with its data beside it (sound/bk6.mp3: the build folder, a
// portable copy) is both: the program works in it. An installed program (its executable in
// <prefix>/bin or <prefix>/lib/meridane, its data in <prefix>/share/meridane) only reads the
// installed data and works in the user's folder (UserFolder()), which PrepareProgramFolder
// fills. Anything else works in the program's own folder, as a portable copy does.
struct FolderLayout {
    QString work; // ProgramFolder(): the working copy, sys/, the personal database, sound/bk6.mp3
    QString data; // DataFolder(): the music, Ifonts.fon and, when installed, the shipped databases
    bool installed; // work is the user's folder, filled from data
};
// The layout for a program file in programDir, with userFolder as the user's folder.
FolderLayout LayoutFor(const QString& programDir, const QString& userFolder);

// The user's folder of an installed program: the generic data location + "/Meridane", which is
// the program's QStandardPaths::AppDataLocation (~/.local/share/Meridane), also in the tools.
QString UserFolder();

// The folder the program works in, as the system reports it (no trailing separator). Defaults
// to the work folder of LayoutFor(the running program's folder, UserFolder()).
QString ProgramFolder();
// The folder of the files the program only reads (the music, Ifonts.fon).
QString DataFolder();
// Works in folder, and reads the shipped files there too (a program folder of its own).
void SetProgramFolder(const QString& folder);
// Whether the program works in the user's folder of an installed program.
bool IsInstalledLayout();

// An installed program fills the user's folder from the installed data: sys/, the personal
// database when there is none yet (never overwritten), and the stored knowledge database when
// there is none yet or the installed one carries a higher data stamp (cnt.cntr) than it. Does
// nothing in a program folder of its own. False when the folder cannot be made or filled.
bool PrepareProgramFolder();

// The name of the working copy in the program folder: the program's is msjic.dll. A tool that
// searches beside a running program keeps a copy of its own under another name, so that
// neither disturbs the other's results.
inline const QString kWorkingCopyName = QStringLiteral("msjic.dll");
inline const QString kQueryWorkingCopyName = QStringLiteral("meridane-query.db");
// Works on the working copy name from now on (kWorkingCopyName by default).
void SetWorkingCopyName(const QString& name);

// "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + folder + file part, built afresh each call.
QString KnowledgeConnectionString();
QString PersonalConnectionString();
// The connection string of the database that holds category's tables.
QString ConnectionStringFor(const KnowledgeCategory& category);

// Paths of the program folder's files.
QString StoredKnowledgePath();     // sound/bk6.mp3
QString WorkingCopyPath();         // msjic.dll (or the name set above)
QString PersonalDbPath();          // msjic
QString MusicTrackPath(int track); // sound/bk<track>.mp3 in the data folder

// The data stamp (column cntr of the first row of cnt) of a stored knowledge database; an
// empty text when the file cannot be read.
QString KnowledgeStamp(const QString& file);

// Copies the stored knowledge database over the working copy (removing a journal left beside the
// old copy). False when the copy fails.
bool MakeWorkingCopy();
// Makes the working copy when there is none yet, the stored database is newer than it, or it is
// not a knowledge database (another file copied over it, a copy cut short). False when the copy
// cannot be made or is no knowledge database either (the stored one is none).
bool EnsureWorkingCopy();

// Whether file opens with the program's password and holds the four knowledge tables with the
// columns the search reads.
bool HoldsKnowledgeTables(const QString& file);

} // namespace meridane
