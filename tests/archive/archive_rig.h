// A scripted instrument for the archive's tests: a sample log and a diagnostic log held
// as records, every read counted, and an unplug or a Ctrl+C after a given number of reads.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "archive/archive.h"
#include "archive/collect.h"
#include "link/transaction.h"

namespace tq::archive::test {

class ScriptedReader final : public InstrumentReader {
 public:
  std::vector<SampleLogEntry> samples;
  std::vector<DiagnosticLogEntry> diagnostics;
  int reads = 0;                // Transactions, clears included
  int unplug_after = -1;        // reads that succeed before the cable goes
  int interrupt_after = -1;     // Interrupted() checks before Ctrl+C
  int touch_newest_after = -1;  // reads after which the newest sample pumps on
  bool sample_log_cleared = false;

  int ReadSampleEntry(std::uint16_t index, SampleRaw& raw) override {
    if (Unplugged()) return kResultLinkFailure;
    if (index >= samples.size()) return kResultNoSuchEntry;
    EncodeSampleLogEntry(samples[index], raw);
    return kResultOk;
  }
  int StartDiagnosticRead() override {
    cursor_ = 0;
    return Unplugged() ? kResultLinkFailure : kResultOk;
  }
  int ReadDiagnosticEntry(DiagnosticRaw& raw) override {
    if (Unplugged()) return kResultLinkFailure;
    if (cursor_ >= diagnostics.size()) return 3;
    EncodeDiagnosticLogEntry(diagnostics[cursor_++], raw);
    return kResultOk;
  }
  int ClearSampleLog() override {
    if (Unplugged()) return kResultLinkFailure;
    samples.clear();
    sample_log_cleared = true;
    return kResultOk;
  }
  int ClearDiagnosticLog() override {
    if (Unplugged()) return kResultLinkFailure;
    diagnostics.clear();
    return kResultOk;
  }
  bool Interrupted() override { return interrupt_after >= 0 && checks_++ >= interrupt_after; }

  void reconnect() {
    unplug_after = -1;
    interrupt_after = -1;
    checks_ = 0;
  }

 private:
  bool Unplugged() {
    ++reads;
    if (reads == touch_newest_after + 1 && !samples.empty()) samples.back().volume += 0.1F;
    return unplug_after >= 0 && reads > unplug_after;
  }
  std::size_t cursor_ = 0;
  int checks_ = 0;
};

// The n-th sample of a season: one every three hours.
inline SampleLogEntry sample(int n, float volume = 2.5F) {
  SampleLogEntry e;
  e.cartridge_id = static_cast<std::uint16_t>(100 + n);
  e.start_time = 1790000000u + static_cast<std::uint32_t>(n) * 10800u;
  e.duration = 600;
  e.treatment = 3;
  e.stop_reason = 6;
  e.volume = volume;
  e.max_pressure = 0.35F;
  return e;
}

inline DiagnosticLogEntry diagnostic(std::int32_t counter, const char* message = "pump started") {
  DiagnosticLogEntry e;
  e.counter = counter;
  e.line = 120;
  e.task_id = 2;
  e.severity = kSeverityInformation;
  std::copy_n("RunPump", 7, e.function.begin());
  for (std::size_t i = 0; message[i] != '\0' && i + 1 < e.message.size(); ++i) {
    e.message[i] = message[i];
  }
  return e;
}

// An archive in a file of its own, removed afterwards.
class ArchiveFile {
 public:
  explicit ArchiveFile(const std::string& name = "archive.sqlite") {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = std::filesystem::temp_directory_path() /
              (std::string("tarnquill-archive-") + info->test_suite_name() + "-" + info->name());
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    path = (folder_ / name).string();
  }
  ~ArchiveFile() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  ArchiveFile(const ArchiveFile&) = delete;
  ArchiveFile& operator=(const ArchiveFile&) = delete;

  [[nodiscard]] std::string sibling(const std::string& name) const {
    return (folder_ / name).string();
  }
  std::string path;

 private:
  std::filesystem::path folder_;
};

inline Archive open_archive(const std::string& path) {
  std::string error;
  auto archive = OpenArchive(path, &error);
  EXPECT_TRUE(archive) << error;
  return archive ? std::move(*archive) : Archive{};
}

struct Collected {
  CollectResult result;
  DownloadCounts counts;
  int reads = 0;
};

// One collection from `reader` as instrument `serial`, at computer time `utc`.
inline Collected collect(Archive& archive, ScriptedReader& reader, std::uint16_t serial = 1001,
                         CollectOptions options = {}, std::int64_t utc = 1796725800) {
  static std::uint32_t random = 1;
  DownloadStart start;
  start.uid = MakeDownloadUid(utc, serial, random++);
  start.serial = serial;
  start.device_type = 42;
  start.device_text = "A0042 Simulator";
  start.name = "Unit " + std::to_string(serial);
  start.firmware = "3.2.0-sim";
  start.host = "field-laptop";
  start.tool_version = "2.4.3";
  start.started_utc = utc;
  start.instrument_clock = utc + 7;
  start.clock_read_utc = utc;
  std::string error;
  const auto download = BeginDownload(archive, start, &error);
  EXPECT_TRUE(download) << error;
  const int before = reader.reads;
  Collected collected;
  collected.result = CollectLogs(archive, *download, serial, reader, options);
  EXPECT_TRUE(EndDownload(archive, *download, utc + 40, collected.result.completed, &error));
  collected.counts = CountsOf(archive, *download);
  collected.reads = reader.reads - before;
  return collected;
}

inline std::int64_t count_rows(Archive& archive, const std::string& sql) {
  Statement query(archive.db.get(), sql);
  return query.step() ? query.integer(0) : -1;
}

}  // namespace tq::archive::test
