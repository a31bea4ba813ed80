// Sampler commands against a scripted instrument: request bytes as the instrument expects
// them, response fields from their offsets, outputs untouched on failure, and records
// written back carrying the bytes the program does not interpret.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <mutex>

#include "link/commands.h"
#include "link/encodings.h"
#include "link/memory_link.h"
#include "tests/support/answering_rig.h"

namespace tq {
namespace {

using test::Bytes;

using Rig = test::AnsweringRig;
using test::Cat;
using test::ExpectRequest;
using test::RequestCase;

Bytes PayloadBytes(const Frame& f, std::size_t n) {
  return Bytes(f.begin() + kOffPayload, f.begin() + kOffPayload + static_cast<std::ptrdiff_t>(n));
}

// Block 6 written by hand: unused 0x5C, slope 1.5, offset -0.25, pressures 0, 2.5, 5, 0, 0
// bar at 0.5, 1, 1.5, 0, 0 volts, the first three points in use.
Bytes CalibrationBytes() {
  return {0x5C,                                            // not used
          0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF8, 0x3F,  // 1.5
          0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xD0, 0xBF,  // -0.25
          0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x20, 0x40, 0x00, 0x00,
          0xA0, 0x40, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // pressures
          0x00, 0x00, 0x00, 0x3F, 0x00, 0x00, 0x80, 0x3F, 0x00, 0x00,
          0xC0, 0x3F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // voltages
          1,    1,    1,    0,    0};
}

PressureCalibration Calibration() {
  PressureCalibration c;
  c.unused0 = 0x5C;
  c.slope = 1.5;
  c.offset = -0.25;
  c.point_pressure = {0, 2.5f, 5, 0, 0};
  c.point_voltage = {0.5f, 1, 1.5f, 0, 0};
  c.point_in_use = {1, 1, 1, 0, 0};
  return c;
}

std::vector<RequestCase> SamplerRequests() {
  MotorConfig motor;
  motor.unused0 = 0x5A;
  motor.direction = kDirectionReverse;
  motor.autostop_sensor = kAutostopHall2;
  motor.second_autostop_sensor = kAutostopPressure;
  motor.max_pressure = 7;
  motor.overpressure_timeout = 3600;
  motor.engaged_hall = 4095;
  motor.disengaged_hall = 0x0123;
  motor.speed = 100;

  CartridgeRecord cartridge;
  cartridge.unused0 = {0x11, 0x22};
  cartridge.cartridge_id = 0x0BAD;
  cartridge.unused4 = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};

  CleaningConfig cleaning{120, 1, 80, 300, 600, 3600};

  ScheduleRecord schedule;
  schedule.autostart = 1;
  schedule.start_time = 0x12345678;
  schedule.rows[0] = {kScheduleRowInUse | kScheduleRowClean, 4, 23, 30, 10};
  schedule.rows[1] = {kScheduleRowInUse, 2, 5, 60, 0x013C};
  Bytes schedule_bytes(98, 0);
  schedule_bytes[1] = 1;
  schedule_bytes[4] = 0x78;
  schedule_bytes[5] = 0x56;
  schedule_bytes[6] = 0x34;
  schedule_bytes[7] = 0x12;
  const Bytes rows = {3, 4, 23, 30, 10, 0, 1, 2, 5, 60, 0x3C, 0x01};
  std::copy(rows.begin(), rows.end(), schedule_bytes.begin() + 8);

