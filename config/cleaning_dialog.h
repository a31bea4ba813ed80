// The stabilization and cleaning dialog's logic: the texts shown for the instrument's
// CleaningConfig and the record Save builds from the entries, each limited to its field.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "link/records.h"
#include "ui/record_fields.h"
#include "ui/resource.h"
#include "ui/window_face.h"

namespace tq {

inline constexpr const char* kCleaningCaption = "Cleaning Configuration";
inline constexpr const char* kCleaningReadFailedText =
    "Unable to retrieve cleaning configuration from device";
inline constexpr const char* kCleaningSaveCaption = "Save";
inline constexpr const char* kCleaningSaveFailedText = "Failed to save cleaning configuration";
// Spelt so on purpose: the message keeps its fixed text.
inline constexpr const char* kCleaningSavedText = "Cleaning confugration saved";

// The five number entries, in record order. The waste box sits between the first two in
// the record and in the configuration file.
inline constexpr std::array<WholeField<CleaningConfig>, 5> kCleaningFields = {{
    {IDC_CLEANING_FLOW_TIME, "stabilisation_time_s", &CleaningConfig::stabilisation_time, 65535,
     "s"},
    {IDC_CLEANING_BLEACH_SPEED, "bleach_speed_percent", &CleaningConfig::bleach_speed, 100, "%"},
    {IDC_CLEANING_BLEACH_TIME, "bleach_time_s", &CleaningConfig::bleach_time, 65535, "s"},
    {IDC_CLEANING_DWELL, "dwell_time_s", &CleaningConfig::dwell_time, 65535, "s"},
    {IDC_CLEANING_FLUSH, "flush_time_s", &CleaningConfig::flush_time, 65535, "s"},
}};
inline constexpr const char* kCleaningThroughCartridgeKey = "clean_through_cartridge";

// The entries as the operator left them: the texts of kCleaningFields in order, and the
// waste box.
struct CleaningEntries {
  std::array<std::string, kCleaningFields.size()> texts{};
  bool through_cartridge = false;
};

// Every edit ("%u") and the waste box.
[[nodiscard]] WindowFace cleaning_face(const CleaningConfig& config);

// A record of zeros with each field from its entry, limited silently (an empty or
// non-numeric entry gives 0).
[[nodiscard]] CleaningConfig cleaning_for_save(const CleaningEntries& entries);

}  // namespace tq
