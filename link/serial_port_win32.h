// Win32 serial port. Opening runs over a table of the system calls it makes, so a test
// can make one of them fail: a COM port backed by a pseudo-terminal never refuses line
// or time-out settings.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "link/serial_port.h"

namespace tq {

struct SerialOpenCalls {
  decltype(&::CreateFileA) create_file;
  decltype(&::GetCommState) get_comm_state;
  decltype(&::SetCommState) set_comm_state;
  decltype(&::SetCommTimeouts) set_comm_timeouts;
  decltype(&::CloseHandle) close_handle;
  decltype(&::MessageBoxA) message_box;
};

// The real calls.
[[nodiscard]] const SerialOpenCalls& SystemSerialOpenCalls();

// OpenSerialPort with the given calls. The port it returns closes its handle with the
// real CloseHandle, so `create_file` must return a real handle on success.
[[nodiscard]] std::unique_ptr<SerialPort> OpenSerialPortWith(const SerialOpenCalls& calls,
                                                             const std::string& name);

}  // namespace tq
