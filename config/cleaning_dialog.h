// The stabilization and cleaning dialog's logic: the texts shown for the instrument's
// CleaningConfig and the record Save builds from the entries, each limited to its field.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "link/records.h"
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

// The five number entries, in record order, with the largest value each field holds.
struct CleaningField {
  int id;
  std::uint32_t max;
};
inline constexpr std::array<CleaningField, 5> kCleaningFields = {{
    {IDC_CLEANING_FLOW_TIME, 65535},
    {IDC_CLEANING_BLEACH_SPEED, 100},  // percent of the pump's maximum
    {IDC_CLEANING_BLEACH_TIME, 65535},
    {IDC_CLEANING_DWELL, 65535},
    {IDC_CLEANING_FLUSH, 65535},
}};

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
