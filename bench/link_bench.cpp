// tarnquill-bench-link: Transactions through a real serial port against a responder.
// Prints the Transaction rate and the software overhead per Transaction with a responder
// that answers at once, then the Transaction time against the wire limit with a
// responder paced like a 38400-baud line.
//
//   tarnquill-bench-link [--transactions N] [--paced-transactions M]
//                        [--port NAME [--device-port NAME]]
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

void PrintSpread(const Samples& s) {
  std::printf("  per Transaction: mean %.3f ms, median %.3f ms, p95 %.3f ms, max %.3f ms\n",
              Mean(s.ms), Quantile(s.ms, 0.5), Quantile(s.ms, 0.95), Quantile(s.ms, 1.0));
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
  const ConnectionRef connection = CreateConnectionOnPort(std::move(line.host));

  std::printf("tarnquill-bench-link over %s\n", line.description.c_str());
  int failures = 0;
  if (SetPacing(*connection, false) != kResultOk) {
    std::fprintf(stderr, "tarnquill-bench-link: the responder does not answer\n");
    failures = 1;
  } else {
    (void)Measure(*connection, kWarmUp);
    const Samples quick = Measure(*connection, options.transactions);
    std::printf("responder answering at once: %d Transactions in %.3f s, %.1f Transactions/s\n",
                options.transactions, quick.total_s,
                static_cast<double>(quick.ms.size()) / quick.total_s);
    std::printf("  software overhead per Transaction (line and responder included):\n");
    PrintSpread(quick);

    const int paced_on = SetPacing(*connection, true);
    const Samples paced = Measure(*connection, options.paced_transactions);
    (void)SetPacing(*connection, false);
    const double wire_ms = Millis(kWireLimit).count();
    std::printf("responder paced at 38400 baud (one byte per %.1f us): %d Transactions\n",
                std::chrono::duration<double, std::micro>(LineTime(1)).count(),
                options.paced_transactions);
    PrintSpread(paced);
    std::printf("  wire limit 2 x 128 bytes x 10 bits / 38400 baud = %.2f ms\n", wire_ms);
    std::printf("  measured / wire limit: mean %.4f, median %.4f (goal: within 2%%)\n",
                Mean(paced.ms) / wire_ms, Quantile(paced.ms, 0.5) / wire_ms);
    std::printf("  time above the wire limit: mean %.3f ms\n", Mean(paced.ms) - wire_ms);
    failures = quick.failures + paced.failures + (paced_on == kResultOk ? 0 : 1);
  }
  std::printf("failed Transactions: %d\n", failures);

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
        "                            [--port NAME [--device-port NAME]]\n",
        stderr);
    return 2;
  }
  return tq::bench::Run(options);
}
