// tarnquill-bench-run-view: what the operator waits for in the Run view. The sample log of
// a simulated instrument is listed from its first entry, while another thread keeps
// asking the user-interface thread for an answer; then the view polls an idle instrument
// for a while.
//
// Under Windows (and Wine) it is the program's real main window and Run view. Natively
// it is the Run view's own poll routine and feed, with a thread that plays the window:
// it takes the reports and applies the rows to a list in memory, and answers the pings.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "link/connection.h"

namespace tq::bench {

struct RunViewBenchOptions {
  int entries = 500;          // rows to wait for (the instrument's log must hold them)
  double idle_seconds = 60;   // idle polling measured after the log is listed
  int ping_interval_ms = 10;  // how often the other thread asks the window for an answer
};

struct RunViewBenchFigures {
  bool listed = false;            // every row arrived before the time limit
  int rows = 0;                   // rows the list held at the end of the listing
  double listing_ms = 0;          // from the view's start to its last row
  double longest_answer_ms = 0;   // the window's slowest answer while listing
  double longest_connect_ms = 0;  // its slowest before, while the view was being made
  int answers = 0;                // answers timed
  // The message the window's loop took longest over while listing, and its time, where
  // the platform can name it (Windows): where a long answer comes from.
  std::string slowest_message;
  double slowest_message_ms = 0;
  double idle_cpu_seconds = 0;  // processor time of this process during idle polling
  double idle_seconds = 0;      // the idle period's real length
};

// The simulated instrument the benchmark talks to, and what keeps it running.
struct BenchInstrument {
  ConnectionRef connection;  // null on failure
  std::string description;
  std::shared_ptr<void> keeper;  // stops a simulator this program started, when let go
};

// `port` names a serial port a simulator already serves (required on Windows). Without
// one (POSIX only), starts `simulator` (tarnquill-sim) in `scenario` (the log it holds) on
// a pseudo-terminal, paced like a 38400-baud line unless `paced` is false.
[[nodiscard]] BenchInstrument OpenBenchInstrument(const std::string& port,
                                                  const std::string& simulator,
                                                  const std::string& scenario, bool paced,
                                                  std::string* error);

// The simulator scenario whose log holds the entries: log5000 beyond 500, else log500.
[[nodiscard]] std::string LogScenario(int entries);

// Lists the log through `connection` and measures (the platform's own part).
[[nodiscard]] RunViewBenchFigures MeasureRunView(const ConnectionRef& connection,
                                                 const RunViewBenchOptions& options);

// The shortest time `entries` log entries can take on the wire at 38400 baud: one
// Transaction each (request and response, 2 x 128 bytes) and the 2 ms wait before each.
[[nodiscard]] double ListingWireLimitMs(int entries);

}  // namespace tq::bench
