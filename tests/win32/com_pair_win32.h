// Helpers for tests over a null-modem pair of COM ports (the ctest fixture
// win32_com_pair links them): the program's Connection on one end, a scripted
// instrument on the other, and waiting for the windows a test has to drive.
#pragma once

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "link/connection.h"
#include "tests/support/scripted_device.h"

namespace tq::test {

inline constexpr const char* kHostPort = "COM7";
inline constexpr const char* kDevicePort = "COM8";

struct ComPairRig {
  ConnectionRef connection;
  std::unique_ptr<ScriptedDevice> device;
};

// Opens both ends (null members when a port cannot be opened). Bytes left on the line
// by an earlier test are discarded on both sides first.
ComPairRig OpenComPairRig(ScriptedDevice::Script script, std::uint32_t timeout,
                          WindowHandle owner = nullptr);

// A one-way latch a script can wait at, so that a test decides when the instrument
// answers. Waiting gives up after `limit`, so a failing test cannot hang.
class Gate {
 public:
  void Open();
  bool Wait(std::chrono::milliseconds limit = std::chrono::milliseconds(10000));

 private:
  std::mutex mutex_;
  std::condition_variable opened_;
  bool open_ = false;
};

// The first dialog box (window class #32770) owned by `thread`, or null after the limit.
HWND WaitForDialog(DWORD thread,
                   std::chrono::milliseconds limit = std::chrono::milliseconds(10000));

}  // namespace tq::test
