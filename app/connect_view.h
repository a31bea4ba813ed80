// The Connect view's logic: which ports to list, which to preselect, and its texts.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tq {

inline constexpr const char* kConnectCaption = "Connect";
inline constexpr const char* kNoPortsText = "No ports available";
inline constexpr const char* kCantConnectFormat =
    "Can't connect to %s, check it's not open in another application.";

// One value of the system's serial-port list, as its enumeration reports it.
struct PortListValue {
  enum class Outcome {
    kValue,     // read: `is_string` and `data` are valid
    kTooLarge,  // name or data did not fit the enumeration's buffers
    kEnd,       // no value at this index, or the enumeration failed
  };
  Outcome outcome = Outcome::kEnd;
  bool is_string = false;
  std::string data;  // the raw data bytes
};
using PortListEnumerator = std::function<PortListValue(std::uint32_t index)>;

// The port names in enumeration order: string values with data, each up to its first
// NUL. A value too large for the buffers is skipped and the listing goes on, so one odd
// entry cannot hide the ports after it. No sorting, duplicates kept.
[[nodiscard]] std::vector<std::string> collect_port_names(const PortListEnumerator& enumerate);

// Index of the first entry equal (case-sensitively) to the remembered port; 0 when
// nothing is remembered or nothing matches.
[[nodiscard]] int preselect_port_index(const std::vector<std::string>& ports,
                                       const std::optional<std::string>& remembered);

}  // namespace tq
