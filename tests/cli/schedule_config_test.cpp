// schedule get/set and config save/diff/load end to end: the files they write, what they
// refuse before sending anything, and a configuration restored after a change.
#include <gtest/gtest.h>

#include "link/commands.h"
#include "tests/cli/cli_rig.h"

namespace tq::cli::test {
namespace {

class Files : public ::testing::TestWithParam<Via> {
 protected:
  Unit unit(const std::string& key, const std::vector<std::string>& sim_args = {}) {
    return open_unit(GetParam(), key, sim_args);
  }
  FakePlatform platform;
  TempFolder folder;
};

#define REQUIRE_UNIT(u) \
  if (!(u).ready()) GTEST_SKIP() << (u).why

#define REQUIRE_LASTING() \
  if (GetParam() != Via::kProcess) GTEST_SKIP() << "needs an instrument that outlives a command"

const std::string kPlannedSchedule = R"({
  "autostart": true,
  "start": "2026-12-09T06:00:00",
  "waypoints": [
    {
      "offset_minutes": 0,
      "samples": 2,
      "volume_litres": 2.5,
      "timeout_minutes": 30,
      "clean": false
    },
    {
      "offset_minutes": 360,
      "samples": 2,
      "volume_litres": 2.5,
      "timeout_minutes": 30,
      "clean": false
    },
    {
      "offset_minutes": 720,
      "samples": 1,
      "volume_litres": 5.0,
      "timeout_minutes": 60,
      "clean": false
    },
    {
      "offset_minutes": 1440,
      "samples": 1,
      "volume_litres": 1.0,
      "timeout_minutes": 20,
      "clean": true
    }
  ]
}
)";

TEST_P(Files, ScheduleGetWritesTheDocumentedFile) {
  const Unit fresh = unit("FRESH");
  REQUIRE_UNIT(fresh);
  EXPECT_EQ(run(fresh.with({"schedule", "get"}), platform).out,
            "{\n  \"autostart\": false,\n  \"start\": \"next\",\n  \"waypoints\": []\n}\n");

  const Unit planned = unit("PLANNED", {"--scenario", "planned"});
  REQUIRE_UNIT(planned);
  const CliRun out = run(planned.with({"schedule", "get"}), platform);
  EXPECT_EQ(out.status, 0) << out.err;
  EXPECT_EQ(out.out, kPlannedSchedule);

  const std::string file = folder.file("planned.json");
  const CliRun saved = run(planned.with({"schedule", "get", file}), platform);
  EXPECT_EQ(saved.status, 0) << saved.err;
  EXPECT_EQ(saved.out, "Schedule written to " + file + "\n");
  EXPECT_EQ(read_text(file), kPlannedSchedule);
}

TEST_P(Files, ScheduleSetSendsTheFileAndReadsItBack) {
  REQUIRE_LASTING();
  const Unit edit = unit("EDIT");
  REQUIRE_UNIT(edit);
  const std::string file = folder.file("planned.json");
  write_text(file, kPlannedSchedule);
  const CliRun set = run(edit.with({"schedule", "set", file}), platform);
  EXPECT_EQ(set.status, 0) << set.err;
  EXPECT_EQ(set.out, "Schedule sent and read back: 4 waypoints\n");
  EXPECT_EQ(run(edit.with({"schedule", "get"}), platform).out, kPlannedSchedule);

  write_text(file, R"({"autostart": false, "start": "next", "waypoints": []})");
  EXPECT_EQ(run(edit.with({"schedule", "set", file}), platform).out,
            "Schedule sent and read back: 0 waypoints\n");
}

