// Device type display names.
#include "link/device_type.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace tq {

std::string DeviceTypeName(std::uint16_t code) {
  std::string_view name = kUnknownDeviceName;
  const auto it = std::find_if(kDeviceTypeNames.begin(), kDeviceTypeNames.end(),
                               [code](const DeviceTypeEntry& e) { return e.code == code; });
  if (it != kDeviceTypeNames.end()) name = it->name;

  std::array<char, 40> text{};
  const int n = std::snprintf(text.data(), text.size(), "A%04d %.*s", static_cast<int>(code),
                              static_cast<int>(name.size()), name.data());
  if (n < 0) return {};
  return std::string(text.data());
}

}  // namespace tq
