// The Connect view's logic: which ports to list, which to preselect, and its texts.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tq {

inline constexpr const char* kConnectCaption = "Connect";
inline constexpr const char* kNoPortsText = "No ports available";
inline constexpr const char* kCantConnectFormat =
    "Can't connect to %s, check it's not open in another application.";

// Index of the first entry equal (case-sensitively) to the remembered port; 0 when
// nothing is remembered or nothing matches.
[[nodiscard]] int preselect_port_index(const std::vector<std::string>& ports,
                                       const std::optional<std::string>& remembered);

}  // namespace tq
