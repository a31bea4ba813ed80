// The archive's export and size at fleet scale: an archive of N instruments with M sample
// entries each, built as collections would build it, then `archive samples --format csv`'s
// work timed. Prints figures and their ratios to the goals (2 s, 200 bytes an entry).
//
//   tarnquill-bench-archive [--instruments N] [--entries M] [--folder DIR]
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "archive/archive.h"
#include "archive/samples.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::int64_t kStartUtc = 1796725800;

tq::SampleLogEntry SampleAt(int instrument, int index) {
  tq::SampleLogEntry e;
  e.cartridge_id = static_cast<std::uint16_t>(index + 1);
  e.start_time = 1777593600u + static_cast<std::uint32_t>(index) * 10800u +
                 static_cast<std::uint32_t>(instrument) * 7u;
  e.duration = 120u + static_cast<std::uint32_t>(index % 40);
  e.treatment = 3;
  e.stop_reason = index % 17 == 0 ? 5 : 6;
  e.volume = 2.0F + static_cast<float>(index % 10) * 0.013F;
  e.max_pressure = 0.4F + static_cast<float>(index % 7) * 0.021F;
  return e;
}

}  // namespace

int main(int argc, char** argv) {
  int instruments = 200;
  int entries = 500;
  std::filesystem::path folder = std::filesystem::temp_directory_path();
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--instruments") instruments = std::stoi(argv[i + 1]);
    if (option == "--entries") entries = std::stoi(argv[i + 1]);
    if (option == "--folder") folder = argv[i + 1];
  }
  const std::string path = (folder / "tarnquill-bench-archive.sqlite").string();
  for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(path + suffix);
  std::string error;
  auto archive = tq::archive::OpenArchive(path, &error);
  if (!archive) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  const auto built = Clock::now();
  for (int unit = 0; unit < instruments; ++unit) {
    tq::archive::DownloadStart start;
    start.serial = static_cast<std::uint16_t>(1000 + unit);
    start.uid = tq::archive::MakeDownloadUid(kStartUtc, start.serial, 1);
    start.device_text = "A0042 Simulator";
    start.name = "Unit " + std::to_string(start.serial);
    start.firmware = "3.2.0";
    start.host = "bench";
    start.tool_version = "bench";
    start.started_utc = kStartUtc + unit;
    start.instrument_clock = start.started_utc + unit % 9;
    start.clock_read_utc = start.started_utc;
    const auto download = tq::archive::BeginDownload(*archive, start, &error);
    if (!download) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return 1;
    }
    // One instrument's log collected in one go: a transaction around its entries, as a
    // first collection at line speed would leave them.
    (void)tq::archive::execute(archive->db.get(), "SAVEPOINT bulk");
    for (int index = 0; index < entries; ++index) {
      tq::archive::SampleRaw raw{};
      tq::EncodeSampleLogEntry(SampleAt(unit, index), raw);
      const std::int64_t epoch = tq::SampleLogEntry{SampleAt(unit, 0)}.start_time;
      if (tq::archive::StoreSample(*archive, *download, start.serial, epoch,
                                   static_cast<std::uint32_t>(index),
                                   raw) == tq::archive::Stored::kFailed) {
        std::fprintf(stderr, "storing failed\n");
        return 1;
      }
    }
    (void)tq::archive::execute(archive->db.get(), "RELEASE bulk");
  }
  (void)tq::archive::execute(archive->db.get(), "PRAGMA wal_checkpoint(TRUNCATE)");
  const double build_s = std::chrono::duration<double>(Clock::now() - built).count();

  const auto exported = Clock::now();
  const auto rows = tq::archive::ReadSamples(*archive, {});
  const std::string csv = tq::archive::SamplesCsv(rows);
  const double export_s = std::chrono::duration<double>(Clock::now() - exported).count();

  const auto total = static_cast<double>(instruments) * entries;
  const auto bytes = static_cast<double>(std::filesystem::file_size(path));
  std::printf("archive of %d instruments x %d entries (%.0f): built in %.2f s\n", instruments,
              entries, total, build_s);
  std::printf("archive samples --format csv: %zu rows, %.1f MB in %.3f s (goal 2 s: ratio %.2f)\n",
              rows.size(), static_cast<double>(csv.size()) / 1e6, export_s, export_s / 2.0);
  std::printf("archive file: %.0f bytes, %.1f bytes an entry (goal 200: ratio %.2f)\n", bytes,
              bytes / total, bytes / total / 200.0);
  for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(path + suffix);
  return rows.size() == static_cast<std::size_t>(total) ? 0 : 1;
}
