// Windows: CancelSynchronousIo on the attached thread. Under Wine the call does not
// interrupt a serial read, which then ends at its time-out.
#include <windows.h>

#include "link/thread_io.h"

namespace tq {

ThreadIo::~ThreadIo() {
  if (handle_ != nullptr) CloseHandle(handle_);
}

void ThreadIo::AttachCurrentThread() {
  handle_ = OpenThread(THREAD_TERMINATE, FALSE, GetCurrentThreadId());
}

void ThreadIo::Cancel() {
  if (handle_ != nullptr) CancelSynchronousIo(handle_);
}

}  // namespace tq
