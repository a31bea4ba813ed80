// The tarnquill-sim command line.
#include "sim/command_line.h"

#include <gtest/gtest.h>

#include <vector>

namespace tq::sim {
namespace {

std::optional<CommandLine> Parse(std::vector<std::string_view> args, std::string* error) {
  return ParseCommandLine(args, error);
}

TEST(SimCommandLine, OptionsReachTheirSettings) {
  std::string error;
  const auto line = Parse({"--speed",
                           "60",
                           "--pace",
                           "--seed",
                           "99",
                           "--fault",
                           "seq,req=3",
                           "--fault",
                           "random=0.1",
                           "--fault",
                           "noise=26,cmd=GetClock",
                           "--scenario",
                           "log500,schedule",
                           "--scenario",
                           "running",
                           "--old-firmware",
                           "--name",
                           "Lake 2",
                           "--serial",
                           "65535",
                           "--link",
                           "/some/where",
                           "--clock",
                           "1783418400",
                           "--clamp-motor-speed",
                           "80"},
                          &error);
  ASSERT_TRUE(line) << error;
  EXPECT_EQ(line->server.speed, 60);
  EXPECT_TRUE(line->server.pace);
  EXPECT_FALSE(line->server.pace_requests);  // --pace alone paces the answers only
  EXPECT_EQ(line->server.seed, 99u);
  EXPECT_EQ(line->instrument.seed, 99u);
  ASSERT_EQ(line->server.faults.size(), 2u);
  EXPECT_TRUE(line->server.faults[0].action.wrong_sequence);
  EXPECT_EQ(line->server.faults[1].action.noise_bytes, 26);
  EXPECT_EQ(line->server.random_fault_rate, 0.1);
  EXPECT_EQ(line->scenarios, (std::vector<std::string>{"log500", "schedule", "running"}));
  EXPECT_TRUE(line->instrument.old_firmware);
  EXPECT_EQ(line->instrument.name, "Lake 2");
  EXPECT_EQ(line->instrument.serial_number, 65535);
  EXPECT_EQ(line->link_path, "/some/where");
  EXPECT_TRUE(line->clock_given);
  EXPECT_EQ(line->instrument.clock, 1783418400);
  EXPECT_EQ(line->instrument.motor_speed_limit, 80);
  EXPECT_FALSE(line->help);
}

TEST(SimCommandLine, PaceLinePacesRequestsAndAnswers) {
  std::string error;
  const auto line = Parse({"--pace-line"}, &error);
  ASSERT_TRUE(line) << error;
  EXPECT_TRUE(line->server.pace);
  EXPECT_TRUE(line->server.pace_requests);
  EXPECT_NE(UsageText().find("--pace-line"), std::string::npos);
}

TEST(SimCommandLine, MistakesAreReportedNotGuessed) {
  const std::vector<std::vector<std::string_view>> bad = {
      {"--speed"},
      {"--speed", "0"},
      {"--speed", "fast"},
      {"--speed", "nan"},
      {"--serial", "65536"},
      {"--serial", "-1"},
      {"--fault", "bogus"},
      {"--name", "twenty-one characters"},
      {"--clock", "4294967296"},
      {"--clamp-motor-speed", "101"},
      {"--link", ""},
      {"--frobnicate"},
  };
  for (const auto& args : bad) {
    std::string error;
    EXPECT_FALSE(Parse(args, &error)) << args[0];
    EXPECT_FALSE(error.empty()) << args[0];
  }
}

TEST(SimCommandLine, HelpNamesEveryScenarioAndTheFaultSyntax) {
  std::string error;
  const auto line = Parse({"--help"}, &error);
  ASSERT_TRUE(line);
  EXPECT_TRUE(line->help);
  const std::string usage = UsageText();
  for (const char* word : {"fresh", "log500", "unpowered", "schedule", "running", "noise=N",
                           "split=N:MS", "drop=MS", "random=RATE", "--link"}) {
    EXPECT_NE(usage.find(word), std::string::npos) << word;
  }
}

}  // namespace
}  // namespace tq::sim
