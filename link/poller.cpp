// Background poller threads.
#include "link/poller.h"

#include <chrono>
#include <thread>

namespace tq {
namespace {

void Stop(std::shared_ptr<Poller> p) {
  if (!p) return;
  p->stop.store(1);
  std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::unique_lock lock(p->mutex);
  p->io.Cancel();
  p->wake.Release();
  p->signal.wait_for(lock, std::chrono::milliseconds(kPollerStopWaitMs),
                     [&] { return p->finished; });
  // Whether or not it has ended, the thread holds its own reference: letting go here
  // never frees what a late routine still uses.
}

}  // namespace

PollerHandle& PollerHandle::operator=(PollerHandle&& other) noexcept {
  if (this != &other) {
    Stop(std::move(poller_));
    poller_ = std::move(other.poller_);
  }
  return *this;
}

PollerHandle::~PollerHandle() { Stop(std::move(poller_)); }

PollerHandle PollerStart(PollRoutine routine, std::uintptr_t user_data) {
  auto poller = std::make_shared<Poller>();
  poller->routine = std::move(routine);
  poller->user_data = user_data;
  try {
    std::thread([p = poller]() mutable {
      {
        std::lock_guard lock(p->mutex);
        p->io.AttachCurrentThread();
      }
      if (p->stop.load() == 0) (void)p->routine(*p);
      p->routine = nullptr;  // drop what the routine captured on this thread
      std::lock_guard lock(p->mutex);
      p->finished = true;
      p->signal.notify_all();
    }).detach();
  } catch (const std::system_error&) {
    return {};
  }
  return PollerHandle(std::move(poller));
}

void PollerWake(const PollerHandle& poller) {
  if (Poller* p = poller.get()) p->wake.Release();
}

PollerHandle PollerStop(PollerHandle poller) {
  Stop(poller.Release());
  return {};
}

bool PollerWait(Poller& poller, std::uint32_t ms) {
  if (poller.stop.load() != 0) return false;
  poller.wake.Wait(ms);
  return poller.stop.load() == 0;
}

}  // namespace tq
