// Pseudo-terminal line.
#include "sim/pty_line_posix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <system_error>

#include "link/serial_port_posix.h"

namespace tq::sim {
namespace {

// `code` is errno, taken before anything else can change it.
std::string SystemError(int code, const std::string& what) {
  return what + ": " + std::generic_category().message(code);
}

bool MakeRaw(int fd) {
  termios tio{};
  if (::tcgetattr(fd, &tio) != 0) return false;
  ::cfmakeraw(&tio);
  tio.c_cflag |= CS8 | CLOCAL | CREAD;
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
  return ::cfsetispeed(&tio, B38400) == 0 && ::cfsetospeed(&tio, B38400) == 0 &&
         ::tcsetattr(fd, TCSANOW, &tio) == 0;
}

}  // namespace

PtyLine::PtyLine(std::string link_path, NameSink on_name)
    : link_path_(std::move(link_path)), on_name_(std::move(on_name)) {}

std::unique_ptr<PtyLine> PtyLine::Open(std::string link_path, NameSink on_name,
                                       std::string* error) {
  std::unique_ptr<PtyLine> line(new PtyLine(std::move(link_path), std::move(on_name)));
  std::string why;
  if (!line->OpenTerminal(&why) || !line->PointLink(&why)) {
    if (error != nullptr) *error = why;
    return nullptr;
  }
  if (line->on_name_) line->on_name_(line->slave_name_);
  return line;
}

PtyLine::~PtyLine() {
  CloseTerminal();
  RemoveLink();
}

void PtyLine::RemoveLink() {
  if (link_path_.empty()) return;
  // Only a link that still leads to our terminal is ours to remove.
  std::array<char, 256> target{};
  const ssize_t n = ::readlink(link_path_.c_str(), target.data(), target.size() - 1);
  if (n > 0 && std::string(target.data(), static_cast<std::size_t>(n)) == slave_name_) {
    ::unlink(link_path_.c_str());
  }
}

bool PtyLine::OpenTerminal(std::string* error) {
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0) {
    const int code = errno;
    *error = SystemError(code, "posix_openpt");
    return false;
  }
  std::array<char, 256> name{};
  if (::grantpt(master) != 0 || ::unlockpt(master) != 0 ||
      ::ptsname_r(master, name.data(), name.size()) != 0) {
    const int code = errno;
    *error = SystemError(code, "preparing the pseudo-terminal");
    ::close(master);
    return false;
  }
  const int slave = ::open(name.data(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave < 0 || !MakeRaw(slave)) {
    const int code = errno;
    *error = SystemError(code, "opening the terminal's slave");
    if (slave >= 0) ::close(slave);
    ::close(master);
    return false;
  }
  // A host that stops reading must never block the serving loop's writes.
  const int flags = ::fcntl(master, F_GETFL);
  ::fcntl(master, F_SETFL, flags | O_NONBLOCK);
  port_ = AdoptPosixSerialFd(master);  // closes the descriptor itself on failure
  if (!port_) {
    *error = "the pseudo-terminal refused raw 38400 8N1 settings";
    ::close(slave);
    return false;
  }
  slave_hold_ = slave;
  slave_name_ = name.data();
  return true;
}

bool PtyLine::PointLink(std::string* error) {
  if (link_path_.empty()) return true;
  struct stat st {};
  if (::lstat(link_path_.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
    *error = link_path_ + " exists and is not a symbolic link; not replacing it";
    return false;
  }
  // Made beside it and renamed over it, so the link never goes missing in between.
  const std::string temporary = link_path_ + ".new";
  ::unlink(temporary.c_str());
  if (::symlink(slave_name_.c_str(), temporary.c_str()) != 0) {
    const int code = errno;
    *error = SystemError(code, "creating " + temporary);
    return false;
  }
  if (::rename(temporary.c_str(), link_path_.c_str()) != 0) {
    const int code = errno;
    *error = SystemError(code, "creating " + link_path_);
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
}

void PtyLine::CloseTerminal() {
  port_.reset();
  if (slave_hold_ >= 0) ::close(slave_hold_);
  slave_hold_ = -1;
}

void PtyLine::HangUp() {
  // The name goes with the device, as a serial adapter's does when it is pulled out: a
  // program opening it meanwhile finds nothing, rather than a terminal nobody serves.
  RemoveLink();
  CloseTerminal();
}

void PtyLine::Restore() {
  if (port_) return;
  std::string why;
  if (!OpenTerminal(&why)) return;  // stays unplugged; the serving loop tries again
  PointLink(&why);  // the link was ours before, so this only fails if someone took it
  if (on_name_) on_name_(slave_name_);
}

}  // namespace tq::sim
