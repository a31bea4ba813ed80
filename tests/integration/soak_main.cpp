// tarnquill-soak: a Poller reads the status and the sample log entry by entry while other
// threads send commands, against the simulator on a real serial line with a few percent
// of random faults, for a bounded time. Pollers are stopped and restarted mid-Transaction,
// and once the line is dropped and comes back, which the link must get over by itself.
// Every answer is checked against the
// instrument. At the end it prints what happened and fails on a crash, a hang, a wrong
// answer, a result the instrument would not give, or heap that keeps growing.
//
//   tarnquill-soak [--seconds N] [--fault-rate R] [--seed S] [--timeout MS]
//
// The duration defaults to TARNQUILL_SOAK_SECONDS, or 60 s.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "link/commands.h"
#include "link/poller.h"
#include "link/transaction.h"
#include "sim/diagnostic_log.h"
#include "tests/integration/checked_commands.h"
#include "tests/integration/fault_rig.h"
#include "tests/integration/process_usage.h"
#include "tests/support/scripted_device.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using tq::test::CheckedResult;

struct Options {
  double seconds = 60;
  double fault_rate = 0.03;
  std::uint64_t seed = 1;
  std::uint32_t timeout_ms = 300;
  int users = 2;
};

bool ParseOptions(int argc, char** argv, Options& options) {
  if (const char* env = std::getenv("TARNQUILL_SOAK_SECONDS")) options.seconds = std::atof(env);
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string_view key = argv[i];
    const char* value = argv[i + 1];
    if (key == "--seconds") {
      options.seconds = std::atof(value);
    } else if (key == "--fault-rate") {
      options.fault_rate = std::atof(value);
    } else if (key == "--seed") {
      options.seed = std::strtoull(value, nullptr, 10);
    } else if (key == "--timeout") {
      options.timeout_ms = static_cast<std::uint32_t>(std::strtoul(value, nullptr, 10));
    } else {
      return false;
    }
  }
  return argc % 2 == 1 && options.seconds >= 2 && options.timeout_ms > 0 &&
         options.fault_rate >= 0 && options.fault_rate <= 1;
}

struct Counts {
  std::atomic<std::uint64_t> ok{0};
  std::atomic<std::uint64_t> link_failures{0};
  std::atomic<std::uint64_t> instrument_results{0};  // other result bytes, as the instrument gave
  std::atomic<std::uint64_t> wrong{0};

  void Add(const CheckedResult& r) {
    if (r.wrong) ++wrong;
    if (r.result == tq::kResultOk) {
      ++ok;
    } else if (r.result == tq::kResultLinkFailure) {
      ++link_failures;
    } else {
      ++instrument_results;
    }
  }
  std::uint64_t Total() const { return ok + link_failures + instrument_results; }
};

// Everything the threads share, as a view shares its state with its poll routine.
struct Shared {
  tq::test::FaultRig rig;
  std::mutex connection_mutex;  // guards rig.connection, the program's current Connection
  Counts poller;
  Counts users;
  std::atomic<bool> quit{false};
  std::atomic<bool> users_paused{false};
  std::atomic<int> users_running{0};
  std::atomic<std::uint32_t> poll_period_ms{20};
  std::atomic<bool> poller_in_transaction{false};
  std::atomic<std::uint64_t> poller_cpu_us{0};
  // Where the next routine starts reading the log, so that restarted routines also reach
  // its end.
  std::atomic<std::uint16_t> poller_first_entry{0};

  tq::ConnectionRef Current() {
    std::lock_guard lock(connection_mutex);
    return rig.connection;
  }
  std::uint64_t Progress() const { return poller.Total() + users.Total(); }
};

// The Run view's routine, faster: the status, then entries one by one until the end of
// the log (where it starts again) or a failure, with a short wait before each.
tq::PollRoutine SoakRoutine(tq::ConnectionRef connection, std::shared_ptr<Shared> shared) {
  return [connection, shared](tq::Poller& p) {
    std::uint64_t cpu_mark = tq::test::ThreadCpuMicroseconds();
    const auto account_cpu = [&] {
      const std::uint64_t now = tq::test::ThreadCpuMicroseconds();
      shared->poller_cpu_us += now - cpu_mark;
      cpu_mark = now;
    };
    const auto run = [&](auto&& command) {
      shared->poller_in_transaction = true;
      const CheckedResult r = command();
      shared->poller_in_transaction = false;
      shared->poller.Add(r);
      return r;
    };
    const auto checked = tq::test::CheckedCommands();
    const tq::test::CheckedCommand& status = *std::find_if(
        checked.begin(), checked.end(),
        [](const tq::test::CheckedCommand& c) { return c.code == tq::kCmdGetSystemStatus; });
    std::uint16_t next = shared->poller_first_entry;
    shared->poller_first_entry = static_cast<std::uint16_t>((next + 170) % 510);
    while (tq::PollerWait(p, shared->poll_period_ms)) {
      run([&] { return status.run(connection.get(), *shared->rig.server, 0); });
      while (tq::PollerWait(p, 2)) {
        const CheckedResult r = run([&] {
          return tq::test::CheckedSampleLogEntry(connection.get(), *shared->rig.server, next);
        });
        if (r.result == tq::kResultOk) {
          ++next;
          continue;
        }
        if (r.result == tq::kResultNoSuchEntry) next = 0;
        break;
      }
      account_cpu();
    }
    account_cpu();
    return 0;
  };
}

