// The table of windows: every command of the main window that shows a view or opens a
// dialog reaches a window made from its template.
#include <gtest/gtest.h>

#include "app/window_registry_win32.h"
#include "app/window_table.h"
#include "tests/app/win32/dialog_template_win32.h"
#include "tests/app/win32/gui_harness_win32.h"
#include "tests/app/win32/simulated_instrument_win32.h"

namespace tq::test {
namespace {

TEST(WindowRegistry, EveryTemplateInTheResourcesHasItsFactory) {
  for (const CommandRow& row : kMainCommands) {
    if (row.command.template_id == 0) continue;
    SCOPED_TRACE(row.command.template_id);
    // A template that is built in belongs to a window that must be reachable.
    if (!read_dialog_template(row.command.template_id)) continue;
    const WindowFactory* factory = find_window_factory(row.command.template_id);
    ASSERT_NE(factory, nullptr);
    if (row.command.action == MainAction::kShowView) {
      EXPECT_NE(factory->create_view, nullptr);
    } else {
      EXPECT_NE(factory->open_dialog, nullptr);
    }
  }
}

TEST(WindowRegistry, EachCommandOpensTheWindowOfItsTemplate) {
  SimulatedInstrument instrument = start_simulated_instrument({});
  GuiHarness gui({nullptr, std::vector<std::string>{}});
  ASSERT_TRUE(post_connected_and_wait(gui, instrument.connection));
  for (const CommandRow& row : kMainCommands) {
    const int id = row.command.template_id;
    if (id == 0 || find_window_factory(id) == nullptr) continue;
    SCOPED_TRACE(id);
    const auto resource = read_dialog_template(id);
    ASSERT_TRUE(resource.has_value());
    if (row.command.action == MainAction::kShowView) {
      gui.command(row.command_id);
      EXPECT_EQ(gui.view_id(), id);
      continue;
    }
    // A modal dialog: its caption is its template's; close it as a user would.
    ModalScript script([](HWND dialog) {
      PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
      return true;
    });
    gui.command(row.command_id);
    ASSERT_FALSE(script.seen().empty());
    EXPECT_EQ(script.seen().front().caption, resource->title);
  }
}

}  // namespace
}  // namespace tq::test