// Each bad file is refused with status 2, a message naming the field, and nothing sent.
TEST_P(Files, ScheduleSetRefusesABadFileAndSendsNothing) {
  const Unit edit = unit("EDIT");
  REQUIRE_UNIT(edit);
  const std::string waypoint =
      R"({"offset_minutes": 0, "samples": 1, "volume_litres": 2, "timeout_minutes": 10})";
  std::string sixteen;
  for (int i = 0; i < 16; ++i) sixteen += (i == 0 ? "" : ",") + waypoint;
  const auto schedule = [](const std::string& waypoints) {
    return R"({"autostart": false, "start": "next", "waypoints": [)" + waypoints + "]}";
  };
  struct Case {
    std::string text;
    std::string message;
  };
  const Case cases[] = {
      {schedule(sixteen), "waypoints holds 16 waypoints; the instrument keeps at most 15"},
      {schedule(
           R"({"offset_minutes": 0, "samples": 1, "volume_litres": 30, "timeout_minutes": 10})"),
       "waypoints[0].volume_litres must be a number from 0 to 25.5 litres"},
      {schedule(
           waypoint + "," +
           R"({"offset_minutes": 70000, "samples": 1, "volume_litres": 2, "timeout_minutes": 10})"),
       "waypoints[1].offset_minutes must be a whole number from 0 to 65535"},
      {schedule(R"({"offset_minutes": 0, "sample": 1, "volume_litres": 2, "timeout_minutes": 10})"),
       "waypoints[0].samples is missing"},
      {R"({"autostart": false, "start": "tomorrow", "waypoints": []})", "start must be \"next\""},
      {R"({"autostart": "yes", "start": "next", "waypoints": []})",
       "autostart must be true or false"},
      {R"({"autostart": false, "start": "next", "waypoints": [], "colour": 1})",
       "colour is not a field of the file"},
      {R"({"autostart": false, "start": "next", "waypoints": [)", "is not valid JSON"},
  };
  const std::string file = folder.file("bad.json");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    write_text(file, c.text);
    const CliRun set = run(edit.with({"--stats", "schedule", "set", file}), platform);
    EXPECT_EQ(set.status, 2);
    EXPECT_EQ(set.out, "");
    EXPECT_NE(set.err.find(c.message), std::string::npos) << set.err;
    EXPECT_EQ(transactions_in(set.err), 0) << set.err;
  }
  const CliRun missing =
      run(edit.with({"--stats", "schedule", "set", folder.file("none.json")}), platform);
  EXPECT_EQ(missing.status, 2);
  EXPECT_NE(missing.err.find("cannot read " + folder.file("none.json")), std::string::npos);
  EXPECT_EQ(transactions_in(missing.err), 0) << missing.err;
}

// A motor speed changed as the motor dialog changes it, on the instrument's own line.
void change_motor_speed(const Unit& unit, std::uint8_t motor, std::uint8_t speed) {
  const ConnectionRef connection =
      CreateConnectionOnPort(OpenSerialPort(unit.process->port()), nullptr, 1000);
  ASSERT_TRUE(connection);
  MotorConfig config;
  ASSERT_EQ(GetMotorConfig(connection.get(), motor, &config), kResultOk);
  config.speed = speed;
  ASSERT_EQ(SetMotorConfig(connection.get(), motor, config), kResultOk);
}

TEST_P(Files, ConfigDiffShowsOneChangeAndLoadRestoresEveryRecord) {
  REQUIRE_LASTING();
  const Unit edit = unit("EDIT");
  REQUIRE_UNIT(edit);
  const std::string before = folder.file("before.json");
  const CliRun save = run(edit.with({"config", "save", before}), platform);
  ASSERT_EQ(save.status, 0) << save.err;
  EXPECT_EQ(save.out, "Configuration of Simulated Sampler saved to " + before + "\n");
  EXPECT_EQ(run(edit.with({"config", "diff", before}), platform).out, "No differences\n");

  change_motor_speed(edit, 4, 55);
  const CliRun diff = run(edit.with({"config", "diff", before}), platform);
  EXPECT_EQ(diff.status, 0) << diff.err;
  EXPECT_EQ(diff.out, "motors[3].speed_percent: file 80, instrument 55\n");
  EXPECT_EQ(run(edit.with({"--json", "config", "diff", before}), platform).out,
            "{\n  \"differences\": [\n    \"motors[3].speed_percent: file 80, instrument 55\"\n"
            "  ]\n}\n");

  const CliRun load = run(edit.with({"config", "load", before}), platform);
  EXPECT_EQ(load.status, 0) << load.err;
  EXPECT_EQ(load.out,
            "identity: written and verified\n"
            "motors: written and verified\n"
            "flow meter: written and verified\n"
            "pressure calibration: written and verified\n"
            "cleaning: written and verified\n"
            "schedule: written and verified\n"
            "task log filters: written and verified\n");
  // Every record read back as the file holds it.
  const std::string after = folder.file("after.json");
  ASSERT_EQ(run(edit.with({"config", "save", after}), platform).status, 0);
  EXPECT_EQ(read_text(after), read_text(before));
  EXPECT_EQ(run(edit.with({"config", "diff", before}), platform).out, "No differences\n");
}

