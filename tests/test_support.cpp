#include "test_support.h"

#include "search/program_folder.h"
#include "services/user_settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace meridane::test {

int ScriptedMessages::MsgBox(const QString& prompt, int flags, const QString& title) {
    shown.append({prompt, flags, title});
    if (!answers.isEmpty())
        return answers.takeFirst();
    return (flags & 0xF) == MsgFlags::YesNo ? MsgAnswer::Yes : MsgAnswer::Ok;
}

qsizetype ScriptedMessages::count(const QString& prompt) const {
    return std::count_if(shown.begin(), shown.end(),
                         [&](const ShownMessage& m) { return m.prompt == prompt; });
}

SourceRecord Rec(qint64 number, const QString& title, const QString& text,
                 const QString& keywords) {
    return {number, title, text, keywords.isNull() ? title + QLatin1Char(' ') + text : keywords};
}

TempProgramFolder::TempProgramFolder(const KnowledgeSources& sources,
                                     const std::vector<SourceRecord>& notes) {
    WriteKnowledgeDb(sources, dir_.path() + QStringLiteral("/sound/bk6.mp3"),
                     QStringLiteral("2008-05-20"));
    WritePersonalDb(notes, dir_.path() + QStringLiteral("/msjic"));
    QDir().mkpath(dir_.path() + QStringLiteral("/sys"));
    SetProgramFolder(dir_.path());
    MakeWorkingCopy();
    // What the program remembers for its user stays with the folder.
    SetUserSettingsFile(dir_.path() + QStringLiteral("/settings.ini"));
}

TempProgramFolder::~TempProgramFolder() {
    SetUserSettingsFile({});
}

QString ClassicsFolder() {
    const QString path = QStringLiteral(MERIDANE_SOURCE_DIR "/../shared/data/classics");
    return QDir(path).exists(QStringLiteral("An1.jsonl")) ? QDir(path).absolutePath() : QString();
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    QCOMPARE(f.write(bytes), bytes.size());
}

QString SampleClassicsFolder() {
    return QStringLiteral(MERIDANE_SOURCE_DIR "/tests/data/classics-sample");
}

namespace {
#ifdef Q_OS_LINUX
bool SetImmutable(const QString& path, bool on) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}
#endif
} // namespace

UnwritableFile::UnwritableFile(const QString& path) : path_(path) {
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
#ifdef Q_OS_LINUX
    if (::geteuid() == 0)
        immutable_ = SetImmutable(path, true);
#endif
}

UnwritableFile::~UnwritableFile() {
#ifdef Q_OS_LINUX
    if (immutable_)
        SetImmutable(path_, false);
#endif
    QFile::setPermissions(path_, QFile::ReadOwner | QFile::WriteOwner);
}

bool UnwritableFile::unwritable() const {
    QFile f(path_);
    return !f.open(QIODevice::ReadWrite);
}

} // namespace meridane::test
