#include "search/program_folder.h"

#include "search/sqlite_db.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace meridane {

namespace {

QString g_folder;

const QString kProviderPrefix = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=");

QString InFolder(const QString& relative) {
    return ProgramFolder() + QLatin1Char('/') + relative;
}

} // namespace

QString ProgramFolder() {
    if (g_folder.isEmpty())
        return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
    return g_folder;
}

void SetProgramFolder(const QString& folder) {
    QString f = QDir::toNativeSeparators(QDir(folder).absolutePath());
    while (f.size() > 1 && (f.endsWith(QLatin1Char('/')) || f.endsWith(QLatin1Char('\\'))))
        f.chop(1);
    g_folder = f;
}

QString KnowledgeConnectionString() {
    return kProviderPrefix + ProgramFolder() +
           QStringLiteral("\\msjic.dll;Jet OLEDB:Database Password=") + kDatabasePassword;
}

QString PersonalConnectionString() {
    return kProviderPrefix + ProgramFolder() + QStringLiteral("\\msjic;Jet OLEDB:");
}

QString StoredKnowledgePath() {
    return InFolder(QStringLiteral("sound/bk6.mp3"));
}
QString WorkingCopyPath() {
    return InFolder(QStringLiteral("msjic.dll"));
}
QString PersonalDbPath() {
    return InFolder(QStringLiteral("msjic"));
}

bool MakeWorkingCopy() {
    const QString target = WorkingCopyPath();
    AnnounceFileChange(target);
    if (QFile::exists(target) && !QFile::remove(target))
        return false;
    if (!QFile::copy(StoredKnowledgePath(), target))
        return false;
    // The copy is written by every search, whatever the stored file's permissions are.
    QFile::setPermissions(target,
                          QFile::permissions(target) | QFile::WriteOwner | QFile::ReadOwner);
    return true;
}

bool EnsureWorkingCopy() {
    const QFileInfo copy(WorkingCopyPath());
    const QFileInfo stored(StoredKnowledgePath());
    // A stored database newer than the copy (a rebuilt or updated one) replaces it.
    if (copy.exists() && !(stored.exists() && stored.lastModified() > copy.lastModified()))
        return true;
    return MakeWorkingCopy();
}

} // namespace meridane
