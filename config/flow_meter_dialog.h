// The flow meter dialog's logic: the pulses-per-litre text shown for the instrument's
// block and the block Save writes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "link/records.h"

namespace tq {

inline constexpr const char* kFlowMeterCaption = "Configure Flow Meter";
inline constexpr const char* kFlowMeterReadFailedText = "Can't get flow meter config from device.";
inline constexpr const char* kFlowMeterSaveCaption = "Save";
inline constexpr const char* kFlowMeterSaveFailedText = "Failed to save config to device.";
inline constexpr const char* kFlowMeterSavedText = "Flow Meter Config Saved";
inline constexpr const char* kFlowMeterTooltip = "Datasheet estimates 10000 for water at 25C";

// The edit's text for the block read ("%u").
[[nodiscard]] std::string pulses_text(const FlowMeterConfig& config);

// The entry as an unsigned 32-bit decimal number, surrounding blanks allowed. Anything
// else (an empty box, a sign, a letter, a value above 4294967295) gives 0: unlike other
// entries this one is not limited to its field, so 4294967296 is 0, not 4294967295.
[[nodiscard]] std::uint32_t parse_pulses_per_litre(std::string_view text);

// The block Save sends; its header byte is always 0, whatever was read.
[[nodiscard]] FlowMeterConfig flow_meter_for_save(std::string_view text);

}  // namespace tq
