// The operator choices kept between runs: one per-user key with seven values. The schema
// is one table; the store behind it is the registry on Windows (settings_store_win32.h)
// and an in-memory map in tests (settings_store_memory.h).
//
// There is no cache: every read and write goes to the store, one value at a time. Used
// from the user-interface thread only.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tq {

// HKEY_CURRENT_USER\<organisation><product>.
inline constexpr std::string_view kSettingsOrganisationKey = "SOFTWARE\\Velmora\\KASP\\";
inline constexpr std::string_view kSettingsProductKey = "TARNQUILL";
[[nodiscard]] std::string settings_key_path();

inline constexpr const char* kPortNameSetting = "port_name";
inline constexpr const char* kMotorIdSetting = "motor_id";
inline constexpr const char* kRunModeSetting = "RUN_MODE";
inline constexpr const char* kNumSamplesSetting = "NUM_SAMPLES";
inline constexpr const char* kSampleVolumeSetting = "SAMPLE_VOLUME";
inline constexpr const char* kSampleTimeoutSetting = "SAMPLE_TIMEOUT";
inline constexpr const char* kCleanSetting = "CLEAN";

// A port name is handled in 20 bytes: at most 19 characters and the NUL.
inline constexpr std::size_t kPortNameBytes = 20;

enum class SettingType { kString, kDword };

struct SettingDef {
  const char* name;
  SettingType type;
  std::uint32_t default_value;  // for kDword; a kString setting defaults to "absent"
  std::uint32_t min;            // stored values outside [min, max] read as the default
  std::uint32_t max;
};

inline constexpr std::array<SettingDef, 7> kSettings = {{
    {kPortNameSetting, SettingType::kString, 0, 0, 0},
    {kMotorIdSetting, SettingType::kDword, 1, 1, 5},
    // The Run view's five values hold one byte each; only the low byte of a stored value
    // counts, so the whole 32-bit range is accepted here.
    {kRunModeSetting, SettingType::kDword, 0, 0, 0xFFFFFFFFu},
    {kNumSamplesSetting, SettingType::kDword, 0, 0, 0xFFFFFFFFu},
    {kSampleVolumeSetting, SettingType::kDword, 0, 0, 0xFFFFFFFFu},
    {kSampleTimeoutSetting, SettingType::kDword, 0, 0, 0xFFFFFFFFu},
    {kCleanSetting, SettingType::kDword, 0, 0, 0xFFFFFFFFu},
}};

// The Run view writes its values in this order, one open-store-close each.
inline constexpr std::array<const char*, 5> kRunFieldSettings = {
    kRunModeSetting, kNumSamplesSetting, kSampleVolumeSetting, kSampleTimeoutSetting,
    kCleanSetting};

[[nodiscard]] const SettingDef* find_setting(std::string_view name);

class SettingsStore {
 public:
  SettingsStore() = default;
  SettingsStore(const SettingsStore&) = delete;
  SettingsStore& operator=(const SettingsStore&) = delete;
  virtual ~SettingsStore() = default;

  // Each call opens (or creates) the key, stores one value and closes it. False when the
  // key cannot be opened or the value not stored.
  [[nodiscard]] virtual bool write_dword(const char* name, std::uint32_t value) = 0;
  // Stores the text with its terminating NUL.
  [[nodiscard]] virtual bool write_string(const char* name, std::string_view text) = 0;

  // Nothing when the key or value is missing or of another type.
  [[nodiscard]] virtual std::optional<std::uint32_t> read_dword(const char* name) const = 0;
  // Nothing as above, and also when the text and its NUL do not fit `buffer_bytes`.
  [[nodiscard]] virtual std::optional<std::string> read_string(const char* name,
                                                               std::size_t buffer_bytes) const = 0;
};

// 0 on success, 1 on failure; callers do not act on it.
int settings_write_dword(SettingsStore& store, std::uint32_t value, const char* name);
int settings_write_port_name(SettingsStore& store, std::string_view text);

// The remembered port, or nothing (no preselection).
[[nodiscard]] std::optional<std::string> settings_read_port_name(const SettingsStore& store);
// A DWORD setting as the schema reads it: the default when absent or out of range.
[[nodiscard]] std::uint32_t settings_read_dword(const SettingsStore& store, const char* name);
// motor_id: 1 to 5, 1 when absent or out of range.
[[nodiscard]] std::uint8_t settings_read_motor_id(const SettingsStore& store);
// One of the Run view's values: the low byte of what is stored, 0 when absent.
[[nodiscard]] std::uint8_t settings_read_run_byte(const SettingsStore& store, const char* name);

}  // namespace tq
