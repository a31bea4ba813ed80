// status, log save/clear and diag save/clear end to end: the texts, the files as the
// program's Save Log writes them, the questions before a log is wiped, and a line lost in
// the middle of a download.
#include <gtest/gtest.h>

#include <cstdio>
#include <nlohmann/json.hpp>

#include "link/commands.h"
#include "sampling/sample_log.h"
#include "tests/cli/cli_rig.h"
#include "ui/csv_export.h"

namespace tq::cli::test {
namespace {

class Logs : public ::testing::TestWithParam<Via> {
 protected:
  Unit unit(const std::string& key, const std::vector<std::string>& sim_args = {}) {
    return open_unit(GetParam(), key, sim_args);
  }
  [[nodiscard]] bool lasting() const { return GetParam() == Via::kProcess; }
  FakePlatform platform;
  TempFolder folder;
};

#define REQUIRE_UNIT(u) \
  if (!(u).ready()) GTEST_SKIP() << (u).why

const std::string kIdleStatus =
    "Top Cartridge: 1\n"
    "Sampler Clock Time Now: 08/12/2026 10:30\n"
    "Control: Manual (GUI or vehicle)\n"
    "Current Schedule Waypoint: not running schedule\n"
    "Sampler State: Idle\n"
    "Run Status: OK\n"
    "Flow volume: 0.000 litre\n"
    "Max pressure: 0.000 bar\n"
    "Run State: IDLE\n"
    "Voltage: 12.40 V\n"
    "Temp: 26.50 \xC2\xB0"
    "C\n"
    "RH: 41.50%\n";

TEST_P(Logs, StatusShowsTheRunViewsLinesAndTheHealthReadOuts) {
  const Unit fresh = unit("FRESH");
  REQUIRE_UNIT(fresh);
  const CliRun status = run(fresh.with({"status"}), platform);
  EXPECT_EQ(status.status, 0) << status.err;
  EXPECT_EQ(status.out, kIdleStatus);

  const CliRun json = run(fresh.with({"--json", "status"}), platform);
  EXPECT_EQ(json.out,
            "{\n"
            "  \"banner\": \"Top Cartridge: 1\",\n"
            "  \"time\": \"Sampler Clock Time Now: 08/12/2026 10:30\",\n"
            "  \"control\": \"Control: Manual (GUI or vehicle)\",\n"
            "  \"waypoint\": \"Current Schedule Waypoint: not running schedule\",\n"
            "  \"state\": \"Sampler State: Idle\",\n"
            "  \"run_status\": \"Run Status: OK\",\n"
            "  \"flow\": \"Flow volume: 0.000 litre\",\n"
            "  \"pressure\": \"Max pressure: 0.000 bar\",\n"
            "  \"run_state\": \"IDLE\",\n"
            "  \"voltage\": \"12.40 V\",\n"
            "  \"temperature\": \"26.50 \xC2\xB0"
            "C\",\n"
            "  \"humidity\": \"41.50%\"\n"
            "}\n");

  const Unit unpowered = unit("UNPOWERED", {"--scenario", "unpowered"});
  REQUIRE_UNIT(unpowered);
  EXPECT_EQ(run(unpowered.with({"status"}), platform).out,
            "unpowered\n"
            "Sampler Clock Time Now: 08/12/2026 10:30\n"
            "Control:\n"
            "Current Schedule Waypoint:\n"
            "Sampler State:\n"
            "Run Status:\n"
            "Flow volume:\n"
            "Max pressure:\n"
            "Run State: UNPOWERED\n"
            "Voltage: 0.17 V\n"
            "Temp: 26.50 \xC2\xB0"
            "C\n"
            "RH: 41.50%\n");
}

TEST_P(Logs, StatusWatchReadsEverySecondUntilInterrupted) {
  const Unit fresh = unit("FRESH");
  REQUIRE_UNIT(fresh);
  platform.waits = 2;  // two waits, then Ctrl+C
  const CliRun watch = run(fresh.with({"status", "--watch"}), platform);
  EXPECT_EQ(watch.status, 130) << watch.err;
  EXPECT_EQ(watch.err, "tarnquill-cli: interrupted\n");
  EXPECT_EQ(watch.out, kIdleStatus + "\n" + kIdleStatus + "\n" + kIdleStatus);

  FakePlatform again;
  again.waits = 1;
  const CliRun json = run(fresh.with({"--json", "status", "--watch"}), again);
  // One document a line.
  const std::string line =
      R"j({"banner":"Top Cartridge: 1","time":"Sampler Clock Time Now: 08/12/2026 10:30",)j"
      R"j("control":"Control: Manual (GUI or vehicle)","waypoint":"Current Schedule )j"
      R"j(Waypoint: not running schedule","state":"Sampler State: Idle",)j"
      R"j("run_status":"Run Status: OK","flow":"Flow volume: 0.000 litre",)j"
      R"j("pressure":"Max pressure: 0.000 bar","run_state":"IDLE","voltage":"12.40 V",)j"
      "\"temperature\":\"26.50 \xC2\xB0"
      R"j(C","humidity":"41.50%"})j"
      "\n";
  EXPECT_EQ(json.out, line + line);
}

