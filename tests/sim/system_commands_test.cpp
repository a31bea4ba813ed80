// Identity, clock, status, tasks and the diagnostic log of the simulated instrument, seen
// through the program's own command operations.
#include <gtest/gtest.h>

#include <string>

#include "link/device_type.h"
#include "tests/sim/sim_rig.h"

namespace tq::sim::test {
namespace {

TEST(SimSystem, IdentityAndVersionsAreConsistent) {
  InstrumentOptions options;
  options.name = "River Station 4";
  options.serial_number = 4711;
  SimRig rig(options);

  IdentityRecord identity;
  ASSERT_EQ(GetIdentity(rig.c(), &identity), 0);
  EXPECT_EQ(identity.format, kIdentityFormat);
  EXPECT_EQ(FieldText(identity.name), "River Station 4");
  EXPECT_EQ(identity.serial_number, 4711);

  std::uint16_t type = 0;
  ASSERT_EQ(GetDeviceType(rig.c(), &type), 0);
  EXPECT_EQ(DeviceTypeName(type), "A0042 Simulator");

  FirmwareVersion version;
  ASSERT_EQ(GetFirmwareVersion(rig.c(), &version), 0);
  EXPECT_FALSE(FieldText(version.version).empty());

  // A save writes the name cut to 20 characters and keeps the bytes it does not know.
  ASSERT_EQ(SetIdentity(rig.c(), identity, "A name far longer than twenty", 70000), 0);
  IdentityRecord back;
  ASSERT_EQ(GetIdentity(rig.c(), &back), 0);
  EXPECT_EQ(FieldText(back.name), "A name far longer th");
  EXPECT_EQ(back.serial_number, 65535);
  EXPECT_EQ(back.unused26, identity.unused26);
}

TEST(SimSystem, OldFirmwareRefusesTheIdentityFormat) {
  InstrumentOptions options;
  options.old_firmware = true;
  SimRig rig(options);
  IdentityRecord identity;
  ASSERT_EQ(GetIdentity(rig.c(), &identity), 0);
  EXPECT_EQ(SetIdentity(rig.c(), identity, "New", 1), kResultFirmwareTooOld);
  IdentityRecord back;
  ASSERT_EQ(GetIdentity(rig.c(), &back), 0);
  EXPECT_EQ(FieldText(back.name), "Simulated Sampler");
}

TEST(SimSystem, ClockRunsAndCanBeSet) {
  InstrumentOptions options;
  options.clock = kDefaultClock;  // 07/07/2026 10:00:00
  SimRig rig(options);
  DeviceTime time;
  ASSERT_EQ(GetClock(rig.c(), &time), 0);
  EXPECT_EQ(time.year, 2026);
  EXPECT_EQ(time.month, 7);
  EXPECT_EQ(time.day, 7);
  EXPECT_EQ(time.hour, 10);
  EXPECT_EQ(time.minute, 0);

  rig.server().AdvanceTime(61000);
  ASSERT_EQ(GetClock(rig.c(), &time), 0);
  EXPECT_EQ(time.minute, 1);
  EXPECT_EQ(time.second, 1);
  EXPECT_EQ(rig.Status().clock, kDefaultClock + 61);

  const DeviceTime leap_day{2024, 2, 29, 23, 59, 58};
  ASSERT_EQ(SetClock(rig.c(), leap_day), 0);
  ASSERT_EQ(GetClock(rig.c(), &time), 0);
  EXPECT_EQ(time.year, 2024);
  EXPECT_EQ(time.month, 2);
  EXPECT_EQ(time.day, 29);
  EXPECT_EQ(time.second, 58);
  rig.server().AdvanceTime(3000);
  ASSERT_EQ(GetClock(rig.c(), &time), 0);
  EXPECT_EQ(time.month, 3);
  EXPECT_EQ(time.day, 1);
  EXPECT_EQ(time.second, 1);

  // Impossible dates, and moments the 32-bit status clock cannot carry, are refused.
  EXPECT_NE(SetClock(rig.c(), DeviceTime{2023, 2, 29, 0, 0, 0}), 0);
  EXPECT_NE(SetClock(rig.c(), DeviceTime{2026, 13, 1, 0, 0, 0}), 0);
  EXPECT_NE(SetClock(rig.c(), DeviceTime{2026, 1, 1, 24, 0, 0}), 0);
  EXPECT_NE(SetClock(rig.c(), DeviceTime{2200, 1, 1, 0, 0, 0}), 0);
  ASSERT_EQ(GetClock(rig.c(), &time), 0);
  EXPECT_EQ(time.year, 2024);
}

TEST(SimSystem, StatusIsPlausibleAndDrifts) {
  SimRig rig;
  const SystemStatus first = rig.Status();
  EXPECT_EQ(first.sampler_state, static_cast<std::uint8_t>(SamplerState::kIdle));
  EXPECT_NE(first.control_source, kControlSourceSchedule);
  EXPECT_EQ(first.error_flag, 0);
  EXPECT_NEAR(first.supply_voltage, 12.4, 0.5);
  EXPECT_GT(first.board_temperature, 15.0F);
  EXPECT_LT(first.board_temperature, 40.0F);
  EXPECT_GT(first.board_humidity, 20.0F);
  EXPECT_LT(first.board_humidity, 60.0F);
  EXPECT_EQ(first.next_event_time, 0u);
  EXPECT_EQ(first.cartridge_id, 1);

  rig.server().AdvanceTime(600000);
  const SystemStatus later = rig.Status();
  EXPECT_NE(later.board_temperature, first.board_temperature);
  EXPECT_NE(later.board_humidity, first.board_humidity);
  EXPECT_NEAR(later.board_humidity, first.board_humidity, 5);
}

TEST(SimSystem, ToggleLedIsAccepted) {
  SimRig rig;
  EXPECT_EQ(ToggleLed(rig.c()), 0);
  EXPECT_EQ(ToggleLed(rig.c()), 0);
}

TEST(SimSystem, TaskTableHasAnIdleEntryAndSaneStacks) {
  SimRig rig;
  std::uint8_t count = 0;
  ASSERT_EQ(GetTaskCount(rig.c(), &count), 0);
  ASSERT_GE(count, 3);
  ASSERT_LT(count, 16);
  for (std::uint8_t i = 0; i <= count; ++i) {
    TaskDetails task;
    ASSERT_EQ(GetTaskDetails(rig.c(), i, &task), 0) << int(i);
    EXPECT_FALSE(FieldText(task.name).empty());
    EXPECT_LT(task.stack_start, task.stack_top) << int(i);
    EXPECT_LE(task.stack_top, task.stack_end) << int(i);
    if (i > 0) {
      EXPECT_NE(task.log_filters & kLogFilterError, 0) << int(i);
    }
  }
  TaskDetails beyond;
  EXPECT_NE(GetTaskDetails(rig.c(), static_cast<std::uint8_t>(count + 1), &beyond), 0);
}

std::vector<DiagnosticLogEntry> ReadDiagnosticLog(Connection* c) {
  std::vector<DiagnosticLogEntry> entries;
  EXPECT_EQ(StartDiagnosticLogRead(c), 0);
  DiagnosticLogEntry entry;
  while (GetDiagnosticLogEntry(c, &entry) == 0 && entries.size() < 2000) entries.push_back(entry);
  return entries;
}

TEST(SimSystem, DiagnosticLogReadsRewindsAndClears) {
  SimRig rig;
  rig.server().AdvanceTime(5 * 60000);  // a few periodic reports
  const auto entries = ReadDiagnosticLog(rig.c());
  ASSERT_GE(entries.size(), 4u);
  EXPECT_EQ(FieldText(entries[0].message), "Restarted after reset");
  bool seen[5] = {};
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const DiagnosticLogEntry& e = entries[i];
    ASSERT_TRUE(e.severity == 1 || e.severity == 2 || e.severity == 4);
    seen[e.severity] = true;
    EXPECT_FALSE(FieldText(e.function).empty());
    EXPECT_GT(e.line, 0);
    if (i > 0) {
      EXPECT_EQ(e.counter, entries[i - 1].counter + 1);
    }
  }
  EXPECT_TRUE(seen[1] && seen[2] && seen[4]);

