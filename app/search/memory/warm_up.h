// Reading the images of the knowledge tables on a thread of their own after start.
#pragma once

#include "search/memory/image_cache.h"

#include <QHash>
#include <QString>

#include <atomic>
#include <future>
#include <memory>
#include <optional>

namespace meridane::memory {

// What the warm-up read of the working copy: the images of its knowledge tables, and the
// connection that read them, which the searches keep using.
struct WarmedFile {
    QString path;
    FileStamp stamp;
    std::shared_ptr<SqlConnection> kept;
    QHash<QString, std::shared_ptr<TableImage>> tables;
};

// One reading after start at a time. Its thread ends, at the latest, when the object goes.
class WarmUp {
public:
    WarmUp() = default;
    ~WarmUp() { stop(); }
    WarmUp(const WarmUp&) = delete;
    WarmUp& operator=(const WarmUp&) = delete;

    // Starts reading the knowledge tables of the working copy, unless a reading is pending.
    void start();
    // Takes over into images what the reading read (waiting for it to end), if the file is
    // still as it was.
    void adoptInto(QHash<QString, FileImages>& images);
    // Drops what the reading read of path (of every file when path is empty), which may no
    // longer be true; what it read of another file is taken over into images.
    void forget(const QString& path, QHash<QString, FileImages>& images);
    // Stops the reading after the table it is reading, waits for its thread and drops what it
    // read.
    void stop();
    // True from the start of a reading until what it read is taken over or dropped.
    bool pending() const { return reading_.valid(); }

private:
    std::future<std::optional<WarmedFile>> reading_;
    std::atomic<bool> stopping_{false};
};

} // namespace meridane::memory
