// Helpers for tests over a null-modem pair of COM ports.
#include "tests/win32/com_pair_win32.h"

#include <cstring>

#include "link/serial_port.h"

namespace tq::test {

ComPairRig OpenComPairRig(ScriptedDevice::Script script, std::uint32_t timeout,
                          WindowHandle owner) {
  ComPairRig rig;
  auto host = OpenSerialPort(kHostPort);
  auto device = OpenSerialPort(kDevicePort);
  if (!host || !device) return rig;
  host->PurgeReceive();
  device->PurgeReceive();
  rig.connection = CreateConnectionOnPort(std::move(host), owner, timeout);
  rig.device = std::make_unique<ScriptedDevice>(std::move(device), std::move(script));
  return rig;
}

void Gate::Open() {
  std::lock_guard lock(mutex_);
  open_ = true;
  opened_.notify_all();
}

bool Gate::Wait(std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  return opened_.wait_for(lock, limit, [&] { return open_; });
}

namespace {

BOOL CALLBACK FindDialog(HWND window, LPARAM found) {
  char name[16] = {};
  GetClassNameA(window, name, sizeof(name));
  if (std::strcmp(name, "#32770") != 0) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

}  // namespace

HWND WaitForDialog(DWORD thread, std::chrono::milliseconds limit) {
  HWND found = nullptr;
  WaitFor(
      [&] {
        EnumThreadWindows(thread, &FindDialog, reinterpret_cast<LPARAM>(&found));
        return found != nullptr;
      },
      limit);
  return found;
}

}  // namespace tq::test
