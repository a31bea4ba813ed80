// The POSIX serial port over a real pseudo-terminal pair: the program's end opened by
// name on the terminal side, the instrument on the master side.
#include "link/serial_port_posix.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "link/transaction.h"
#include "tests/support/scripted_device.h"

namespace tq {
namespace {

using test::Bytes;
using test::MakeResponse;
using test::ToBytes;

// A fresh pseudo-terminal, in the terminal's default (cooked) settings.
class PtyPair {
 public:
  PtyPair() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    std::array<char, 128> name{};
    if (master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0 &&
        ptsname_r(master_, name.data(), name.size()) == 0) {
      name_ = name.data();
    }
  }
  ~PtyPair() { CloseMaster(); }
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  bool ok() const { return master_ >= 0 && !name_.empty(); }
  const std::string& name() const { return name_; }
  int master() const { return master_; }
  // Hands the master to a SerialPort (which then owns it).
  std::unique_ptr<SerialPort> AdoptMaster() {
    return AdoptPosixSerialFd(std::exchange(master_, -1));
  }
  void CloseMaster() {
    if (master_ >= 0) close(std::exchange(master_, -1));
  }

 private:
  int master_ = -1;
  std::string name_;
};

struct PtyRig {
  explicit PtyRig(test::ScriptedDevice::Script script, std::uint32_t timeout) {
    if (!pty.ok()) return;
    connection = CreateConnectionOnPort(OpenSerialPort(pty.name()), nullptr, timeout);
    device = std::make_unique<test::ScriptedDevice>(pty.AdoptMaster(), std::move(script));
  }
  PtyPair pty;
  ConnectionRef connection;
  std::unique_ptr<test::ScriptedDevice> device;
};

TEST(PosixPty, CommandsSucceedThroughTheTerminal) {
  Frame expected{};
  PtyRig rig(
      [&](const Frame& req) {
        expected = MakeResponse(req, req[kOffCommand] == 0x06 ? 5 : 0, {0x0A, 0x0D, 0x11});
        return ToBytes(expected);
      },
      1000);
  ASSERT_TRUE(rig.connection && rig.device);
  Frame f = test::MakeRequest(0x27);
  EXPECT_EQ(RunCommand(rig.connection.get(), f), kResultOk);
  EXPECT_EQ(f, expected);
  f = test::MakeRequest(0x06);
  EXPECT_EQ(RunCommand(rig.connection.get(), f), 5);
  EXPECT_EQ(rig.device->Requests().size(), 2u);
}

TEST(PosixPty, SilentInstrumentFailsAfterTheTimeoutAndFreesTheLock) {
  constexpr std::uint32_t kTimeout = 150;
  PtyRig rig([](const Frame&) { return Bytes{}; }, kTimeout);
  ASSERT_TRUE(rig.connection && rig.device);
  Frame f = test::MakeRequest(0x27);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(RunCommand(rig.connection.get(), f), kResultLinkFailure);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(kTimeout));
  EXPECT_TRUE(rig.connection->lock.try_lock());
  rig.connection->lock.unlock();
}

TEST(PosixPty, DroppedLineFailsReadsAtOnceInsteadOfWaitingOut) {
  // With the instrument's side gone, a read must fail at once: not block for its time
  // limit, and (with no limit) not forever.
  constexpr std::uint32_t kLongTimeout = 20000;
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  auto host = OpenSerialPort(pty.name());
  ASSERT_NE(host, nullptr);
  pty.CloseMaster();

  std::uint8_t b = 0;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(host->ReadByte(b, 0));
  EXPECT_FALSE(host->ReadByte(b, kLongTimeout));
  EXPECT_TRUE(host->Lost());
  auto connection = CreateConnectionOnPort(std::move(host), nullptr, kLongTimeout);
  Frame f = test::MakeRequest(0x27);
  EXPECT_EQ(RunCommand(connection.get(), f), kResultLinkFailure);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(kLongTimeout / 2));
}

TEST(PosixPty, ANewConnectionHasTheProgramsSettingsAndOpensItsPortAgainByName) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  int owner_window = 0;
  const ConnectionRef c = CreateConnection(&owner_window, pty.name());
  ASSERT_TRUE(c);
  test::ScriptedDevice device(pty.AdoptMaster(),
                              [](const Frame& req) { return ToBytes(MakeResponse(req, 0)); });
  EXPECT_EQ(c->timeout, 3000u);
  EXPECT_EQ(c->owner, &owner_window);
  EXPECT_EQ(c->busy_dialog, 0);
  EXPECT_EQ(c->sequence, 0);
  ASSERT_TRUE(c->health.reopen);
  EXPECT_NE(c->health.reopen(), nullptr);  // the same device, opened once more
  Frame f = test::MakeRequest(0x27);
  EXPECT_EQ(RunCommand(c.get(), f), kResultOk);
}

TEST(PosixPty, CancelledReadsEndAtOnce) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  auto host = OpenSerialPort(pty.name());
  ASSERT_NE(host, nullptr);
  std::atomic<bool> returned{false};
  std::thread reader([&] {
    std::uint8_t b = 0;
    EXPECT_FALSE(host->ReadByte(b, 20000));
    returned = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const auto start = std::chrono::steady_clock::now();
  host->CancelReads();
  reader.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(5000));
  // Every later read ends at once too; the line itself is not lost for that.
  std::uint8_t b = 0;
  EXPECT_FALSE(host->ReadByte(b, 20000));
  EXPECT_FALSE(host->Lost());
}

Bytes ReadMaster(int fd, std::size_t count, int wait_ms = 1000) {
  Bytes got;
  pollfd p{fd, POLLIN, 0};
  while (got.size() < count && poll(&p, 1, wait_ms) == 1) {
    std::uint8_t buffer[64];
    const ssize_t n = read(fd, buffer, std::min(sizeof(buffer), count - got.size()));
    if (n <= 0) break;
    got.insert(got.end(), buffer, buffer + n);
  }
  return got;
}

TEST(PosixPty, OpensRaw38400_8N1SoControlBytesPassUnchanged) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  auto host = OpenSerialPort(pty.name());
  ASSERT_NE(host, nullptr);

  const int observer = open(pty.name().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(observer, 0);
  termios tio{};
  ASSERT_EQ(tcgetattr(observer, &tio), 0);
  close(observer);
  EXPECT_EQ(cfgetispeed(&tio), static_cast<speed_t>(B38400));
  EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B38400));
  EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB), 0u);

  // XON, XOFF, CR, LF, NUL, 0xFF, interrupt, end-of-file and erase.
  const Bytes control = {0x11, 0x13, 0x0D, 0x0A, 0x00, 0xFF, 0x03, 0x04, 0x7F, 0x0A};
  host->WriteAll(control);
  EXPECT_EQ(ReadMaster(pty.master(), control.size()), control);

  ASSERT_EQ(write(pty.master(), control.data(), control.size()),
            static_cast<ssize_t>(control.size()));
  Bytes got;
  std::uint8_t b = 0;
  while (got.size() < control.size() && host->ReadByte(b, 1000)) got.push_back(b);
  EXPECT_EQ(got, control);
  EXPECT_TRUE(ReadMaster(pty.master(), 1, 100).empty()) << "the terminal echoed what it received";
}

TEST(PosixPty, OpeningWhatIsNoSerialDeviceFails) {
  EXPECT_EQ(OpenSerialPort("/dev/null"), nullptr);
  EXPECT_EQ(OpenSerialPort("/nonexistent/tty"), nullptr);
}

}  // namespace
}  // namespace tq
