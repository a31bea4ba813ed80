// Win32 implementation of SerialPort: a COM port opened for synchronous I/O at 38400 8N1.
#include "link/serial_port_win32.h"

#include <array>
#include <atomic>
#include <cstdio>
#include <utility>

namespace tq {
namespace {

constexpr std::size_t kDevicePathSize = 260;
constexpr DWORD kWriteTimeoutMs = 500;
constexpr DWORD kErrorNoSuchDevice = 433;  // ERROR_NO_SUCH_DEVICE, missing from some headers

class Win32SerialPort final : public SerialPort {
 public:
  Win32SerialPort(const SerialCalls& calls, HANDLE handle) : calls_(calls), handle_(handle) {}
  ~Win32SerialPort() override { calls_.close_handle(handle_); }

  void PurgeReceive() override {
    if (!calls_.purge_comm(handle_, PURGE_RXABORT | PURGE_RXCLEAR)) Failed();
  }

  void WriteAll(std::span<const std::uint8_t> bytes) override {
    // A short write shows up as a missing response; only a device that has gone matters.
    DWORD written = 0;
    if (!calls_.write_file(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                           nullptr)) {
      Failed();
    }
    if (!calls_.flush_file_buffers(handle_)) Failed();
  }

  bool ReadByte(std::uint8_t& out, std::uint32_t timeout_ms) override {
    if (cancelled_.load()) return false;
    if (!PutLimitInPlace(timeout_ms)) return false;
    DWORD received = 0;
    if (!calls_.read_file(handle_, &out, 1, &received, nullptr)) {
      Failed();
      return false;
    }
    return received == 1;
  }

  void EndReads() override {
    if (!limit_in_place_) return;
    limit_in_place_ = false;
    if (timeouts_.ReadTotalTimeoutConstant == own_constant_) return;
    timeouts_.ReadTotalTimeoutConstant = own_constant_;
    if (!calls_.set_comm_timeouts(handle_, &timeouts_)) Failed();
  }

  void CancelReads() override {
    cancelled_.store(true);
    calls_.cancel_io(handle_, nullptr);  // Windows ends the read; Wine lets it run out
  }

  bool Lost() const override { return lost_; }
  std::uint32_t LastSystemError() const override { return last_error_; }

 private:
  // Each read waits at most its own time limit, put in place as the read total time-out
  // constant with the other read time-outs at 0 (so that 0 means "until a byte
  // arrives"). Reading and setting the time-outs costs two round trips to the server
  // under Wine, far more than reading a byte that is already there, so the limit stays
  // in place from one read to the next and the port's own constant is put back once the
  // Transaction's reads are over (EndReads).
  //
  // A read whose limit could not be put in place might wait for good while holding the
  // Connection's lock (an interrupted call leaves the constant at 0), so it is not made.
  bool PutLimitInPlace(std::uint32_t timeout_ms) {
    if (limit_in_place_ && timeouts_.ReadTotalTimeoutConstant == timeout_ms) return true;
    if (!limit_in_place_) {
      if (!calls_.get_comm_timeouts(handle_, &timeouts_)) {
        Failed();
        return false;
      }
      own_constant_ = timeouts_.ReadTotalTimeoutConstant;
    }
    const DWORD before = timeouts_.ReadTotalTimeoutConstant;
    timeouts_.ReadTotalTimeoutConstant = timeout_ms;
    if (!calls_.set_comm_timeouts(handle_, &timeouts_)) {
      timeouts_.ReadTotalTimeoutConstant = before;
      Failed();
      return false;
    }
    limit_in_place_ = true;
    return true;
  }

  void Failed() {
    const DWORD error = GetLastError();
    last_error_ = error;
    if (IsDeviceGoneError(error)) {
      lost_ = true;
      return;
    }
    if (error != ERROR_OPERATION_ABORTED || cancelled_.load()) return;
    // A removed device, a cancelled read, or a line error while the port aborts on
    // errors: clearing the error state mends the last, and fails only for the first.
    DWORD errors = 0;
    COMSTAT status{};
    if (!calls_.clear_comm_error(handle_, &errors, &status)) {
      last_error_ = GetLastError();
      lost_ = true;
    }
  }

  const SerialCalls& calls_;
  HANDLE handle_;
  COMMTIMEOUTS timeouts_{};  // as last applied, while limit_in_place_
  DWORD own_constant_ = 0;   // the port's read total time-out constant between Transactions
  bool limit_in_place_ = false;
  std::atomic<bool> cancelled_{false};
  bool lost_ = false;
  std::uint32_t last_error_ = 0;
};

// Closes the handle through the given calls unless released.
class PendingHandle {
 public:
  PendingHandle(const SerialCalls& calls, HANDLE handle) : calls_(calls), handle_(handle) {}
  PendingHandle(const PendingHandle&) = delete;
  PendingHandle& operator=(const PendingHandle&) = delete;
  ~PendingHandle() {
    if (handle_ != nullptr) calls_.close_handle(handle_);
  }
  HANDLE get() const { return handle_; }
  HANDLE Release() { return std::exchange(handle_, nullptr); }

 private:
  const SerialCalls& calls_;
  HANDLE handle_;
};

}  // namespace

const SerialCalls& SystemSerialCalls() {
  static constexpr SerialCalls kCalls{
      &::CreateFileA, &::GetCommState,   &::SetCommState, &::SetCommTimeouts,  &::CloseHandle,
      &::MessageBoxA, &::PurgeComm,      &::WriteFile,    &::FlushFileBuffers, &::GetCommTimeouts,
      &::ReadFile,    &::ClearCommError, &::CancelIoEx};
  return kCalls;
}

bool IsDeviceGoneError(DWORD error) {
  switch (error) {
    case ERROR_ACCESS_DENIED:  // a USB adapter pulled out, on some drivers
    case ERROR_INVALID_HANDLE:
    case ERROR_NOT_READY:    // Wine: the terminal behind the port hung up
    case ERROR_BAD_COMMAND:  // the device no longer takes requests
    case ERROR_GEN_FAILURE:  // the device stopped working
    case kErrorNoSuchDevice:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEVICE_REMOVED:
      return true;
    default:
      return false;
  }
}

std::unique_ptr<SerialPort> OpenSerialPortWith(const SerialCalls& calls, const std::string& name,
                                               bool quiet) {
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
    if (!quiet) calls.message_box(nullptr, "Failed to open port(4)", "", MB_OK);
    return nullptr;
  }
  return std::make_unique<Win32SerialPort>(calls, handle.Release());
}

std::unique_ptr<SerialPort> OpenSerialPort(const std::string& name) {
  return OpenSerialPortWith(SystemSerialCalls(), name);
}

std::unique_ptr<SerialPort> ReopenSerialPort(const std::string& name) {
  return OpenSerialPortWith(SystemSerialCalls(), name, true);
}

}  // namespace tq
