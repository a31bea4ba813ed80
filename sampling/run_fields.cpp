// Run parameters between the controls, the settings store and StartRun.
#include "sampling/run_fields.h"

#include <algorithm>
#include <span>

#include "sampling/volume_entry.h"
#include "ui/entry_parse.h"

namespace tq {
namespace {

constexpr std::uint32_t kByteMax = 255;

std::uint8_t byte_entry(const std::string& text) {
  return static_cast<std::uint8_t>(parse_unsigned_entry(text, kByteMax));
}

int mode_index_of(std::uint8_t mode) {
  for (std::size_t i = 0; i < kRunModes.size(); ++i) {
    if (kRunModes[i].value == mode) return static_cast<int>(i);
  }
  return 0;
}

}  // namespace

RunFields load_run_fields(const SettingsStore& store) {
  RunFields fields;
  fields.run_mode = settings_read_run_byte(store, kRunModeSetting);
  fields.cartridge_count = settings_read_run_byte(store, kNumSamplesSetting);
  fields.volume_tenths = settings_read_run_byte(store, kSampleVolumeSetting);
  fields.timeout_minutes = settings_read_run_byte(store, kSampleTimeoutSetting);
  fields.clean = settings_read_run_byte(store, kCleanSetting);
  return fields;
}

void save_run_fields(SettingsStore& store, const RunFields& fields) {
  const std::array<std::uint8_t, 5> values = {fields.run_mode, fields.cartridge_count,
                                              fields.volume_tenths, fields.timeout_minutes,
                                              fields.clean};
  static_assert(values.size() == kRunFieldSettings.size());
  for (std::size_t i = 0; i < values.size(); ++i) {
    settings_write_dword(store, values[i], kRunFieldSettings[i]);
  }
}

RunFieldControls show_run_fields(const RunFields& fields) {
  RunFieldControls controls;
  controls.mode_index = mode_index_of(fields.run_mode);
  controls.cartridges = std::to_string(fields.cartridge_count);
  controls.volume = volume_text(fields.volume_tenths);
  controls.timeout = std::to_string(fields.timeout_minutes);
  controls.clean = fields.clean != 0;
  return controls;
}

RunFields take_run_fields(const RunFieldControls& controls) {
  RunFields fields;
  fields.run_mode =
      static_cast<std::uint8_t>(combo_value_at(std::span(kRunModes), controls.mode_index));
  fields.cartridge_count = byte_entry(controls.cartridges);
  fields.volume_tenths = volume_tenths(controls.volume);
  fields.timeout_minutes = byte_entry(controls.timeout);
  fields.clean = controls.clean ? 1 : 0;
  return fields;
}

RunRequest start_run_request(const RunFields& fields, std::int64_t seconds_since_1970) {
  RunRequest request = fields;
  // Never a wrapped count: the largest after 2106, 0 before 1970.
  request.start_time =
      static_cast<std::uint32_t>(std::clamp<std::int64_t>(seconds_since_1970, 0, 0xFFFFFFFF));
  return request;
}

}  // namespace tq
