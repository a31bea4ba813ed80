// The main window's logic: the menu rule and the title and status texts (what each menu
// command does is window_table.h). The Win32 layer (main_window_win32.cpp) applies them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "link/records.h"
#include "tarnquill/version.h"
#include "ui/messages.h"
#include "ui/window_face.h"

namespace tq {

inline constexpr const char* kGuiVersion = TARNQUILL_GUI_VERSION;
inline constexpr const char* kNotConnectedTitle = "tarnquill_rs232ui (not connected)";
inline constexpr const char* kNotConnectedStatus = "Not connected";

// The title is formatted into 56 bytes, the sensor name taken from its first 20
// (sensor_name_of, records.h).
inline constexpr std::size_t kTitleLimit = 55;

// Enabled state of every menu item the rule governs (all but Exit, which stays enabled),
// for the view shown and its running flag: the Connect view means not connected; the Run
// or Diagnostics view with flag 1 means busy.
[[nodiscard]] std::vector<ControlFlag> menu_rule(int view_id, int running);

struct IdentityTexts {
  std::string title;
  std::string status_connection;  // status bar part 0
  std::string status_extra;       // status bar part 1
};

[[nodiscard]] IdentityTexts not_connected_identity_texts();
// "<device type name> (<sensor name>)", cut to kTitleLimit characters.
[[nodiscard]] std::string identity_title(std::string_view device_type_name,
                                         std::string_view sensor_name);
// The title above with DeviceTypeName of the code, and "Connected to <sensor name>".
[[nodiscard]] IdentityTexts connected_identity_texts(const IdentityRecord& identity,
                                                     std::uint16_t device_type);

// The status bar's part 0 while the link is lost: "Link lost: reconnecting to COM7...".
[[nodiscard]] std::string link_lost_status(std::string_view port_name);

}  // namespace tq