// A reading that fails is reported and the watch goes on; the status is the last one's.
TEST_P(Logs, StatusWatchGoesOnAfterAFailedReading) {
  if (!lasting()) GTEST_SKIP() << "the simulator in the tool takes no faults";
  const Unit faulty = unit("STATUSFAULT", {"--fault", "result=3,cmd=GetSystemStatus,times=1"});
  REQUIRE_UNIT(faulty);
  platform.waits = 1;
  const CliRun watch = run(faulty.with({"status", "--watch"}), platform);
  EXPECT_EQ(watch.status, 130);
  EXPECT_EQ(watch.out, kIdleStatus);
  EXPECT_EQ(watch.err.rfind("tarnquill-cli: GetSystemStatus failed: ResultCode 3: ", 0), 0u)
      << watch.err;
  const CliRun once = run(faulty.with({"status"}), FakePlatform());
  EXPECT_EQ(once.status, 0);  // the fault struck once only
}

// The first rows of the simulator's 500-entry log, as the Run view's Save Log writes them.
const std::string kLog500Head =
    "Start Time,Cartridge ID,Duration (sec),Treatment,Stop Reason,Volume Pumped (litre),Max "
    "Pressure (bar)\r\n"
    "01/05/2026 00:07:50,1,133,stabilized full sample,complete,2.012,0.645\r\n"
    "01/05/2026 03:02:43,2,27,primed,complete,0.200,0.337\r\n";

// The sample log as the program saves it: its rows through the program's CSV writer.
std::string program_save_log(const std::string& port) {
  const ConnectionRef connection = CreateConnectionOnPort(OpenSerialPort(port), nullptr, 1000);
  std::vector<std::vector<std::string>> rows;
  for (std::uint16_t index = 0;; ++index) {
    SampleLogEntry entry;
    if (GetSampleLogEntry(connection.get(), index, &entry) != kResultOk) break;
    rows.push_back(sample_log_cells(entry));
  }
  class Table final : public CellTable {
   public:
    explicit Table(const std::vector<std::vector<std::string>>& rows) : rows_(rows) {}
    std::string column_title(int column) const override {
      return kSampleLogColumns[static_cast<std::size_t>(column)].title;
    }
    int row_count() const override { return static_cast<int>(rows_.size()); }
    std::string cell(int row, int column) const override {
      return rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
    }

   private:
    const std::vector<std::vector<std::string>>& rows_;
  } table(rows);
  std::FILE* file = std::tmpfile();
  EXPECT_EQ(write_csv(table, kSampleLogColumnCount, file), static_cast<int>(rows.size()));
  std::string text(static_cast<std::size_t>(std::ftell(file)), '\0');
  std::rewind(file);
  EXPECT_EQ(std::fread(text.data(), 1, text.size(), file), text.size());
  std::fclose(file);
  return text;
}

TEST_P(Logs, LogSaveWritesWhatTheProgramsSaveLogWrites) {
  const Unit log500 = unit("LOG500", {"--scenario", "log500"});
  REQUIRE_UNIT(log500);
  const std::string file = folder.file("log.csv");
  const CliRun save = run(log500.with({"log", "save", file}), platform);
  EXPECT_EQ(save.status, 0) << save.err;
  EXPECT_EQ(save.out, "500 entries of the sample log saved to " + file + "\n");
  EXPECT_EQ(save.err, "");  // no progress line off a terminal
  const std::string text = read_text(file);
  EXPECT_EQ(text.substr(0, kLog500Head.size()), kLog500Head);
  std::size_t lines = 0;
  for (std::size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos; at += 2) ++lines;
  EXPECT_EQ(lines, 501u);
  EXPECT_FALSE(std::filesystem::exists(file + ".part"));
  if (lasting()) {
    EXPECT_EQ(text, program_save_log(log500.process->port()));
  }

  const Unit fresh = unit("FRESH");
  REQUIRE_UNIT(fresh);
  const std::string empty = folder.file("empty.csv");
  EXPECT_EQ(run(fresh.with({"log", "save", empty}), platform).out,
            "0 entries of the sample log saved to " + empty + "\n");
  EXPECT_EQ(read_text(empty), kLog500Head.substr(0, kLog500Head.find("\r\n") + 2));
}

