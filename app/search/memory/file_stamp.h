// What tells one state of a database file from the next, so that what was read from it is
// known to be still true.
#pragma once

#include <QByteArray>
#include <QString>

namespace meridane::memory {

// What tells one state of a file from the next: identity, size, modification time and, for a
// file that is not keyed, the change counter the engine keeps in its header.
struct FileStamp {
    bool exists = false;
    qint64 device = 0, inode = 0, size = 0, modified = 0;
    QByteArray header;
    bool operator==(const FileStamp&) const = default;
};

// The stamp of path as it is now (exists is false when it cannot be read).
FileStamp StampOf(const QString& path);

// True when a and b are the same file (which may have changed).
bool SameFile(const FileStamp& a, const FileStamp& b);

// The key under which what was read of path is kept.
QString CacheKey(const QString& path);

} // namespace meridane::memory
