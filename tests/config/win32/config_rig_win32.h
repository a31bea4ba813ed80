// What the configuration dialogs' window tests share: the simulated instrument with its
// clock stopped (so a pressure or Hall value set by the test stays as set) behind a port
// that records every request the program sends, and a runner that drives a modal dialog
// and the message boxes it opens through a list of steps, as an operator would.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "link/connection.h"
#include "sim/instrument.h"
#include "sim/server.h"
#include "tests/app/win32/dialog_steps_win32.h"  // enabled, edit_text_colour
#include "tests/app/win32/gui_harness_win32.h"

namespace tq::test {

struct SentRequest {
  std::uint8_t code = 0;
  std::vector<std::uint8_t> payload;  // as long as the request declares
};

// The requests written to the instrument, in order. Any thread.
class RequestLog {
 public:
  void add(SentRequest request);
  void clear();
  [[nodiscard]] std::vector<SentRequest> all() const;
  [[nodiscard]] std::vector<std::uint8_t> codes() const;
  // The last request with this code; an empty one with code 0 when none was sent.
  [[nodiscard]] SentRequest last(std::uint8_t code) const;

 private:
  mutable std::mutex mutex_;
  std::vector<SentRequest> requests_;
};

struct ConfigRig {
  sim::InProcessSimulator simulator;
  ConnectionRef connection;
  std::shared_ptr<RequestLog> sent;

  template <typename F>
  decltype(auto) with_instrument(F&& f) {
    return simulator.server->WithInstrument(std::forward<F>(f));
  }
  // Every later request with this command code is answered with result byte 3.
  void fail_command(std::uint8_t code);
};

[[nodiscard]] std::unique_ptr<ConfigRig> start_config_rig(
    const sim::InstrumentOptions& options = {});

// The main window connected to the rig's instrument, with the settings given.
struct ConnectedProgram {
  std::shared_ptr<MemorySettingsStore> settings = std::make_shared<MemorySettingsStore>();
  std::unique_ptr<GuiHarness> gui;
};
[[nodiscard]] ConnectedProgram connect_program(ConfigRig& rig,
                                               std::shared_ptr<MemorySettingsStore> settings = {});

// One step of a script: acts on or checks the modal window on top (the dialog or a
// message box it opened) and says whether the script may go on to the next step.
using Step = std::function<bool(HWND modal)>;

// Runs `command` (a menu command opening a modal dialog) with the steps carried out one
// per tick, each after the dialog's loop has handled what the step before posted. Returns
// every modal window seen. Fails the test if the steps do not finish within a deadline or
// the dialog is still open after them; either way the dialog is closed in the end.
std::vector<ModalSeen> run_dialog(GuiHarness& gui, int command, std::vector<Step> steps);

// Steps on the dialog. Each fails the test if a message box is on top instead.
[[nodiscard]] Step act(std::function<void(HWND dialog)> action);
// The button pressed, as a click delivers it (posted: the dialog may open a message box).
[[nodiscard]] Step click(int control_id);
// The entry's text selected and `text` typed over it, key by key.
[[nodiscard]] Step type(int control_id, const std::string& text);
// A key pressed in the control, which takes the focus first.
[[nodiscard]] Step key(int control_id, UINT virtual_key);
// Escape, in whatever control has the focus.
[[nodiscard]] Step escape();
// Waits for a message box, checks its text and caption and answers it with `button`.
[[nodiscard]] Step expect_box(std::string text, std::string caption, int button = IDOK);

[[nodiscard]] bool is_message_box(HWND modal);
[[nodiscard]] std::string text(HWND dialog, int control_id);

}  // namespace tq::test
