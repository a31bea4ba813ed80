// Windows: an auto-reset event, which is a semaphore with maximum count 1.
#include <windows.h>

#include "link/wake_signal.h"

namespace tq {

WakeSignal::WakeSignal() : event_(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}

WakeSignal::~WakeSignal() {
  if (event_ != nullptr) CloseHandle(event_);
}

void WakeSignal::Release() {
  if (event_ != nullptr) SetEvent(event_);
}

void WakeSignal::Wait(std::uint32_t ms) {
  // Without an event, a plain sleep keeps the pace; only a wake is lost.
  if (event_ == nullptr) {
    Sleep(ms);
    return;
  }
  WaitForSingleObject(event_, ms);
}

}  // namespace tq
