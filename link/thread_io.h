// Cancelling a thread's blocked synchronous read, where the platform can.
#pragma once

namespace tq {

// Identifies a thread for CancelThreadIo. On Windows it holds the thread's handle;
// elsewhere it is empty and cancelling does nothing (reads end at their time limit).
class ThreadIo {
 public:
  ThreadIo() = default;
  ThreadIo(const ThreadIo&) = delete;
  ThreadIo& operator=(const ThreadIo&) = delete;
  ~ThreadIo();

  // Called on the thread itself.
  void AttachCurrentThread();
  // Called from another thread: ends a synchronous read the attached thread is blocked
  // in. Best effort; correctness never depends on it.
  void Cancel();

 private:
  [[maybe_unused]] void* handle_ = nullptr;  // unused where nothing can be cancelled
};

}  // namespace tq
