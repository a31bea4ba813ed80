// tarnquill-bench-link: Transactions through a real serial port against a responder.
// Prints the Transaction rate and the software overhead per Transaction with a responder
// that answers at once, with where that time goes, then the Transaction time against the
// wire limit with a responder paced like a 38400-baud line.
//
//   tarnquill-bench-link [--transactions N] [--paced-transactions M]
//                        [--port NAME [--device-port NAME]] [--summary]
//
// With --summary it prints only "figure NAME VALUE" lines, for tools/bench to put the
// figures of several runs side by side.
//
// Without --port (POSIX only) it runs over a pseudo-terminal pair with the responder in
// this process. With --port alone, an external responder (tarnquill-bench-responder)
// answers on that port; with --device-port too, the responder runs in this process on
// the far end of a null-modem pair.
#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "bench/bench_line.h"
#include "bench/responder.h"
#include "bench/timing_port.h"
#include "link/transaction.h"

namespace tq::bench {
namespace {

using Clock = std::chrono::steady_clock;
using Millis = std::chrono::duration<double, std::milli>;

constexpr std::uint8_t kGetSystemStatus = 0x27;
constexpr int kWarmUp = 5;

struct Options {
  int transactions = 2000;
  int paced_transactions = 30;
  std::string port;
  std::string device_port;
  bool summary = false;
};

struct Samples {
  std::vector<double> ms;  // one per successful Transaction
  int failures = 0;
  double total_s = 0;
};

bool ParseCount(std::string_view text, int& out) {
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < 1) return false;
  out = value;
  return true;
}

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--transactions" && has_value) {
      if (!ParseCount(argv[++i], options.transactions)) return false;
    } else if (arg == "--paced-transactions" && has_value) {
      if (!ParseCount(argv[++i], options.paced_transactions)) return false;
    } else if (arg == "--port" && has_value) {
      options.port = argv[++i];
    } else if (arg == "--device-port" && has_value) {
      options.device_port = argv[++i];
    } else if (arg == "--summary") {
      options.summary = true;
    } else {
      return false;
    }
  }
  return options.device_port.empty() || !options.port.empty();
}

BenchLine OpenLine(const Options& options, std::string* error) {
  if (options.port.empty()) return OpenDefaultLine(error);
  BenchLine line;
  line.host = OpenSerialPort(options.port);
  if (!line.host) {
    *error = "cannot open " + options.port;
    return line;
  }
  if (options.device_port.empty()) {
    line.description = options.port + " (external responder)";
    return line;
  }
  line.device = OpenSerialPort(options.device_port);
  if (!line.device) {
    line.host.reset();
    *error = "cannot open " + options.device_port;
    return line;
  }
  line.description = options.port + " to " + options.device_port + " (responder in process)";
  return line;
}

int SetPacing(Connection& connection, bool on) {
  Frame frame{};
  frame[kOffCommand] = kBenchPacingCommand;
  frame[kOffLength] = 1;
  frame[kOffPayload] = on ? 1 : 0;
  return RunCommand(&connection, frame);
}

Samples Measure(Connection& connection, int count) {
  Samples samples;
  samples.ms.reserve(static_cast<std::size_t>(count));
  const auto start = Clock::now();
  for (int i = 0; i < count; ++i) {
    Frame frame{};
    frame[kOffCommand] = kGetSystemStatus;
    const auto before = Clock::now();
    const int result = RunCommand(&connection, frame);
    const auto after = Clock::now();
    if (result == kResultOk) {
      samples.ms.push_back(Millis(after - before).count());
    } else {
      ++samples.failures;
    }
  }
  samples.total_s = std::chrono::duration<double>(Clock::now() - start).count();
  return samples;
}

double Mean(const std::vector<double>& v) {
  double sum = 0;
  for (double x : v) sum += x;
  return v.empty() ? 0 : sum / static_cast<double>(v.size());
}

double Quantile(std::vector<double> v, double q) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const auto index = static_cast<std::size_t>(std::lround(q * static_cast<double>(v.size() - 1)));
  return v[index];
}

// The report, as text or as figure lines.
class Report {
 public:
  explicit Report(bool summary) : summary_(summary) {}
  // A line of the text report (printf-style); nothing in summary mode.
  template <typename... Args>
  void Say(const char* format, Args... args) const {
    if (!summary_) std::printf(format, args...);
  }
  void Figure(const char* name, double value) const {
    if (summary_) std::printf("figure %s %.4f\n", name, value);
  }

 private:
  bool summary_;
};

void ReportSpread(const Report& r, const char* prefix, const Samples& s) {
  const double mean = Mean(s.ms);
  const double median = Quantile(s.ms, 0.5);
  const double p95 = Quantile(s.ms, 0.95);
  const double max = Quantile(s.ms, 1.0);
  r.Say("  per Transaction: mean %.3f ms, median %.3f ms, p95 %.3f ms, max %.3f ms\n", mean, median,
        p95, max);
  const std::string p = prefix;
  r.Figure((p + "_mean_ms").c_str(), mean);
  r.Figure((p + "_median_ms").c_str(), median);
  r.Figure((p + "_p95_ms").c_str(), p95);
  r.Figure((p + "_max_ms").c_str(), max);
}

