// System commands against a scripted instrument: request bytes as the instrument expects
// them, response fields taken from their offsets, outputs untouched on failure, and the
// device type names.
#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <set>
#include <string>

#include "link/commands.h"
#include "link/device_type.h"
#include "link/memory_link.h"
#include "tests/support/answering_rig.h"

namespace tq {
namespace {

using test::Bytes;

using Rig = test::AnsweringRig;
using test::Cat;
using test::ExpectRequest;
using test::RequestCase;

// A text field of `size` bytes: the characters, then zeros.
Bytes Text(std::string_view text, std::size_t size) {
  Bytes b(size, 0);
  std::copy(text.begin(), text.end(), b.begin());
  return b;
}

std::vector<RequestCase> SystemRequests() {
  IdentityRecord as_read;
  as_read.format = 7;
  as_read.unused1 = 0xA1;
  SetFieldText(as_read.name, "Old name that is long");
  as_read.unused23 = 0xB2;
  as_read.serial_number = 0x1234;
  as_read.unused26 = {0xC3, 0xC4, 0xC5};

  DeviceTime time{2024, 3, 14, 15, 9, 26};
  TaskLogFilters filters;
  filters.filters[0] = 0x07;
  filters.filters[1] = 0x01;
  filters.filters[3] = 0x04;
  filters.filters[24] = 0x02;

  Bytes filter_bytes(26, 0);
  filter_bytes[1] = 0x07;
  filter_bytes[2] = 0x01;
  filter_bytes[4] = 0x04;
  filter_bytes[25] = 0x02;

  return {
      {[](Connection* c) {
         IdentityRecord r;
         return GetIdentity(c, &r);
       },
       0x04,
       {}},
      {[as_read](Connection* c) { return SetIdentity(c, as_read, "Lake 3", 70000); }, 0x05,
       Cat({{0x02, 0xA1}, Text("Lake 3", 21), {0xB2, 0xFF, 0xFF, 0xC3, 0xC4, 0xC5}})},
      {[](Connection* c) {
         std::uint16_t t = 0;
         return GetDeviceType(c, &t);
       },
       0x06,
       {}},
      {[](Connection* c) {
         DeviceTime t;
         return GetClock(c, &t);
       },
       0x22,
       {}},
      {[time](Connection* c) { return SetClock(c, time); },
       0x23,
       {0x00, 0xE8, 0x07, 3, 14, 15, 9, 26}},
      {[](Connection* c) {
         FirmwareVersion v;
         return GetFirmwareVersion(c, &v);
       },
       0x26,
       {}},
      {[](Connection* c) {
         SystemStatus s;
         return GetSystemStatus(c, &s);
       },
       0x27,
       {}},
      {[](Connection* c) { return ToggleLed(c); }, 0x28, {0x01}},
      {[filters](Connection* c) { return SetTaskConfig(c, filters); }, 0x31, filter_bytes},
      {[](Connection* c) {
         TaskDetails d;
         return GetTaskDetails(c, 5, &d);
       },
       0x32,
       {0x05}},
      {[](Connection* c) {
         DiagnosticLogEntry e;
         return GetDiagnosticLogEntry(c, &e);
       },
       0x33,
       {}},
      {[](Connection* c) { return ClearDiagnosticLog(c); }, 0x34, {}},
      {[](Connection* c) { return StartDiagnosticLogRead(c); }, 0x35, {0xFF, 0xFF}},
      {[](Connection* c) {
         std::uint8_t n = 0;
         return GetTaskCount(c, &n);
       },
       0x36,
       {}},
  };
}

TEST(SystemCommands, RequestFramesCarryCodeLengthAndPayload) {
  test::ExpectRequestTable(SystemRequests());
}

TEST(SystemCommands, NullConnectionGivesLinkFailure) {
  test::ExpectNullConnectionFails(SystemRequests());
}

TEST(SystemCommands, SetIdentityCutsTheNameAndLimitsTheSerial) {
  Rig rig;
  IdentityRecord as_read;
  as_read.name.fill('Q');  // no terminator in what was read
  ASSERT_EQ(SetIdentity(rig.connection.get(), as_read, "ABCDEFGHIJKLMNOPQRSTUVWXY", 65535),
            kResultOk);
  Frame f = rig.LastRequest();
  EXPECT_EQ(std::string(f.begin() + 9, f.begin() + 29), "ABCDEFGHIJKLMNOPQRST");
  EXPECT_EQ(f[kOffPayload + 22], 0);
  EXPECT_EQ(f[kOffPayload + 24], 0xFF);
  EXPECT_EQ(f[kOffPayload + 25], 0xFF);

  ASSERT_EQ(SetIdentity(rig.connection.get(), as_read, "", 0), kResultOk);
  f = rig.LastRequest();
  EXPECT_EQ(Bytes(f.begin() + 9, f.begin() + 30), Bytes(21, 0));
  EXPECT_EQ(f[kOffPayload + 24], 0);
}

TEST(SystemResponses, IdentityFieldsComeFromTheirOffsets) {
  Rig rig;
  rig.Answer(0, Cat({{0x02, 0x99}, Text("Sampler 7", 21), {0x77, 0x39, 0x30, 0xA1, 0xA2, 0xA3}}));
  IdentityRecord id;
  ASSERT_EQ(GetIdentity(rig.connection.get(), &id), kResultOk);
  EXPECT_EQ(id.format, 2);
  EXPECT_EQ(id.unused1, 0x99);
  EXPECT_EQ(FieldText(id.name), "Sampler 7");
  EXPECT_EQ(id.unused23, 0x77);
  EXPECT_EQ(id.serial_number, 12345);
  EXPECT_EQ(id.unused26, (std::array<std::uint8_t, 3>{0xA1, 0xA2, 0xA3}));
}

TEST(SystemResponses, TextsWithoutTerminatorStopAtTheirFieldEnd) {
  Rig rig;
  rig.Answer(0, Cat({{0x02, 0x00}, Bytes(21, 'N'), Bytes(6, 'Z')}));
  IdentityRecord id;
  ASSERT_EQ(GetIdentity(rig.connection.get(), &id), kResultOk);
  EXPECT_EQ(FieldText(id.name), std::string(21, 'N'));

  rig.Answer(0, Cat({{0x00}, Bytes(25, 'v'), Bytes(10, 'w')}));
  FirmwareVersion version;
  ASSERT_EQ(GetFirmwareVersion(rig.connection.get(), &version), kResultOk);
  EXPECT_EQ(FieldText(version.version), std::string(25, 'v'));

  rig.Answer(0, Cat({{0xFF}, Text("1.4.2-rc1", 25)}));
  ASSERT_EQ(GetFirmwareVersion(rig.connection.get(), &version), kResultOk);
  EXPECT_EQ(FieldText(version.version), "1.4.2-rc1");
}

TEST(SystemResponses, DeviceTypeAndClockAndTaskCount) {
  Rig rig;
  std::uint16_t type = 0;
  rig.Answer(0, {0x11, 0x22, 0x0F, 0x27, 0x33});
  ASSERT_EQ(GetDeviceType(rig.connection.get(), &type), kResultOk);
  EXPECT_EQ(type, 9999);

  rig.Answer(0, {0x00, 0xE8, 0x07, 12, 31, 23, 59, 58});
  DeviceTime time;
  ASSERT_EQ(GetClock(rig.connection.get(), &time), kResultOk);
  EXPECT_EQ(time, (DeviceTime{2024, 12, 31, 23, 59, 58}));

  rig.Answer(0, {12, 0xAA});
  std::uint8_t count = 0;
  ASSERT_EQ(GetTaskCount(rig.connection.get(), &count), kResultOk);
  EXPECT_EQ(count, 12);
}

TEST(SystemResponses, SystemStatusFieldsComeFromTheirOffsets) {
  Rig rig;
  rig.Answer(0, {0x00, 8,    0xFF, 1,    0x00, 0x00, 0x48, 0x41, 0x00, 0x00, 0xA8, 0xC0,
                 0x00, 0x00, 0x5E, 0x42, 0x00, 0x00, 0x10, 0x40, 0x00, 0x00, 0x60, 0x40,
                 0xB2, 0xA1, 0xF3, 0x65, 0x04, 0x03, 0x02, 0x01, 7,    0xEE, 0xAD, 0x0B});
  SystemStatus s;
  ASSERT_EQ(GetSystemStatus(rig.connection.get(), &s), kResultOk);
  EXPECT_EQ(s.sampler_state, 8);
  EXPECT_EQ(s.control_source, kControlSourceSchedule);
  EXPECT_EQ(s.error_flag, 1);
  EXPECT_EQ(s.supply_voltage, 12.5f);
  EXPECT_EQ(s.board_temperature, -5.25f);
  EXPECT_EQ(s.board_humidity, 55.5f);
  EXPECT_EQ(s.flow_volume, 2.25f);
  EXPECT_EQ(s.max_pressure, 3.5f);
  EXPECT_EQ(s.clock, 0x65F3A1B2u);
  EXPECT_EQ(s.next_event_time, 0x01020304u);
  EXPECT_EQ(s.waypoint_index, 7);
  EXPECT_EQ(s.cartridge_id, 0x0BAD);
}

TEST(SystemResponses, DiagnosticLogEntryAndTaskDetails) {
  Rig rig;
  rig.Answer(0, Cat({{0x00, 0xFE, 0xFF, 0xFF, 0xFF},
                     Text("PumpTask", 32),
                     {0xD2, 0x04, 0x00, 0x00, 3, kSeverityError},
                     Text("Overpressure", 71)}));
  DiagnosticLogEntry e;
  ASSERT_EQ(GetDiagnosticLogEntry(rig.connection.get(), &e), kResultOk);
  EXPECT_EQ(e.counter, -2);
  EXPECT_EQ(FieldText(e.function), "PumpTask");
  EXPECT_EQ(e.line, 1234);
  EXPECT_EQ(e.task_id, 3);
  EXPECT_EQ(e.severity, kSeverityError);
  EXPECT_EQ(FieldText(e.message), "Overpressure");

  rig.Answer(
      0, Cat({{0x00},
              Text("Sampler", 33),
              {0x00, 0x10, 0x00, 0x20, 0xFF, 0x1F, 0x00, 0x20, 0x00, 0x18, 0x00, 0x20, 1, 0x05}}));
  TaskDetails d;
  ASSERT_EQ(GetTaskDetails(rig.connection.get(), 1, &d), kResultOk);
  EXPECT_EQ(FieldText(d.name), "Sampler");
  EXPECT_EQ(d.stack_start, 0x20001000u);
  EXPECT_EQ(d.stack_end, 0x20001FFFu);
  EXPECT_EQ(d.stack_top, 0x20001800u);
  EXPECT_EQ(d.state, 1);
  EXPECT_EQ(d.log_filters, kLogFilterError | kLogFilterDebug);

  // A line number that fills all four bytes.
  rig.Answer(0, Cat({Bytes(37, 0), {0x04, 0x03, 0x02, 0x01}}));
  ASSERT_EQ(GetDiagnosticLogEntry(rig.connection.get(), &e), kResultOk);
  EXPECT_EQ(e.line, 0x01020304);
}

// A record decoded from a varied byte pattern, so any field overwritten shows.
template <typename Record, std::size_t N>
Record Sentinel(void (*decode)(std::span<const std::uint8_t, N>, Record&)) {
  std::array<std::uint8_t, N> bytes{};
  for (std::size_t i = 0; i < N; ++i) bytes[i] = static_cast<std::uint8_t>(0x41 + i % 23);
  Record r;
  decode(bytes, r);
  return r;
}

template <typename Record, typename Call>
void ExpectUntouchedOnFailure(Rig& rig, const Record& sentinel, Call call) {
  Record out = sentinel;
  EXPECT_EQ(call(rig.connection.get(), &out), 3);
  EXPECT_TRUE(out == sentinel);
  EXPECT_EQ(call(nullptr, &out), kResultLinkFailure);
  EXPECT_TRUE(out == sentinel);
}

TEST(SystemCommands, OutputsAreUntouchedUnlessTheResultIsZero) {
  Rig rig;
  rig.Answer(3, Bytes(kPayloadCapacity, 0xEE));
  ExpectUntouchedOnFailure(rig, Sentinel(DecodeIdentityRecord), GetIdentity);
  ExpectUntouchedOnFailure(rig, Sentinel(DecodeDeviceTime), GetClock);
  ExpectUntouchedOnFailure(rig, Sentinel(DecodeFirmwareVersion), GetFirmwareVersion);
  ExpectUntouchedOnFailure(rig, Sentinel(DecodeSystemStatus), GetSystemStatus);
  ExpectUntouchedOnFailure(rig, Sentinel(DecodeDiagnosticLogEntry), GetDiagnosticLogEntry);
  ExpectUntouchedOnFailure(rig, Sentinel(DecodeTaskDetails),
                           [](Connection* c, TaskDetails* d) { return GetTaskDetails(c, 2, d); });
  ExpectUntouchedOnFailure(rig, std::uint16_t{0x4242}, GetDeviceType);
  ExpectUntouchedOnFailure(rig, std::uint8_t{7}, GetTaskCount);
}

TEST(DeviceTypeName, FormatsZeroFilledCodeAndName) {
  EXPECT_EQ(DeviceTypeName(9999), "A9999 Unknown Device");
  EXPECT_EQ(DeviceTypeName(0), "A0000 Unknown Device");
  EXPECT_EQ(DeviceTypeName(42), "A0042 Simulator");
  EXPECT_EQ(DeviceTypeName(65535), "A65535 Unknown Device");

  // Each call has its own text: an earlier result is not replaced by a later call.
  const std::string first = DeviceTypeName(1015);
  const std::string second = DeviceTypeName(2001);
  EXPECT_EQ(first, "A1015 Cartridge Sampler 15");
  EXPECT_EQ(second, "A2001 Benchtop Sampler");
}

TEST(DeviceTypeName, TableHas32CodesAnd31NamesThatAllFit) {
  std::set<std::uint16_t> codes;
  std::set<std::string_view> names;
  for (const DeviceTypeEntry& e : kDeviceTypeNames) {
    codes.insert(e.code);
    names.insert(e.name);
    EXPECT_LE(DeviceTypeName(e.code).size(), 39u) << e.name;
    EXPECT_EQ(DeviceTypeName(e.code).substr(6), e.name);
  }
  EXPECT_EQ(codes.size(), 32u);
  EXPECT_EQ(names.size(), 31u);
}

}  // namespace
}  // namespace tq
