// Menu rule and identity texts of the main window.
#include "app/main_window.h"

#include <string_view>

#include "link/device_type.h"
#include "ui/resource.h"

namespace tq {
namespace {

enum class Needs { kAlways, kNever, kConnected, kConnectedIdle, kRunViewIdle };

constexpr std::array<RuleRow<Needs>, 13> kMenuRows = {{
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

}  // namespace

std::vector<ControlFlag> menu_rule(int view_id, int running) {
  const bool connected = view_id != IDD_CONNECT_VIEW;
  const bool busy = (view_id == IDD_RUN_VIEW || view_id == IDD_DIAGNOSTICS_VIEW) && running == 1;
  return evaluate_rule<Needs>(kMenuRows, [&](Needs needs) {
    switch (needs) {
      case Needs::kAlways:
        return true;
      case Needs::kNever:
        return false;
      case Needs::kConnected:
        return connected;
      case Needs::kConnectedIdle:
        return connected && !busy;
      case Needs::kRunViewIdle:
        return view_id == IDD_RUN_VIEW && !busy;
    }
    return false;
  });
}

IdentityTexts not_connected_identity_texts() {
  return {kNotConnectedTitle, kNotConnectedStatus, ""};
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

std::string link_lost_status(std::string_view port_name) {
  if (port_name.empty()) return "Link lost: reconnecting...";
  return "Link lost: reconnecting to " + std::string(port_name) + "...";
}

}  // namespace tq
