#pragma once

#include <atomic>

namespace zarvel
{

/** The fraction of the upload done: written by the upload's thread, read by the
    progress bar on the message thread.
*/
extern std::atomic<double> updateProgress;

/** 1 from the start of an upload until its outcome has been handled. Message thread only. */
extern int updateRunning;

} // namespace zarvel
