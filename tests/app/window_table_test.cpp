// The main window's commands: every menu item reaches the action and the window its
// documents name, written here as the plain numbers of the command table.
#include "app/window_table.h"

#include <gtest/gtest.h>

namespace tq {
namespace {

struct Expected {
  int command;
  MainAction action;
  int template_id;
};

TEST(MainCommand, EveryMenuItemReachesItsWindow) {
  const Expected rows[] = {
      // File
      {60, MainAction::kDisconnect, 0},
      {64, MainAction::kForwardToView, 0},
      {61, MainAction::kClose, 0},
      // View
      {373, MainAction::kShowView, 177},
      {372, MainAction::kShowView, 42},
      // Configure
      {30, MainAction::kModalDialog, 201},
      {27, MainAction::kModalDialog, 164},
      {24, MainAction::kModalDialog, 74},
      {25, MainAction::kModalDialog, 110},
      {23, MainAction::kModalDialog, 65},
      {29, MainAction::kNothing, 0},
      {22, MainAction::kModalDialog, 17},
      {1375, MainAction::kModalDialog, 8},
      // Help
      {68, MainAction::kModalDialog, 2},
      // The dialog manager's cancel (Escape, the close box) and the Alt+F4 accelerator.
      {2, MainAction::kClose, 0},
      {8, MainAction::kNothing, 0},
  };
  for (const Expected& row : rows) {
    SCOPED_TRACE(row.command);
    EXPECT_EQ(main_command(row.command), (MainCommand{row.action, row.template_id}));
  }
}

TEST(MainCommand, UnknownCommandsDoNothing) {
  for (const int id : {0, 1, 31, 33, 177, 1000, 65535}) {
    EXPECT_EQ(main_command(id).action, MainAction::kNothing) << id;
  }
}

TEST(MainCommand, EachCommandHasOneRow) {
  for (std::size_t i = 0; i < kMainCommands.size(); ++i) {
    for (std::size_t j = i + 1; j < kMainCommands.size(); ++j) {
      EXPECT_NE(kMainCommands[i].command_id, kMainCommands[j].command_id);
    }
  }
}

}  // namespace
}  // namespace tq
