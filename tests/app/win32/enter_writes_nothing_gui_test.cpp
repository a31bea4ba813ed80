// Enter typed into an entry of a dialog whose Save is a plain push button writes nothing to
// the instrument: only a press of Save does.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>

#include "link/commands.h"
#include "tests/app/win32/dialog_steps_win32.h"
#include "tests/app/win32/gui_harness_win32.h"
#include "tests/app/win32/simulated_instrument_win32.h"
#include "ui/resource.h"

namespace tq::test {
namespace {

struct EnterCase {
  int view_command;    // the view to show first (0: the Run view as connected)
  int opener;          // the menu command, or the view's button, that opens the dialog
  int entry;           // the control Enter is pressed into
  std::uint8_t write;  // the command Save would send
};

constexpr EnterCase kCases[] = {
    {0, IDM_SCHEDULE, 2375, kCmdSetSchedule},  // a waypoint's offset
    {0, IDM_FLOW_METER, IDC_FLOW_PULSES, kCmdSetConfigBlock},
    {IDM_VIEW_DIAGNOSTICS, IDC_TASKS, IDC_TASK_HEADER_INFO, kCmdSetTaskConfig},
};

TEST(EnterGui, EnterInAnEntrySendsNothing) {
  for (const EnterCase& c : kCases) {
    SCOPED_TRACE(c.entry);
    SimulatedInstrument instrument = start_simulated_instrument({});
    std::atomic<int> writes{0};
    instrument.simulator.server->WatchRequests([&](std::uint8_t code) {
      if (code == c.write) ++writes;
    });
    GuiHarness gui;
    ASSERT_TRUE(post_connected_and_wait(gui, instrument.connection));
    if (c.view_command != 0) gui.command(c.view_command);
    int ticks = 0;
    DialogSteps steps({
        [&](HWND dialog) { return SetFocus(GetDlgItem(dialog, c.entry)), true; },
        [](HWND) { return post_key(GetFocus(), VK_RETURN), true; },
        [&](HWND) { return ++ticks > 10; },  // time for a write to go out
        [](HWND) { return post_key(GetFocus(), VK_ESCAPE), true; },
    });
    if (c.view_command == 0) {
      gui.command(c.opener);
    } else {
      GuiHarness::click(gui.view(), c.opener);
    }
    EXPECT_EQ(steps.steps_done(), 4u);
    EXPECT_TRUE(steps.messages().empty());
    instrument.simulator.server->WatchRequests({});
    EXPECT_EQ(writes.load(), 0);
  }
}

}  // namespace
}  // namespace tq::test
