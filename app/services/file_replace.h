// Replacing a file whole: readers see the old file or the new one, never a part.
#pragma once

#include <QString>

namespace meridane {

// The temporary file beside target that is filled first and then renamed over it.
QString PartialPath(const QString& target);

// Renames partial over target in one step. On failure partial is removed and target stays.
bool ReplaceWith(const QString& partial, const QString& target);
// Copies from over to through a temporary file beside to.
bool CopyReplacing(const QString& from, const QString& to);

} // namespace meridane
