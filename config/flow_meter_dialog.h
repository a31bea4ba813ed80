// The flow meter dialog's logic: the pulses-per-litre text shown for the instrument's
// block and the block Save writes.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "link/records.h"
#include "ui/record_fields.h"
#include "ui/resource.h"

namespace tq {

inline constexpr const char* kFlowMeterCaption = "Configure Flow Meter";
inline constexpr const char* kFlowMeterReadFailedText = "Can't get flow meter config from device.";
inline constexpr const char* kFlowMeterSaveCaption = "Save";
inline constexpr const char* kFlowMeterSaveFailedText = "Failed to save config to device.";
inline constexpr const char* kFlowMeterSavedText = "Flow Meter Config Saved";
inline constexpr const char* kFlowMeterTooltip = "Datasheet estimates 10000 for water at 25C";

// The block's one field; any 32-bit count.
inline constexpr std::array<WholeField<FlowMeterConfig>, 1> kFlowMeterFields = {{
    {IDC_FLOW_PULSES, "pulses_per_litre", &FlowMeterConfig::pulses_per_litre,
     std::numeric_limits<std::uint32_t>::max(), "pulses/L"},
}};

// The edit's text for the block read ("%u").
[[nodiscard]] std::string pulses_text(const FlowMeterConfig& config);

// The entry as a decimal number, surrounding blanks allowed. Anything else (an empty box,
// a sign, a letter, a value above the field's 4294967295) gives 0: unlike other entries
// this one is not limited to its field, so 4294967296 is 0, not 4294967295.
[[nodiscard]] std::uint32_t parse_pulses_per_litre(std::string_view text);

// The block Save sends; its header byte is always 0, whatever was read.
[[nodiscard]] FlowMeterConfig flow_meter_for_save(std::string_view text);

}  // namespace tq