void ReportPhases(const Report& r, const Phases& phases, const Samples& quick) {
  const double n = static_cast<double>(phases.writes == 0 ? 1 : phases.writes);
  const auto per = [&](Phases::Duration d) { return Millis(d).count() / n; };
  const double total = Mean(quick.ms);
  const double port = per(phases.purge) + per(phases.write) + per(phases.first_byte) +
                      per(phases.other_bytes) + per(phases.end_reads);
  r.Say("  where it goes, per Transaction:\n");
  r.Say("    purge %.3f ms, write and flush %.3f ms\n", per(phases.purge), per(phases.write));
  r.Say("    first byte %.3f ms (the responder, the line and the read's wake-up)\n",
        per(phases.first_byte));
  r.Say("    the other %.0f reads %.3f ms, putting the read time-out back %.3f ms\n",
        static_cast<double>(phases.reads) / n - 1, per(phases.other_bytes), per(phases.end_reads));
  r.Say("    the engine itself (lock, stamp, scans, counters) %.3f ms\n", total - port);
  r.Figure("phase_write_ms", per(phases.write));
  r.Figure("phase_first_byte_ms", per(phases.first_byte));
  r.Figure("phase_other_reads_ms", per(phases.other_bytes));
  r.Figure("phase_end_reads_ms", per(phases.end_reads));
  r.Figure("phase_engine_ms", total - port);
}

int Run(const Options& options) {
  std::string error;
  BenchLine line = OpenLine(options, &error);
  if (!line.host) {
    std::fprintf(stderr, "tarnquill-bench-link: %s\n", error.c_str());
    return 1;
  }
  std::atomic<bool> stop{false};
  std::thread responder;
  if (line.device) {
    responder = std::thread([&] { ServeRequests(*line.device, ResponderOptions{}, stop); });
  }
  auto timing = std::make_unique<TimingPort>(std::move(line.host));
  TimingPort& timed = *timing;
  const ConnectionRef connection = CreateConnectionOnPort(std::move(timing));
  const Report r(options.summary);

  r.Say("tarnquill-bench-link over %s\n", line.description.c_str());
  int failures = 0;
  if (SetPacing(*connection, false) != kResultOk) {
    std::fprintf(stderr, "tarnquill-bench-link: the responder does not answer\n");
    failures = 1;
  } else {
    (void)Measure(*connection, kWarmUp);
    timed.Reset();
    const Samples quick = Measure(*connection, options.transactions);
    const Phases phases = timed.phases();
    const double rate = static_cast<double>(quick.ms.size()) / quick.total_s;
    r.Say("responder answering at once: %d Transactions in %.3f s, %.1f Transactions/s\n",
          options.transactions, quick.total_s, rate);
    r.Figure("unpaced_per_second", rate);
    r.Say("  software overhead per Transaction (line and responder included):\n");
    ReportSpread(r, "unpaced", quick);
    ReportPhases(r, phases, quick);

    const int paced_on = SetPacing(*connection, true);
    const Samples paced = Measure(*connection, options.paced_transactions);
    (void)SetPacing(*connection, false);
    const double wire_ms = Millis(kWireLimit).count();
    r.Say("responder paced at 38400 baud (one byte per %.1f us): %d Transactions\n",
          std::chrono::duration<double, std::micro>(LineTime(1)).count(),
          options.paced_transactions);
    ReportSpread(r, "paced", paced);
    r.Say("  wire limit 2 x 128 bytes x 10 bits / 38400 baud = %.2f ms\n", wire_ms);
    r.Say("  measured / wire limit: mean %.4f, median %.4f (goal: within 2%%)\n",
          Mean(paced.ms) / wire_ms, Quantile(paced.ms, 0.5) / wire_ms);
    r.Say("  time above the wire limit: mean %.3f ms\n", Mean(paced.ms) - wire_ms);
    r.Figure("paced_ratio_mean", Mean(paced.ms) / wire_ms);
    r.Figure("paced_ratio_median", Quantile(paced.ms, 0.5) / wire_ms);
    failures = quick.failures + paced.failures + (paced_on == kResultOk ? 0 : 1);
  }
  r.Say("failed Transactions: %d\n", failures);
  r.Say("link counters: %s", FormatConnectionStats(ReadConnectionStats(*connection)).c_str());
  r.Figure("failed", failures);

  stop.store(true);
  if (responder.joinable()) responder.join();
  return failures == 0 ? 0 : 1;
}

}  // namespace
}  // namespace tq::bench

int main(int argc, char** argv) {
  tq::bench::Options options;
  if (!tq::bench::ParseOptions(argc, argv, options)) {
    std::fputs(
        "usage: tarnquill-bench-link [--transactions N] [--paced-transactions M]\n"
        "                            [--port NAME [--device-port NAME]] [--summary]\n",
        stderr);
    return 2;
  }
  return tq::bench::Run(options);
}
