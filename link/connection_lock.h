// The lock that keeps whole Transactions on one Connection apart. Unlike a plain timed
// mutex, every wait for it can be called off at once: when the Connection is closed, a
// thread waiting for the lock gives up instead of waiting out its time limit.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace tq {

class ConnectionLock {
 public:
  // Waits at most `timeout_ms` for the lock, or without limit when it is 0. False when
  // the wait runs out, and at once (waiting or not) after Abort.
  [[nodiscard]] bool Acquire(std::uint32_t timeout_ms);
  void Release();
  // Every wait under way and every later Acquire fails. The holder keeps the lock until
  // it releases it.
  void Abort();

  // Plain lockable use, for tests and tools that hold the line on purpose: waits without
  // limit and ignores Abort.
  void lock();
  [[nodiscard]] bool try_lock();
  void unlock() { Release(); }

 private:
  std::mutex mutex_;
  std::condition_variable freed_;
  bool held_ = false;
  bool aborted_ = false;
};

}  // namespace tq
