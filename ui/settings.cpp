// Reading and writing the settings through a store, driven by the schema table.
#include "ui/settings.h"

namespace tq {

std::string settings_key_path() {
  std::string path(kSettingsOrganisationKey);
  path += kSettingsProductKey;
  return path;
}

const SettingDef* find_setting(std::string_view name) {
  for (const SettingDef& def : kSettings) {
    if (name == def.name) return &def;
  }
  return nullptr;
}

int settings_write_dword(SettingsStore& store, std::uint32_t value, const char* name) {
  return store.write_dword(name, value) ? 0 : 1;
}

int settings_write_port_name(SettingsStore& store, std::string_view text) {
  return store.write_string(kPortNameSetting, text) ? 0 : 1;
}

std::optional<std::string> settings_read_port_name(const SettingsStore& store) {
  return store.read_string(kPortNameSetting, kPortNameBytes);
}

std::uint32_t settings_read_dword(const SettingsStore& store, const char* name) {
  const SettingDef* def = find_setting(name);
  const std::uint32_t fallback = def != nullptr ? def->default_value : 0;
  const auto value = store.read_dword(name);
  if (!value) return fallback;
  if (def != nullptr && (*value < def->min || *value > def->max)) return fallback;
  return *value;
}

std::uint8_t settings_read_motor_id(const SettingsStore& store) {
  return static_cast<std::uint8_t>(settings_read_dword(store, kMotorIdSetting));
}

std::uint8_t settings_read_run_byte(const SettingsStore& store, const char* name) {
  return static_cast<std::uint8_t>(settings_read_dword(store, name) & 0xFFu);
}

}  // namespace tq