void UserThread(std::shared_ptr<Shared> shared, std::uint64_t seed) {
  std::mt19937_64 rng(seed);
  const auto commands = tq::test::CheckedCommands();
  while (!shared->quit) {
    if (shared->users_paused) {
      std::this_thread::sleep_for(10ms);
      continue;
    }
    const tq::ConnectionRef connection = shared->Current();
    const auto& command = commands[rng() % commands.size()];
    shared->users.Add(
        command.run(connection.get(), *shared->rig.server, static_cast<std::uint32_t>(rng())));
    std::this_thread::sleep_for(std::chrono::microseconds(rng() % 3000));
  }
  --shared->users_running;
}

[[noreturn]] void Hung(const char* where) {
  std::printf("FAILED: no progress %s: a deadlock or a hang\n", where);
  std::fflush(stdout);
  std::_Exit(2);
}

struct DropFigures {
  double seconds = 0;
  double poller_ms = 0;
  double process_ms = 0;
  double back_after_ms = 0;  // from the line's return to the poller's next answer
};

// Drops the line for a while with the users idle and the poller at the Run view's own
// pace, measures what the polling costs meanwhile, then waits for the link to come back
// by itself, with the same Connection and the same poller.
DropFigures DropTheLine(Shared& shared, std::chrono::milliseconds length) {
  DropFigures figures;
  shared.users_paused = true;
  shared.poll_period_ms = 1000;
  const auto reconnections = shared.rig.server->Reconnections();
  shared.rig.server->DropLine(static_cast<std::uint32_t>((length + 400ms).count()));
  std::this_thread::sleep_for(200ms);  // the line is down, users have finished their command

  const auto start = Clock::now();
  const std::uint64_t poller_before = shared.poller_cpu_us;
  const std::uint64_t process_before = tq::test::ProcessCpuMicroseconds();
  std::this_thread::sleep_for(length);
  figures.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  figures.poller_ms = static_cast<double>(shared.poller_cpu_us - poller_before) / 1000.0;
  figures.process_ms =
      static_cast<double>(tq::test::ProcessCpuMicroseconds() - process_before) / 1000.0;

  if (!tq::test::WaitFor([&] { return shared.rig.server->Reconnections() > reconnections; },
                         10000ms)) {
    Hung("waiting for the line to come back");
  }
  const auto back = Clock::now();
  shared.poll_period_ms = 20;
  const std::uint64_t answered = shared.poller.ok;
  if (!tq::test::WaitFor([&] { return shared.poller.ok > answered; }, 10000ms)) {
    Hung("waiting for the link to open the port again");
  }
  figures.back_after_ms = std::chrono::duration<double, std::milli>(Clock::now() - back).count();
  shared.users_paused = false;
  return figures;
}

