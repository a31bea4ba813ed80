// Run parameters between the controls, the settings store and StartRun.
#include "sampling/run_fields.h"

#include <gtest/gtest.h>

#include "ui/settings_store_memory.h"

namespace tq {
namespace {

RunFieldControls entries(int mode, const char* cartridges, const char* volume, const char* timeout,
                         bool clean = false) {
  return {mode, cartridges, volume, timeout, clean};
}

TEST(RunFields, VolumeEntriesBecomeTenthsLimitedToAByte) {
  const std::pair<const char*, int> cases[] = {
      {"2.55", 25},  {"2.2995", 23}, {"0.05", 0},    {"30", 255},   {"-1", 0},
      {"abc", 0},    {"2.3", 23},    {"25.5", 255},  {"25.4", 254}, {"", 0},
      {" 1.2x", 12}, {"1e1", 100},   {"1e999", 255}, {"nan", 0},
  };
  for (const auto& [text, tenths] : cases) {
    EXPECT_EQ(take_run_fields(entries(1, "0", text, "0")).volume_tenths, tenths) << text;
  }
}

TEST(RunFields, CountsAreLimitedToAByte) {
  const RunFields fields = take_run_fields(entries(0, "300", "0", "256"));
  EXPECT_EQ(fields.cartridge_count, 255);
  EXPECT_EQ(fields.timeout_minutes, 255);
  EXPECT_EQ(take_run_fields(entries(0, "abc", "0", "")).cartridge_count, 0);
  EXPECT_EQ(take_run_fields(entries(0, "12", "0", "45")).timeout_minutes, 45);
}

TEST(RunFields, ModeComesFromTheComboPosition) {
  EXPECT_EQ(take_run_fields(entries(0, "", "", "")).run_mode, kRunModeLoadUnload);
  EXPECT_EQ(take_run_fields(entries(1, "", "", "")).run_mode, kRunModeSample);
  EXPECT_EQ(take_run_fields(entries(2, "", "", "")).run_mode, kRunModePrime);
  EXPECT_EQ(take_run_fields(entries(3, "", "", "")).run_mode, kRunModeSchedule);
  EXPECT_EQ(take_run_fields(entries(-1, "", "", "")).run_mode, 0);  // nothing selected
}

TEST(RunFields, TakenFieldsCarryEverythingAndNoTime) {
  const RunFields fields = take_run_fields(entries(1, "3", "2.5", "20", true));
  EXPECT_EQ(fields, (RunFields{kRunModeSample, 3, 25, 20, 1, 0}));
}

TEST(RunFields, ShownDefaultsAndUnknownModes) {
  EXPECT_EQ(show_run_fields(RunFields{}), entries(0, "0", "0.0", "0", false));
  RunFields stored{7, 12, 25, 30, 1, 0};
  EXPECT_EQ(show_run_fields(stored), entries(0, "12", "2.5", "30", true));
  stored.run_mode = kRunModeSchedule;
  EXPECT_EQ(show_run_fields(stored).mode_index, 3);
  stored.volume_tenths = 255;
  EXPECT_EQ(show_run_fields(stored).volume, "25.5");
  stored.volume_tenths = 23;  // 2.3 + 0.01 shows as 2.3 and is read back as 23
  EXPECT_EQ(take_run_fields(show_run_fields(stored)).volume_tenths, 23);
}

TEST(RunFields, StartSendsTheFieldsAndTheTimeAsAnUnsignedCount) {
  const RunFields fields{kRunModeSample, 3, 25, 20, 1, 0};
  EXPECT_EQ(start_run_request(fields, 1783418400),
            (RunRequest{kRunModeSample, 3, 25, 20, 1, 1783418400}));
  const auto time = [&](std::int64_t now) { return start_run_request(fields, now).start_time; };
  EXPECT_EQ(time(0x80000000LL), 0x80000000u);  // past January 2038
  EXPECT_EQ(time(-5), 0u);
  EXPECT_EQ(time(0x1'0000'0005LL), 0xFFFFFFFFu);  // never wrapped to 5
}

TEST(RunFields, SettingsHoldTheFiveBytes) {
  MemorySettingsStore store;
  EXPECT_EQ(load_run_fields(store), RunFields{});
  save_run_fields(store, RunFields{kRunModeSchedule, 4, 25, 9, 1, 1783418400});
  EXPECT_EQ(store.read_dword("RUN_MODE"), 255u);
  EXPECT_EQ(store.read_dword("NUM_SAMPLES"), 4u);
  EXPECT_EQ(store.read_dword("SAMPLE_VOLUME"), 25u);
  EXPECT_EQ(store.read_dword("SAMPLE_TIMEOUT"), 9u);
  EXPECT_EQ(store.read_dword("CLEAN"), 1u);
  EXPECT_EQ(load_run_fields(store), (RunFields{kRunModeSchedule, 4, 25, 9, 1, 0}));
}

TEST(RunFields, EachStoredValueIsReadOnItsOwn) {
  MemorySettingsStore store;
  ASSERT_TRUE(store.write_dword("RUN_MODE", 261));      // only the low byte counts
  ASSERT_TRUE(store.write_string("NUM_SAMPLES", "7"));  // wrong type: absent
  ASSERT_TRUE(store.write_dword("SAMPLE_TIMEOUT", 15));
  const RunFields fields = load_run_fields(store);
  EXPECT_EQ(fields.run_mode, 5);
  EXPECT_EQ(fields.cartridge_count, 0);
  EXPECT_EQ(fields.timeout_minutes, 15);
}

}  // namespace
}  // namespace tq
