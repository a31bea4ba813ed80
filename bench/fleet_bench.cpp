// Pushing archives into a fleet database: 100,000 sample entries from 200 instruments into
// an empty database, the same archive again (nothing new), and eight laptops pushing at
// once archives of 20,000 entries of which half are the same entries, checked to end with
// exactly their union. The databases are given (tools/bench-fleet starts a server and makes
// them); prints figures and their ratios to the goals.
//
//   tarnquill-bench-fleet --to CONNINFO --to-concurrent CONNINFO [--folder DIR]
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "archive/archive.h"
#include "fleet/push.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::int64_t kStartUtc = 1796725800;
constexpr int kEntriesPerInstrument = 500;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

tq::SampleLogEntry SampleAt(int serial, int index) {
  tq::SampleLogEntry e;
  e.cartridge_id = static_cast<std::uint16_t>(index + 1);
  e.start_time = 1777593600u + static_cast<std::uint32_t>(index) * 10800u +
                 static_cast<std::uint32_t>(serial) * 7u;
  e.duration = 120u + static_cast<std::uint32_t>(index % 40);
  e.treatment = 3;
  e.stop_reason = index % 17 == 0 ? 5 : 6;
  e.volume = 2.0F + static_cast<float>(index % 10) * 0.013F;
  return e;
}

// An archive holding the logs of instruments `serials`, each collected once by `laptop`.
bool Build(const std::string& path, const std::vector<int>& serials, std::uint32_t laptop) {
  for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(path + suffix);
  std::string error;
  auto archive = tq::archive::OpenArchive(path, &error);
  if (!archive) return std::fprintf(stderr, "%s\n", error.c_str()), false;
  for (const int serial : serials) {
    tq::archive::DownloadStart start;
    start.serial = static_cast<std::uint16_t>(serial);
    start.started_utc = kStartUtc + serial;
    start.uid = tq::archive::MakeDownloadUid(start.started_utc, start.serial, laptop);
    start.device_text = "A0042 Simulator";
    start.name = "Unit " + std::to_string(serial);
    start.firmware = "3.2.0";
    start.host = "laptop-" + std::to_string(laptop);
    start.tool_version = "bench";
    start.instrument_clock = start.started_utc + serial % 9;
    start.clock_read_utc = start.started_utc;
    const auto download = tq::archive::BeginDownload(*archive, start, &error);
    if (!download) return std::fprintf(stderr, "%s\n", error.c_str()), false;
    (void)tq::archive::execute(archive->db.get(), "SAVEPOINT bulk");
    const std::int64_t epoch = SampleAt(serial, 0).start_time;
    for (int index = 0; index < kEntriesPerInstrument; ++index) {
      tq::archive::SampleRaw raw{};
      tq::EncodeSampleLogEntry(SampleAt(serial, index), raw);
      if (tq::archive::StoreSample(*archive, *download, start.serial, epoch,
                                   static_cast<std::uint32_t>(index),
                                   raw) == tq::archive::Stored::kFailed) {
        return std::fprintf(stderr, "storing failed\n"), false;
      }
    }
    (void)tq::archive::execute(archive->db.get(), "RELEASE bulk");
    if (!tq::archive::EndDownload(*archive, *download, start.started_utc + 60, true, &error)) {
      return std::fprintf(stderr, "%s\n", error.c_str()), false;
    }
  }
  return true;
}

tq::fleet::PushResult PushFile(const std::string& path, const std::string& to) {
  tq::fleet::PushResult result;
  std::string error;
  auto archive = tq::archive::OpenArchive(path, &error, false);
  tq::fleet::ConnectOutcome connected = tq::fleet::Connect(to);
  if (!archive || !connected.connected) {
    result.error = archive ? connected.message : error;
    return result;
  }
  return tq::fleet::PushArchive(*archive, *connected.connected, {});
}

long long Count(const std::string& to) {
  tq::fleet::ConnectOutcome connected = tq::fleet::Connect(to);
  if (!connected.connected) return -1;
  tq::fleet::Failure failure;
  tq::fleet::ResultHandle count = tq::fleet::Run(
      connected.connected->conn.get(), "SELECT count(*) FROM tarnquill.sample_entries", &failure);
  return count ? std::atoll(PQgetvalue(count.get(), 0, 0)) : -1;
}

