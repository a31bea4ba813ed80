// Menu rule, identity texts and command table of the main window.
#include "shell/main_window.h"

#include <string_view>

#include "link/device_type.h"
#include "shell/resource.h"

namespace tq {
namespace {

enum class Needs { kAlways, kNever, kConnected, kConnectedIdle, kRunViewIdle };

struct MenuRow {
  int id;
  Needs needs;
};

constexpr std::array<MenuRow, 13> kMenuRows = {{
    {IDM_SAVE_LOG, Needs::kRunViewIdle},
    {IDM_DISCONNECT, Needs::kConnectedIdle},
    {IDM_VIEW_RUN, Needs::kConnected},
    {IDM_VIEW_DIAGNOSTICS, Needs::kConnected},
    {IDM_DEVICE_IDENTIFICATION, Needs::kConnectedIdle},
    {IDM_REAL_TIME_CLOCK, Needs::kConnectedIdle},
    {IDM_PRESSURE_SENSOR, Needs::kConnectedIdle},
    {IDM_FLOW_METER, Needs::kConnectedIdle},
    {IDM_MOTORS, Needs::kConnectedIdle},
    {IDM_STABILIZATION_CLEANING, Needs::kConnectedIdle},
    {IDM_SCHEDULE, Needs::kConnectedIdle},
    {IDM_RS232, Needs::kNever},
    {IDM_ABOUT, Needs::kAlways},
}};

// The dialog manager's cancel command (IDCANCEL): Escape and the close box.
constexpr int kCancelCommand = 2;

}  // namespace

MenuRule menu_rule(int view_id, int running) {
  const bool connected = view_id != IDD_CONNECT_VIEW;
  const bool busy = (view_id == IDD_RUN_VIEW || view_id == IDD_DIAGNOSTICS_VIEW) && running == 1;
  MenuRule rule{};
  for (std::size_t i = 0; i < kMenuRows.size(); ++i) {
    bool enabled = false;
    switch (kMenuRows[i].needs) {
      case Needs::kAlways:
        enabled = true;
        break;
      case Needs::kNever:
        enabled = false;
        break;
      case Needs::kConnected:
        enabled = connected;
        break;
      case Needs::kConnectedIdle:
        enabled = connected && !busy;
        break;
      case Needs::kRunViewIdle:
        enabled = view_id == IDD_RUN_VIEW && !busy;
        break;
    }
    rule[i] = {kMenuRows[i].id, enabled};
  }
  return rule;
}

IdentityTexts not_connected_identity_texts() {
  return {kNotConnectedTitle, kNotConnectedStatus, ""};
}

std::string sensor_name_of(const IdentityRecord& identity) {
  const std::string_view field(identity.name.data(), identity.name.size());
  return std::string(field.substr(0, field.find('\0')).substr(0, kSensorNameLimit));
}

std::string identity_title(std::string_view device_type_name, std::string_view sensor_name) {
  std::string title(device_type_name);
  title += " (";
  title += sensor_name;
  title += ")";
  if (title.size() > kTitleLimit) title.resize(kTitleLimit);
  return title;
}

IdentityTexts connected_identity_texts(const IdentityRecord& identity, std::uint16_t device_type) {
  const std::string name = sensor_name_of(identity);
  IdentityTexts texts;
  texts.title = identity_title(DeviceTypeName(device_type), name);
  texts.status_connection = "Connected to " + name;
  return texts;
}

MainCommand main_command(int command_id) {
  switch (command_id) {
    case kCancelCommand:
    case IDM_EXIT:
      return {MainAction::kClose, 0};
    case IDM_DISCONNECT:
      return {MainAction::kDisconnect, 0};
    case IDM_SAVE_LOG:
      return {MainAction::kForwardToView, 0};
    case IDM_VIEW_RUN:
      return {MainAction::kShowView, IDD_RUN_VIEW};
    case IDM_VIEW_DIAGNOSTICS:
      return {MainAction::kShowView, IDD_DIAGNOSTICS_VIEW};
    case IDM_DEVICE_IDENTIFICATION:
      return {MainAction::kModalDialog, IDD_DEVICE_IDENTIFICATION};
    case IDM_REAL_TIME_CLOCK:
      return {MainAction::kModalDialog, IDD_REAL_TIME_CLOCK};
    case IDM_MOTORS:
      return {MainAction::kModalDialog, IDD_MOTORS};
    case IDM_PRESSURE_SENSOR:
      return {MainAction::kModalDialog, IDD_PRESSURE_SENSOR};
    case IDM_FLOW_METER:
      return {MainAction::kModalDialog, IDD_FLOW_METER};
    case IDM_STABILIZATION_CLEANING:
      return {MainAction::kModalDialog, IDD_STABILIZATION_CLEANING};
    case IDM_SCHEDULE:
      return {MainAction::kModalDialog, IDD_SCHEDULE};
    case IDM_ABOUT:
      return {MainAction::kModalDialog, IDD_ABOUT};
    default:  // RS232 (always grayed), the swallowed Alt+F4, anything else
      return {MainAction::kNothing, 0};
  }
}

}  // namespace tq
