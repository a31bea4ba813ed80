// The tool as a technician meets it in the field: bad files and values refused before
// anything is sent, output files that must not be clobbered, Ctrl+C between Transactions,
// and a configuration that does not belong to the unit.
#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>

#include "tests/cli/cli_rig.h"

namespace tq::cli::test {
namespace {

class Field : public ::testing::TestWithParam<Via> {
 protected:
  Unit unit(const std::string& key, const std::vector<std::string>& sim_args = {}) {
    return open_unit(GetParam(), key, sim_args);
  }
  FakePlatform platform;
  TempFolder folder;
};

#define REQUIRE_UNIT(u) \
  if (!(u).ready()) GTEST_SKIP() << (u).why

// Whether a --trace shows a command that writes to the instrument.
bool wrote_anything(const std::string& trace) {
  for (const char* code : {"0x05 ", "0x23 ", "0x31 ", "0x71 ", "0x81 ", "0xAC ", "0xB1 "}) {
    if (trace.find(std::string(" cmd ") + code) != std::string::npos) return true;
  }
  return false;
}

// A schedule file of one waypoint, with `from` in it replaced by `to`.
std::string schedule_with(const std::string& from, const std::string& to) {
  std::string text = R"({"autostart": false, "start": "next", "waypoints": [{"offset_minutes": 0,
      "samples": 1, "volume_litres": 1, "timeout_minutes": 10}]})";
  const std::size_t at = text.find(from);
  return text.substr(0, at) + to + text.substr(at + from.size());
}

TEST_P(Field, BadFilesAndValuesAreRefusedBeforeAnyTransaction) {
  const Unit fresh = unit("FRESH");
  REQUIRE_UNIT(fresh);
  const std::string config = folder.file("unit.json");
  ASSERT_EQ(run(fresh.with({"config", "save", config}), platform).status, 0);
  auto control_name = nlohmann::ordered_json::parse(read_text(config));
  control_name["identity"]["name"] = "Sampler\x01One";
  const std::vector<std::string> set = {"schedule", "set", "FILE"};
  struct Case {
    std::string file_text;  // written to FILE when not empty
    std::vector<std::string> args;
    std::string says;
  };
  const Case cases[] = {
      {schedule_with("0,", "1e400,"), set, "holds a number too large for any field"},
      {schedule_with("0,", "-0,"), set, "offset_minutes must be a whole number from 0 to 65535"},
      {schedule_with("1,", "2.7,"), set, "waypoints[0].samples must be a whole number"},
      {schedule_with("1,", "1, \"samples\": 2,"), set, "holds the key \"samples\" twice"},
      {schedule_with("litres\": 1", "litres\": \"NaN\""), set,
       "waypoints[0].volume_litres must be"},
      {schedule_with("litres\": 1", "litres\": -0.0"), set, "waypoints[0].volume_litres must be"},
      {schedule_with("litres\": 1", "litres\": NaN"), set, "is not valid JSON at line 2, column "},
      {control_name.dump(), {"config", "load", "FILE"}, "identity.name must be a text"},
      {"", {"run", "start", "--mode", "sample", "--volume", "abc"}, "--volume 'abc' must be"},
      {"", {"run", "start", "--mode", "sample", "--volume", "25.6"}, "from 0 to 25.5"},
      {"", {"run", "start", "--mode", "load", "--cartridges", "1e1"}, "--cartridges '1e1'"},
      {"", {"clock", "set", "2038-01-19 03:14:08"}, "to 2038-01-19 03:14:07"},
      {"", {"check", "--clock-limit", "nan"}, "--clock-limit must be"},
      {"", {"check", "--supply-min", "14", "--supply-max", "12"}, "--supply-min is above"},
  };
  const std::string file = folder.file("input.json");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.says);
    if (!c.file_text.empty()) write_text(file, c.file_text);
    std::vector<std::string> args = {"--stats"};
    for (const std::string& arg : c.args) args.push_back(arg == "FILE" ? file : arg);
    const CliRun refused = run(fresh.with(args), platform);
    EXPECT_EQ(refused.status, 2) << refused.err;
    EXPECT_NE(refused.err.find(c.says), std::string::npos) << refused.err;
    EXPECT_LE(transactions_in(refused.err), 0) << refused.err;  // no session, or nothing sent
    EXPECT_EQ(refused.err.find("exception"), std::string::npos) << refused.err;
  }

  // With --json the refusal is one JSON document too.
  write_text(file, cases[0].file_text);
  const CliRun json = run(fresh.with({"--json", "schedule", "set", file}), platform);
  EXPECT_EQ(json.status, 2);
  const auto document = nlohmann::json::parse(json.out, nullptr, false);
  ASSERT_TRUE(document.is_object()) << json.out;
  EXPECT_EQ(document["exit"], 2);
  EXPECT_EQ(document["error"], file +
                                   " holds a number too large for any field; fix the file and "
                                   "try again");
}

