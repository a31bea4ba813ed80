// Collections into an archive: only the new entries read, a sample in progress updated,
// a cleared log a new epoch, interrupted collections resumed, --clear only when safe.
#include "tests/archive/archive_rig.h"

namespace tq::archive::test {
namespace {

constexpr const char* kSamples = "SELECT count(*) FROM sample_entries";

void fill(ScriptedReader& reader, int from, int to) {
  for (int n = from; n < to; ++n) reader.samples.push_back(sample(n));
}

TEST(ArchiveCollect, AGrowingLogIsReadOnlyFromItsNewestArchivedEntry) {
  ArchiveFile file;
  Archive archive = open_archive(file.path);
  ScriptedReader unit;
  fill(unit, 0, 5);
  const Collected first = collect(archive, unit, 1001, {.diagnostics = false});
  EXPECT_TRUE(first.result.completed);
  EXPECT_EQ(first.counts.samples_new, 5);
  EXPECT_EQ(first.reads, 6);  // five entries and the answer 9

  const Collected same = collect(archive, unit, 1001, {.diagnostics = false});
  EXPECT_EQ(same.reads, 2);  // the newest entry again, then the next index
  EXPECT_EQ(same.counts.samples_new, 0);
  EXPECT_EQ(same.counts.samples_unchanged, 5);

  fill(unit, 5, 8);
  const Collected grown = collect(archive, unit, 1001, {.diagnostics = false});
  EXPECT_EQ(grown.reads, 5);
  EXPECT_EQ(grown.counts.samples_new, 3);
  EXPECT_EQ(grown.counts.samples_unchanged, 5);
  EXPECT_EQ(count_rows(archive, kSamples), 8);
}

TEST(ArchiveCollect, ASampleInProgressIsUpdatedNotDuplicated) {
  ArchiveFile file;
  Archive archive = open_archive(file.path);
  ScriptedReader unit;
  fill(unit, 0, 3);
  unit.samples.back().volume = 0.5F;
  unit.samples.back().stop_reason = 0;
  (void)collect(archive, unit, 1001, {.diagnostics = false});
  unit.samples.back().volume = 2.5F;
  unit.samples.back().stop_reason = 6;
  const Collected later = collect(archive, unit, 1001, {.diagnostics = false});
  EXPECT_EQ(later.counts.samples_updated, 1);
  EXPECT_EQ(later.counts.samples_unchanged, 2);
  EXPECT_EQ(later.counts.samples_new, 0);
  EXPECT_EQ(count_rows(archive, kSamples), 3);
  EXPECT_EQ(count_rows(archive, "SELECT volume_l FROM sample_entries WHERE entry_index = 2"), 2);
  // It keeps the download that first saw it, and names the one that changed it.
  EXPECT_EQ(count_rows(archive,
                       "SELECT count(*) FROM sample_entries WHERE first_download <> last_download"),
            1);
}

TEST(ArchiveCollect, AClearedAndRefilledLogIsANewEpochAndOverwritesNothing) {
  ArchiveFile file;
  Archive archive = open_archive(file.path);
  ScriptedReader unit;
  fill(unit, 0, 4);
  (void)collect(archive, unit, 1001, {.diagnostics = false});
  // Cleared, then refilled past the archived length: index 3 is now another sample.
  unit.samples.clear();
  fill(unit, 10, 16);
  const Collected refilled = collect(archive, unit, 1001, {.diagnostics = false});
  EXPECT_TRUE(refilled.result.new_sample_epoch);
  EXPECT_EQ(refilled.counts.samples_new, 6);
  EXPECT_EQ(count_rows(archive, kSamples), 10);
  EXPECT_EQ(count_rows(archive, "SELECT count(DISTINCT epoch) FROM sample_entries"), 2);
  // Cleared and shorter than before: the re-read answers 9.
  unit.samples.clear();
  fill(unit, 20, 22);
  EXPECT_EQ(collect(archive, unit, 1001, {.diagnostics = false}).counts.samples_new, 2);
  EXPECT_EQ(count_rows(archive, "SELECT count(DISTINCT epoch) FROM sample_entries"), 3);
  EXPECT_EQ(count_rows(archive, kSamples), 12);
}

TEST(ArchiveCollect, AnInterruptedCollectionKeepsWhatItReadAndTheNextOneContinues) {
  for (const bool unplug : {true, false}) {
    SCOPED_TRACE(unplug ? "unplugged" : "Ctrl+C");
    ArchiveFile file;
    Archive archive = open_archive(file.path);
    ScriptedReader unit;
    fill(unit, 0, 20);
    unit.diagnostics = {diagnostic(1), diagnostic(2)};
    (unplug ? unit.unplug_after : unit.interrupt_after) = 7;
    const Collected cut = collect(archive, unit);
    EXPECT_FALSE(cut.result.completed);
    EXPECT_EQ(cut.result.interrupted, !unplug);
    EXPECT_EQ(cut.counts.samples_new, 7);
    EXPECT_EQ(count_rows(archive, "SELECT count(*) FROM downloads WHERE completed = 0"), 1);
    unit.reconnect();
    const Collected resumed = collect(archive, unit);
    EXPECT_TRUE(resumed.result.completed);
    EXPECT_EQ(resumed.counts.samples_new, 13);
    EXPECT_EQ(resumed.counts.diagnostics_new, 2);
    EXPECT_EQ(count_rows(archive, kSamples), 20);
    EXPECT_EQ(count_rows(archive, "SELECT count(DISTINCT start_time) FROM sample_entries"), 20);
  }
}

TEST(ArchiveCollect, TwoInstrumentsKeepTheirOwnLogs) {
  ArchiveFile file;
  Archive archive = open_archive(file.path);
  ScriptedReader a;
  ScriptedReader b;
  fill(a, 0, 3);
  fill(b, 0, 5);  // the same samples, on another unit
  (void)collect(archive, a, 1001);
  (void)collect(archive, b, 2002);
  EXPECT_EQ(collect(archive, a, 1001).counts.samples_unchanged, 3);
  EXPECT_EQ(count_rows(archive, "SELECT count(*) FROM sample_entries WHERE serial = 2002"), 5);
  EXPECT_EQ(count_rows(archive, "SELECT count(*) FROM instruments"), 2);
}

TEST(ArchiveCollect, ClearOnlyWhenEveryEntryIsHeldAndTheNewestStillMatches) {
  ArchiveFile file;
  Archive archive = open_archive(file.path);
  ScriptedReader unit;
  fill(unit, 0, 6);
  unit.diagnostics = {diagnostic(1)};
  // Unplugged before the end: entries are missing, nothing is cleared.
  unit.unplug_after = 4;
  const Collected cut = collect(archive, unit, 1001, {.clear = true});
  EXPECT_FALSE(cut.result.sample_log_cleared);
  EXPECT_FALSE(unit.sample_log_cleared);
  unit.reconnect();
  // The newest sample still pumping when the log is checked before the clear.
  // Reads before the check: the newest held entry again, entries 4 and 5 and the answer 9,
  // then the diagnostic log (start, one entry, its end).
  unit.touch_newest_after = unit.reads + 4 + 3;
  const Collected changed = collect(archive, unit, 1001, {.clear = true});
  EXPECT_FALSE(unit.sample_log_cleared);
  EXPECT_FALSE(changed.result.not_cleared.empty());
  const Collected cleared = collect(archive, unit, 1001, {.clear = true});
  EXPECT_TRUE(cleared.result.completed);
  EXPECT_TRUE(unit.sample_log_cleared);
  EXPECT_TRUE(unit.diagnostics.empty());
  EXPECT_EQ(count_rows(archive, kSamples), 6);
}

TEST(ArchiveCollect, TheDiagnosticLogIsReadWholeAndOnlyWhatIsNewKept) {
  ArchiveFile file;
  Archive archive = open_archive(file.path);
  ScriptedReader unit;
  unit.diagnostics = {diagnostic(1), diagnostic(2), diagnostic(3)};
  EXPECT_EQ(collect(archive, unit).counts.diagnostics_new, 3);
  unit.diagnostics.push_back(diagnostic(4));
  EXPECT_EQ(collect(archive, unit).counts.diagnostics_new, 1);
  // Cleared and counting again from 1 with other entries: kept beside the first ones.
  unit.diagnostics = {diagnostic(1, "restarted"), diagnostic(2, "clock set")};
  EXPECT_EQ(collect(archive, unit).counts.diagnostics_new, 2);
  EXPECT_EQ(count_rows(archive, "SELECT count(*) FROM diagnostic_entries"), 6);
  EXPECT_EQ(collect(archive, unit).counts.diagnostics_new, 0);
  // The instrument's single-byte text is kept as UTF-8 beside its raw bytes.
  unit.diagnostics.push_back(diagnostic(3,
                                        "board at 41\xB0"
                                        "C"));
  EXPECT_EQ(collect(archive, unit).counts.diagnostics_new, 1);
  Statement message(archive.db.get(),
                    "SELECT message FROM diagnostic_entries WHERE counter = 3 AND "
                    "message <> 'pump started'");
  ASSERT_TRUE(message.step());
  EXPECT_EQ(message.text(0), "board at 41\u00B0C");
}

}  // namespace
}  // namespace tq::archive::test
