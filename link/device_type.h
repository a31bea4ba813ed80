// Display names of the instrument's device type codes.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tq {

struct DeviceTypeEntry {
  std::uint16_t code;
  std::string_view name;
};

inline constexpr std::string_view kUnknownDeviceName = "Unknown Device";

// Two hardware revisions of the 15-cartridge sampler share one name.
inline constexpr std::array<DeviceTypeEntry, 32> kDeviceTypeNames{{
    {12, "Development Board"},
    {42, "Simulator"},
    {77, "Test Fixture"},
    {101, "Prototype"},
    {1005, "Cartridge Sampler 5"},
    {1010, "Cartridge Sampler 10"},
    {1015, "Cartridge Sampler 15"},
    {1016, "Cartridge Sampler 15"},
    {1024, "Cartridge Sampler 24"},
    {1115, "Cartridge Sampler 15 Deep"},
    {1124, "Cartridge Sampler 24 Deep"},
    {2001, "Benchtop Sampler"},
    {2002, "Benchtop Sampler Dual Pump"},
    {2101, "Field Sampler Lite"},
    {2102, "Field Sampler Pro"},
    {3300, "Moored Sampler 300 m"},
    {3310, "Moored Sampler 1000 m"},
    {3400, "Profiling Sampler"},
    {4001, "Stream Sampler"},
    {4002, "Stream Sampler Solar"},
    {4101, "Well Sampler"},
    {4201, "Buoy Sampler"},
    {4301, "Vessel Sampler"},
    {4302, "Vessel Sampler Inline"},
    {5006, "Filter Sampler 6"},
    {5012, "Filter Sampler 12"},
    {5112, "Stabilizing Sampler 12"},
    {5124, "Stabilizing Sampler 24"},
    {6001, "Autonomous Sampler"},
    {6002, "Autonomous Sampler Deep"},
    {8001, "Demo Unit"},
    {8002, "Service Rig"},
}};

// "A%04d %s": the code, zero-filled to four digits, and its name ("Unknown Device" for a
// code not in the table), at most 39 characters. Each call returns its own text.
[[nodiscard]] std::string DeviceTypeName(std::uint16_t code);

}  // namespace tq