void PrintCounts(const char* who, const Counts& c) {
  std::printf(
      "%-7s %8llu transactions: %llu ok, %llu link failures (14), %llu instrument results\n", who,
      static_cast<unsigned long long>(c.Total()), static_cast<unsigned long long>(c.ok.load()),
      static_cast<unsigned long long>(c.link_failures.load()),
      static_cast<unsigned long long>(c.instrument_results.load()));
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: %s [--seconds N (>= 2)] [--fault-rate R (0-1)] [--seed S] "
                 "[--timeout MS]\n",
                 argv[0]);
    return 2;
  }
  auto shared = std::make_shared<Shared>();
  std::string error;
  shared->rig = tq::test::OpenFaultRig(options.timeout_ms, &error);
  if (!shared->rig.connection) {
    std::fprintf(stderr, "cannot set up the line: %s\n", error.c_str());
    return 1;
  }
  shared->rig.server->SetRandomFaults(options.fault_rate, options.seed);
  // Toggling the LED adds entries to the instrument's diagnostic log until it is full;
  // filled up front, so that the heap figures show the program and not the simulator.
  shared->rig.server->WithInstrument([](tq::sim::Instrument& in) {
    const tq::sim::LogSite site{tq::sim::kTaskHousekeeping, "soak_fill", 1};
    for (std::size_t i = 0; i < tq::sim::kDiagnosticLogCapacity; ++i) {
      tq::sim::LogEvent(in, site, tq::kSeverityError, "filler");
    }
  });

  const auto total =
      std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(options.seconds));
  const auto drop_length = std::clamp<std::chrono::milliseconds>(
      std::chrono::duration_cast<std::chrono::milliseconds>(total / 10), 1000ms, 3000ms);
  const auto warm_up = total / 5;
  const auto drop_at = total * 3 / 5;
  const auto restart_every = std::max<Clock::duration>(total / 12, 1s);

  tq::PollerHandle poller = tq::PollerStart(SoakRoutine(shared->rig.connection, shared), 0);
  std::vector<std::thread> users;
  for (int i = 0; i < options.users; ++i) {
    ++shared->users_running;
    users.emplace_back(UserThread, shared, options.seed * 1000 + static_cast<std::uint64_t>(i));
  }

  const auto start = Clock::now();
  auto last_restart = start;
  auto last_progress_time = start;
  std::uint64_t last_progress = 0;
  std::uint64_t heap_warm = 0;
  int restarts = 0;
  int restarts_mid_transaction = 0;
  int wakes = 0;
  bool dropped = false;
  DropFigures drop;
  std::mt19937 rng(static_cast<std::mt19937::result_type>(options.seed));

  while (Clock::now() - start < total) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50 + rng() % 100));
    const auto now = Clock::now();
    if (heap_warm == 0 && now - start >= warm_up) heap_warm = tq::test::HeapBytesInUse();
    if (!dropped && now - start >= drop_at) {
      drop = DropTheLine(*shared, drop_length);
      dropped = true;
      last_progress_time = Clock::now();
      continue;
    }
    if (now - last_restart >= restart_every) {
      // The view closes and opens again, whatever its poller is doing.
      if (shared->poller_in_transaction) ++restarts_mid_transaction;
      poller = tq::PollerStop(std::move(poller));
      poller = tq::PollerStart(SoakRoutine(shared->Current(), shared), 0);
      ++restarts;
      last_restart = now;
    } else if (rng() % 3 == 0) {
      tq::PollerWake(poller);
      ++wakes;
    }
    const std::uint64_t progress = shared->Progress();
    if (progress != last_progress) {
      last_progress = progress;
      last_progress_time = now;
    } else if (now - last_progress_time > 10 * std::chrono::milliseconds(options.timeout_ms) + 5s) {
      Hung("in the running threads");
    }
  }
  const std::uint64_t heap_end = tq::test::HeapBytesInUse();

  shared->quit = true;
  if (!tq::test::WaitFor([&] { return shared->users_running == 0; }, 30000ms)) {
    Hung("stopping the user threads");
  }
  for (auto& thread : users) thread.join();
  const std::weak_ptr<tq::Poller> last_poller = poller.Watch();
  poller = tq::PollerStop(std::move(poller));
  if (!tq::test::WaitFor([&] { return last_poller.expired(); }, 30000ms)) {
    Hung("stopping the poller");
  }

  const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  std::printf(
      "soak: %.0f s over a %s, random faults on %.1f%% of requests (seed %llu), "
      "time limit %u ms\n",
      elapsed, shared->rig.unplug_is_visible ? "pseudo-terminal" : "COM port pair",
      options.fault_rate * 100, static_cast<unsigned long long>(options.seed), options.timeout_ms);
  PrintCounts("poller", shared->poller);
  PrintCounts("users", shared->users);
  const std::uint64_t wrong = shared->poller.wrong + shared->users.wrong;
  std::printf("wrong answers or result bytes: %llu\n", static_cast<unsigned long long>(wrong));
  std::printf("poller restarts: %d (%d inside a Transaction), wakes: %d\n", restarts,
              restarts_mid_transaction, wakes);
  std::printf("simulator: %llu requests, line back %llu time(s) after being dropped\n",
              static_cast<unsigned long long>(shared->rig.server->RequestCount()),
              static_cast<unsigned long long>(shared->rig.server->Reconnections()));
  if (heap_end != 0) {
    std::printf("heap in use: %llu KiB after warm-up, %llu KiB at the end\n",
                static_cast<unsigned long long>(heap_warm / 1024),
                static_cast<unsigned long long>(heap_end / 1024));
  } else {
    std::printf("heap in use: not measured in this build\n");
  }
  std::printf(
      "line dropped for %.1f s: polling view %.1f ms CPU (%.3f%%), whole process "
      "%.1f ms (%.3f%%); answered again %.0f ms after the line was back\n",
      drop.seconds, drop.poller_ms, drop.poller_ms / (drop.seconds * 10.0), drop.process_ms,
      drop.process_ms / (drop.seconds * 10.0), drop.back_after_ms);
  std::printf("link: %s",
              tq::FormatConnectionStats(tq::ReadConnectionStats(*shared->Current())).c_str());

  // Growth beyond what a few in-flight records take means something accumulates.
  constexpr std::uint64_t kHeapSlack = 512 * 1024;
  bool passed = true;
  if (wrong != 0) passed = false;
  if (shared->poller.ok == 0 || shared->users.ok == 0) {
    std::printf("FAILED: no command succeeded\n");
    passed = false;
  }
  if (heap_warm != 0 && heap_end > heap_warm + kHeapSlack) {
    std::printf("FAILED: the heap grew by %llu KiB\n",
                static_cast<unsigned long long>((heap_end - heap_warm) / 1024));
    passed = false;
  }
  std::printf("%s\n", passed ? "soak passed" : "soak FAILED");
  return passed ? 0 : 1;
}
