// Faults put on the line by the simulator, as the program's engine meets them, and the
// engine's recovery on the next command.
#include "sim/faults.h"

#include <gtest/gtest.h>

#include <chrono>

#include "tests/sim/sim_rig.h"
#include "tests/support/scripted_device.h"

namespace tq::sim::test {
namespace {

FaultRule Once(std::uint8_t command, FaultAction action) {
  FaultRule rule;
  rule.action = action;
  rule.command = command;
  rule.times = 1;
  return rule;
}

// Runs GetClock with the fault, then again without it.
int ClockWithFault(SimRig& rig, const FaultAction& action) {
  rig.server().AddFault(Once(kCmdGetClock, action));
  DeviceTime time;
  const int faulted = GetClock(rig.c(), &time);
  EXPECT_EQ(GetClock(rig.c(), &time), 0) << "no recovery after the fault";
  return faulted;
}

TEST(SimFaults, EachFaultGivesTheOutcomeTheEngineDefines) {
  SimRig rig;
  FaultAction noise25;
  noise25.noise_bytes = 25;
  EXPECT_EQ(ClockWithFault(rig, noise25), 0);
  FaultAction noise26;
  noise26.noise_bytes = 26;
  EXPECT_EQ(ClockWithFault(rig, noise26), kResultLinkFailure);
  FaultAction star;
  star.noise_bytes = 20;
  star.noise_marker = true;
  EXPECT_EQ(ClockWithFault(rig, star), 0);
  FaultAction seq;
  seq.wrong_sequence = true;
  EXPECT_EQ(ClockWithFault(rig, seq), kResultLinkFailure);
  FaultAction crc;
  crc.corrupt_crc = true;
  EXPECT_EQ(ClockWithFault(rig, crc), kResultLinkFailure);
  FaultAction silence;
  silence.silence = true;
  EXPECT_EQ(ClockWithFault(rig, silence), kResultLinkFailure);
  FaultAction delay;
  delay.delay_ms = 100;  // shorter than the 300 ms the engine waits for a byte
  EXPECT_EQ(ClockWithFault(rig, delay), 0);
  FaultAction split;
  split.split_chunk = 7;
  split.split_gap_ms = 3;
  EXPECT_EQ(ClockWithFault(rig, split), 0);
}

TEST(SimFaults, AGivenResultBytePassesThroughAndLeavesTheOutputAlone) {
  SimRig rig;
  FaultAction five;
  five.result = 5;
  rig.server().AddFault(Once(kCmdGetSystemStatus, five));
  SystemStatus status;
  status.cartridge_id = 999;
  EXPECT_EQ(GetSystemStatus(rig.c(), &status), 5);
  EXPECT_EQ(status.cartridge_id, 999);

  // The request is not carried out: a refused StartRun starts nothing.
  rig.server().AddFault(Once(kCmdStartRun, five));
  RunRequest run;
  run.run_mode = kRunModeSample;
  run.cartridge_count = 1;
  EXPECT_EQ(StartRun(rig.c(), run), 5);
  EXPECT_EQ(rig.Status().sampler_state, 2);
}

TEST(SimFaults, RulesPickRequestsByNumberAndCount) {
  SimRig rig;
  FaultRule rule;
  rule.action.corrupt_crc = true;
  rule.request = rig.server().RequestCount() + 2;
  rig.server().AddFault(rule);
  SystemStatus status;
  EXPECT_EQ(GetSystemStatus(rig.c(), &status), 0);
  EXPECT_EQ(GetSystemStatus(rig.c(), &status), kResultLinkFailure);
  EXPECT_EQ(GetSystemStatus(rig.c(), &status), 0);

  FaultRule twice;
  twice.action.wrong_sequence = true;
  twice.command = kCmdGetSystemStatus;
  twice.times = 2;
  rig.server().AddFault(twice);
  DeviceTime time;
  EXPECT_EQ(GetClock(rig.c(), &time), 0);  // another command is not hit
  EXPECT_EQ(GetSystemStatus(rig.c(), &status), kResultLinkFailure);
  EXPECT_EQ(GetSystemStatus(rig.c(), &status), kResultLinkFailure);
  EXPECT_EQ(GetSystemStatus(rig.c(), &status), 0);
}

TEST(SimFaults, PacedResponsesTakeTheLineTime) {
  SimRig rig;
  rig.server().SetPacing(true);
  const auto start = std::chrono::steady_clock::now();
  SystemStatus status;
  for (int i = 0; i < 5; ++i) ASSERT_EQ(GetSystemStatus(rig.c(), &status), 0);
  // 128 bytes at 260 us each: at least 33 ms per answer.
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(5 * 33));
}

TEST(SimFaults, APacedLineAlsoTakesTheRequestsLineTime) {
  ServerOptions options = FrozenClock();
  options.pace = true;
  options.pace_requests = true;
  SimRig rig(InstrumentOptions{}, options);
  const auto start = std::chrono::steady_clock::now();
  SystemStatus status;
  for (int i = 0; i < 5; ++i) ASSERT_EQ(GetSystemStatus(rig.c(), &status), 0);
  // A request and its response back to back: at least 66 ms per Transaction.
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(5 * 66));
}

