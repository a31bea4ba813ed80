// termios implementation of SerialPort.
#include "link/serial_port_posix.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>

namespace tq {
namespace {

// Errors after which the device is gone: only opening it again can help.
bool IsGoneError(int code) {
  return code == EIO || code == ENXIO || code == ENODEV || code == EBADF || code == EPIPE;
}

class PosixSerialPort final : public SerialPort {
 public:
  explicit PosixSerialPort(int fd) : fd_(fd) {
    // A pipe whose read end becomes readable when reads are called off; without one,
    // reads simply end at their time limit.
    if (::pipe2(cancel_, O_CLOEXEC | O_NONBLOCK) != 0) cancel_[0] = cancel_[1] = -1;
  }
  ~PosixSerialPort() override {
    ::close(fd_);
    for (const int end : cancel_) {
      if (end >= 0) ::close(end);
    }
  }

  void PurgeReceive() override {
    if (::tcflush(fd_, TCIFLUSH) != 0) Failed(errno);
  }

  void WriteAll(std::span<const std::uint8_t> bytes) override {
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        if (n < 0) Failed(errno);
        return;
      }
      done += static_cast<std::size_t>(n);
    }
    if (::tcdrain(fd_) != 0) Failed(errno);
  }

  bool ReadByte(std::uint8_t& out, std::uint32_t timeout_ms) override {
    std::array<pollfd, 2> p{{{fd_, POLLIN, 0}, {cancel_[0], POLLIN, 0}}};
    const nfds_t count = cancel_[0] >= 0 ? 2 : 1;
    const int wait = timeout_ms == 0 ? -1 : static_cast<int>(timeout_ms);
    int ready;
    do {
      ready = ::poll(p.data(), count, wait);
    } while (ready < 0 && errno == EINTR);
    if (ready < 0) {
      Failed(errno);
      return false;
    }
    if (ready == 0 || p[1].revents != 0) return false;  // time-out, or called off
    if ((p[0].revents & POLLIN) == 0) {
      // POLLHUP, POLLERR or POLLNVAL without data: the other end has gone.
      lost_ = true;
      return false;
    }
    const ssize_t n = ::read(fd_, &out, 1);
    if (n == 1) return true;
    if (n == 0) {
      lost_ = true;  // end of file: hung up
    } else {
      Failed(errno);
    }
    return false;
  }

  void CancelReads() override {
    if (cancel_[1] < 0) return;
    const std::uint8_t one = 1;
    (void)!::write(cancel_[1], &one, 1);  // the pipe stays readable: every later read ends
  }

  bool Lost() const override { return lost_; }
  std::uint32_t LastSystemError() const override { return last_error_; }

 private:
  void Failed(int code) {
    last_error_ = static_cast<std::uint32_t>(code);
    if (IsGoneError(code)) lost_ = true;
  }

  int fd_;
  int cancel_[2] = {-1, -1};
  std::atomic<bool> lost_{false};
  std::uint32_t last_error_ = 0;
};

}  // namespace

std::unique_ptr<SerialPort> AdoptPosixSerialFd(int fd) {
  termios tio{};
  if (::tcgetattr(fd, &tio) != 0) {
    ::close(fd);
    return nullptr;
  }
  ::cfmakeraw(&tio);
  tio.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CSIZE);
  tio.c_cflag |= CS8 | CLOCAL | CREAD;
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
  if (::cfsetispeed(&tio, B38400) != 0 || ::cfsetospeed(&tio, B38400) != 0 ||
      ::tcsetattr(fd, TCSANOW, &tio) != 0) {
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<PosixSerialPort>(fd);
}

std::unique_ptr<SerialPort> OpenSerialPort(const std::string& name) {
  // Opened non-blocking so that a real line without carrier cannot hold up the open;
  // reads wait through poll() afterwards, so the descriptor goes back to blocking.
  const int fd = ::open(name.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return nullptr;
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return nullptr;
  }
  return AdoptPosixSerialFd(fd);
}

// There is nothing to show on a failed open here either.
std::unique_ptr<SerialPort> ReopenSerialPort(const std::string& name) {
  return OpenSerialPort(name);
}

}  // namespace tq