void Row(const char* what, double seconds, double goal) {
  std::printf("| %s | %.3f s | under %.0f s | %.3f |\n", what, seconds, goal, seconds / goal);
}

}  // namespace

int main(int argc, char** argv) {
  std::string to;
  std::string to_concurrent;
  std::filesystem::path folder = std::filesystem::temp_directory_path();
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--to") to = argv[i + 1];
    if (option == "--to-concurrent") to_concurrent = argv[i + 1];
    if (option == "--folder") folder = argv[i + 1];
  }
  if (to.empty() || to_concurrent.empty()) {
    std::fprintf(stderr, "usage: tarnquill-bench-fleet --to CONNINFO --to-concurrent CONNINFO\n");
    return 2;
  }

  // 200 instruments of 500 entries: 100,000.
  std::vector<int> fleet;
  for (int serial = 1000; serial < 1200; ++serial) fleet.push_back(serial);
  const std::string big = (folder / "fleet-100k.sqlite").string();
  if (!Build(big, fleet, 1)) return 1;
  auto started = Clock::now();
  const auto first = PushFile(big, to);
  const double first_s = Seconds(started);
  started = Clock::now();
  const auto again = PushFile(big, to);
  const double again_s = Seconds(started);
  if (first.status != tq::fleet::PushStatus::kDone ||
      again.status != tq::fleet::PushStatus::kDone) {
    std::fprintf(stderr, "push failed: %s%s\n", first.error.c_str(), again.error.c_str());
    return 1;
  }

  // Eight laptops: 20 instruments every laptop collected (10,000 entries) and 20 of their own.
  constexpr int kLaptops = 8;
  std::vector<std::string> paths;
  for (int laptop = 0; laptop < kLaptops; ++laptop) {
    std::vector<int> serials;
    for (int serial = 2000; serial < 2020; ++serial) serials.push_back(serial);
    for (int serial = 0; serial < 20; ++serial) serials.push_back(3000 + laptop * 20 + serial);
    paths.push_back((folder / ("laptop-" + std::to_string(laptop) + ".sqlite")).string());
    if (!Build(paths.back(), serials, static_cast<std::uint32_t>(laptop + 10))) return 1;
  }
  std::vector<tq::fleet::PushResult> results(kLaptops);
  std::vector<std::thread> pushers;
  started = Clock::now();
  for (std::size_t laptop = 0; laptop < paths.size(); ++laptop) {
    pushers.emplace_back([&, laptop] { results[laptop] = PushFile(paths[laptop], to_concurrent); });
  }
  for (auto& pusher : pushers) pusher.join();
  const double concurrent_s = Seconds(started);
  int failed = 0;
  long long retries = 0;
  for (const auto& result : results) {
    if (result.status != tq::fleet::PushStatus::kDone) {
      ++failed;
      std::fprintf(stderr, "a pusher failed: %s\n", result.error.c_str());
    }
    retries += result.retries;
  }
  const long long held = Count(to_concurrent);
  const long long expected = 20LL * kEntriesPerInstrument * (1 + kLaptops);

  std::printf("| Measure | Time | Goal | Ratio |\n|---|---|---|---|\n");
  Row("push of 100,000 entries from 200 instruments into an empty database", first_s, 10);
  Row("the same push again (nothing new)", again_s, 1);
  std::printf(
      "| eight concurrent pushers, 20,000 entries each, half shared | %.3f s | "
      "the union, no error | %lld of %lld entries, %d failed, %lld retried "
      "transactions |\n",
      concurrent_s, held, expected, failed, retries);
  std::printf("\nfirst push: %lld entries new, %lld batches; again: %lld sent\n",
              static_cast<long long>(first.counts.samples.added),
              static_cast<long long>(first.batches),
              static_cast<long long>(again.counts.samples.added + again.counts.samples.present));
  return failed == 0 && held == expected ? 0 : 1;
}
