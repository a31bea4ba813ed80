// archive push against a real PostgreSQL server: only what is new, resumed after an
// interruption, concurrent pushers, an older schema upgraded, TLS, and connections that fail.
#include "fleet/push.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "archive/maintenance.h"
#include "fleet/copy_rows.h"
#include "fleet/schema.h"
#include "tests/archive/archive_rig.h"
#include "tests/cli/cli_rig.h"
#include "tests/fleet/pg_server.h"

namespace tq::fleet::test {
namespace {

using archive::test::ArchiveFile;
using archive::test::collect;
using archive::test::open_archive;
using archive::test::sample;
using archive::test::ScriptedReader;

PgServer& server() {
  static PgServer instance;
  return instance;
}

class Push : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!server().running()) GTEST_FAIL() << server().why_not();
    database = std::string("t_") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    for (char& c : database) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    to = server().create_database(database);
    db = connect_to(to);
  }
  [[nodiscard]] std::int64_t rows(const std::string& table) {
    return std::atoll(value_of(db.get(), "SELECT count(*) FROM tarnquill." + table).c_str());
  }
  std::string database;
  std::string to;
  ConnectionHandle db;
};

PushResult push(archive::Archive& archive, const std::string& to, std::size_t batch = 5000,
                std::function<bool(Connected&)> go_on = {}) {
  ConnectOutcome outcome = Connect(to);
  EXPECT_TRUE(outcome.connected) << outcome.message;
  if (!outcome.connected) return {};
  PushOptions options;
  options.batch_size = batch;
  if (go_on) options.go_on = [&] { return go_on(*outcome.connected); };
  return PushArchive(archive, *outcome.connected, options);
}

void fill(ScriptedReader& unit, int samples) {
  for (int n = 0; n < samples; ++n) unit.samples.push_back(sample(n));
}

TEST(CopyRows, EscapesWhatWouldBreakARow) {
  CopyRows rows;
  rows.text("a\tb\nc\\d\re").bytes(std::vector<std::uint8_t>{0x00, 0xab}).null().real(0.1);
  rows.integer(std::optional<std::int64_t>{}).boolean(true).end_row();
  EXPECT_EQ(rows.data(), "a\\tb\\nc\\\\d\\re\t\\\\x00ab\t\\N\t0.1\t\\N\tt\n");
}

TEST_F(Push, SendsOnlyWhatTheDatabaseLacks) {
  ArchiveFile file;
  archive::Archive archive = open_archive(file.path);
  ScriptedReader unit;
  fill(unit, 30);
  unit.diagnostics = {archive::test::diagnostic(1), archive::test::diagnostic(2)};
  collect(archive, unit);

  const PushResult first = push(archive, to);
  ASSERT_EQ(first.status, PushStatus::kDone) << first.error;
  EXPECT_EQ(first.counts.samples.added, 30);
  EXPECT_EQ(first.counts.diagnostics.added, 2);
  EXPECT_EQ(first.counts.instruments.added, 1);

  const PushResult again = push(archive, to);
  ASSERT_EQ(again.status, PushStatus::kDone) << again.error;
  EXPECT_EQ(again.counts.samples.added + again.counts.samples.present, 0);  // nothing sent
  EXPECT_EQ(again.counts.downloads.present, 1);

  // The sample in progress pumped on, and five more followed.
  unit.samples.back().volume += 0.5F;
  for (int n = 30; n < 35; ++n) unit.samples.push_back(sample(n));
  collect(archive, unit, 1001, {}, 1796729400);
  const PushResult third = push(archive, to);
  ASSERT_EQ(third.status, PushStatus::kDone) << third.error;
  EXPECT_EQ(third.counts.samples.added, 5);
  EXPECT_EQ(third.counts.samples.updated, 1);
  EXPECT_EQ(third.counts.samples.present, 0);
  EXPECT_EQ(third.counts.downloads.added, 1);
  EXPECT_EQ(rows("sample_entries"), 35);
  EXPECT_EQ(value_of(db.get(),
                     "SELECT volume_l FROM tarnquill.sample_entries "
                     "WHERE entry_index = 29"),
            "3");
}

