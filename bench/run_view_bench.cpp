// tarnquill-bench-run-view: the Run view listing a long sample log, the window's answer
// time meanwhile, and the processor time of idle polling.
//
//   tarnquill-bench-run-view [--entries N] [--idle-seconds S] [--port NAME]
//                            [--simulator PROGRAM] [--unpaced]
//
// With --port, a simulator already serves that port (tarnquill-sim --pace-line --scenario
// log500 or log5000, as tools/bench-run-view starts it). Without it (POSIX only) the benchmark
// starts tarnquill-sim itself, paced like the real line unless --unpaced.
#include "bench/run_view_bench.h"

#include <charconv>
#include <cstdio>
#include <string_view>

namespace tq::bench {
namespace {

constexpr double kTransactionWireMs = 256 * 10 * 1000.0 / 38400;  // 66.7 ms
constexpr double kEntryWaitMs = 2;

struct Options {
  RunViewBenchOptions bench;
  std::string port;
  std::string simulator = TARNQUILL_DEFAULT_SIMULATOR;
  bool paced = true;
};

bool ParseNumber(std::string_view text, double& out) {
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || !(value >= 0)) return false;
  out = value;
  return true;
}

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool has_value = i + 1 < argc;
    double number = 0;
    if (arg == "--entries" && has_value && ParseNumber(argv[i + 1], number) && number >= 1 &&
        number <= 65536) {
      options.bench.entries = static_cast<int>(number);
      ++i;
    } else if (arg == "--idle-seconds" && has_value && ParseNumber(argv[i + 1], number)) {
      options.bench.idle_seconds = number;
      ++i;
    } else if (arg == "--port" && has_value) {
      options.port = argv[++i];
    } else if (arg == "--simulator" && has_value) {
      options.simulator = argv[++i];
    } else if (arg == "--unpaced") {
      options.paced = false;
    } else {
      return false;
    }
  }
  return true;
}

void Print(const RunViewBenchOptions& options, const RunViewBenchFigures& figures) {
  const double limit = ListingWireLimitMs(options.entries);
  std::printf("listing: %d of %d rows in %.1f ms; wire limit %.1f ms; ratio %.4f\n", figures.rows,
              options.entries, figures.listing_ms, limit, figures.listing_ms / limit);
  std::printf(
      "window answer: longest %.2f ms over %d messages while listing (%.2f ms before, "
      "while the view was made)\n",
      figures.longest_answer_ms, figures.answers, figures.longest_connect_ms);
  if (!figures.slowest_message.empty()) {
    std::printf("slowest message while listing: %s, %.2f ms\n", figures.slowest_message.c_str(),
                figures.slowest_message_ms);
  }
  const double share =
      figures.idle_seconds > 0 ? 100.0 * figures.idle_cpu_seconds / figures.idle_seconds : 0;
  std::printf(
      "idle polling: %.3f s of processor time in %.1f s: %.3f %% of one core "
      "(%.2f s per minute)\n",
      figures.idle_cpu_seconds, figures.idle_seconds, share, share * 0.6);
}

}  // namespace

double ListingWireLimitMs(int entries) { return entries * (kTransactionWireMs + kEntryWaitMs); }

std::string LogScenario(int entries) { return entries > 500 ? "log5000" : "log500"; }

}  // namespace tq::bench

int main(int argc, char** argv) {
  using namespace tq::bench;
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: tarnquill-bench-run-view [--entries N] [--idle-seconds S] [--port NAME]\n"
                 "                                [--simulator PROGRAM] [--unpaced]\n");
    return 2;
  }
  std::string error;
  const BenchInstrument instrument = OpenBenchInstrument(
      options.port, options.simulator, LogScenario(options.bench.entries), options.paced, &error);
  if (!instrument.connection) {
    std::fprintf(stderr, "tarnquill-bench-run-view: %s\n", error.c_str());
    return 1;
  }
  std::printf("instrument: %s\n", instrument.description.c_str());
  std::fflush(stdout);
  const RunViewBenchFigures figures = MeasureRunView(instrument.connection, options.bench);
  Print(options.bench, figures);
  if (!figures.listed) {
    std::fprintf(stderr, "tarnquill-bench-run-view: only %d rows arrived\n", figures.rows);
    return 1;
  }
  return 0;
}
