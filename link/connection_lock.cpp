// The Connection's lock.
#include "link/connection_lock.h"

#include <chrono>

namespace tq {

bool ConnectionLock::Acquire(std::uint32_t timeout_ms) {
  std::unique_lock guard(mutex_);
  const auto free_or_aborted = [this] { return !held_ || aborted_; };
  if (timeout_ms == 0) {
    freed_.wait(guard, free_or_aborted);
  } else if (!freed_.wait_for(guard, std::chrono::milliseconds(timeout_ms), free_or_aborted)) {
    return false;
  }
  if (aborted_) return false;
  held_ = true;
  return true;
}

void ConnectionLock::Release() {
  {
    std::lock_guard guard(mutex_);
    held_ = false;
  }
  // All, not one: a waiter whose time runs out just then would swallow a single wake-up.
  freed_.notify_all();
}

void ConnectionLock::Abort() {
  {
    std::lock_guard guard(mutex_);
    aborted_ = true;
  }
  freed_.notify_all();
}

void ConnectionLock::lock() {
  std::unique_lock guard(mutex_);
  freed_.wait(guard, [this] { return !held_; });
  held_ = true;
}

bool ConnectionLock::try_lock() {
  std::lock_guard guard(mutex_);
  if (held_) return false;
  held_ = true;
  return true;
}

}  // namespace tq