TEST_F(Push, EntriesMergedFromAnotherLaptopFollow) {
  ArchiveFile file;
  archive::Archive mine = open_archive(file.path);
  ScriptedReader unit;
  fill(unit, 10);
  collect(mine, unit, 1001);
  ASSERT_EQ(push(mine, to).status, PushStatus::kDone);

  const std::string theirs_path = file.sibling("theirs.sqlite");
  {
    archive::Archive theirs = open_archive(theirs_path);
    ScriptedReader other;
    fill(other, 12);
    collect(theirs, other, 1002);
  }
  std::string error;
  ASSERT_TRUE(archive::MergeArchive(mine, theirs_path, &error)) << error;
  const PushResult after_merge = push(mine, to);
  ASSERT_EQ(after_merge.status, PushStatus::kDone) << after_merge.error;
  EXPECT_EQ(after_merge.counts.samples.added, 12);
  EXPECT_EQ(after_merge.counts.samples.present, 0);
  EXPECT_EQ(rows("sample_entries"), 22);
}

TEST_F(Push, DiagnosticsOfAUnitTwoLaptopsMetAtDifferentTimesAreStoredOnce) {
  using archive::test::diagnostic;
  ArchiveFile file;
  archive::Archive first = open_archive(file.path);
  ScriptedReader unit;
  unit.diagnostics = {diagnostic(1, "restarted"), diagnostic(2)};
  collect(first, unit, 1001, {}, 1796725800);
  // The unit restarts; this laptop collects again, then one that never met it before.
  unit.diagnostics = {diagnostic(1, "restarted"), diagnostic(2, "clock set"), diagnostic(3),
                      diagnostic(4)};
  collect(first, unit, 1001, {}, 1796729400);
  archive::Archive second = open_archive(file.sibling("second.sqlite"));
  collect(second, unit, 1001, {}, 1796733000);

  ASSERT_EQ(push(first, to).status, PushStatus::kDone);
  const PushResult pushed = push(second, to);
  ASSERT_EQ(pushed.status, PushStatus::kDone) << pushed.error;
  EXPECT_EQ(pushed.counts.diagnostics.present, 4);
  EXPECT_EQ(rows("diagnostic_entries"), 5);
}

TEST_F(Push, InterruptedOrCutOffResumesWithEveryRowOnce) {
  ArchiveFile file;
  archive::Archive archive = open_archive(file.path);
  ScriptedReader unit;
  fill(unit, 200);
  collect(archive, unit);

  // Ctrl+C before the second batch of samples: the first stays.
  int asked = 0;
  const PushResult stopped = push(archive, to, 50, [&](Connected&) { return ++asked < 3; });
  EXPECT_EQ(stopped.status, PushStatus::kInterrupted);
  EXPECT_EQ(rows("sample_entries"), 50);

  // The network goes in the middle of the next push's second batch.
  asked = 0;
  const PushResult cut = push(archive, to, 50, [&](Connected& to_server) {
    if (++asked == 3) {
      value_of(db.get(), "SELECT pg_terminate_backend(" +
                             std::to_string(PQbackendPID(to_server.conn.get())) + ")");
    }
    return true;
  });
  EXPECT_EQ(cut.status, PushStatus::kFailed);
  EXPECT_NE(cut.error.find("lost the connection"), std::string::npos) << cut.error;
  EXPECT_EQ(rows("sample_entries"), 100);

  const PushResult rest = push(archive, to, 50);
  ASSERT_EQ(rest.status, PushStatus::kDone) << rest.error;
  EXPECT_EQ(rest.counts.samples.added, 100);
  EXPECT_EQ(rest.counts.samples.present, 0);
  EXPECT_EQ(rows("sample_entries"), 200);
}

