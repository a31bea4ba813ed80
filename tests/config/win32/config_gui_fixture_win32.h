// What the configuration dialogs' window tests share: the main window connected to a
// simulated instrument, a dialog opened from the Configure menu and driven in steps, and
// faults for the next request of a command.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/app/win32/dialog_steps_win32.h"
#include "tests/app/win32/gui_harness_win32.h"
#include "tests/app/win32/simulated_instrument_win32.h"

namespace tq::test {

// Closes the dialog as Escape does.
inline bool leave(HWND dialog) {
  PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  return true;
}

class ConfigGui : public testing::Test {
 protected:
  explicit ConfigGui(const sim::InstrumentOptions& options = {},
                     std::optional<std::uint8_t> failing_command = std::nullopt)
      : instrument_(start_simulated_instrument(options, failing_command)) {}

  void SetUp() override { ASSERT_TRUE(post_connected_and_wait(gui_, instrument_.connection)); }

  sim::SimServer& server() { return *instrument_.simulator.server; }

  // The next request of `command` is answered with result 3 and not carried out.
  void fail_next(std::uint8_t command) {
    sim::FaultRule rule;
    rule.action.result = 3;
    rule.command = command;
    rule.times = 1;
    server().AddFault(rule);
  }

  // Opens a dialog from the menu and runs the steps; returns once it has closed.
  DialogSteps& run(int menu_command, std::vector<DialogSteps::Step> steps) {
    steps_ = std::make_unique<DialogSteps>(std::move(steps));
    gui_.command(menu_command);
    return *steps_;
  }

  SimulatedInstrument instrument_;
  GuiHarness gui_{HarnessOptions{nullptr, std::vector<std::string>{}}};
  std::unique_ptr<DialogSteps> steps_;
};

// A dialog that cannot read what it shows closes at once with its message.
inline std::vector<MessageSeen> messages_of_failed_opening(int menu_command,
                                                           std::uint8_t failing_command,
                                                           std::vector<std::string>* dialogs) {
  SimulatedInstrument instrument = start_simulated_instrument({}, failing_command);
  GuiHarness gui({nullptr, std::vector<std::string>{}});
  EXPECT_TRUE(post_connected_and_wait(gui, instrument.connection));
  DialogSteps steps({leave});
  gui.command(menu_command);
  EXPECT_TRUE(gui.alive());
  *dialogs = steps.dialogs();
  return steps.messages();
}

}  // namespace tq::test
