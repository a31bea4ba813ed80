// Which window each main-window command opens: one row per command. main_command reads
// this table; the Win32 side has the matching table of templates and factories
// (window_registry_win32.h). Adding a window is adding its row here and its factory there.
#pragma once

#include <array>

#include "ui/resource.h"

namespace tq {

enum class MainAction {
  kNothing,
  kClose,          // destroy the main window
  kDisconnect,     // back to the Connect view
  kForwardToView,  // the current view handles it (Save Log)
  kShowView,       // replace the current view by a fresh `template_id` view
  kModalDialog,    // open modal dialog `template_id` with the current Connection
};

struct MainCommand {
  MainAction action = MainAction::kNothing;
  int template_id = 0;

  bool operator==(const MainCommand&) const = default;
};

struct CommandRow {
  int command_id;
  MainCommand command;
};

// The dialog manager's cancel command (IDCANCEL): Escape and the close box.
inline constexpr int kCancelCommand = 2;

inline constexpr std::array<CommandRow, 15> kMainCommands = {{
    {kCancelCommand, {MainAction::kClose, 0}},
    {IDM_EXIT, {MainAction::kClose, 0}},
    {IDM_DISCONNECT, {MainAction::kDisconnect, 0}},
    {IDM_SAVE_LOG, {MainAction::kForwardToView, 0}},
    {IDM_VIEW_RUN, {MainAction::kShowView, IDD_RUN_VIEW}},
    {IDM_VIEW_DIAGNOSTICS, {MainAction::kShowView, IDD_DIAGNOSTICS_VIEW}},
    {IDM_DEVICE_IDENTIFICATION, {MainAction::kModalDialog, IDD_DEVICE_IDENTIFICATION}},
    {IDM_REAL_TIME_CLOCK, {MainAction::kModalDialog, IDD_REAL_TIME_CLOCK}},
    {IDM_MOTORS, {MainAction::kModalDialog, IDD_MOTORS}},
    {IDM_PRESSURE_SENSOR, {MainAction::kModalDialog, IDD_PRESSURE_SENSOR}},
    {IDM_FLOW_METER, {MainAction::kModalDialog, IDD_FLOW_METER}},
    {IDM_STABILIZATION_CLEANING, {MainAction::kModalDialog, IDD_STABILIZATION_CLEANING}},
    {IDM_SCHEDULE, {MainAction::kModalDialog, IDD_SCHEDULE}},
    {IDM_ABOUT, {MainAction::kModalDialog, IDD_ABOUT}},
    // RS232 is always grayed and the Alt+F4 accelerator is swallowed: neither has a row,
    // so both do nothing.
    {IDM_RS232, {MainAction::kNothing, 0}},
}};

// What the command does; kNothing for a command without a row.
[[nodiscard]] constexpr MainCommand main_command(int command_id) {
  for (const CommandRow& row : kMainCommands) {
    if (row.command_id == command_id) return row.command;
  }
  return {};
}

}  // namespace tq