// An output path that cannot or may not be written is refused before the instrument is
// asked anything; what is there stays as it was.
TEST_P(Field, OutputFilesAreCheckedBeforeAnyTransaction) {
  const Unit log500 = unit("LOG500", {"--scenario", "log500"});
  REQUIRE_UNIT(log500);
  const std::string existing = folder.file("kept.csv");
  write_text(existing, "kept\n");
  const std::string a_folder = folder.file("folder");
  std::filesystem::create_directories(a_folder);
  struct Case {
    std::vector<std::string> args;
    std::string says;
  };
  const Case cases[] = {
      {{"log", "save", existing}, existing + " exists; add --force to replace it"},
      {{"schedule", "get", existing}, existing + " exists; add --force"},
      {{"log", "clear", "--yes", "--after-save", existing}, existing + " exists; add --force"},
      {{"log", "save", a_folder}, a_folder + " is a folder"},
      {{"log", "save", folder.file("nul.csv")}, folder.file("nul.csv") + " is not a regular file"},
      {{"log", "save", folder.file("missing/log.csv")},
       "the folder " + folder.file("missing") + " does not exist"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.says);
    std::vector<std::string> args = {"--stats"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const CliRun refused = run(log500.with(args), platform);
    EXPECT_EQ(refused.status, 2) << refused.err;
    EXPECT_EQ(refused.err.rfind("tarnquill-cli: " + c.says, 0), 0u) << refused.err;
    EXPECT_EQ(transactions_in(refused.err), 0) << refused.err;
  }
  // A terminal is asked instead.
  const CliRun no = run(log500.with({"log", "save", existing}), platform, "n\n", true);
  EXPECT_EQ(no.err.rfind(existing + " exists. Replace it? [y/N] ", 0), 0u) << no.err;
  EXPECT_EQ(read_text(existing), "kept\n");
}

// Ctrl+C at a Transaction boundary: the command stops there, says so, exits with 130 and
// leaves no file and no half-written sequence of records.
TEST_P(Field, CtrlCStopsAtTheNextTransaction) {
  const Unit log500 = unit("LOG500", {"--scenario", "log500"});
  REQUIRE_UNIT(log500);
  const std::string config = folder.file("unit.json");
  ASSERT_EQ(run(log500.with({"config", "save", config}), platform).status, 0);
  const std::string out = folder.file("out.csv");
  struct Case {
    std::vector<std::string> args;
    int checks;  // Transactions before Ctrl+C
  };
  const Case cases[] = {
      {{"--trace", "log", "save", out}, 40},
      {{"--trace", "log", "clear", "--yes", "--after-save", out}, 300},
      {{"--trace", "config", "load", config}, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    FakePlatform pressed;
    pressed.stop_checks = c.checks;
    const CliRun stopped = run(log500.with(c.args), pressed);
    EXPECT_EQ(stopped.status, 130);
    EXPECT_NE(stopped.err.find("tarnquill-cli: interrupted"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_FALSE(std::filesystem::exists(out + ".part"));
    EXPECT_EQ(stopped.err.find(" cmd 0xAA "), std::string::npos);  // nothing cleared
    if (c.args[1] == "config") {  // the motors written whole, and nothing after them
      EXPECT_NE(stopped.err.find("verified: identity, motors; not written: flow meter, "),
                std::string::npos);
    }
  }
}

// A configuration is loaded only into a unit it fits: the same serial number (or
// --other-unit), a sampler idle and powered, as many tasks. Otherwise nothing is written.
TEST_P(Field, ConfigLoadChecksTheUnitBeforeItWrites) {
  const Unit fresh = unit("FRESH");
  REQUIRE_UNIT(fresh);
  const Unit running = unit("RUNNING", {"--scenario", "running"});
  REQUIRE_UNIT(running);
  const std::string saved = folder.file("unit.json");
  ASSERT_EQ(run(fresh.with({"config", "save", saved}), platform).status, 0);
  const auto original = nlohmann::ordered_json::parse(read_text(saved));
  auto other_serial = original;
  other_serial["identity"]["serial_number"] = 2002;
  auto fewer_tasks = original;
  fewer_tasks["task_log_filters"].erase(fewer_tasks["task_log_filters"].size() - 1);
  struct Case {
    const Unit& into;
    nlohmann::ordered_json file;
    int status;
    std::string says;
  };
  const Case cases[] = {
      {fresh, other_serial, 2, "was saved from unit 2002, this is unit 1001; add --other-unit"},
      {running, original, 1, "the sampler is not idle and powered (Pumping Sample ID=1)"},
      {fresh, fewer_tasks, 2, "has 8 tasks and the instrument 9"},
  };
  const std::string file = folder.file("load.json");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.says);
    write_text(file, c.file.dump());
    const CliRun refused = run(c.into.with({"--trace", "config", "load", file}), platform);
    EXPECT_EQ(refused.status, c.status) << refused.err;
    EXPECT_NE(refused.err.find(c.says), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("nothing was written"), std::string::npos) << refused.err;
    EXPECT_FALSE(wrote_anything(refused.err)) << refused.err;
  }

  // Another unit's file, on purpose: everything but its name and serial number.
  write_text(file, other_serial.dump());
  const CliRun other = run(fresh.with({"config", "load", file, "--other-unit"}), platform);
  EXPECT_EQ(other.status, 0) << other.err;
  EXPECT_EQ(other.out.rfind("identity: kept as it is\nmotors: written and verified\n", 0), 0u)
      << other.out;
}

// A schedule written by hand (waypoints out of order, "clean" left out, a space in the
// start time) is the same schedule when it would be sent the same.
TEST_P(Field, ConfigDiffComparesTheScheduleAsItWouldBeSent) {
  const Unit planned = unit("PLANNED", {"--scenario", "planned"});
  REQUIRE_UNIT(planned);
  const std::string file = folder.file("unit.json");
  ASSERT_EQ(run(planned.with({"config", "save", file}), platform).status, 0);
  auto document = nlohmann::ordered_json::parse(read_text(file));
  auto& schedule = document["schedule"];
  std::string start = schedule["start"].get<std::string>();
  start[10] = ' ';
  schedule["start"] = start;
  std::reverse(schedule["waypoints"].begin(), schedule["waypoints"].end());
  schedule["waypoints"][1].erase("clean");  // false
  write_text(file, document.dump());
  EXPECT_EQ(run(planned.with({"config", "diff", file}), platform).out, "No differences\n");
}

// A write whose answer is lost is settled by reading back, not sent a second time.
TEST_P(Field, AWriteWhoseAnswerIsLostIsReadBackNotSentAgain) {
  const Unit lossy = unit("LOSSY", {"--fault", "silence,cmd=SetSchedule,times=1"});
  if (GetParam() == Via::kInProcess || !lossy.ready()) GTEST_SKIP() << "needs a faulty line";
  write_text(folder.file("plan.json"), schedule_with("0,", "0,"));
  const CliRun set =
      run(lossy.with({"--trace", "schedule", "set", folder.file("plan.json")}), platform);
  EXPECT_EQ(set.status, 0) << set.err;
  EXPECT_EQ(set.err.find(" cmd 0xB1 "), set.err.rfind(" cmd 0xB1 "));  // sent once
}

INSTANTIATE_TEST_SUITE_P(Via, Field, ::testing::Values(Via::kInProcess, Via::kProcess),
                         [](const auto& param) { return PrintToString(param.param); });

}  // namespace
}  // namespace tq::cli::test