TEST_F(Push, CtrlCInTheToolExits130AndKeepsTheCommittedBatch) {
  ArchiveFile file;
  {
    archive::Archive archive = open_archive(file.path);
    ScriptedReader unit;
    fill(unit, 20);
    collect(archive, unit);
  }
  cli::test::FakePlatform platform;
  platform.waits = 1;  // pressed after the instruments and downloads went, before the samples
  const std::vector<std::string> args = {"archive", "push", "--archive", file.path, "--to", to};
  const auto stopped = cli::test::run(args, platform);
  EXPECT_EQ(stopped.status, 130);
  EXPECT_NE(stopped.err.find("the next push sends the rest"), std::string::npos) << stopped.err;
  EXPECT_EQ(rows("downloads"), 1);
  EXPECT_EQ(rows("sample_entries"), 0);
  const auto rest = cli::test::run(args, cli::test::FakePlatform{});
  EXPECT_EQ(rest.status, 0) << rest.err;
  EXPECT_EQ(rows("sample_entries"), 20);
}

TEST_F(Push, ConcurrentOverlappingPushersStoreTheUnion) {
  constexpr std::size_t kPushers = 4;
  std::vector<std::unique_ptr<ArchiveFile>> files;
  std::vector<archive::Archive> archives;
  for (std::size_t i = 0; i < kPushers; ++i) {
    files.push_back(std::make_unique<ArchiveFile>("laptop" + std::to_string(i) + ".sqlite"));
    archives.push_back(open_archive(files.back()->path));
    ScriptedReader shared;
    fill(shared, 100 + 50 * static_cast<int>(i));  // one unit, seen by every laptop
    ScriptedReader own;
    fill(own, 60);
    collect(archives.back(), shared, 1001);
    collect(archives.back(), own, static_cast<std::uint16_t>(2000 + i));
  }
  std::vector<PushResult> results(kPushers);
  std::vector<std::thread> pushers;
  for (std::size_t i = 0; i < kPushers; ++i) {
    pushers.emplace_back([&, i] { results[i] = push(archives[i], to, 25); });
  }
  for (auto& pusher : pushers) pusher.join();
  for (const PushResult& result : results)
    EXPECT_EQ(result.status, PushStatus::kDone) << result.error;
  EXPECT_EQ(rows("sample_entries"), 250 + 60 * static_cast<std::int64_t>(kPushers));
  EXPECT_EQ(rows("instruments"), 1 + static_cast<std::int64_t>(kPushers));
  EXPECT_EQ(rows("downloads"), 2 * static_cast<std::int64_t>(kPushers));
  // Every laptop's first sighting of the shared log agrees on the earliest download.
  EXPECT_EQ(value_of(db.get(),
                     "SELECT count(DISTINCT first_download) FROM "
                     "tarnquill.sample_entries WHERE serial = 1001 AND entry_index < 100"),
            "1");
}

TEST_F(Push, UpgradesADatabaseAtAnOlderSchemaVersion) {
  std::string error;
  ASSERT_TRUE(PrepareFleet(db.get(), &error, 1)) << error;
  ArchiveFile file;
  archive::Archive archive = open_archive(file.path);
  ScriptedReader unit;
  fill(unit, 3);
  unit.samples[1].stop_reason = 5;  // timeout
  unit.diagnostics = {archive::test::diagnostic(1), archive::test::diagnostic(2)};
  collect(archive, unit);

  const PushResult result = push(archive, to);
  ASSERT_EQ(result.status, PushStatus::kDone) << result.error;
  EXPECT_EQ(value_of(db.get(), "SELECT version FROM tarnquill.schema_version"), "3");
  EXPECT_EQ(value_of(db.get(),
                     "SELECT string_agg(stop_reason, ',' ORDER BY entry_index) "
                     "FROM tarnquill.fleet_samples WHERE NOT completed"),
            "timeout");
  EXPECT_EQ(value_of(db.get(), "SELECT samples_total FROM tarnquill.fleet_instruments"), "3");

  // Version 2 as two archives left it: each diagnostic entry under epoch 1 and again under 2.
  Failure failure;
  ASSERT_TRUE(RunScript(db.get(), R"sql(
    ALTER TABLE tarnquill.diagnostic_entries DROP CONSTRAINT diagnostic_epoch_names_the_entry;
    DROP FUNCTION tarnquill.diagnostic_epoch;
    UPDATE tarnquill.diagnostic_entries SET epoch = 1;
    INSERT INTO tarnquill.diagnostic_entries
    SELECT serial, 2, counter, raw, function, line, task_id, severity, message, first_download
    FROM tarnquill.diagnostic_entries;
    UPDATE tarnquill.schema_version SET version = 2;)sql",
                        &failure))
      << failure.message;
  ASSERT_EQ(push(archive, to).status, PushStatus::kDone);
  EXPECT_EQ(rows("diagnostic_entries"), 2);
  // What an older tool's push under way would still write, keyed the old way, is refused.
  EXPECT_FALSE(fleet::Run(db.get(), "UPDATE tarnquill.diagnostic_entries SET epoch = 1", &failure));
  EXPECT_EQ(failure.sqlstate, "23514");  // check_violation
}

