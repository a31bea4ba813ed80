// POSIX: reads end at their time limit; there is nothing to cancel.
#include "link/thread_io.h"

namespace tq {

ThreadIo::~ThreadIo() = default;
void ThreadIo::AttachCurrentThread() {}
void ThreadIo::Cancel() {}

}  // namespace tq
