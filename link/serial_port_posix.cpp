// termios implementation of SerialPort.
#include "link/serial_port_posix.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

namespace tq {
namespace {

class PosixSerialPort final : public SerialPort {
 public:
  explicit PosixSerialPort(int fd) : fd_(fd) {}
  ~PosixSerialPort() override { ::close(fd_); }

  void PurgeReceive() override { ::tcflush(fd_, TCIFLUSH); }

  void WriteAll(std::span<const std::uint8_t> bytes) override {
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return;
      done += static_cast<std::size_t>(n);
    }
    ::tcdrain(fd_);
  }

  bool ReadByte(std::uint8_t& out, std::uint32_t timeout_ms) override {
    pollfd p{fd_, POLLIN, 0};
    const int wait = timeout_ms == 0 ? -1 : static_cast<int>(timeout_ms);
    int ready;
    do {
      ready = ::poll(&p, 1, wait);
    } while (ready < 0 && errno == EINTR);
    if (ready <= 0) return false;
    // A hung-up line (the other end closed) reports end-of-file or EIO at once.
    return ::read(fd_, &out, 1) == 1;
  }

 private:
  int fd_;
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

}  // namespace tq
