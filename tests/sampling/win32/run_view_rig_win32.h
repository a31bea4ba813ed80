// The Run view in the real main window against the in-process simulator, driven as an
// operator drives it: keys into the focused control, menu commands, modal windows answered
// from inside their own loops.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "sim/instrument.h"
#include "sim/server.h"
#include "tests/app/win32/gui_harness_win32.h"

namespace tq::test {

struct RunViewRigOptions {
  sim::InstrumentOptions instrument;
  std::vector<std::string> scenarios;           // sim scenario names, in order
  std::optional<std::uint8_t> failing_command;  // answered with result 3
  std::vector<SampleLogEntry> log;              // the sample log at the start
  bool paced = false;                           // the simulator answers at the real line's speed
};

class RunViewRig {
 public:
  // Starts the simulator and connects a new main window to it (the Run view on show).
  explicit RunViewRig(const RunViewRigOptions& options = {});
  ~RunViewRig();
  RunViewRig(const RunViewRig&) = delete;
  RunViewRig& operator=(const RunViewRig&) = delete;

  GuiHarness& gui() { return *gui_; }
  [[nodiscard]] HWND view() const { return gui_->view(); }
  [[nodiscard]] std::string text(int id) const { return GuiHarness::item_text(view(), id); }
  [[nodiscard]] bool enabled(int id) const;

  template <typename F>
  decltype(auto) with_instrument(F&& f) {
    return simulator_.server->WithInstrument(std::forward<F>(f));
  }
  sim::SimServer& server() { return *simulator_.server; }
  // Unplugs the instrument for good and plugs another in on the same port, as a technician
  // moving the cable to the next unit does; the program finds it when it opens the port
  // again.
  sim::SimServer& replace_instrument(const sim::InstrumentOptions& options,
                                     const std::vector<SampleLogEntry>& log);
  [[nodiscard]] std::uint64_t requests() const { return simulator_.server->RequestCount(); }
  // Pumps until the simulator has answered `count` more requests: the view's routine runs.
  bool wait_for_requests(std::uint64_t count, std::chrono::milliseconds deadline = 5000ms);

  // The sample log list.
  [[nodiscard]] int rows() const;
  [[nodiscard]] std::string cell(int row, int column) const;

  // Operator actions: focus a control as a click would, then keys.
  void press(int button_id);                             // Space on the focused button
  void type_into(int edit_id, const std::string& text);  // replaces the edit's text
  void choose_mode(int position);                        // Home, then Down `position` times
  // A double-click at a point of the view's client area, as the mouse delivers it.
  void double_click(POINT at);
  [[nodiscard]] POINT banner_centre() const;

 private:
  // What the program's port opens next: the replacement's first cable, else the newest
  // cable of the line plugged in now.
  struct PortSource {
    std::mutex mutex;
    sim::MemoryLine* line = nullptr;
    std::unique_ptr<SerialPort> next;
  };
  std::shared_ptr<PortSource> source_ = std::make_shared<PortSource>();
  sim::InProcessSimulator simulator_;
  sim::InProcessSimulator replacement_;
  std::unique_ptr<GuiHarness> gui_;
};

// A sample log entry with recognisable fields.
[[nodiscard]] SampleLogEntry sample_entry(std::uint16_t cartridge, float litres);

// Fields of one line of comma-separated text, with quoted fields unquoted.
[[nodiscard]] std::vector<std::string> parse_csv_line(const std::string& line);
// The lines of a file, without their CR LF.
[[nodiscard]] std::vector<std::string> read_lines(const std::string& path);
[[nodiscard]] std::string temp_file(const char* name);

}  // namespace tq::test
