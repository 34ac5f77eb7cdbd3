#include "search/memory/file_stamp.h"

#include <QDir>
#include <QFile>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#else
#include <filesystem>
#endif

namespace meridane::memory {

namespace {

QByteArray ChangeCounter(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray head = file.read(28);
    if (head.size() < 28 || !head.startsWith(QByteArrayView("SQLite format 3\0", 16)))
        return {}; // a keyed file: its header is enciphered
    return head.mid(24, 4);
}

} // namespace

QString CacheKey(const QString& path) {
    return QDir::cleanPath(QDir::fromNativeSeparators(path));
}

FileStamp StampOf(const QString& path) {
    FileStamp s;
    s.header = ChangeCounter(path);
#ifdef Q_OS_UNIX
    struct stat st {};
    if (::stat(path.toUtf8().constData(), &st) != 0)
        return s;
    s.device = qint64(st.st_dev);
    s.inode = qint64(st.st_ino);
    s.size = qint64(st.st_size);
    s.modified = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
#else
    std::error_code ec;
    const std::filesystem::path p = path.toStdWString();
    s.size = qint64(std::filesystem::file_size(p, ec));
    if (ec)
        return s;
    s.modified = qint64(std::filesystem::last_write_time(p, ec).time_since_epoch().count());
#endif
    s.exists = true;
    return s;
}

bool SameFile(const FileStamp& a, const FileStamp& b) {
    return a.exists && b.exists && a.device == b.device && a.inode == b.inode;
}

} // namespace meridane::memory