TEST_P(Files, ConfigLoadRefusesABadFileAndWritesNothing) {
  const Unit edit = unit("EDIT");
  REQUIRE_UNIT(edit);
  const std::string good = folder.file("good.json");
  ASSERT_EQ(run(edit.with({"config", "save", good}), platform).status, 0);
  const std::string text = read_text(good);
  struct Case {
    std::string from, to, message;
  };
  const Case cases[] = {
      {"\"speed_percent\": 80", "\"speed_percent\": 180",
       "motors[3].speed_percent must be a whole number from 0 to 100"},
      {"\"autostop_sensor\": 1", "\"autostop_sensor\": 4",
       "motors[0].autostop_sensor must be 0, 1, 2, 3 or 5"},
      {"\"second_autostop_sensor\": 0", "\"second_autostop_sensor\": 3",
       "motors[0].second_autostop_sensor must be 0 or 6"},
      {"\"name\": \"Simulated Sampler\"", "\"name\": \"A name far too long for it\"",
       "identity.name must be a text of at most 20 characters"},
      {"\"name\": \"Simulated Sampler\"", "\"name\": \"Sampler \\u4e00\"",
       "identity.name must be a text of at most 20 characters of Western European script"},
      {"\"format\": \"tarnquill-config\"", "\"format\": \"something\"",
       "format must be \"tarnquill-config\""},
  };
  const std::string bad = folder.file("bad.json");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.to);
    std::string changed = text;
    const auto at = changed.find(c.from);
    ASSERT_NE(at, std::string::npos);
    changed.replace(at, c.from.size(), c.to);
    write_text(bad, changed);
    const CliRun load = run(edit.with({"--stats", "config", "load", bad}), platform);
    EXPECT_EQ(load.status, 2);
    EXPECT_NE(load.err.find(c.message), std::string::npos) << load.err;
    EXPECT_EQ(transactions_in(load.err), 0) << load.err;
  }
}

// Calibration points are single floats: all the digits of their double are the same value.
TEST_P(Files, ConfigDiffComparesFloatsAsTheInstrumentStoresThem) {
  const Unit fresh = unit("FRESH");
  REQUIRE_UNIT(fresh);
  const std::string file = folder.file("unit.json");
  ASSERT_EQ(run(fresh.with({"config", "save", file}), platform).status, 0);
  const std::string text = read_text(file);
  const std::string point = "\"volts\": 1.3,";
  ASSERT_NE(text.find(point), std::string::npos) << text;
  std::string digits = text;
  digits.replace(digits.find(point), point.size(), "\"volts\": 1.2999999523162842,");
  write_text(file, digits);
  EXPECT_EQ(run(fresh.with({"config", "diff", file}), platform).out, "No differences\n");
  std::string other = text;
  other.replace(other.find(point), point.size(), "\"volts\": 1.31,");
  write_text(file, other);
  EXPECT_EQ(run(fresh.with({"config", "diff", file}), platform).out,
            "pressure_calibration.points[1].volts: file 1.31, instrument 1.3\n");
}

// A name in the instrument's single bytes comes out as UTF-8 and goes back as those bytes.
TEST_P(Files, ANameOutsideAsciiSurvivesTheFile) {
  REQUIRE_LASTING();
  const Unit edit = unit("EDIT");
  REQUIRE_UNIT(edit);
  const std::string good = folder.file("good.json");
  ASSERT_EQ(run(edit.with({"config", "save", good}), platform).status, 0);
  std::string text = read_text(good);
  const std::string from = "\"name\": \"Simulated Sampler\"";
  text.replace(text.find(from), from.size(), "\"name\": \"Bo\xC3\xABl \xE2\x82\xAC\"");
  const std::string named = folder.file("named.json");
  write_text(named, text);
  const CliRun load = run(edit.with({"config", "load", named}), platform);
  EXPECT_EQ(load.status, 0) << load.err;
  const CliRun info = run(edit.with({"info"}), platform);
  EXPECT_NE(info.out.find("Name: Bo\xC3\xABl \xE2\x82\xAC\n"), std::string::npos) << info.out;
  EXPECT_NE(run(edit.with({"--json", "info"}), platform).out.find("Bo\xC3\xABl \xE2\x82\xAC"),
            std::string::npos);
  EXPECT_EQ(run(edit.with({"config", "load", good}), platform).status, 0);  // as found
}

INSTANTIATE_TEST_SUITE_P(Via, Files, ::testing::Values(Via::kInProcess, Via::kProcess),
                         [](const auto& param) { return PrintToString(param.param); });

}  // namespace
}  // namespace tq::cli::test
