// Win32 implementation of SerialPort: a COM port opened for synchronous I/O at 38400 8N1.
#include "link/serial_port_win32.h"

#include <array>
#include <cstdio>
#include <utility>

namespace tq {
namespace {

constexpr std::size_t kDevicePathSize = 260;
constexpr DWORD kWriteTimeoutMs = 500;

class Win32SerialPort final : public SerialPort {
 public:
  explicit Win32SerialPort(HANDLE handle) : handle_(handle) {}
  ~Win32SerialPort() override { CloseHandle(handle_); }

  void PurgeReceive() override { PurgeComm(handle_, PURGE_RXABORT | PURGE_RXCLEAR); }

  void WriteAll(std::span<const std::uint8_t> bytes) override {
    // A failed or short write shows up as a missing response; nothing to report here.
    DWORD written = 0;
    WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    FlushFileBuffers(handle_);
  }

  bool ReadByte(std::uint8_t& out, std::uint32_t timeout_ms) override {
    // The other read time-outs stay 0, so the constant alone bounds this read; a constant
    // of 0 then means "wait until a byte arrives" (on Windows and under Wine alike).
    // A read whose limit could not be put in place might wait for good while holding the
    // Connection's lock (an interrupted call leaves the constant at 0), so it is not made.
    COMMTIMEOUTS timeouts{};
    if (!GetCommTimeouts(handle_, &timeouts)) return false;
    const DWORD saved = timeouts.ReadTotalTimeoutConstant;
    timeouts.ReadTotalTimeoutConstant = timeout_ms;
    if (!SetCommTimeouts(handle_, &timeouts)) return false;
    DWORD received = 0;
    if (!ReadFile(handle_, &out, 1, &received, nullptr)) received = 0;
    timeouts.ReadTotalTimeoutConstant = saved;
    SetCommTimeouts(handle_, &timeouts);
    return received == 1;
  }

 private:
  HANDLE handle_;
};

// Closes the handle through the given calls unless released.
class PendingHandle {
 public:
  PendingHandle(const SerialOpenCalls& calls, HANDLE handle) : calls_(calls), handle_(handle) {}
  PendingHandle(const PendingHandle&) = delete;
  PendingHandle& operator=(const PendingHandle&) = delete;
  ~PendingHandle() {
    if (handle_ != nullptr) calls_.close_handle(handle_);
  }
  HANDLE get() const { return handle_; }
  HANDLE Release() { return std::exchange(handle_, nullptr); }

 private:
  const SerialOpenCalls& calls_;
  HANDLE handle_;
};

}  // namespace

const SerialOpenCalls& SystemSerialOpenCalls() {
  static constexpr SerialOpenCalls kCalls{&::CreateFileA,     &::GetCommState, &::SetCommState,
                                          &::SetCommTimeouts, &::CloseHandle,  &::MessageBoxA};
  return kCalls;
}

std::unique_ptr<SerialPort> OpenSerialPortWith(const SerialOpenCalls& calls,
                                               const std::string& name) {
  // A name that does not fit, or that holds a NUL, would open some other device.
  std::array<char, kDevicePathSize> path{};
  if (name.find('\0') != std::string::npos) return nullptr;
  const int length = std::snprintf(path.data(), path.size(), "\\\\.\\%s", name.c_str());
  if (length < 0 || static_cast<std::size_t>(length) >= path.size()) return nullptr;

  const HANDLE opened = calls.create_file(path.data(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                          OPEN_EXISTING, 0, nullptr);
  if (opened == INVALID_HANDLE_VALUE || opened == nullptr) return nullptr;
  PendingHandle handle(calls, opened);

  // DCBlength is set although GetCommState fills the record: some drivers check it.
  DCB dcb{};
  dcb.DCBlength = sizeof(dcb);
  if (!calls.get_comm_state(handle.get(), &dcb)) return nullptr;
  dcb.BaudRate = CBR_38400;
  dcb.ByteSize = 8;
  dcb.Parity = NOPARITY;
  dcb.StopBits = ONESTOPBIT;
  if (!calls.set_comm_state(handle.get(), &dcb)) return nullptr;

  COMMTIMEOUTS timeouts{};
  timeouts.ReadIntervalTimeout = 0;
  timeouts.ReadTotalTimeoutMultiplier = 0;
  timeouts.ReadTotalTimeoutConstant = 0;
  timeouts.WriteTotalTimeoutMultiplier = 0;
  timeouts.WriteTotalTimeoutConstant = kWriteTimeoutMs;
  if (!calls.set_comm_timeouts(handle.get(), &timeouts)) {
    calls.message_box(nullptr, "Failed to open port(4)", "", MB_OK);
    return nullptr;
  }
  return std::make_unique<Win32SerialPort>(handle.Release());
}

std::unique_ptr<SerialPort> OpenSerialPort(const std::string& name) {
  return OpenSerialPortWith(SystemSerialOpenCalls(), name);
}

}  // namespace tq
