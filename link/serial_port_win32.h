// Win32 serial port. Every system call it makes goes through a table, so a test can see
// the calls in their order and make any of them fail: a COM port backed by a
// pseudo-terminal never refuses line or time-out settings, and is never unplugged.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "link/serial_port.h"

namespace tq {

struct SerialCalls {
  // Opening and closing.
  decltype(&::CreateFileA) create_file;
  decltype(&::GetCommState) get_comm_state;
  decltype(&::SetCommState) set_comm_state;
  decltype(&::SetCommTimeouts) set_comm_timeouts;
  decltype(&::CloseHandle) close_handle;
  decltype(&::MessageBoxA) message_box;
  // The exchange.
  decltype(&::PurgeComm) purge_comm;
  decltype(&::WriteFile) write_file;
  decltype(&::FlushFileBuffers) flush_file_buffers;
  decltype(&::GetCommTimeouts) get_comm_timeouts;
  decltype(&::ReadFile) read_file;
  decltype(&::ClearCommError) clear_comm_error;
  decltype(&::CancelIoEx) cancel_io;
};

// The real calls.
[[nodiscard]] const SerialCalls& SystemSerialCalls();

// OpenSerialPort with the given calls, which the port also uses for everything it does
// afterwards; `calls` must outlive the port. With `quiet`, refused time-outs show no
// message (ReopenSerialPort).
[[nodiscard]] std::unique_ptr<SerialPort> OpenSerialPortWith(const SerialCalls& calls,
                                                             const std::string& name,
                                                             bool quiet = false);

// Whether a failed call's error means the device has gone (removed, unplugged, or a
// line Wine reports as not ready). ERROR_OPERATION_ABORTED is not among them: a removed
// device gives it, but so does a cancelled read or a line error, so the port asks the
// device (ClearCommError) before giving up on it.
[[nodiscard]] bool IsDeviceGoneError(DWORD error);

}  // namespace tq