  return {
      {[](Connection* c) {
         std::array<std::uint8_t, 62> b{};
         return GetConfigBlock(c, 6, b);
       },
       0x70,
       {6, 62}},
      {[](Connection* c) {
         const std::array<std::uint8_t, 5> b{0, 0x10, 0x27, 0, 0};
         return SetConfigBlock(c, 5, b);
       },
       0x71,
       {5, 5, 0, 0x10, 0x27, 0, 0}},
      {[](Connection* c) { return WriteFlowMeterConfig(c, FlowMeterConfig{450}); },
       0x71,
       {5, 5, 0, 0xC2, 0x01, 0, 0}},
      {[](Connection* c) { return WritePressureCalibration(c, Calibration()); }, 0x71,
       Cat({{6, 62}, CalibrationBytes()})},
      {[](Connection* c) { return StartSensors(c); }, 0x72, {}},
      {[](Connection* c) { return StopSensors(c); }, 0x73, {}},
      {[](Connection* c) {
         SensorSample s;
         return GetSensorSample(c, &s);
       },
       0x74,
       {}},
      {[](Connection* c) {
         MotorConfig m;
         return GetMotorConfig(c, 3, &m);
       },
       0x80,
       {3}},
      {[motor](Connection* c) { return SetMotorConfig(c, 2, motor); },
       0x81,
       {2, 0x5A, 1, 2, 6, 7, 0x10, 0x0E, 0xFF, 0x0F, 0x23, 0x01, 0x64, 0x00}},
      {[](Connection* c) {
         return RunMotor(c, MotorRunRequest{4, 1, 75});
       },
       0x82, Cat({{0, 4, 1, 75, 0}, Bytes(19, 0)})},
      {[](Connection* c) { return StopMotor(c); }, 0x83, {}},
      {[](Connection* c) { return EngageMotor(c, 2); }, 0x84, {2}},
      {[](Connection* c) { return DisengageMotor(c, 3); }, 0x85, {3}},
      {[](Connection* c) {
         return PumpVolume(c, PumpRequest{5, 2.5f, 600});
       },
       0x86,
       {5, 0, 0x00, 0x00, 0x20, 0x40, 0x58, 0x02}},
      {[](Connection* c) { return ExitMotorControl(c); }, 0x88, {0}},
      {[](Connection* c) {
         return StartRun(c, RunRequest{1, 12, 23, 30, 1, 0x65F3A1B2});
       },
       0xA2,
       {0, 1, 12, 23, 30, 1, 0xB2, 0xA1, 0xF3, 0x65}},
      {[](Connection* c) { return StopRun(c); }, 0xA3, {}},
      {[](Connection* c) {
         CartridgeRecord r;
         return GetCartridgeId(c, &r);
       },
       0xA4,
       {}},
      {[cartridge](Connection* c) { return SetCartridgeId(c, cartridge); },
       0xA5,
       {0x11, 0x22, 0xAD, 0x0B, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}},
      {[](Connection* c) {
         SampleLogEntry e;
         return GetSampleLogEntry(c, 0x0102, &e);
       },
       0xA9,
       {0x02, 0x01}},
      {[](Connection* c) { return ClearSampleLog(c); }, 0xAA, {}},
      {[](Connection* c) {
         CleaningConfig k;
         return GetCleaningConfig(c, &k);
       },
       0xAB,
       {}},
      {[cleaning](Connection* c) { return SetCleaningConfig(c, cleaning); },
       0xAC,
       {0, 0, 0x78, 0, 1, 80, 0x2C, 0x01, 0x58, 0x02, 0x10, 0x0E}},
      {[](Connection* c) {
         ScheduleRecord s;
         return GetSchedule(c, &s);
       },
       0xB0,
       {}},
      {[schedule](Connection* c) { return SetSchedule(c, schedule); }, 0xB1, schedule_bytes},
      {[](Connection* c) { return StartSchedule(c); }, 0xB2, {}},
      {[](Connection* c) { return StopSchedule(c); }, 0xB3, {}},
  };
}

TEST(SamplerCommands, RequestFramesCarryCodeLengthAndPayload) {
  test::ExpectRequestTable(SamplerRequests());
}

TEST(SamplerCommands, NullConnectionGivesLinkFailure) {
  test::ExpectNullConnectionFails(SamplerRequests());
}

TEST(SamplerCommands, ConfigBlocksTooLargeForAFrameAreRefusedUnsent) {
  Rig rig;
  std::array<std::uint8_t, kPayloadCapacity + 1> big{};
  big.fill(0x33);
  EXPECT_EQ(SetConfigBlock(rig.connection.get(), 6, std::span(big).first(120)), kResultLinkFailure);
  EXPECT_EQ(GetConfigBlock(rig.connection.get(), 6, big), kResultLinkFailure);
  EXPECT_EQ(rig.RequestCount(), 0u);
  EXPECT_TRUE(std::all_of(big.begin(), big.end(), [](std::uint8_t b) { return b == 0x33; }));

  // The largest block that fits: 119 bytes after the id and count.
  ASSERT_EQ(SetConfigBlock(rig.connection.get(), 6, std::span(big).first(119)), kResultOk);
  const Frame f = rig.LastRequest();
  EXPECT_EQ(f[kOffLength], 121);
  EXPECT_EQ(f[kOffPayload + 1], 119);
  EXPECT_EQ(f[kFrameSize - 1], 0x33);
}

TEST(SamplerResponses, GetConfigBlockCopiesExactlyTheCountAskedFor) {
  Rig rig;
  rig.Answer(0, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});  // declares 10 bytes
  std::array<std::uint8_t, 8> buffer;
  buffer.fill(0xEE);
  ASSERT_EQ(GetConfigBlock(rig.connection.get(), 5, std::span(buffer).first(5)), kResultOk);
  EXPECT_EQ(buffer, (std::array<std::uint8_t, 8>{1, 2, 3, 4, 5, 0xEE, 0xEE, 0xEE}));

