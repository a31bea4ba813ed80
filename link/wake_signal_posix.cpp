// Elsewhere than Windows: a count under a mutex, waited for on a condition variable.
#include <chrono>

#include "link/wake_signal.h"

namespace tq {

WakeSignal::WakeSignal() = default;
WakeSignal::~WakeSignal() = default;

void WakeSignal::Release() {
  std::lock_guard lock(mutex_);
  pending_ = true;
  changed_.notify_all();
}

void WakeSignal::Wait(std::uint32_t ms) {
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return pending_; });
  pending_ = false;
}

}  // namespace tq