  // At the end there is nothing more for now; a rewind reads everything again.
  DiagnosticLogEntry extra;
  EXPECT_NE(GetDiagnosticLogEntry(rig.c(), &extra), 0);
  EXPECT_EQ(ReadDiagnosticLog(rig.c()).size(), entries.size());

  ASSERT_EQ(ClearDiagnosticLog(rig.c()), 0);
  EXPECT_TRUE(ReadDiagnosticLog(rig.c()).empty());
}

TEST(SimSystem, TaskFiltersDecideWhatIsLogged) {
  SimRig rig;
  std::uint8_t count = 0;
  ASSERT_EQ(GetTaskCount(rig.c(), &count), 0);
  ASSERT_EQ(ClearDiagnosticLog(rig.c()), 0);

  TaskLogFilters none;  // nothing from any task
  ASSERT_EQ(SetTaskConfig(rig.c(), none), 0);
  rig.server().AdvanceTime(5 * 60000);
  ASSERT_EQ(ToggleLed(rig.c()), 0);
  EXPECT_TRUE(ReadDiagnosticLog(rig.c()).empty());

  TaskLogFilters all;
  for (std::size_t i = 0; i <= count; ++i) all.filters[i] = 7;
  ASSERT_EQ(SetTaskConfig(rig.c(), all), 0);
  for (std::uint8_t i = 0; i <= count; ++i) {
    TaskDetails task;
    ASSERT_EQ(GetTaskDetails(rig.c(), i, &task), 0);
    EXPECT_EQ(task.log_filters, 7);
  }
  ASSERT_EQ(ToggleLed(rig.c()), 0);
  rig.server().AdvanceTime(2 * 60000);
  const auto entries = ReadDiagnosticLog(rig.c());
  ASSERT_FALSE(entries.empty());
  bool debug = false;
  for (const auto& e : entries) debug = debug || e.severity == kSeverityDebug;
  EXPECT_TRUE(debug);
}

}  // namespace
}  // namespace tq::sim::test
