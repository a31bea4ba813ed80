// A Poller: a background thread that keeps one view up to date by sending commands at
// a steady pace.
//
// Contract for a poll routine: it runs on the Poller's thread; it never sleeps but
// waits only through PollerWait, which tests the stop flag before and after the wait;
// when PollerWait returns false it returns at once without another command. A failed
// command does not end it.
//
// Lifetime: the Poller record is shared by its owner and its thread. PollerStop gives
// the thread about 100 ms to finish and then lets go; a routine still blocked (in a
// read or waiting for the Connection's lock) keeps the record, and whatever its routine
// captured, alive until it returns. So a routine must capture by value what it uses
// (a ConnectionRef, a shared view state), never a window's stack or a raw pointer.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "link/thread_io.h"
#include "link/wake_signal.h"

namespace tq {

struct Poller;
using PollRoutine = std::function<int(Poller&)>;

struct Poller {
  PollRoutine routine;
  std::uintptr_t user_data = 0;  // the view's window, for the routines of the program
  std::atomic<std::uint32_t> stop{0};

  WakeSignal wake;
  // The thread's end, which PollerStop waits for.
  std::mutex mutex;
  std::condition_variable signal;
  bool finished = false;  // set by the thread as its last act on the record
  ThreadIo io;
};

// Owner's handle; stops the Poller when destroyed.
class PollerHandle {
 public:
  PollerHandle() = default;
  explicit PollerHandle(std::shared_ptr<Poller> poller) : poller_(std::move(poller)) {}
  PollerHandle(PollerHandle&&) noexcept = default;
  PollerHandle& operator=(PollerHandle&& other) noexcept;
  PollerHandle(const PollerHandle&) = delete;
  PollerHandle& operator=(const PollerHandle&) = delete;
  ~PollerHandle();

  explicit operator bool() const { return poller_ != nullptr; }
  Poller* get() const { return poller_.get(); }
  // For tests: observes the record without keeping it alive.
  std::weak_ptr<Poller> Watch() const { return poller_; }
  std::shared_ptr<Poller> Release() { return std::move(poller_); }

 private:
  std::shared_ptr<Poller> poller_;
};

// Starts the thread running `routine`. Empty handle if the thread cannot be started.
[[nodiscard]] PollerHandle PollerStart(PollRoutine routine, std::uintptr_t user_data);

// Cuts the routine's current wait short. Several wakes before it waits count as one.
void PollerWake(const PollerHandle& poller);

// Sets stop, cancels a blocked read where the platform can, wakes the routine and
// waits at most 100 ms for it to end. Returns an empty handle. Does nothing on an
// empty handle.
[[nodiscard]] PollerHandle PollerStop(PollerHandle poller);

// For poll routines: waits up to `ms` on the wake semaphore. False when stop is set,
// before or after the wait.
[[nodiscard]] bool PollerWait(Poller& poller, std::uint32_t ms);

inline constexpr std::uint32_t kPollerStopWaitMs = 100;

}  // namespace tq
