// The registry SettingsStore: names, types and bytes under the right key.
#include <gtest/gtest.h>

#include "tests/app/win32/gui_harness_win32.h"
#include "ui/settings_store_win32.h"

namespace tq::test {
namespace {

class SettingsRegistry : public testing::Test {
 protected:
  void SetUp() override { delete_settings_key(); }
  void TearDown() override { delete_settings_key(); }
  RegistrySettingsStore store_;
};

TEST_F(SettingsRegistry, ValuesLandUnderTheKeyWithTheirTypes) {
  EXPECT_EQ(settings_write_port_name(store_, "COM3"), 0);
  EXPECT_EQ(settings_write_dword(store_, 3, "motor_id"), 0);
  EXPECT_EQ(settings_write_dword(store_, 0x01020304, "SAMPLE_VOLUME"), 0);

  const auto port = read_settings_value("port_name");
  ASSERT_TRUE(port.has_value());
  EXPECT_EQ(port->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(port->bytes, (std::vector<std::uint8_t>{'C', 'O', 'M', '3', 0}));
  const auto motor = read_settings_value("motor_id");
  ASSERT_TRUE(motor.has_value());
  EXPECT_EQ(motor->type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(motor->bytes, (std::vector<std::uint8_t>{3, 0, 0, 0}));
  EXPECT_EQ(read_settings_value("SAMPLE_VOLUME")->bytes, (std::vector<std::uint8_t>{4, 3, 2, 1}));

  EXPECT_EQ(settings_read_port_name(store_), "COM3");
  EXPECT_EQ(settings_read_motor_id(store_), 3);
}

TEST_F(SettingsRegistry, AbsentWrongTypeOrOverlongValuesReadAsAbsent) {
  EXPECT_FALSE(settings_read_port_name(store_).has_value());
  EXPECT_EQ(settings_read_motor_id(store_), 1);
  EXPECT_EQ(settings_read_run_byte(store_, "RUN_MODE"), 0);

  plant_settings_value("motor_id", REG_SZ, {'4', 0});
  plant_settings_value("port_name", REG_DWORD, {3, 0, 0, 0});
  EXPECT_EQ(settings_read_motor_id(store_), 1);
  EXPECT_FALSE(settings_read_port_name(store_).has_value());

  ASSERT_EQ(settings_write_port_name(store_, "COM1234567890123456"), 0);  // 19 characters
  EXPECT_EQ(settings_read_port_name(store_), "COM1234567890123456");
  ASSERT_EQ(settings_write_port_name(store_, "COM12345678901234567"), 0);  // 20
  EXPECT_FALSE(settings_read_port_name(store_).has_value());
}

}  // namespace
}  // namespace tq::test
