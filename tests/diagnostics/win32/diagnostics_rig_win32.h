// The program connected to a simulated instrument and showing the Diagnostics view, for
// the diagnostics window tests: the instrument's clock stands still (its log grows only
// when a test makes it), every request it receives is noted, and the view's controls are
// pressed the way the keyboard does.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "sim/instrument.h"
#include "tests/app/win32/gui_harness_win32.h"
#include "tests/app/win32/simulated_instrument_win32.h"

namespace tq::test {

// One row of the log list as the operator sees it.
struct LogListRow {
  std::vector<std::string> cells;
  std::uint32_t colour = 0;  // the item's parameter
};

class DiagnosticsRig {
 public:
  // `prepare` shapes the instrument before the view opens (its log, its tasks).
  explicit DiagnosticsRig(const std::function<void(sim::Instrument&)>& prepare = {});
  ~DiagnosticsRig();
  DiagnosticsRig(const DiagnosticsRig&) = delete;
  DiagnosticsRig& operator=(const DiagnosticsRig&) = delete;

  [[nodiscard]] HWND view() const { return gui.view(); }
  [[nodiscard]] sim::SimServer& server() const { return *instrument.simulator.server; }

  // Gives the control the focus and presses the space bar into it.
  void press(int control_id);

  [[nodiscard]] std::vector<LogListRow> rows() const;
  [[nodiscard]] std::size_t row_count() const;
  [[nodiscard]] std::size_t log_size() const;  // entries the instrument keeps
  // Pumps until the list shows every entry the instrument keeps.
  [[nodiscard]] bool wait_for_whole_log();

  // Command codes received so far, in order.
  [[nodiscard]] std::vector<std::uint8_t> commands() const;
  [[nodiscard]] std::size_t count(std::uint8_t command) const;

 private:
  mutable std::mutex mutex_;
  std::vector<std::uint8_t> commands_;

 public:
  SimulatedInstrument instrument;  // after the commands it reports to, before the program
  GuiHarness gui;
};

// A text read back from a control of the view or a dialog.
[[nodiscard]] std::string control_text(HWND dialog, int control_id);
[[nodiscard]] bool checked(HWND dialog, int control_id);

}  // namespace tq::test