  rig.Answer(0, {9, 8});  // declares 2: the other three come from the zeroed rest
  ASSERT_EQ(GetConfigBlock(rig.connection.get(), 5, std::span(buffer).first(5)), kResultOk);
  EXPECT_EQ(buffer, (std::array<std::uint8_t, 8>{9, 8, 0, 0, 0, 0xEE, 0xEE, 0xEE}));
}

TEST(SamplerResponses, ConfigBlockRecordsComeFromTheirOffsets) {
  Rig rig;
  rig.Answer(0, CalibrationBytes());
  PressureCalibration c;
  ASSERT_EQ(ReadPressureCalibration(rig.connection.get(), &c), kResultOk);
  EXPECT_TRUE(c == Calibration());
  ExpectRequest(rig.LastRequest(), 0x70, {6, 62});

  rig.Answer(0, {0x00, 0xC2, 0x01, 0x00, 0x00});
  FlowMeterConfig flow;
  ASSERT_EQ(ReadFlowMeterConfig(rig.connection.get(), &flow), kResultOk);
  EXPECT_EQ(flow.pulses_per_litre, 450u);
  ExpectRequest(rig.LastRequest(), 0x70, {5, 5});
}

TEST(SamplerResponses, SensorSampleAndVoltageSign) {
  Rig rig;
  rig.Answer(0, Cat({Bytes(14, 0xAA),
                     {0x64, 0x00, 0x64, 0x08, 0x01, 0x00, 0xFF, 0x0F, 0x34, 0x12},
                     Bytes(6, 0xAA)}));
  SensorSample s;
  ASSERT_EQ(GetSensorSample(rig.connection.get(), &s), kResultOk);
  EXPECT_EQ(s.pressure_a, 100);
  EXPECT_EQ(s.pressure_b, 2148);
  EXPECT_EQ(s.hall, (std::array<std::uint16_t, 3>{1, 4095, 0x1234}));
  EXPECT_DOUBLE_EQ(PressureSensorVolts(s), -2.5);  // B above A
}