TEST_F(Push, FailedConnectionsSayWhatToCheckAndNeverThePassword) {
  ArchiveFile file;
  { archive::Archive archive = open_archive(file.path); }
  cli::test::FakePlatform platform;
  platform.waits = 1000;
  const auto push_to = [&](const std::string& conninfo) {
    return cli::test::run({"archive", "push", "--archive", file.path, "--to", conninfo}, platform);
  };
  const auto refused = push_to("host=127.0.0.1 port=1 dbname=x user=u password=hunter2-secret");
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("check the host and port"), std::string::npos) << refused.err;
  EXPECT_EQ(refused.err.find("hunter2-secret"), std::string::npos) << refused.err;

  ASSERT_EQ(push_to(to + " password=whatever").status, 0);  // trusted: made the schema
  value_of(db.get(), "GRANT USAGE ON SCHEMA tarnquill TO tq_pusher");
  value_of(db.get(), "GRANT SELECT, INSERT, UPDATE ON ALL TABLES IN SCHEMA tarnquill TO tq_pusher");
  const std::string pusher = server().conninfo(database, "tq_pusher");
  const auto wrong = push_to(pusher + " password=wrong-secret-42");
  EXPECT_EQ(wrong.status, 1);
  EXPECT_NE(wrong.err.find("check the user name and the password"), std::string::npos) << wrong.err;
  EXPECT_EQ(wrong.err.find("wrong-secret-42"), std::string::npos) << wrong.err;

  // The role that may only select, insert and update pushes with its password file.
  const std::string passfile = file.sibling("pgpass");
  std::ofstream(passfile) << "*:*:*:tq_pusher:pusher-secret\n";
  std::filesystem::permissions(
      passfile, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  setenv("PGPASSFILE", passfile.c_str(), 1);
  const auto allowed = push_to(pusher);
  unsetenv("PGPASSFILE");
  EXPECT_EQ(allowed.status, 0) << allowed.err;
}

TEST_F(Push, OverTlsVerifyFullTrustsOnlyTheLabsCertificateAuthority) {
  ArchiveFile file;
  {
    archive::Archive archive = open_archive(file.path);
    ScriptedReader unit;
    fill(unit, 3);
    collect(archive, unit);
  }
  cli::test::FakePlatform platform;
  const auto push_trusting = [&](const std::string& root_cert) {
    return cli::test::run({"archive", "push", "--archive", file.path, "--to",
                           server().tls_conninfo(database, root_cert)},
                          platform);
  };
  // The server takes this role over TCP only with TLS, so a push that went through used it.
  const auto trusted = push_trusting(server().lab_ca());
  EXPECT_EQ(trusted.status, 0) << trusted.err;
  EXPECT_EQ(rows("sample_entries"), 3);
  const auto stranger = push_trusting(server().stranger_ca());
  EXPECT_EQ(stranger.status, 1);
  EXPECT_NE(stranger.err.find("check the server's certificate"), std::string::npos) << stranger.err;
}

}  // namespace
}  // namespace tq::fleet::test
