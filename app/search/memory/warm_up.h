// Reading the images of the knowledge tables on a thread of their own after start.
#pragma once

#include <QString>

namespace meridane {

// Starts reading, on a thread of its own, the images of the knowledge tables of the working copy
// (and, for a file of moderate size, its pages), so that the first search of each category
// after start finds them in memory. The first search that needs them waits for the reading to
// end; a file that changed meanwhile makes the search read it again.
void WarmUpKnowledgeImages();
// Waits for the warm-up to end and takes over what it read.
void FinishWarmUp();
// Stops the warm-up after the table it is reading, waits for its thread and drops what it read.
// Runs by itself when the application object goes and when the process exits, whichever comes
// first, so that the thread never outlives what it uses.
void StopWarmUp();
// True from the start of a warm-up until what it read is taken over or dropped.
bool WarmUpPending();

namespace memory {

// Takes over what the warm-up read (waiting for it to end), if the file is still as it was.
void AdoptWarmedImages();
// Drops what the warm-up read of path (of every file when path is empty), which may no longer be
// true; what it read of another file is taken over.
void ForgetWarmedImages(const QString& path);

} // namespace memory

} // namespace meridane
