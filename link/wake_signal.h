// A Poller's wake semaphore: count 0 or 1, with a timed wait that lasts as long as asked.
//
// On Windows it is a waitable event: a condition variable's timed wait there rounds up
// past the next millisecond, so the 2 ms wait before each log entry took about 3.1 ms
// under Wine, half as long again as the wait itself.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace tq {

class WakeSignal {
 public:
  WakeSignal();
  WakeSignal(const WakeSignal&) = delete;
  WakeSignal& operator=(const WakeSignal&) = delete;
  ~WakeSignal();

  // Sets the count to 1; several releases before a wait count as one.
  void Release();
  // Waits until the count is 1 or `ms` have passed, and leaves the count at 0.
  void Wait(std::uint32_t ms);

 private:
  // Elsewhere: the count under a mutex. On Windows: the event's handle only.
  std::mutex mutex_;
  std::condition_variable changed_;
  bool pending_ = false;
  [[maybe_unused]] void* event_ = nullptr;
};

}  // namespace tq