TEST(SimFaults, RandomFaultsNeverWedgeTheLink) {
  SimRig rig;
  rig.server().SetRandomFaults(0.3, 7);
  int failures = 0;
  for (int i = 0; i < 80; ++i) {
    SystemStatus status;
    const int result = GetSystemStatus(rig.c(), &status);
    ASSERT_TRUE(result == 0 || result == kResultLinkFailure) << result;
    if (result != 0) ++failures;
  }
  EXPECT_GT(failures, 0);
  EXPECT_LT(failures, 40);
  rig.server().ClearFaults();
  SystemStatus status;
  EXPECT_EQ(GetSystemStatus(rig.c(), &status), 0);
}

TEST(SimFaults, ADroppedLineFailsAtOnceAndComesBackAsANewCable) {
  SimRig rig;
  FaultAction drop;
  drop.drop_ms = 200;
  rig.server().AddFault(Once(kCmdGetClock, drop));
  DeviceTime time;
  EXPECT_EQ(GetClock(rig.c(), &time), kResultLinkFailure);
  EXPECT_EQ(GetClock(rig.c(), &time), kResultLinkFailure);  // the old port stays dead

  std::unique_ptr<SerialPort> port;
  ASSERT_TRUE(tq::test::WaitFor([&] { return (port = rig.sim.line->TakeHostEnd()) != nullptr; }));
  EXPECT_EQ(rig.server().Reconnections(), 1u);
  const ConnectionRef again = CreateConnectionOnPort(std::move(port), nullptr, 300);
  EXPECT_EQ(GetClock(again.get(), &time), 0);
}

TEST(SimFaults, NoiseAndBrokenRequestsNeverWedgeTheInstrument) {
  SimRig rig;
  SystemStatus status;
  // The host's port is the Connection's; write straight to it.
  const std::vector<std::uint8_t> stars(300, kStartMarker);
  rig.c()->line.port()->WriteAll(stars);
  Frame broken{};
  broken[kOffCommand] = kCmdGetClock;
  StampRequest(broken, 9);
  broken[kOffCrcLow] ^= 1;
  rig.c()->line.port()->WriteAll(broken);
  const std::uint64_t before = rig.server().RequestCount();
  EXPECT_EQ(GetSystemStatus(rig.c(), &status), 0);
  EXPECT_EQ(rig.server().RequestCount(), before + 1);  // the broken Frame was not answered

  // A request whose bytes trickle in with pauses is still taken whole.
  Frame request{};
  request[kOffCommand] = kCmdGetSystemStatus;
  StampRequest(request, rig.c()->sequence);
  for (std::size_t i = 0; i < kFrameSize; i += 16) {
    rig.c()->line.port()->WriteAll(std::span(request).subspan(i, 16));
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  EXPECT_TRUE(tq::test::WaitFor([&] { return rig.server().RequestCount() == before + 2; }));
}

TEST(SimFaults, UnknownCommandsGetANonZeroResult) {
  SimRig rig;
  Frame frame{};
  EXPECT_EQ(SendCommand(rig.c(), 0x99, {}, frame), kDeviceUnknownCommand);
  EXPECT_EQ(frame[kOffCommand], 0x99);
  // A request too short for its command is refused, not read past its end.
  const std::array<std::uint8_t, 3> short_time{0, 0xE8, 0x07};
  EXPECT_EQ(SendCommand(rig.c(), kCmdSetClock, short_time, frame), kDeviceBadArgument);
}

struct RuleCase {
  const char* text;
  bool ok;
};

TEST(SimFaults, FaultRulesParse) {
  std::string error;
  auto f = ParseFaultRule("noise=26,star,cmd=GetClock,times=2", &error);
  ASSERT_TRUE(f) << error;
  EXPECT_EQ(f->rule.action.noise_bytes, 26);
  EXPECT_TRUE(f->rule.action.noise_marker);
  EXPECT_EQ(f->rule.command, kCmdGetClock);
  EXPECT_EQ(f->rule.times, 2u);

  f = ParseFaultRule("split=16:20,delay=5,cmd=0xA2,req=7", &error);
  ASSERT_TRUE(f) << error;
  EXPECT_EQ(f->rule.action.split_chunk, 16);
  EXPECT_EQ(f->rule.action.split_gap_ms, 20u);
  EXPECT_EQ(f->rule.action.delay_ms, 5u);
  EXPECT_EQ(f->rule.command, 0xA2);
  EXPECT_EQ(f->rule.request, 7u);

  f = ParseFaultRule("random=0.25", &error);
  ASSERT_TRUE(f) << error;
  EXPECT_EQ(f->random_rate, 0.25);

  f = ParseFaultRule("result=9,cmd=169", &error);
  ASSERT_TRUE(f) << error;
  EXPECT_EQ(f->rule.action.result, 9);
  EXPECT_EQ(f->rule.command, kCmdGetSampleLogEntry);

  const RuleCase bad[] = {
      {"", false},           {"cmd=0x27", false},       {"noise", false},
      {"noise=x", false},    {"result=256", false},     {"drop=0", false},
      {"bogus", false},      {"seq=1", false},          {"cmd=NoSuchCommand,seq", false},
      {"random=1.5", false}, {"random=0.1,seq", false}, {"seq,,crc", false},
      {"req=0,seq", false},
  };
  for (const RuleCase& c : bad) {
    error.clear();
    EXPECT_FALSE(ParseFaultRule(c.text, &error)) << c.text;
    EXPECT_FALSE(error.empty()) << c.text;
  }
}

}  // namespace
}  // namespace tq::sim::test
