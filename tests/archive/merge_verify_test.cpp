// Two laptops' archives merged in either order, twice; verify finds a tampered entry; an
// older archive upgraded.
#include <filesystem>
#include <fstream>

#include "archive/maintenance.h"
#include "tests/archive/archive_rig.h"

namespace tq::archive::test {
namespace {

// Everything an archive holds, with downloads named by their ids (local numbers differ).
std::string dump(Archive& archive) {
  std::string text;
  for (const char* sql : {
           "SELECT serial, name, first_seen_utc, last_seen_utc, sample_epoch "
           "FROM instruments ORDER BY serial",
           "SELECT uid, serial, started_utc, ended_utc, clock_offset_s, samples_new, completed "
           "FROM downloads ORDER BY uid",
           "SELECT s.serial, s.epoch, s.entry_index, hex(s.raw), s.volume_l, f.uid, l.uid FROM "
           "sample_entries s JOIN downloads f ON f.id = s.first_download JOIN downloads l ON "
           "l.id = s.last_download ORDER BY 1, 2, 3",
           "SELECT d.serial, d.epoch, d.counter, hex(d.raw), f.uid FROM diagnostic_entries d "
           "JOIN downloads f ON f.id = d.first_download ORDER BY 1, 2, 3",
       }) {
    Statement rows(archive.db.get(), sql);
    while (rows.step()) {
      for (int column = 0; column < rows.columns(); ++column) {
        text += rows.text(column) + "|";
      }
      text += "\n";
    }
  }
  return text;
}

TEST(ArchiveMerge, TwoLaptopsMergeToTheSameArchiveInEitherOrderAndTwice) {
  ArchiveFile file("a.sqlite");
  const std::string b_path = file.sibling("b.sqlite");
  ScriptedReader unit;
  for (int n = 0; n < 5; ++n) unit.samples.push_back(sample(n));
  unit.samples.back().volume = 1.0F;  // in progress when laptop A collects
  unit.diagnostics = {diagnostic(1), diagnostic(2)};
  {
    Archive a = open_archive(file.path);
    (void)collect(a, unit, 1001, {}, 1796725800);
  }
  unit.samples.back().volume = 2.5F;
  unit.samples.push_back(sample(5));
  unit.diagnostics.push_back(diagnostic(3));
  ScriptedReader other;
  other.samples = {sample(40), sample(41)};
  {
    Archive b = open_archive(b_path);
    (void)collect(b, unit, 1001, {}, 1796740000);
    (void)collect(b, other, 2002, {}, 1796741000);
  }
  std::filesystem::copy_file(file.path, file.sibling("a2.sqlite"));
  std::filesystem::copy_file(b_path, file.sibling("b2.sqlite"));

  std::string error;
  Archive ab = open_archive(file.path);
  const auto counts = MergeArchive(ab, b_path, &error);
  ASSERT_TRUE(counts) << error;
  EXPECT_EQ(counts->downloads_new, 2);
  EXPECT_EQ(counts->samples_new, 3);  // entry 5 and the other unit's two
  EXPECT_EQ(counts->samples_updated, 1);
  EXPECT_EQ(counts->diagnostics_new, 1);
  Archive ba = open_archive(file.sibling("b2.sqlite"));
  ASSERT_TRUE(MergeArchive(ba, file.sibling("a2.sqlite"), &error)) << error;
  EXPECT_EQ(dump(ab), dump(ba));
  EXPECT_EQ(count_rows(ab, "SELECT volume_l FROM sample_entries WHERE entry_index = 4"), 2);

  const std::string once = dump(ab);
  const auto again = MergeArchive(ab, b_path, &error);
  ASSERT_TRUE(again) << error;
  EXPECT_EQ(again->samples_new + again->samples_updated + again->downloads_new, 0);
  EXPECT_EQ(dump(ab), once);
  EXPECT_TRUE(VerifyArchive(ab).empty());
}

TEST(ArchiveVerify, FindsAnEntryWhoseBytesNoLongerMatchItsFields) {
  ArchiveFile file;
  Archive archive = open_archive(file.path);
  ScriptedReader unit;
  unit.samples = {sample(0), sample(1)};
  unit.diagnostics = {diagnostic(1)};
  (void)collect(archive, unit);
  EXPECT_TRUE(VerifyArchive(archive).empty());
  // An entry's bytes overwritten by hand, and a diagnostic message edited.
  ASSERT_TRUE(execute(archive.db.get(),
                      "UPDATE sample_entries SET raw = zeroblob(34) WHERE entry_index = 1; "
                      "UPDATE diagnostic_entries SET message = 'edited'"));
  const std::vector<std::string> findings = VerifyArchive(archive);
  ASSERT_EQ(findings.size(), 2u);
  EXPECT_NE(findings[0].find("sample entry 1001/1790000000/1"), std::string::npos) << findings[0];
  EXPECT_NE(findings[1].find("diagnostic entry 1001/7759802679027881662/1"), std::string::npos)
      << findings[1];
}

TEST(ArchiveUpgrade, Version2DiagnosticEpochsAreNamedByTheirEntriesEachEntryOnce) {
  ArchiveFile file;
  ScriptedReader unit;
  unit.diagnostics = {diagnostic(1, "restarted"), diagnostic(2)};
  {
    Archive old = open_archive(file.path);
    (void)collect(old, unit, 1001, {}, 1796725800);
    unit.diagnostics[1] = diagnostic(2, "clock set");  // restarted, its first entry alike
    (void)collect(old, unit, 1001, {}, 1796729400);
    // As version 2 numbered them: epoch 1, then 2 after the restart, the restart's first
    // entry held in both (as a merge of two laptops' archives could leave it).
    ASSERT_TRUE(execute(old.db.get(), R"sql(
      UPDATE diagnostic_entries SET epoch = first_download;
      INSERT INTO diagnostic_entries (serial, epoch, counter, raw, function, line, task_id,
        severity, message, first_download)
      SELECT serial, 2, counter, raw, function, line, task_id, severity, message, 2
      FROM diagnostic_entries WHERE counter = 1;
      INSERT INTO pushes VALUES ('fleet', 'u@h/f', 0, 3, 0);
      PRAGMA user_version = 2;)sql"));
  }
  Archive upgraded = open_archive(file.path);
  EXPECT_EQ(count_rows(upgraded, "SELECT count(*) FROM diagnostic_entries"), 3);
  EXPECT_EQ(count_rows(upgraded, "SELECT first_download FROM diagnostic_entries WHERE counter = 1"),
            1);
  EXPECT_EQ(count_rows(upgraded, "SELECT epoch FROM diagnostic_entries WHERE counter = 1"),
            5698860422061774581);  // its bytes' SHA-256, worked out with another tool
  EXPECT_EQ(count_rows(upgraded, "SELECT diagnostics_through FROM pushes"), 3);
  EXPECT_TRUE(VerifyArchive(upgraded).empty());
}

TEST(ArchiveOpen, RefusesWhatIsNotAnArchiveIsNewerOrIsNotThere) {
  ArchiveFile file;
  std::string error;
  {
    Archive newer = open_archive(file.path);
    ASSERT_TRUE(execute(newer.db.get(), "PRAGMA user_version = 99"));
  }
  EXPECT_FALSE(OpenArchive(file.path, &error));
  EXPECT_NE(error.find("newer version"), std::string::npos) << error;
  const std::string text = file.sibling("notes.txt");
  std::ofstream(text) << "field notes, not a database\n";
  EXPECT_FALSE(OpenArchive(text, &error));
  EXPECT_NE(error.find("is it an archive?"), std::string::npos) << error;
  // A mistyped name to merge from is refused, not made into an empty archive.
  Archive archive = open_archive(file.sibling("mine.sqlite"));
  EXPECT_FALSE(MergeArchive(archive, file.sibling("mistyped.sqlite"), &error));
  EXPECT_NE(error.find("no such file"), std::string::npos) << error;
  EXPECT_FALSE(std::filesystem::exists(file.sibling("mistyped.sqlite")));
}

}  // namespace
}  // namespace tq::archive::test
