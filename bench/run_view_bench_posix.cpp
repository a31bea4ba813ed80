// The Run view benchmark natively: tarnquill-sim started on a pseudo-terminal, and the
// view's poll routine with a thread that plays the view's window.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <variant>
#include <vector>

#include "bench/run_view_bench.h"
#include "link/serial_port.h"
#include "sampling/run_view_poll.h"

extern char** environ;

namespace tq::bench {
namespace {

using Clock = std::chrono::steady_clock;
using Millis = std::chrono::duration<double, std::milli>;

// The simulator this benchmark started, stopped when the last holder lets go.
struct SimulatorProcess {
  pid_t pid = -1;
  std::string folder;
  std::string link;
  ~SimulatorProcess() {
    if (pid > 0) {
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
    }
    unlink(link.c_str());
    rmdir(folder.c_str());
  }
};

std::shared_ptr<SimulatorProcess> StartSimulator(const std::string& program,
                                                 const std::string& scenario, bool paced,
                                                 std::string* error) {
  auto process = std::make_shared<SimulatorProcess>();
  std::string folder = "/tmp/tarnquill-bench-XXXXXX";
  if (mkdtemp(folder.data()) == nullptr) {
    *error = "no temporary folder";
    return nullptr;
  }
  process->folder = folder;
  process->link = folder + "/line";
  std::vector<std::string> args = {program, "--link", process->link, "--scenario", scenario};
  if (paced) args.emplace_back("--pace-line");
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  const int failed =
      posix_spawn(&process->pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) {
    process->pid = -1;
    *error = "cannot start " + program;
    return nullptr;
  }
  struct stat seen {};
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  while (lstat(process->link.c_str(), &seen) != 0) {
    if (Clock::now() > deadline || waitpid(process->pid, nullptr, WNOHANG) == process->pid) {
      *error = program + " made no terminal";
      return nullptr;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return process;
}

// Plays the view's window: runs what is posted to it, one task at a time, in order.
class WindowThread {
 public:
  WindowThread() : thread_([this] { Run(); }) {}
  ~WindowThread() {
    {
      std::lock_guard lock(mutex_);
      quit_ = true;
    }
    signal_.notify_all();
    thread_.join();
  }
  WindowThread(const WindowThread&) = delete;
  WindowThread& operator=(const WindowThread&) = delete;

  bool Post(std::function<void()> task) {
    {
      std::lock_guard lock(mutex_);
      if (quit_) return false;
      tasks_.push_back(std::move(task));
    }
    signal_.notify_all();
    return true;
  }

 private:
  void Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
      signal_.wait(lock, [&] { return quit_ || !tasks_.empty(); });
      if (tasks_.empty()) return;
      std::function<void()> task = std::move(tasks_.front());
      tasks_.pop_front();
      lock.unlock();
      task();
      lock.lock();
    }
  }

  std::mutex mutex_;
  std::condition_variable signal_;
  std::deque<std::function<void()>> tasks_;
  bool quit_ = false;
  std::thread thread_;
};

double ProcessCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace

BenchInstrument OpenBenchInstrument(const std::string& port, const std::string& simulator,
                                    const std::string& scenario, bool paced, std::string* error) {
  BenchInstrument instrument;
  std::string path = port;
  if (path.empty()) {
    auto process = StartSimulator(simulator, scenario, paced, error);
    if (!process) return instrument;
    path = process->link;
    instrument.keeper = process;
    instrument.description = simulator + (paced ? " --pace-line" : "") + " on " + path;
  } else {
    instrument.description = "the simulator on " + path;
  }
  auto serial = OpenSerialPort(path);
  if (!serial) {
    *error = "cannot open " + path;
    return instrument;
  }
  instrument.connection = CreateConnectionOnPort(std::move(serial), nullptr, 3000);
  return instrument;
}

RunViewBenchFigures MeasureRunView(const ConnectionRef& connection,
                                   const RunViewBenchOptions& options) {
  RunViewBenchFigures figures;
  WindowThread window;
  std::vector<std::vector<std::string>> list;  // the window's list; its thread only
  std::mutex mutex;
  std::condition_variable listed;
  int rows = 0;
  Clock::time_point last_row;

  RunViewPolling polling;
  const auto apply = [&] {
    for (RunViewReport& report : polling.take()) {
      auto* row = std::get_if<ListRow>(&report);
      if (row == nullptr) continue;
      const ListRow placed = place_sample_log_row(std::move(*row), static_cast<int>(list.size()));
      if (placed.change == ListRow::Change::kInsert) {
        list.push_back(placed.cells);
      } else {
        list[static_cast<std::size_t>(placed.index)] = placed.cells;
      }
    }
    std::lock_guard lock(mutex);
    if (rows < options.entries && static_cast<int>(list.size()) >= options.entries) {
      last_row = Clock::now();
    }
    rows = static_cast<int>(list.size());
    listed.notify_all();
  };

  const Clock::time_point start = Clock::now();
  polling.start([&] { return window.Post(apply); },
                [connection](Poller& poller, RunViewFeed& feed) {
                  return run_view_poll(poller, feed, connection, {});
                });

  // Another thread asks the window for an answer, as a message sent to it would.
  std::atomic<bool> listing{true};
  std::thread pinger([&] {
    while (listing) {
      std::promise<void> answered;
      const Clock::time_point asked = Clock::now();
      window.Post([&] { answered.set_value(); });
      answered.get_future().wait();
      const double ms = Millis(Clock::now() - asked).count();
      {
        std::lock_guard lock(mutex);
        figures.longest_answer_ms = std::max(figures.longest_answer_ms, ms);
        ++figures.answers;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(options.ping_interval_ms));
    }
  });
  {
    std::unique_lock lock(mutex);
    const auto limit = std::chrono::milliseconds(30000 + 200LL * options.entries);
    figures.listed = listed.wait_for(lock, limit, [&] { return rows >= options.entries; });
    figures.rows = rows;
    figures.listing_ms = Millis((figures.listed ? last_row : Clock::now()) - start).count();
  }
  listing = false;
  pinger.join();

  // Idle: the log listed, the routine rewriting the newest row once a second.
  const double cpu_before = ProcessCpuSeconds();
  const Clock::time_point idle_start = Clock::now();
  std::this_thread::sleep_for(std::chrono::duration<double>(options.idle_seconds));
  figures.idle_cpu_seconds = ProcessCpuSeconds() - cpu_before;
  figures.idle_seconds = std::chrono::duration<double>(Clock::now() - idle_start).count();
  polling.stop();
  return figures;
}

}  // namespace tq::bench