TEST_P(Logs, LogSaveAsJsonGivesTheInstrumentsTimeAndItsOffsetFromUtc) {
  const Unit log500 = unit("LOG500", {"--scenario", "log500"});
  REQUIRE_UNIT(log500);
  const std::string file = folder.file("log.json");
  platform.utc -= 3600;  // the instrument keeps this computer's local time, an hour ahead of UTC
  ASSERT_EQ(run(log500.with({"log", "save", file, "--format", "json"}), platform).status, 0);
  const std::string text = read_text(file);
  const std::string head =
      "[\n"
      "  {\n"
      "    \"index\": 0,\n"
      "    \"start_time\": \"2026-05-01T00:07:50\",\n"
      "    \"instrument_utc_offset_s\": 3600,\n"
      "    \"start_time_s\": 1777594070,\n"
      "    \"cartridge_id\": 1,\n"
      "    \"duration_s\": 133,\n"
      "    \"treatment\": 3,\n"
      "    \"stop_reason\": 6,\n"
      "    \"volume_litres\": 2.0121083,\n"
      "    \"max_pressure_bar\": 0.6454128\n"
      "  },\n";
  EXPECT_EQ(text.substr(0, head.size()), head);
  const auto document = nlohmann::json::parse(text);
  ASSERT_EQ(document.size(), 500u);
  EXPECT_EQ(document[499]["index"], 499);
}

TEST_P(Logs, AProgressLineOnATerminalWithTheTimeLeft) {
  const Unit log500 = unit("LOG500", {"--scenario", "log500"});
  REQUIRE_UNIT(log500);
  const CliRun save =
      run(log500.with({"log", "save", folder.file("log.csv")}), platform, "", /*terminal=*/true);
  EXPECT_EQ(save.status, 0) << save.err;
  EXPECT_EQ(save.err.rfind("\rread 1 of 500 entries, ", 0), 0u) << save.err;
  EXPECT_NE(save.err.find(" s left"), std::string::npos) << save.err;
  // Wiped at the end, so that the terminal's next line starts clean.
  EXPECT_EQ(save.err.substr(save.err.size() - 62), "\r" + std::string(60, ' ') + "\r");
}

// Refusals, the question and a failed save leave the log where it is.
TEST_P(Logs, LogClearAsksOrNeedsYesAndClearsOnlyASavedLog) {
  const Unit log = unit("LOGEDIT", {"--scenario", "log500"});
  REQUIRE_UNIT(log);
  // Whether the instrument still holds its log, asked on a line of the test's own.
  const auto first_entry = [&] {
    const ConnectionRef connection =
        CreateConnectionOnPort(OpenSerialPort(log.process->port()), nullptr, 1000);
    SampleLogEntry entry;
    return GetSampleLogEntry(connection.get(), 0, &entry);
  };
  const auto still_full = [&] {
    if (lasting()) {
      EXPECT_EQ(first_entry(), kResultOk);
    }
  };
  CliRun script =
      run(log.with({"--stats", "log", "clear", "--after-save", folder.file("a.csv")}), platform);
  EXPECT_EQ(script.status, 2);
  EXPECT_EQ(transactions_in(script.err), 0) << script.err;  // refused before reading
  EXPECT_FALSE(std::filesystem::exists(folder.file("a.csv")));
  script.err = script.err.substr(0, script.err.find("transactions "));
  EXPECT_EQ(script.err,
            "tarnquill-cli: not clearing the sample log without a question answered; add --yes "
            "to clear it from a script\n");
  still_full();

  const CliRun no = run(log.with({"log", "clear"}), platform, "n\n", /*terminal=*/true);
  EXPECT_EQ(no.status, 0);
  EXPECT_EQ(no.err, "This wipes the sample log on the instrument. Clear it? [y/N] Not cleared\n");
  still_full();

  const CliRun unwritable =
      run(log.with({"log", "clear", "--yes", "--after-save", folder.file("no/such/folder.csv")}),
          platform);
  EXPECT_EQ(unwritable.status, 2);
  EXPECT_NE(unwritable.err.find("the folder " + folder.file("no/such") + " does not exist"),
            std::string::npos)
      << unwritable.err;
  still_full();

  const std::string file = folder.file("saved.csv");
  const CliRun clear = run(log.with({"log", "clear", "--after-save", file}), platform, "y\n",
                           /*terminal=*/true);
  EXPECT_EQ(clear.status, 0) << clear.err;
  EXPECT_EQ(clear.out, "500 entries of the sample log saved to " + file +
                           " and checked\n"
                           "The sample log is cleared\n");
  EXPECT_EQ(read_text(file).substr(0, kLog500Head.size()), kLog500Head);
  if (lasting()) {
    EXPECT_EQ(first_entry(), kResultNoSuchEntry);
  }
}

