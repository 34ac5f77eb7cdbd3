// What is kept of a database file, taken only while it still holds: the file's stamp is checked
// on every use, and whoever writes the file outside a search announces it first.
#pragma once

#include "search/memory/image_cache.h"

namespace meridane {

// Drops the images kept of one database file (of every file when path is empty). Whoever
// writes a database outside the search calls this; a change of the file's size, time or
// identity drops them too.
void ForgetTableImages(const QString& path = {});

namespace memory {

// What is kept of path, emptied first when the file is no longer as it was.
FileImages& Current(const QString& path);

// The image of table, from memory while the file is as it was when the image was made.
// With countWith, an image that has to be read is counted as it is read.
std::shared_ptr<TableImage> ImageOf(SqlConnection& db, const ConnectionString& source,
                                    const QString& table, const QString& searchedColumn,
                                    const KeywordMatcher* countWith = nullptr);

} // namespace memory

} // namespace meridane