TEST(SamplerResponses, MotorCleaningAndSampleLogFields) {
  Rig rig;
  rig.Answer(0, {0x5A, 1, 5, 6, 10, 0x10, 0x0E, 0xFF, 0x0F, 0x00, 0x00, 0x32, 0x00});
  MotorConfig m;
  ASSERT_EQ(GetMotorConfig(rig.connection.get(), 4, &m), kResultOk);
  EXPECT_EQ(m, (MotorConfig{0x5A, 1, 5, 6, 10, 3600, 4095, 0, 50}));

  rig.Answer(0, {0xFF, 0xFF, 0x78, 0x00, 1, 80, 0x2C, 0x01, 0x58, 0x02, 0x10, 0x0E});
  CleaningConfig k;
  ASSERT_EQ(GetCleaningConfig(rig.connection.get(), &k), kResultOk);
  EXPECT_EQ(k, (CleaningConfig{120, 1, 80, 300, 600, 3600}));

  rig.Answer(
      0,
      Cat({Bytes(4, 0xAA), {0x39, 0x30}, Bytes(8, 0xAA), {3,    6,    0xB2, 0xA1, 0xF3, 0x65, 0x10,
                                                          0x0E, 0x00, 0x00, 0x00, 0x00, 0x20, 0x40,
                                                          0x00, 0x00, 0x60, 0x40, 0xAA, 0xAA}}));
  SampleLogEntry e;
  ASSERT_EQ(GetSampleLogEntry(rig.connection.get(), 0, &e), kResultOk);
  EXPECT_EQ(e, (SampleLogEntry{12345, 3, 6, 0x65F3A1B2, 3600, 2.5f, 3.5f}));
  EXPECT_EQ(TreatmentName(e.treatment), "stabilized full sample");
  EXPECT_EQ(StopReasonName(e.stop_reason), "complete");
  EXPECT_EQ(TreatmentName(7), "unknown");
  EXPECT_EQ(StopReasonName(3), "none");
}

TEST(SamplerCommands, SixteenAndThirtyTwoBitFieldsTravelWithTheirHighBytes) {
  // The usual values of these fields fit a byte or two, which would hide a field sent or
  // read too narrow; these fill every byte.
  Rig rig;
  MotorConfig motor{};
  motor.speed = 0x0302;
  ASSERT_EQ(SetMotorConfig(rig.connection.get(), 1, motor), kResultOk);
  ExpectRequest(rig.LastRequest(), 0x81, Cat({{1}, Bytes(11, 0), {0x02, 0x03}}));

  ASSERT_EQ(RunMotor(rig.connection.get(), MotorRunRequest{2, 0, 0x0504}), kResultOk);
  ExpectRequest(rig.LastRequest(), 0x82, Cat({{0, 2, 0, 0x04, 0x05}, Bytes(19, 0)}));

  CleaningConfig cleaning{};
  cleaning.stabilisation_time = 0x0706;
  ASSERT_EQ(SetCleaningConfig(rig.connection.get(), cleaning), kResultOk);
  ExpectRequest(rig.LastRequest(), 0xAC, Cat({{0, 0, 0x06, 0x07}, Bytes(8, 0)}));

  ASSERT_EQ(WriteFlowMeterConfig(rig.connection.get(), FlowMeterConfig{0x0B0A0908}), kResultOk);
  ExpectRequest(rig.LastRequest(), 0x71, {5, 5, 0, 0x08, 0x09, 0x0A, 0x0B});

  rig.Answer(0, Cat({Bytes(11, 0), {0x0D, 0x0C}}));
  ASSERT_EQ(GetMotorConfig(rig.connection.get(), 1, &motor), kResultOk);
  EXPECT_EQ(motor.speed, 0x0C0D);

  rig.Answer(0, Cat({{0, 0, 0x0F, 0x0E}, Bytes(8, 0)}));
  ASSERT_EQ(GetCleaningConfig(rig.connection.get(), &cleaning), kResultOk);
  EXPECT_EQ(cleaning.stabilisation_time, 0x0E0F);

  rig.Answer(0, {0, 0x14, 0x13, 0x12, 0x11});
  FlowMeterConfig flow;
  ASSERT_EQ(ReadFlowMeterConfig(rig.connection.get(), &flow), kResultOk);
  EXPECT_EQ(flow.pulses_per_litre, 0x11121314u);

  rig.Answer(0, Cat({Bytes(20, 0), {0x18, 0x17, 0x16, 0x15}, Bytes(10, 0)}));
  SampleLogEntry entry;
  ASSERT_EQ(GetSampleLogEntry(rig.connection.get(), 0, &entry), kResultOk);
  EXPECT_EQ(entry.duration, 0x15161718u);

  rig.Answer(0, Cat({Bytes(14, 0), {0x1A, 0x19, 0x1C, 0x1B, 0x1E, 0x1D, 0x20, 0x1F, 0x22, 0x21}}));
  SensorSample sample;
  ASSERT_EQ(GetSensorSample(rig.connection.get(), &sample), kResultOk);
  EXPECT_EQ(sample.pressure_a, 0x191A);
  EXPECT_EQ(sample.pressure_b, 0x1B1C);
  EXPECT_EQ(sample.hall, (std::array<std::uint16_t, 3>{0x1D1E, 0x1F20, 0x2122}));
}

