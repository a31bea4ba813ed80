// collect and the archive commands against the simulated instrument: a second collection
// finds nothing new in six Transactions, Ctrl+C keeps what was read, the lab's sheet.
#include <chrono>

#include "archive/archive.h"
#include "tests/cli/cli_rig.h"

namespace tq::cli::test {
namespace {

std::vector<std::string> sim(const std::string& archive, std::vector<std::string> args) {
  std::vector<std::string> all = {"--sim",  "--speed",   "0",    "--scenario",
                                  "log500", "--archive", archive};
  all.insert(all.end(), args.begin(), args.end());
  return all;
}

// Waits before the fake computer reports Ctrl+C: never, in practice.
constexpr int kNoCtrlC = 1 << 30;

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(CliCollect, ASecondCollectionOfTheSameLogFindsNothingNewInSixTransactions) {
  TempFolder folder;
  FakePlatform platform;
  platform.waits = kNoCtrlC;
  const std::string archive = folder.file("archive.sqlite");
  const CliRun first = run(sim(archive, {"collect", "--no-diag"}), platform);
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_NE(first.out.find("Samples: 500 new, 0 updated, 0 unchanged"), std::string::npos)
      << first.out;
  const CliRun second = run(sim(archive, {"--stats", "collect", "--no-diag"}), platform);
  ASSERT_EQ(second.status, 0) << second.err;
  EXPECT_NE(second.out.find("Samples: 0 new, 0 updated, 500 unchanged"), std::string::npos)
      << second.out;
  EXPECT_EQ(transactions_in(second.err), 6) << second.err;
}

TEST(CliCollect, CtrlCKeepsWhatWasReadAndTheNextCollectionReadsOnlyTheRest) {
  TempFolder folder;
  const std::string archive = folder.file("archive.sqlite");
  FakePlatform interrupted;
  interrupted.stop_checks = 200;  // Ctrl+C part-way through the log
  const CliRun cut = run(sim(archive, {"collect", "--no-diag"}), interrupted);
  EXPECT_EQ(cut.status, 130);
  EXPECT_NE(cut.err.find("interrupted"), std::string::npos) << cut.err;
  const auto at = cut.out.find("Samples: ");
  ASSERT_NE(at, std::string::npos) << cut.out;
  const int kept = std::stoi(cut.out.substr(at + 9));
  EXPECT_GT(kept, 0);
  EXPECT_LT(kept, 500);
  FakePlatform platform;
  const CliRun rest = run(sim(archive, {"--stats", "collect", "--no-diag"}), platform);
  ASSERT_EQ(rest.status, 0) << rest.err;
  EXPECT_NE(rest.out.find("Samples: " + std::to_string(500 - kept) + " new, 0 updated, " +
                          std::to_string(kept) + " unchanged"),
            std::string::npos)
      << rest.out;
  // Identity, device type, firmware, clock, the newest entry kept, the rest and the end.
  EXPECT_EQ(transactions_in(rest.err), 4 + 1 + (500 - kept) + 1) << rest.err;
  const CliRun csv = run(sim(archive, {"archive", "samples"}), platform);
  EXPECT_EQ(lines_of(csv.out).size(), 501u);
  const CliRun downloads = run(sim(archive, {"archive", "downloads"}), platform);
  EXPECT_NE(downloads.out.find("interrupted"), std::string::npos) << downloads.out;
}

// tarnquill-sim in a process of its own, pumping its first cartridge at twenty times real
// time: the newest entry changes between collections and is updated, never added again.
TEST(CliCollect, ASampleInProgressIsUpdatedNotDuplicated) {
  const Unit unit = open_unit(Via::kProcess, "COLLECTING",
                              {"--scenario", "log500", "--scenario", "running", "--speed", "20"});
  if (!unit.ready()) GTEST_SKIP() << unit.why;
  TempFolder folder;
  FakePlatform platform;
  platform.waits = kNoCtrlC;
  const std::string path = folder.file("archive.sqlite");
  const std::vector<std::string> collect = {"--archive", path, "collect", "--no-diag"};
  const CliRun first = run(unit.with(collect), platform);
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_NE(first.out.find("Samples: 501 new"), std::string::npos) << first.out;
  bool updated = false;
  for (const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
       !updated && std::chrono::steady_clock::now() < deadline;) {
    std::vector<std::string> with_stats = collect;
    with_stats.insert(with_stats.begin(), "--stats");
    const CliRun again = run(unit.with(with_stats), platform);
    ASSERT_EQ(again.status, 0) << again.err;
    updated = again.out.find("Samples: 0 new, 1 updated, 500 unchanged") != std::string::npos;
    EXPECT_EQ(transactions_in(again.err), 6) << again.err;  // the newest entry, not the log
  }
  EXPECT_TRUE(updated);
  std::string error;
  auto archive = archive::OpenArchive(path, &error);
  ASSERT_TRUE(archive) << error;
  archive::Statement count(archive->db.get(),
                           "SELECT count(*), count(DISTINCT start_time || '/' || cartridge_id) "
                           "FROM sample_entries");
  ASSERT_TRUE(count.step());
  EXPECT_EQ(count.integer(0), 501);
  EXPECT_EQ(count.integer(1), 501);
}

TEST(CliArchive, TheFaireSheetCarriesTheSampleAsTheLabNeedsIt) {
  TempFolder folder;
  FakePlatform platform;
  platform.waits = kNoCtrlC;
  const std::string archive = folder.file("archive.sqlite");
  ASSERT_EQ(run(sim(archive, {"collect"}), platform).status, 0);
  const std::string sheet = folder.file("sheet.csv");
  const CliRun faire =
      run(sim(archive, {"archive", "samples", "--format", "faire", "--output", sheet}), platform);
  ASSERT_EQ(faire.status, 0) << faire.err;
  const std::vector<std::string> lines = lines_of(read_text(sheet));
  ASSERT_EQ(lines.size(), 501u);
  EXPECT_EQ(lines[0],
            "samp_name,materialSampleID,eventDate,eventDurationValue,samp_size,samp_size_unit,"
            "pump_flow_rate,pump_flow_rate_unit,filter_passive_active_0_1,samp_collect_device,"
            "samp_mat_process,decimalLatitude,decimalLongitude,geo_loc_name,env_medium,"
            "stop_reason,max_pressure_bar,instrument_serial,firmware,clock_offset_s,"
            "download_id\r");
  // Entry 0 of the scenario: cartridge 1, 2.012 litres in 133 s from 00:07:50.
  EXPECT_EQ(lines[1].substr(0, lines[1].rfind(',') + 1),
            "1001-1-20260501T000750,1,2026-05-01T00:07:50Z/2026-05-01T00:10:03Z,PT2M13S,2.012,"
            "L,0.908,L/min,1,A0042 Simulator serial 1001 firmware 3.2.0-sim,"
            "stabilized full sample,,,,,complete,0.645,1001,3.2.0-sim,0,");
  EXPECT_EQ(lines[1].substr(lines[1].rfind(',') + 1, 22), "20261208T103000Z-1001-");
}

TEST(CliArchive, VerifyExitsOneOnAnEntryChangedByHand) {
  TempFolder folder;
  FakePlatform platform;
  platform.waits = kNoCtrlC;
  const std::string path = folder.file("archive.sqlite");
  ASSERT_EQ(run(sim(path, {"collect", "--no-diag"}), platform).status, 0);
  EXPECT_EQ(run(sim(path, {"archive", "verify"}), platform).status, 0);
  {
    std::string error;
    auto archive = archive::OpenArchive(path, &error);
    ASSERT_TRUE(archive) << error;
    ASSERT_TRUE(archive::execute(archive->db.get(),
                                 "UPDATE sample_entries SET volume_l = 9.5 WHERE entry_index = 7"));
  }
  const CliRun verify = run(sim(path, {"archive", "verify"}), platform);
  EXPECT_EQ(verify.status, 1);
  EXPECT_NE(verify.out.find("/7: stored fields differ"), std::string::npos) << verify.out;
}

}  // namespace
}  // namespace tq::cli::test
