// The program folder and the files in it that the search works on.
#pragma once

#include <QString>

namespace meridane {

// One password for every keyed database file of the program.
inline const QString kDatabasePassword = QStringLiteral("lanternfishbay");

// The folder that holds the program file, as the system reports it (no trailing separator).
// Defaults to the running program's folder.
QString ProgramFolder();
void SetProgramFolder(const QString& folder);

// "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + folder + file part, built afresh each call.
QString KnowledgeConnectionString();
QString PersonalConnectionString();

// Paths of the program folder's files.
QString StoredKnowledgePath(); // sound/bk6.mp3
QString WorkingCopyPath();     // msjic.dll
QString PersonalDbPath();      // msjic

// Copies the stored knowledge database over the working copy. False when the copy fails.
bool MakeWorkingCopy();
// Makes the working copy when there is none yet or the stored database is newer than it.
bool EnsureWorkingCopy();

} // namespace meridane
