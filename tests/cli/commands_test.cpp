// The commands end to end, against the simulator inside the tool (--sim) and against
// tarnquill-sim in its own process on a serial line (--port): what each prints, its exit
// status, and what it leaves on the instrument.
#include <gtest/gtest.h>

#include "tests/cli/cli_rig.h"

namespace tq::cli::test {
namespace {

class Commands : public ::testing::TestWithParam<Via> {
 protected:
  // The unit `key` (see sim_process.h), or the test is skipped when it cannot be had here.
  Unit unit(const std::string& key, const std::vector<std::string>& sim_args = {}) {
    return open_unit(GetParam(), key, sim_args);
  }
  // Each --sim is a new instrument, its clock set to the computer's: what a test carries
  // from one command to the next, or an offset, needs an instrument of its own.
  [[nodiscard]] bool lasting() const { return GetParam() == Via::kProcess; }
  FakePlatform platform;
};

#define REQUIRE_UNIT(u) \
  if (!(u).ready()) GTEST_SKIP() << (u).why

TEST_P(Commands, InfoShowsWhoTheInstrumentIsAndItsClock) {
  const Unit fresh = unit("FRESH");
  REQUIRE_UNIT(fresh);
  const CliRun info = run(fresh.with({"info"}), platform);
  EXPECT_EQ(info.status, 0) << info.err;
  EXPECT_EQ(info.out,
            "Device: A0042 Simulator\n"
            "Name: Simulated Sampler\n"
            "Serial number: 1001\n"
            "Firmware: 3.2.0-sim\n"
            "Clock: 08/12/2026 10:30:00\n"
            "Clock offset: 0 s\n");
  EXPECT_EQ(info.err, "");

  const CliRun json = run(fresh.with({"--json", "info"}), platform);
  EXPECT_EQ(json.status, 0) << json.err;
  EXPECT_EQ(json.out,
            "{\n"
            "  \"device_type\": 42,\n"
            "  \"device\": \"A0042 Simulator\",\n"
            "  \"name\": \"Simulated Sampler\",\n"
            "  \"serial_number\": 1001,\n"
            "  \"firmware\": \"3.2.0-sim\",\n"
            "  \"clock\": \"2026-12-08T10:30:00\",\n"
            "  \"clock_offset_s\": 0\n"
            "}\n");

  if (!lasting()) return;
  // The computer's clock 25 s ahead of the instrument's.
  platform.now.second = 25;
  EXPECT_EQ(run(fresh.with({"clock"}), platform).out,
            "Clock: 08/12/2026 10:30:00\n"
            "Clock offset: -25 s (behind this computer)\n");
}

TEST_P(Commands, ClockSetPrintsTheOffsetBeforeAndAfter) {
  if (!lasting()) GTEST_SKIP() << "needs an instrument that outlives a command";
  const Unit edit = unit("EDIT");
  REQUIRE_UNIT(edit);
  const CliRun set = run(edit.with({"clock", "set", "2026-12-08 10:29:50"}), platform);
  EXPECT_EQ(set.status, 0) << set.err;
  EXPECT_EQ(set.out,
            "Clock before: 08/12/2026 10:30:00, offset 0 s\n"
            "Clock set to: 08/12/2026 10:29:50\n"
            "Clock after: 08/12/2026 10:29:50, offset -10 s (behind this computer)\n");

  platform.now.minute = 31;  // the computer's time has moved on meanwhile
  const CliRun pc = run(edit.with({"clock", "set", "--pc"}), platform);
  EXPECT_EQ(pc.status, 0) << pc.err;
  EXPECT_EQ(pc.out,
            "Clock before: 08/12/2026 10:29:50, offset -70 s (behind this computer)\n"
            "Clock set to: 08/12/2026 10:31:00\n"
            "Clock after: 08/12/2026 10:31:00, offset 0 s\n");

  const CliRun bad = run(edit.with({"--stats", "clock", "set", "2026-02-30 10:00:00"}), platform);
  EXPECT_EQ(bad.status, 2);
  EXPECT_NE(bad.err.find("'2026-02-30 10:00:00' is not a time; write it as YYYY-MM-DD HH:MM:SS"),
            std::string::npos)
      << bad.err;
  EXPECT_EQ(transactions_in(bad.err), 0) << bad.err;

  platform.now.minute = 30;  // as found, for the next test on this unit
  EXPECT_EQ(run(edit.with({"clock", "set", "--pc"}), platform).status, 0);
}

TEST_P(Commands, RunStartAndStopAsTheRunViewDoes) {
  const Unit edit = unit("EDIT");
  REQUIRE_UNIT(edit);
  const CliRun start = run(edit.with({"run", "start", "--mode", "sample", "--cartridges", "2",
                                      "--volume", "2.5", "--timeout", "10"}),
                           platform);
  EXPECT_EQ(start.status, 0) << start.err;
  EXPECT_EQ(start.out, "Run started: 2 cartridges, 2.5 litres, 10 min\n");
  const CliRun stop = run(edit.with({"run", "stop"}), platform);
  EXPECT_EQ(stop.status, 0) << stop.err;
  EXPECT_EQ(stop.out, "Run stopped\n");
}

TEST_P(Commands, ARefusalPrintsTheResultCodeAndExitsWithOne) {
  const Unit unpowered = unit("UNPOWERED", {"--scenario", "unpowered"});
  REQUIRE_UNIT(unpowered);
  const CliRun start = run(unpowered.with({"run", "start", "--mode", "prime"}), platform);
  EXPECT_EQ(start.status, 1);
  EXPECT_EQ(start.out, "");
  EXPECT_EQ(start.err,
            "tarnquill-cli: StartRun failed: ResultCode 4: the instrument refused; check that it "
            "is powered and idle, and try again\n");
}

// What `check` says of each of the simulator's scenarios, and its exit status.
TEST_P(Commands, CheckGivesOneLinePerCheckAndFailsOnlyOnAFail) {
  struct Case {
    std::string key;
    std::vector<std::string> sim_args;
    int status;
    std::string out;
  };
  const std::string errors =
      "WARN errors    1 since the last restart, the last: Humidity sensor not answering, "
      "retry\n";
  const std::string stacks = "OK   stacks    every task below 90% of its stack\n";
  const Case cases[] = {
      {"FRESH",
       {},
       0,
       "OK   answers   the instrument answers\n"
       "OK   state     powered and idle\n"
       "OK   supply    12.40 V\n"
       "OK   clock     0 s\n"
       "WARN schedule  no waypoint in use\n"
       "OK   sample log empty\n" +
           errors + stacks},
      {"LOG500",
       {"--scenario", "log500"},
       0,
       "OK   answers   the instrument answers\n"
       "OK   state     powered and idle\n"
       "OK   supply    12.40 V\n"
       "OK   clock     0 s\n"
       "WARN schedule  no waypoint in use\n"
       "WARN sample log holds entries; save it ('log clear --after-save FILE') before "
       "deployment\n" +
           errors + stacks},
      {"UNPOWERED",
       {"--scenario", "unpowered"},
       1,
       "OK   answers   the instrument answers\n"
       "FAIL power     the sampler supply is off; connect the battery\n"
       "FAIL supply    0.17 V, outside 11.00 to 15.00 V\n"
       "OK   clock     0 s\n"
       "WARN schedule  no waypoint in use\n"
       "OK   sample log empty\n"
       "WARN errors    2 since the last restart, the last: Sampler supply missing (0.17 V)\n" +
           stacks},
      {"SCHEDULE",
       {"--scenario", "schedule"},
       0,
       "OK   answers   the instrument answers\n"
       "WARN state     the schedule is in control already\n"
       "OK   supply    12.40 V\n"
       "OK   clock     0 s\n"
       "OK   schedule  3 waypoints, starting when the scheduler is started\n"
       "OK   sample log empty\n" +
           errors + stacks},
      {"PLANNED",
       {"--scenario", "planned"},
       0,
       "OK   answers   the instrument answers\n"
       "OK   state     powered and idle\n"
       "OK   supply    12.40 V\n"
       "OK   clock     0 s\n"
       "OK   schedule  4 waypoints, starting at or after 09/12/2026 06:00:00\n"
       "OK   sample log empty\n" +
           errors + stacks},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    const Unit u = unit(c.key, c.sim_args);
    if (!u.ready()) continue;  // not served here
    const CliRun check = run(u.with({"check"}), platform);
    EXPECT_EQ(check.status, c.status) << check.err;
    EXPECT_EQ(check.out, c.out);
  }

  // The limits are the operator's: a tighter clock and a higher supply.
  const Unit fresh = unit("FRESH");
  REQUIRE_UNIT(fresh);
  platform.now.second = 3;
  const CliRun strict =
      run(fresh.with({"check", "--clock-limit", "2", "--supply-min", "12.5"}), platform);
  EXPECT_EQ(strict.status, 1);
  EXPECT_NE(strict.out.find("FAIL supply    12.40 V, outside 12.50 to 15.00 V\n"),
            std::string::npos)
      << strict.out;
  if (!lasting()) return;
  // Schedules run on the instrument's clock: one that is off fails.
  EXPECT_NE(strict.out.find("FAIL clock     -3 s (behind this computer); set it with 'clock set "
                            "--pc'\n"),
            std::string::npos)
      << strict.out;
}

TEST(CommandsWithoutAnInstrument, APortThatDoesNotOpenExitsWithOne) {
  const FakePlatform platform;
  const CliRun info = run({"--port", "/nonexistent/tty-of-nothing", "info"}, platform);
  EXPECT_EQ(info.status, 1);
  EXPECT_EQ(info.err,
            "tarnquill-cli: cannot open /nonexistent/tty-of-nothing: check the name "
            "('tarnquill-cli ports') and that no other program has it open\n");
  const CliRun scenario = run({"--sim", "--scenario", "stormy", "info"}, platform);
  EXPECT_EQ(scenario.status, 2);
  EXPECT_NE(scenario.err.find("stormy"), std::string::npos) << scenario.err;
  EXPECT_NE(scenario.err.find("log500"), std::string::npos) << scenario.err;
}

TEST(CommandsWithoutAnInstrument, PortsListsThePlatformsPorts) {
  FakePlatform platform;
  platform.ports = {{"/dev/serial/by-id/usb-FTDI_A1", "/dev/ttyUSB0"}, {"/dev/ttyS0", ""}};
  const CliRun ports = run({"ports"}, platform);
  EXPECT_EQ(ports.status, 0);
  EXPECT_EQ(ports.out, "/dev/serial/by-id/usb-FTDI_A1 -> /dev/ttyUSB0\n/dev/ttyS0\n");
  platform.ports.clear();
  const CliRun none = run({"ports"}, platform);
  EXPECT_EQ(none.status, 0);
  EXPECT_EQ(none.err, "tarnquill-cli: no serial ports found; plug the adapter in and try again\n");
}

INSTANTIATE_TEST_SUITE_P(Via, Commands, ::testing::Values(Via::kInProcess, Via::kProcess),
                         [](const auto& param) { return PrintToString(param.param); });

}  // namespace
}  // namespace tq::cli::test
