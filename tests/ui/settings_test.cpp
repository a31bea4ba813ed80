// The settings schema and the reading rules, against the in-memory store.
#include "ui/settings.h"

#include <gtest/gtest.h>

#include "ui/settings_store_memory.h"

namespace tq {
namespace {

TEST(Settings, SchemaNamesTypesAndDefaults) {
  EXPECT_EQ(settings_key_path(), "SOFTWARE\\Velmora\\KASP\\TARNQUILL");
  struct Expected {
    const char* name;
    SettingType type;
    std::uint32_t default_value;
  };
  const Expected expected[] = {
      {"port_name", SettingType::kString, 0},    {"motor_id", SettingType::kDword, 1},
      {"RUN_MODE", SettingType::kDword, 0},      {"NUM_SAMPLES", SettingType::kDword, 0},
      {"SAMPLE_VOLUME", SettingType::kDword, 0}, {"SAMPLE_TIMEOUT", SettingType::kDword, 0},
      {"CLEAN", SettingType::kDword, 0},
  };
  ASSERT_EQ(std::size(expected), kSettings.size());
  for (std::size_t i = 0; i < kSettings.size(); ++i) {
    EXPECT_STREQ(kSettings[i].name, expected[i].name);
    EXPECT_EQ(kSettings[i].type, expected[i].type) << expected[i].name;
    EXPECT_EQ(kSettings[i].default_value, expected[i].default_value) << expected[i].name;
  }
}

TEST(Settings, FirstStartReadsEveryDefault) {
  const MemorySettingsStore store;
  EXPECT_FALSE(settings_read_port_name(store).has_value());
  EXPECT_EQ(settings_read_motor_id(store), 1);
  for (const char* name : kRunFieldSettings) EXPECT_EQ(settings_read_run_byte(store, name), 0);
}

TEST(Settings, PortNameReadsBackOnlyWhenItFitsTwentyBytes) {
  MemorySettingsStore store;
  ASSERT_EQ(settings_write_port_name(store, "COM1234567890123456"), 0);  // 19 characters
  EXPECT_EQ(settings_read_port_name(store), "COM1234567890123456");
  ASSERT_EQ(settings_write_port_name(store, "COM12345678901234567"), 0);  // 20
  EXPECT_FALSE(settings_read_port_name(store).has_value());
}

TEST(Settings, ValuesOfTheWrongTypeReadAsAbsent) {
  MemorySettingsStore store;
  ASSERT_EQ(settings_write_dword(store, 3, "port_name"), 0);
  EXPECT_FALSE(settings_read_port_name(store).has_value());
  ASSERT_EQ(settings_write_port_name(store, "COM1"), 0);
  store.plant("motor_id", {SettingType::kString, {'4', '\0'}});
  EXPECT_EQ(settings_read_motor_id(store), 1);
}

TEST(Settings, MotorIdOutsideOneToFiveReadsAsOne) {
  MemorySettingsStore store;
  for (const std::uint32_t stored : {0u, 6u, 0xFFFFFFFFu}) {
    ASSERT_EQ(settings_write_dword(store, stored, "motor_id"), 0);
    EXPECT_EQ(settings_read_motor_id(store), 1) << stored;
  }
  ASSERT_EQ(settings_write_dword(store, 5, "motor_id"), 0);
  EXPECT_EQ(settings_read_motor_id(store), 5);
}

TEST(Settings, RunValuesKeepOnlyTheirLowByte) {
  MemorySettingsStore store;
  ASSERT_EQ(settings_write_dword(store, 261, "RUN_MODE"), 0);
  EXPECT_EQ(settings_read_run_byte(store, "RUN_MODE"), 5);
}

}  // namespace
}  // namespace tq
