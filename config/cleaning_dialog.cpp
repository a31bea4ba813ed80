// The stabilization and cleaning dialog's logic.
#include "config/cleaning_dialog.h"

#include "ui/entry_parse.h"
#include "ui/text_format.h"

namespace tq {
namespace {

// The record's fields in the order of kCleaningFields.
std::array<unsigned, kCleaningFields.size()> field_values(const CleaningConfig& config) {
  return {config.stabilisation_time, config.bleach_speed, config.bleach_time, config.dwell_time,
          config.flush_time};
}

}  // namespace

WindowFace cleaning_face(const CleaningConfig& config) {
  WindowFace face;
  const auto values = field_values(config);
  for (std::size_t i = 0; i < kCleaningFields.size(); ++i) {
    face.texts.push_back({kCleaningFields[i].id, format_text("%u", values[i]).value_or("")});
  }
  face.checked.push_back({IDC_CLEANING_THROUGH_CARTRIDGE, config.clean_through_cartridge != 0});
  return face;
}

CleaningConfig cleaning_for_save(const CleaningEntries& entries) {
  std::array<std::uint32_t, kCleaningFields.size()> values{};
  for (std::size_t i = 0; i < kCleaningFields.size(); ++i) {
    values[i] = parse_unsigned_entry(entries.texts[i], kCleaningFields[i].max);
  }
  CleaningConfig config;
  config.stabilisation_time = static_cast<std::uint16_t>(values[0]);
  config.bleach_speed = static_cast<std::uint8_t>(values[1]);
  config.bleach_time = static_cast<std::uint16_t>(values[2]);
  config.dwell_time = static_cast<std::uint16_t>(values[3]);
  config.flush_time = static_cast<std::uint16_t>(values[4]);
  config.clean_through_cartridge = entries.through_cartridge ? 1 : 0;
  return config;
}

}  // namespace tq
