// The stabilization and cleaning dialog's logic.
#include "config/cleaning_dialog.h"

#include "ui/entry_parse.h"
#include "ui/text_format.h"

namespace tq {

WindowFace cleaning_face(const CleaningConfig& config) {
  WindowFace face;
  for (const auto& field : kCleaningFields) {
    face.texts.push_back({field.id, format_text("%u", field_value(config, field)).value_or("")});
  }
  face.checked.push_back({IDC_CLEANING_THROUGH_CARTRIDGE, config.clean_through_cartridge != 0});
  return face;
}

CleaningConfig cleaning_for_save(const CleaningEntries& entries) {
  CleaningConfig config;
  for (std::size_t i = 0; i < kCleaningFields.size(); ++i) {
    const auto& field = kCleaningFields[i];
    set_field(config, field, parse_unsigned_entry(entries.texts[i], field.max));
  }
  config.clean_through_cartridge = entries.through_cartridge ? 1 : 0;
  return config;
}

}  // namespace tq