TEST(SamplerResponses, ScheduleTakesAllFifteenRowsAsTheyAre) {
  Rig rig;
  Bytes b(98, 0);
  b[0] = 0xEE;  // not used
  b[1] = 1;
  b[4] = 0x78;
  b[5] = 0x56;
  b[6] = 0x34;
  b[7] = 0x12;
  const Bytes first = {0x02, 4, 23, 30, 0x3C, 0x01};  // clean bit without in-use bit
  const Bytes last = {0x03, 255, 255, 255, 0xFF, 0xFF};
  std::copy(first.begin(), first.end(), b.begin() + 8);
  std::copy(last.begin(), last.end(), b.begin() + 92);
  rig.Answer(0, b);
  ScheduleRecord s;
  ASSERT_EQ(GetSchedule(rig.connection.get(), &s), kResultOk);
  EXPECT_EQ(s.autostart, 1);
  EXPECT_EQ(s.start_time, 0x12345678u);
  EXPECT_EQ(s.rows[0], (ScheduleEntry{0x02, 4, 23, 30, 316}));
  EXPECT_EQ(s.rows[14], (ScheduleEntry{0x03, 255, 255, 255, 65535}));
  for (std::size_t i = 1; i < 14; ++i) EXPECT_EQ(s.rows[i], ScheduleEntry{}) << i;
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
void ExpectUntouchedOnFailure(Rig& rig, std::uint8_t result, const Record& sentinel, Call call) {
  Record out = sentinel;
  EXPECT_EQ(call(rig.connection.get(), &out), result);
  EXPECT_TRUE(out == sentinel);
  EXPECT_EQ(call(nullptr, &out), kResultLinkFailure);
  EXPECT_TRUE(out == sentinel);
}

TEST(SamplerCommands, OutputsAreUntouchedUnlessTheResultIsZero) {
  Rig rig;
  rig.Answer(3, Bytes(kPayloadCapacity, 0xEE));
  ExpectUntouchedOnFailure(rig, 3, Sentinel(DecodeSensorSample), GetSensorSample);
  ExpectUntouchedOnFailure(rig, 3, Sentinel(DecodeMotorConfig),
                           [](Connection* c, MotorConfig* m) { return GetMotorConfig(c, 1, m); });
  ExpectUntouchedOnFailure(rig, 3, Sentinel(DecodeCartridgeRecord), GetCartridgeId);
  ExpectUntouchedOnFailure(rig, 3, Sentinel(DecodeCleaningConfig), GetCleaningConfig);
  ExpectUntouchedOnFailure(rig, 3, Sentinel(DecodeScheduleRecord), GetSchedule);
  ExpectUntouchedOnFailure(rig, 3, Sentinel(DecodePressureCalibration), ReadPressureCalibration);
  ExpectUntouchedOnFailure(rig, 3, Sentinel(DecodeFlowMeterConfig), ReadFlowMeterConfig);
  ExpectUntouchedOnFailure(
      rig, 3, std::array<std::uint8_t, 4>{1, 2, 3, 4},
      [](Connection* c, std::array<std::uint8_t, 4>* b) { return GetConfigBlock(c, 5, *b); });

  // Past the end of the sample log.
  rig.Answer(kResultNoSuchEntry, Bytes(kPayloadCapacity, 0xEE));
  ExpectUntouchedOnFailure(
      rig, kResultNoSuchEntry, Sentinel(DecodeSampleLogEntry),
      [](Connection* c, SampleLogEntry* e) { return GetSampleLogEntry(c, 17, e); });
}

TEST(SamplerCommands, RecordsWrittenBackCarryUninterpretedBytes) {
  Rig rig;
  const Bytes cartridge = {0xC1, 0xC2, 0x07, 0x00, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5,
                           0xD6, 0xD7, 0xD8, 0xD9, 0xDA, 0xDB, 0xDC, 0xDD};
  rig.Answer(0, cartridge);
  CartridgeRecord record;
  ASSERT_EQ(GetCartridgeId(rig.connection.get(), &record), kResultOk);
  EXPECT_EQ(record.cartridge_id, 7);
  record.cartridge_id = 0x0102;
  rig.Answer(0);
  ASSERT_EQ(SetCartridgeId(rig.connection.get(), record), kResultOk);
  Bytes expected = cartridge;
  expected[2] = 0x02;
  expected[3] = 0x01;
  ExpectRequest(rig.LastRequest(), 0xA5, expected);

  rig.Answer(0, {0x9C, 0, 1, 0, 5, 0x3C, 0, 0, 0, 0, 0, 0x32, 0});
  MotorConfig motor;
  ASSERT_EQ(GetMotorConfig(rig.connection.get(), 2, &motor), kResultOk);
  motor.speed = 80;
  rig.Answer(0);
  ASSERT_EQ(SetMotorConfig(rig.connection.get(), 2, motor), kResultOk);
  ExpectRequest(rig.LastRequest(), 0x81, {2, 0x9C, 0, 1, 0, 5, 0x3C, 0, 0, 0, 0, 0, 0x50, 0});

  Bytes calibration = CalibrationBytes();
  calibration[0] = 0xE7;
  rig.Answer(0, calibration);
  PressureCalibration c;
  ASSERT_EQ(ReadPressureCalibration(rig.connection.get(), &c), kResultOk);
  rig.Answer(0);
  ASSERT_EQ(WritePressureCalibration(rig.connection.get(), c), kResultOk);
  ExpectRequest(rig.LastRequest(), 0x71, Cat({{6, 62}, calibration}));

  const Bytes identity = {0x01, 0xB1, 'A', 'B',  0,    'x',  'x',  'x',  'x', 'x',
                          'x',  'x',  'x', 'x',  'x',  'x',  'x',  'x',  'x', 'x',
                          'x',  'x',  'x', 0xB2, 0x10, 0x00, 0xB3, 0xB4, 0xB5};
  rig.Answer(0, identity);
  IdentityRecord id;
  ASSERT_EQ(GetIdentity(rig.connection.get(), &id), kResultOk);
  rig.Answer(0);
  ASSERT_EQ(SetIdentity(rig.connection.get(), id, "Ridge", 17), kResultOk);
  const Frame f = rig.LastRequest();
  EXPECT_EQ(f[kOffPayload + 0], 2);
  EXPECT_EQ(f[kOffPayload + 1], 0xB1);
  EXPECT_EQ(f[kOffPayload + 23], 0xB2);
  EXPECT_EQ(PayloadBytes(f, 29).back(), 0xB5);
  EXPECT_EQ(f[kOffPayload + 26], 0xB3);
  EXPECT_EQ(f[kOffPayload + 24], 17);
}

}  // namespace
}  // namespace tq
