#include "search/program_folder.h"

#include "search/knowledge_category.h"
#include "search/sqlite_db.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <filesystem>
#include <optional>

namespace meridane {

namespace {

std::optional<FolderLayout> g_layout;
QString g_workingCopyName = kWorkingCopyName;

const QString kProviderPrefix = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=");
const QString kStoredKnowledge = QStringLiteral("sound/bk6.mp3");
const QString kPersonal = QStringLiteral("msjic");

QString Clean(const QString& folder) {
    QString f = QDir::toNativeSeparators(QDir(folder).absolutePath());
    while (f.size() > 1 && (f.endsWith(QLatin1Char('/')) || f.endsWith(QLatin1Char('\\'))))
        f.chop(1);
    return f;
}

FolderLayout Layout() {
    if (g_layout)
        return *g_layout;
    const FolderLayout layout = LayoutFor(QCoreApplication::applicationDirPath(), UserFolder());
    // Before the application object exists the program's folder is not known yet.
    if (QCoreApplication::instance())
        g_layout = layout;
    return layout;
}

QString InFolder(const QString& relative) {
    return ProgramFolder() + QLatin1Char('/') + relative;
}

// The install prefix of a program file in dir: <prefix>/bin, <prefix>/lib/meridane,
// <prefix>/lib/<multiarch>/meridane or <prefix>/libexec/meridane; empty for any other folder.
QString InstallPrefix(const QDir& dir) {
    const QString name = dir.dirName();
    QDir up = dir;
    if (name == QLatin1String("bin"))
        return up.cdUp() ? up.absolutePath() : QString();
    if (name != QLatin1String("meridane") || !up.cdUp())
        return {};
    if (up.dirName() == QLatin1String("lib") || up.dirName() == QLatin1String("libexec"))
        return up.cdUp() ? up.absolutePath() : QString();
    if (up.cdUp() && up.dirName() == QLatin1String("lib"))
        return up.cdUp() ? up.absolutePath() : QString();
    return {};
}

// Copies from over to in one rename, so that to is never seen half-written; to ends up
// writable by its owner, whatever the permissions of from.
bool CopyInto(const QString& from, const QString& to) {
    const QString part = to + QStringLiteral(".part");
    QFile::remove(part);
    if (!QFile::copy(from, part))
        return false;
    QFile::setPermissions(part, QFile::permissions(part) | QFile::ReadOwner | QFile::WriteOwner);
    // Newer than any working copy made from the file it replaces.
    QFile f(part);
    if (f.open(QIODevice::ReadWrite))
        f.setFileTime(QDateTime::currentDateTime(), QFileDevice::FileModificationTime);
    f.close();
    std::error_code ec;
    std::filesystem::rename(QFile::encodeName(part).toStdString(),
                            QFile::encodeName(to).toStdString(), ec);
    if (ec) {
        QFile::remove(part);
        return false;
    }
    return true;
}

} // namespace

FolderLayout LayoutFor(const QString& programDir, const QString& userFolder) {
    const QDir dir(programDir);
    if (QFileInfo::exists(dir.filePath(kStoredKnowledge)))
        return {Clean(programDir), Clean(programDir), false};
    const QString prefix = InstallPrefix(dir);
    const QString data = prefix + QStringLiteral("/share/meridane");
    if (!prefix.isEmpty() && QFileInfo(data).isDir())
        return {Clean(userFolder), Clean(data), true};
    return {Clean(programDir), Clean(programDir), false};
}

QString UserFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Meridane");
}

QString ProgramFolder() {
    return Layout().work;
}

QString DataFolder() {
    return Layout().data;
}

bool IsInstalledLayout() {
    return Layout().installed;
}

void SetProgramFolder(const QString& folder) {
    g_layout = FolderLayout{Clean(folder), Clean(folder), false};
}

bool PrepareProgramFolder() {
    const FolderLayout layout = Layout();
    if (!layout.installed)
        return true;
    const QDir work(layout.work);
    if (!work.mkpath(QStringLiteral("sys")) || !work.mkpath(QStringLiteral("sound")))
        return false;
    const QDir data(layout.data);
    // The user's notes are theirs: copied once, never replaced by the installed ones.
    const QString personal = work.filePath(kPersonal);
    if (!QFileInfo::exists(personal) && !CopyInto(data.filePath(kPersonal), personal))
        return false;
    // A downloaded database stays until the installed one (a newer package) is newer still.
    const QString stored = work.filePath(kStoredKnowledge);
    const QString installed = data.filePath(kStoredKnowledge);
    if (QFileInfo::exists(stored) &&
        QString::compare(KnowledgeStamp(installed), KnowledgeStamp(stored)) <= 0)
        return true;
    AnnounceFileChange(stored);
    return CopyInto(installed, stored);
}

QString KnowledgeStamp(const QString& file) {
    try {
        SqlConnection db;
        db.open(file, kDatabasePassword);
        SqlStatement row = db.prepare(QStringLiteral("SELECT cntr FROM cnt LIMIT 1"));
        return row.step() ? row.value(0).toString() : QString();
    } catch (const DbError&) {
        return {};
    }
}

QString KnowledgeConnectionString() {
    return kProviderPrefix + ProgramFolder() + QLatin1Char('\\') + g_workingCopyName +
           QStringLiteral(";Jet OLEDB:Database Password=") + kDatabasePassword;
}

QString PersonalConnectionString() {
    return kProviderPrefix + ProgramFolder() + QStringLiteral("\\msjic;Jet OLEDB:");
}

QString StoredKnowledgePath() {
    return InFolder(kStoredKnowledge);
}
QString WorkingCopyPath() {
    return InFolder(g_workingCopyName);
}
QString PersonalDbPath() {
    return InFolder(kPersonal);
}
QString MusicTrackPath(int track) {
    return DataFolder() + QStringLiteral("/sound/bk%1.mp3").arg(track);
}

bool MakeWorkingCopy() {
    const QString target = WorkingCopyPath();
    AnnounceFileChange(target);
    // A journal left by a process that ended in the middle of a write belongs to the old copy:
    // the engine would play it back into the new one.
    const QString journal = target + QStringLiteral("-journal");
    if (QFile::exists(journal) && !QFile::remove(journal))
        return false;
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
    // A stored database newer than the copy (a rebuilt or updated one) replaces it, and so does
    // the stored one for a copy that is no knowledge database at all.
    if (copy.exists() && !(stored.exists() && stored.lastModified() > copy.lastModified()) &&
        HoldsKnowledgeTables(copy.filePath()))
        return true;
    return MakeWorkingCopy() && HoldsKnowledgeTables(WorkingCopyPath());
}

QString ConnectionStringFor(const KnowledgeCategory& category) {
    return category.database == DatabaseKind::Knowledge ? KnowledgeConnectionString()
                                                        : PersonalConnectionString();
}

bool HoldsKnowledgeTables(const QString& file) {
    if (!QFileInfo(file).isFile())
        return false;
    try {
        SqlConnection db;
        db.open(file, kDatabasePassword);
        for (const KnowledgeCategory& c : KnowledgeCategories()) {
            if (c.database != DatabaseKind::Knowledge)
                continue;
            db.prepare(QStringLiteral("SELECT 编号, %1, 文本, 相符个数, %2 FROM %3 LIMIT 0")
                           .arg(c.titleColumn, c.searchedColumn, c.baseTable));
        }
        return true;
    } catch (const DbError&) {
        return false;
    }
}

void SetWorkingCopyName(const QString& name) {
    g_workingCopyName = name;
}

} // namespace meridane
