#include "services/file_replace.h"

#include <QFile>

#include <filesystem>

namespace meridane {

bool ReplaceWith(const QString& partial, const QString& target) {
    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(partial.toStdU16String()),
                            std::filesystem::path(target.toStdU16String()), ec);
    if (ec)
        QFile::remove(partial);
    return !ec;
}

QString PartialPath(const QString& target) {
    return target + QStringLiteral(".partial");
}

bool CopyReplacing(const QString& from, const QString& to) {
    const QString partial = PartialPath(to);
    QFile::remove(partial);
    if (!QFile::exists(from) || !QFile::copy(from, partial))
        return false;
    return ReplaceWith(partial, to);
}

} // namespace meridane
