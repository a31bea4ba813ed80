// The simulator over real pseudo-terminals with the POSIX serial port, as tarnquill-sim
// serves the program.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <mutex>

#include "link/commands.h"
#include "link/serial_port_posix.h"
#include "sim/pty_line_posix.h"
#include "sim/server.h"
#include "tests/support/scripted_device.h"

namespace tq::sim {
namespace {

struct PtyPair {
  std::unique_ptr<SerialPort> master;
  std::unique_ptr<SerialPort> slave;
};

PtyPair OpenPtyPair() {
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  EXPECT_GE(master, 0);
  EXPECT_EQ(::grantpt(master), 0);
  EXPECT_EQ(::unlockpt(master), 0);
  char name[256] = {};
  EXPECT_EQ(::ptsname_r(master, name, sizeof name), 0);
  const int slave = ::open(name, O_RDWR | O_NOCTTY);
  EXPECT_GE(slave, 0);
  return {AdoptPosixSerialFd(master), AdoptPosixSerialFd(slave)};
}

ServerOptions Frozen() {
  ServerOptions options;
  options.speed = 0;
  return options;
}

TEST(SimPty, ServesCommandsAndFaultsOverAPseudoTerminal) {
  PtyPair pair = OpenPtyPair();
  ASSERT_TRUE(pair.master && pair.slave);
  SimServer server(FixedLine(std::move(pair.master)), CreateInstrument({}), Frozen());
  server.Start();
  const ConnectionRef c = CreateConnectionOnPort(std::move(pair.slave), nullptr, 300);

  IdentityRecord identity;
  ASSERT_EQ(GetIdentity(c.get(), &identity), 0);
  EXPECT_EQ(FieldText(identity.name), "Simulated Sampler");
  SystemStatus status;
  ASSERT_EQ(GetSystemStatus(c.get(), &status), 0);
  EXPECT_EQ(status.sampler_state, 2);

  FaultRule rule;
  rule.command = kCmdGetSystemStatus;
  rule.times = 1;
  rule.action.noise_bytes = 25;
  server.AddFault(rule);
  EXPECT_EQ(GetSystemStatus(c.get(), &status), 0);
  rule.action.noise_bytes = 26;
  server.AddFault(rule);
  EXPECT_EQ(GetSystemStatus(c.get(), &status), kResultLinkFailure);
  rule.action = {};
  rule.action.wrong_sequence = true;
  server.AddFault(rule);
  EXPECT_EQ(GetSystemStatus(c.get(), &status), kResultLinkFailure);
  rule.action = {};
  rule.action.silence = true;
  server.AddFault(rule);
  EXPECT_EQ(GetSystemStatus(c.get(), &status), kResultLinkFailure);
  EXPECT_EQ(GetSystemStatus(c.get(), &status), 0);

  server.SetPacing(true);
  EXPECT_EQ(GetSystemStatus(c.get(), &status), 0);
}

// The terminal tarnquill-sim serves: a link to it, a host that closes and reopens it, an
// unplugged line that comes back under a new name.
TEST(SimPty, TerminalSurvivesReopeningAndComesBackAfterAHangUp) {
  char directory[] = "/tmp/tarnquill-sim-test-XXXXXX";
  ASSERT_NE(::mkdtemp(directory), nullptr);
  const std::string link = std::string(directory) + "/com7";

  std::mutex names_mutex;
  std::vector<std::string> names;
  std::string error;
  auto line = PtyLine::Open(
      link,
      [&](const std::string& name) {
        std::lock_guard lock(names_mutex);
        names.push_back(name);
      },
      &error);
  ASSERT_TRUE(line) << error;
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(std::filesystem::read_symlink(link).string(), names[0]);
  PtyLine* pty = line.get();
  {
    SimServer server(std::move(line), CreateInstrument({}), Frozen());
    server.Start();

    for (int round = 0; round < 2; ++round) {  // the program disconnects and connects again
      const ConnectionRef c = CreateConnectionOnPort(OpenSerialPort(link), nullptr, 300);
      ASSERT_TRUE(c && c->line.IsOpen());
      DeviceTime time;
      EXPECT_EQ(GetClock(c.get(), &time), 0) << round;
    }

    const ConnectionRef before = CreateConnectionOnPort(OpenSerialPort(link), nullptr, 300);
    ASSERT_TRUE(before && before->line.IsOpen());
    server.DropLine(200);
    ASSERT_TRUE(tq::test::WaitFor([&] { return server.Reconnections() == 1; }));
    DeviceTime time;
    EXPECT_EQ(GetClock(before.get(), &time), kResultLinkFailure);  // that terminal is gone
    {
      std::lock_guard lock(names_mutex);
      ASSERT_EQ(names.size(), 2u);
      EXPECT_EQ(std::filesystem::read_symlink(link).string(), names[1]);
      EXPECT_EQ(pty->SlaveName(), names[1]);
    }
    const ConnectionRef after = CreateConnectionOnPort(OpenSerialPort(link), nullptr, 300);
    ASSERT_TRUE(after && after->line.IsOpen());
    EXPECT_EQ(GetClock(after.get(), &time), 0);
  }
  // With the server gone, so are the terminal and its link.
  EXPECT_FALSE(std::filesystem::is_symlink(link));
  std::filesystem::remove_all(directory);
}

TEST(SimPty, NeverReplacesAFileThatIsNotALink) {
  char directory[] = "/tmp/tarnquill-sim-test-XXXXXX";
  ASSERT_NE(::mkdtemp(directory), nullptr);
  const std::string path = std::string(directory) + "/precious";
  std::FILE* f = std::fopen(path.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fputs("keep me", f);
  std::fclose(f);
  std::string error;
  EXPECT_EQ(PtyLine::Open(path, nullptr, &error), nullptr);
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(std::filesystem::is_symlink(path));
  std::filesystem::remove_all(directory);
}

}  // namespace
}  // namespace tq::sim