TEST_P(Logs, DiagSaveAndClearShareTheRules) {
  const Unit edit = unit("EDIT");
  REQUIRE_UNIT(edit);
  const std::string file = folder.file("diag.csv");
  const CliRun save = run(edit.with({"diag", "save", file}), platform);
  EXPECT_EQ(save.status, 0) << save.err;
  const std::string head =
      "Counter,Task ID,Severity,Function,Line,Message\r\n"
      "00000001,01,I,main,57,Restarted after reset\r\n"
      "00000002,01,I,main,63,\"Firmware 3.2.0-sim, device type 42\"\r\n";
  EXPECT_EQ(read_text(file).substr(0, head.size()), head);
  EXPECT_EQ(run(edit.with({"diag", "clear"}), platform).status, 2);
  const CliRun clear = run(edit.with({"--json", "diag", "clear", "--yes"}), platform);
  EXPECT_EQ(clear.status, 0) << clear.err;
  EXPECT_EQ(clear.out, "{\n  \"cleared\": true\n}\n");
}

// A reply lost now and then, or the line pulled out for a moment: the download goes on
// and the file is the one a clean line gives.
TEST_P(Logs, LogSaveThroughAFaultyLineGivesTheFaultFreeFile) {
  if (!lasting()) GTEST_SKIP() << "the simulator in the tool takes no faults";
  struct Case {
    std::string key;
    std::string fault;
    std::string seed;  // the simulated log, too, is drawn from it
  };
  const Case cases[] = {{"RANDOM1", "random=0.05", "1"},
                        {"RANDOM2", "random=0.05", "2"},
                        {"RANDOM3", "random=0.05", "3"},
                        {"DROP", "drop=1500,req=20", "1"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    const Unit clean = unit("CLEAN" + c.seed, {"--scenario", "log500", "--seed", c.seed});
    const Unit faulty = unit(c.key, {"--scenario", "log500", "--fault", c.fault, "--seed", c.seed});
    if (!clean.ready() || !faulty.ready()) continue;
    const std::string reference = folder.file("CLEAN" + c.seed + ".csv");
    ASSERT_EQ(run(clean.with({"log", "save", "--force", reference}), platform).status, 0);
    const std::string file = folder.file(c.key + ".csv");
    const CliRun save = run(faulty.with({"--stats", "log", "save", file}), platform);
    EXPECT_EQ(save.status, 0) << save.err;
    EXPECT_TRUE(read_text(file) == read_text(reference));
    EXPECT_EQ(save.err.find("retries 0 "), std::string::npos);  // the faults did strike
  }
}

INSTANTIATE_TEST_SUITE_P(Via, Logs, ::testing::Values(Via::kInProcess, Via::kProcess),
                         [](const auto& param) { return PrintToString(param.param); });

}  // namespace
}  // namespace tq::cli::test

namespace tq::cli::test {
namespace {

// A log that changes between the save and the check is not wiped: a run under way at a
// thousand times real time writes its newest entry all the while.
TEST(LogClearCheck, ALogThatChangedWhileSavingIsNotCleared) {
  const FakePlatform platform;
  const TempFolder folder;
  const std::string file = folder.file("log.csv");
  const CliRun clear = run({"--sim", "--scenario", "running", "--speed", "1000", "log", "clear",
                            "--yes", "--after-save", file},
                           platform);
  EXPECT_EQ(clear.status, 1) << clear.out;
  EXPECT_EQ(clear.err.rfind("tarnquill-cli: " + file +
                                " does not match the instrument's sample "
                                "log: ",
                            0),
            0u)
      << clear.err;
  EXPECT_NE(clear.err.find("; not cleared, try again\n"), std::string::npos) << clear.err;
  EXPECT_EQ(clear.out.find("cleared"), std::string::npos) << clear.out;
}

TEST(Trace, EveryTransactionOnStandardErrorAndTheCountersAtTheEnd) {
  const FakePlatform platform;
  const CliRun clock = run({"--sim", "--speed", "0", "--trace", "--stats", "clock"}, platform);
  EXPECT_EQ(clock.status, 0);
  EXPECT_EQ(clock.out, "Clock: 08/12/2026 10:30:00\nClock offset: 0 s\n");
  EXPECT_NE(clock.err.find(" cmd 0x22 seq 0 ok "), std::string::npos) << clock.err;
  EXPECT_NE(clock.err.find("\ntransactions 1: 1 ok, 0 failed\n"), std::string::npos) << clock.err;
}

}  // namespace
}  // namespace tq::cli::test
