// The command line: what each command line means, and every refusal with its status.
#include <gtest/gtest.h>

#include "cli/invocation.h"

namespace tq::cli {
namespace {

ParsedCommandLine parse(std::vector<std::string> args) { return parse_command_line(args); }

TEST(CommandLine, CommandsAndTheirOptions) {
  struct Case {
    std::vector<std::string> args;
    Command command;
  };
  const Case cases[] = {
      {{"ports"}, Command::kPorts},
      {{"--sim", "info"}, Command::kInfo},
      {{"info", "--sim"}, Command::kInfo},  // global options may come last
      {{"--sim", "status", "--watch"}, Command::kStatus},
      {{"--sim", "log", "save", "f.log"}, Command::kLogSave},
      {{"--sim", "log", "clear", "--yes"}, Command::kLogClear},
      {{"--sim", "diag", "save", "f.log"}, Command::kDiagSave},
      {{"--sim", "diag", "clear", "--after-save", "f.log"}, Command::kDiagClear},
      {{"--sim", "clock"}, Command::kClockShow},
      {{"--sim", "clock", "set", "--pc"}, Command::kClockSet},
      {{"--sim", "clock", "set", "2026-12-08 10:00:00"}, Command::kClockSet},
      {{"--sim", "schedule", "get"}, Command::kScheduleGet},
      {{"--sim", "schedule", "set", "s.json"}, Command::kScheduleSet},
      {{"--sim", "config", "save", "c.json"}, Command::kConfigSave},
      {{"--sim", "config", "diff", "c.json"}, Command::kConfigDiff},
      {{"--sim", "config", "load", "c.json"}, Command::kConfigLoad},
      {{"--sim", "run", "start", "--mode", "sample"}, Command::kRunStart},
      {{"--sim", "run", "stop"}, Command::kRunStop},
      {{"--sim", "check"}, Command::kCheck},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    const ParsedCommandLine parsed = parse(c.args);
    ASSERT_TRUE(parsed.invocation.has_value()) << parsed.text;
    EXPECT_EQ(parsed.invocation->command, c.command);
  }
}

TEST(CommandLine, OptionValuesArriveAsGiven) {
  const auto parsed =
      parse({"--port", "COM3", "--json", "--trace", "--stats", "run", "start", "--mode", "Schedule",
             "--cartridges", "3", "--volume", "2.5", "--timeout", "30", "--clean"});
  ASSERT_TRUE(parsed.invocation.has_value()) << parsed.text;
  const Invocation& in = *parsed.invocation;
  EXPECT_EQ(in.link.port, "COM3");
  EXPECT_TRUE(in.json && in.trace && in.stats);
  EXPECT_EQ(in.run.mode, RunMode::kSchedule);
  EXPECT_EQ(in.run.cartridges, "3");
  EXPECT_EQ(in.run.volume, "2.5");
  EXPECT_EQ(in.run.timeout, "30");
  EXPECT_TRUE(in.run.clean);

  const auto scenarios =
      parse({"--sim", "--scenario", "log500", "--scenario", "unpowered", "info"});
  ASSERT_TRUE(scenarios.invocation.has_value());
  EXPECT_EQ(scenarios.invocation->link.scenarios,
            (std::vector<std::string>{"log500", "unpowered"}));
  const auto json = parse({"--sim", "log", "save", "x.json", "--format", "json"});
  ASSERT_TRUE(json.invocation.has_value());
  EXPECT_TRUE(json.invocation->json_format);
  EXPECT_EQ(json.invocation->file, "x.json");
  const auto load = parse({"--sim", "config", "load", "f.json", "--other-unit", "--with-identity"});
  ASSERT_TRUE(load.invocation.has_value()) << load.text;
  EXPECT_TRUE(load.invocation->other_unit && load.invocation->with_identity);
  const auto forced = parse({"--sim", "log", "save", "f.csv", "--force"});
  ASSERT_TRUE(forced.invocation.has_value()) << forced.text;
  EXPECT_TRUE(forced.invocation->force);
  const auto limits =
      parse({"--sim", "check", "--clock-limit", "2", "--supply-min", "10.5", "--strict"});
  ASSERT_TRUE(limits.invocation.has_value());
  EXPECT_EQ(limits.invocation->check.clock_offset_s, 2);
  EXPECT_EQ(limits.invocation->check.supply_min_v, 10.5);
  EXPECT_EQ(limits.invocation->check.supply_max_v, 15);
  EXPECT_TRUE(limits.invocation->check.strict);
}

TEST(CommandLine, RefusalsSayWhatToDoAndExitWithTwo) {
  const std::vector<std::vector<std::string>> refused = {
      {},                                   // no command
      {"info"},                             // no instrument
      {"--sim", "--port", "COM1", "info"},  // two instruments
      {"--sim", "frobnicate"},              // no such command
      {"--sim", "log"},                     // a group without its command
      {"--sim", "log", "save"},             // a missing file
      {"--sim", "log", "save", "f", "--format", "xml"},
      {"--sim", "clock", "set"},  // neither --pc nor a time
      {"--sim", "clock", "set", "--pc", "2026-01-01 00:00:00"},
      {"--sim", "run", "start"},  // no mode
      {"--sim", "run", "start", "--mode", "fast"},
      {"--sim", "check", "--clock-limit", "soon"},
      {"--sim", "info", "--verbose"},
      {"--scenario", "log500", "info"},            // a scenario without the simulator
      {"--port", "COM3", "--speed", "2", "info"},  // a speed without the simulator
      {"--sim", "--speed", "-1", "info"},
      {"--sim", "--speed", "fast", "info"},
      {"--sim", "schedule"},         // a group without its command
      {"--sim", "schedule", "set"},  // a missing file
      {"--sim", "config", "load"},
      {"--sim", "log", "clear", "--after-save"},  // the option without its file
      {"--sim", "run", "start", "--mode", "sample", "--clean", "yes"},
      {"--sim", "check", "--supply-min"},
      {"--sim", "status", "--watch", "now"},
  };
  for (const auto& args : refused) {
    SCOPED_TRACE(testing::PrintToString(args));
    const ParsedCommandLine parsed = parse(args);
    EXPECT_FALSE(parsed.invocation.has_value());
    EXPECT_EQ(parsed.exit_code, kExitUsage);
    EXPECT_NE(parsed.text.find("tarnquill-cli: "), std::string::npos) << parsed.text;
    EXPECT_NE(parsed.text.find("--help"), std::string::npos) << parsed.text;
  }
}

TEST(CommandLine, RefusalsNameWhatIsWrong) {
  const auto starts = [](std::vector<std::string> args, const std::string& start) {
    const std::string text = parse(std::move(args)).text;
    EXPECT_EQ(text.rfind(start, 0), 0u) << text;
  };
  EXPECT_EQ(parse({"--sim", "frobnicate"}).text,
            "tarnquill-cli: 'frobnicate' is not a command or option here\n"
            "Run 'tarnquill-cli --help' (or COMMAND --help) for the usage.\n");
  starts({"--sim", "run", "start", "--mode", "fast"},
         "tarnquill-cli: --mode: 'fast' is not one of load, sample, prime, schedule");
  starts({"--sim", "log", "save", "f", "--format", "xml"},
         "tarnquill-cli: --format: 'xml' is not one of csv, json\n");
  starts({"info"},
         "tarnquill-cli: no instrument named: give --port NAME (see 'tarnquill-cli ports') or "
         "--sim\n");
  starts({"--scenario", "log500", "info"},
         "tarnquill-cli: --scenario and --speed belong to the simulated instrument; add --sim\n");
  starts({"--sim", "--port", "COM1", "info"},
         "tarnquill-cli: --port and --sim name two instruments; give one\n");
  starts({"--sim", "config", "load", "f.json", "--with-identity"},
         "tarnquill-cli: --with-identity goes with --other-unit\n");
}

TEST(CommandLine, LogClearTakesTheSaveFormatAndTheSimulatorASpeed) {
  const auto clear = parse(
      {"--sim", "--speed", "0", "log", "clear", "--after-save", "a.json", "--format", "JSON"});
  ASSERT_TRUE(clear.invocation.has_value()) << clear.text;
  EXPECT_EQ(clear.invocation->command, Command::kLogClear);
  EXPECT_EQ(clear.invocation->file, "a.json");
  EXPECT_TRUE(clear.invocation->json_format);
  EXPECT_EQ(clear.invocation->link.speed, 0.0);
  const auto plain = parse({"--sim", "log", "save", "a.csv"});
  ASSERT_TRUE(plain.invocation.has_value());
  EXPECT_FALSE(plain.invocation->json_format);
  EXPECT_FALSE(plain.invocation->link.speed.has_value());
  const auto watch = parse({"--sim", "--json", "status", "--watch"});
  ASSERT_TRUE(watch.invocation.has_value());
  EXPECT_TRUE(watch.invocation->watch && watch.invocation->json);
}

TEST(CommandLine, HelpOnEveryCommandExitsWithZero) {
  for (const auto& args : std::vector<std::vector<std::string>>{{"--help"},
                                                                {"ports", "--help"},
                                                                {"info", "--help"},
                                                                {"status", "--help"},
                                                                {"log", "--help"},
                                                                {"log", "save", "--help"},
                                                                {"log", "clear", "--help"},
                                                                {"diag", "save", "--help"},
                                                                {"clock", "--help"},
                                                                {"clock", "set", "--help"},
                                                                {"schedule", "get", "--help"},
                                                                {"schedule", "set", "--help"},
                                                                {"config", "diff", "--help"},
                                                                {"run", "start", "--help"},
                                                                {"run", "stop", "--help"},
                                                                {"check", "--help"}}) {
    SCOPED_TRACE(testing::PrintToString(args));
    const ParsedCommandLine parsed = parse(args);
    EXPECT_FALSE(parsed.invocation.has_value());
    EXPECT_EQ(parsed.exit_code, kExitOk);
    EXPECT_NE(parsed.text.find("Usage:"), std::string::npos);
  }
  EXPECT_NE(parse({"run", "start", "--help"}).text.find("--cartridges"), std::string::npos);
}

}  // namespace
}  // namespace tq::cli
