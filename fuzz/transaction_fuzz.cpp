// Fuzz target: one whole command, with an arbitrary byte stream standing in for what the
// instrument sends back. Every command operation (and so every response decoder) is
// reachable. After each run: the ResultCode is 14 or the result byte of the Frame a
// model of the exchange accepts (0 or 14 for a bare Transaction); an output record is
// untouched unless the result is 0; the lock is free; no more than 153 bytes were read;
// exactly one well-formed request went out.
//
// Input: [operation] [flags] [sequence counter] [argument] then the received stream.
// With bit 0 of the flags set, one "*" candidate of the stream (bits 1-7 pick which) is
// given the request's sequence number and a correct checksum, so responses that get past
// the checks are common rather than a matter of guessing a CRC.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "link/commands.h"
#include "link/transaction.h"
#include "tests/property/reference_engine.h"
#include "tests/property/stream_port.h"

namespace {

using tq::Connection;
using tq::fuzz::Require;

// What one operation reports back to the checks.
struct Run {
  int result = -1;
  bool output_intact = true;  // the output record still holds what it held before
  bool bare_transaction = false;
};

// A recognisable byte pattern, so that "untouched" cannot pass by accident with zeros.
template <std::size_t N>
std::array<std::uint8_t, N> Sentinel() {
  std::array<std::uint8_t, N> bytes{};
  for (std::size_t i = 0; i < N; ++i) bytes[i] = static_cast<std::uint8_t>(0xA5 ^ (i * 7));
  return bytes;
}

// Runs `call(connection, &record)` with a record decoded from the sentinel and compares
// its encoding before and after. Encodings rather than operator==, so that NaN floats
// from the wire compare equal to themselves.
template <std::size_t N, typename Record, typename Call>
Run Query(Connection* c, void (*decode)(std::span<const std::uint8_t, N>, Record&),
          void (*encode)(const Record&, std::span<std::uint8_t, N>), Call call) {
  Record record{};
  decode(Sentinel<N>(), record);
  std::array<std::uint8_t, N> before{};
  encode(record, before);
  Run run;
  run.result = call(c, &record);
  std::array<std::uint8_t, N> after{};
  encode(record, after);
  run.output_intact = before == after;
  return run;
}

template <typename Value, typename Call>
Run QueryValue(Connection* c, Value sentinel, Call call) {
  Value value = sentinel;
  Run run;
  run.result = call(c, &value);
  run.output_intact = value == sentinel;
  return run;
}

Run Plain(int result) { return Run{result, true, false}; }

struct Operation {
  std::uint8_t code;
  Run (*run)(Connection* c, std::uint8_t arg);
};

// Requests sent by the write commands: fixed, since the response side is what is fuzzed.
tq::IdentityRecord SomeIdentity() {
  tq::IdentityRecord r{};
  r.format = 2;
  r.serial_number = 1234;
  return r;
}

const std::array<Operation, 44> kOperations = {{
    {0x00,
     [](Connection* c, std::uint8_t arg) {
       tq::Frame frame{};
       frame[tq::kOffCommand] = arg;
       Run run;
       run.result = tq::RunTransaction(c, frame);
       run.bare_transaction = true;
       return run;
     }},
    {tq::kCmdGetIdentity,
     [](Connection* c, std::uint8_t) {
       return Query(c, tq::DecodeIdentityRecord, tq::EncodeIdentityRecord,
                    [](Connection* cc, tq::IdentityRecord* o) { return tq::GetIdentity(cc, o); });
     }},
    {tq::kCmdSetIdentity,
     [](Connection* c, std::uint8_t arg) {
       return Plain(tq::SetIdentity(c, SomeIdentity(), "a name longer than twenty characters",
                                    arg * 1000U));
     }},
    {tq::kCmdGetDeviceType,
     [](Connection* c, std::uint8_t) {
       return QueryValue(c, std::uint16_t{0xBEEF}, [](Connection* cc, std::uint16_t* o) {
         return tq::GetDeviceType(cc, o);
       });
     }},
    {tq::kCmdGetClock,
     [](Connection* c, std::uint8_t) {
       return Query(c, tq::DecodeDeviceTime, tq::EncodeDeviceTime,
                    [](Connection* cc, tq::DeviceTime* o) { return tq::GetClock(cc, o); });
     }},
    {tq::kCmdSetClock,
     [](Connection* c, std::uint8_t arg) {
       return Plain(tq::SetClock(c, tq::DeviceTime{2024, 2, 29, arg, 59, 59}));
     }},
    {tq::kCmdGetFirmwareVersion,
     [](Connection* c, std::uint8_t) {
       return Query(c, tq::DecodeFirmwareVersion, tq::EncodeFirmwareVersion,
                    [](Connection* cc, tq::FirmwareVersion* o) {
                      return tq::GetFirmwareVersion(cc, o);
                    });
     }},
    {tq::kCmdGetSystemStatus,
     [](Connection* c, std::uint8_t) {
       return Query(c, tq::DecodeSystemStatus, tq::EncodeSystemStatus,
                    [](Connection* cc, tq::SystemStatus* o) { return tq::GetSystemStatus(cc, o); });
     }},
    {tq::kCmdToggleLed, [](Connection* c, std::uint8_t) { return Plain(tq::ToggleLed(c)); }},
    {tq::kCmdSetTaskConfig,
     [](Connection* c, std::uint8_t arg) {
       tq::TaskLogFilters filters{};
       filters.filters.fill(arg);
       return Plain(tq::SetTaskConfig(c, filters));
     }},
    {tq::kCmdGetTaskDetails,
     [](Connection* c, std::uint8_t arg) {
       return Query(c, tq::DecodeTaskDetails, tq::EncodeTaskDetails,
                    [arg](Connection* cc, tq::TaskDetails* o) {
                      return tq::GetTaskDetails(cc, arg, o);
                    });
     }},
    {tq::kCmdGetDiagnosticLogEntry,
     [](Connection* c, std::uint8_t) {
       return Query(c, tq::DecodeDiagnosticLogEntry, tq::EncodeDiagnosticLogEntry,
                    [](Connection* cc, tq::DiagnosticLogEntry* o) {
                      return tq::GetDiagnosticLogEntry(cc, o);
                    });
     }},
    {tq::kCmdClearDiagnosticLog,
     [](Connection* c, std::uint8_t) { return Plain(tq::ClearDiagnosticLog(c)); }},
    {tq::kCmdStartDiagnosticLogRead,
     [](Connection* c, std::uint8_t) { return Plain(tq::StartDiagnosticLogRead(c)); }},
    {tq::kCmdGetTaskCount,
     [](Connection* c, std::uint8_t) {
       return QueryValue(c, std::uint8_t{0x5A},
                         [](Connection* cc, std::uint8_t* o) { return tq::GetTaskCount(cc, o); });
     }},
    {tq::kCmdGetConfigBlock,
     [](Connection* c, std::uint8_t arg) {
       // Any count up to a full payload; the argument picks it.
       const std::size_t count = arg % (tq::kMaxConfigBlockRead + 1);
       const auto sentinel = Sentinel<tq::kMaxConfigBlockRead>();
       auto block = sentinel;
       Run run;
       run.result = tq::GetConfigBlock(c, arg, std::span<std::uint8_t>(block).first(count));
       run.output_intact = block == sentinel;
       Require(std::equal(block.begin() + static_cast<std::ptrdiff_t>(count), block.end(),
                          sentinel.begin() + static_cast<std::ptrdiff_t>(count)),
               "a configuration block read wrote past the block it was given");
       return run;
     }},
    {tq::kCmdSetConfigBlock,
     [](Connection* c, std::uint8_t arg) {
       const auto block = Sentinel<tq::kMaxConfigBlockWrite>();
       const std::size_t count = arg % (tq::kMaxConfigBlockWrite + 1);
       return Plain(tq::SetConfigBlock(c, arg, std::span(block).first(count)));
     }},
    {tq::kCmdStartSensors, [](Connection* c, std::uint8_t) { return Plain(tq::StartSensors(c)); }},
    {tq::kCmdStopSensors, [](Connection* c, std::uint8_t) { return Plain(tq::StopSensors(c)); }},
    {tq::kCmdGetSensorSample,
     [](Connection* c, std::uint8_t) {
       return Query(c, tq::DecodeSensorSample, tq::EncodeSensorSample,
                    [](Connection* cc, tq::SensorSample* o) { return tq::GetSensorSample(cc, o); });
     }},
    {tq::kCmdGetConfigBlock,
     [](Connection* c, std::uint8_t) {
       return Query(c, tq::DecodeFlowMeterConfig, tq::EncodeFlowMeterConfig,
                    [](Connection* cc, tq::FlowMeterConfig* o) {
                      return tq::ReadFlowMeterConfig(cc, o);
                    });
     }},
    {tq::kCmdSetConfigBlock,
     [](Connection* c, std::uint8_t arg) {
       return Plain(tq::WriteFlowMeterConfig(c, tq::FlowMeterConfig{arg * 100U}));
     }},
    {tq::kCmdGetConfigBlock,
     [](Connection* c, std::uint8_t) {
       return Query(c, tq::DecodePressureCalibration, tq::EncodePressureCalibration,
                    [](Connection* cc, tq::PressureCalibration* o) {
                      return tq::ReadPressureCalibration(cc, o);
                    });
     }},
    {tq::kCmdSetConfigBlock,
     [](Connection* c, std::uint8_t) {
       tq::PressureCalibration calibration{};
       calibration.slope = 2.5;
       return Plain(tq::WritePressureCalibration(c, calibration));
     }},
    {tq::kCmdGetMotorConfig,
     [](Connection* c, std::uint8_t arg) {
       return Query(c, tq::DecodeMotorConfig, tq::EncodeMotorConfig,
                    [arg](Connection* cc, tq::MotorConfig* o) {
                      return tq::GetMotorConfig(cc, arg, o);
                    });
     }},
    {tq::kCmdSetMotorConfig,
     [](Connection* c, std::uint8_t arg) {
       return Plain(tq::SetMotorConfig(c, arg, tq::MotorConfig{}));
     }},
    {tq::kCmdRunMotor,
     [](Connection* c, std::uint8_t arg) {
       return Plain(tq::RunMotor(c, tq::MotorRunRequest{arg, 1, 50}));
     }},
    {tq::kCmdStopMotor, [](Connection* c, std::uint8_t) { return Plain(tq::StopMotor(c)); }},
    {tq::kCmdEngageMotor,
     [](Connection* c, std::uint8_t arg) { return Plain(tq::EngageMotor(c, arg)); }},
    {tq::kCmdDisengageMotor,
     [](Connection* c, std::uint8_t arg) { return Plain(tq::DisengageMotor(c, arg)); }},
    {tq::kCmdPumpVolume,
     [](Connection* c, std::uint8_t arg) {
       return Plain(tq::PumpVolume(c, tq::PumpRequest{4, 1.5F, arg}));
     }},
    {tq::kCmdExitMotorControl,
     [](Connection* c, std::uint8_t) { return Plain(tq::ExitMotorControl(c)); }},
    {tq::kCmdStartRun,
     [](Connection* c, std::uint8_t arg) {
       return Plain(tq::StartRun(c, tq::RunRequest{1, arg, 10, 5, 1, 1700000000U}));
     }},
    {tq::kCmdStopRun, [](Connection* c, std::uint8_t) { return Plain(tq::StopRun(c)); }},
    {tq::kCmdGetCartridgeId,
     [](Connection* c, std::uint8_t) {
       return Query(c, tq::DecodeCartridgeRecord, tq::EncodeCartridgeRecord,
                    [](Connection* cc, tq::CartridgeRecord* o) {
                      return tq::GetCartridgeId(cc, o);
                    });
     }},
    {tq::kCmdSetCartridgeId,
     [](Connection* c, std::uint8_t arg) {
       tq::CartridgeRecord record{};
       record.cartridge_id = arg;
       return Plain(tq::SetCartridgeId(c, record));
     }},
    {tq::kCmdGetSampleLogEntry,
     [](Connection* c, std::uint8_t arg) {
       return Query(c, tq::DecodeSampleLogEntry, tq::EncodeSampleLogEntry,
                    [arg](Connection* cc, tq::SampleLogEntry* o) {
                      return tq::GetSampleLogEntry(cc, static_cast<std::uint16_t>(arg * 257U), o);
                    });
     }},
    {tq::kCmdClearSampleLog,
     [](Connection* c, std::uint8_t) { return Plain(tq::ClearSampleLog(c)); }},
    {tq::kCmdGetCleaningConfig,
     [](Connection* c, std::uint8_t) {
       return Query(c, tq::DecodeCleaningConfig, tq::EncodeCleaningConfig,
                    [](Connection* cc, tq::CleaningConfig* o) {
                      return tq::GetCleaningConfig(cc, o);
                    });
     }},
    {tq::kCmdSetCleaningConfig,
     [](Connection* c, std::uint8_t) {
       return Plain(tq::SetCleaningConfig(c, tq::CleaningConfig{}));
     }},
    {tq::kCmdGetSchedule,
     [](Connection* c, std::uint8_t) {
       return Query(c, tq::DecodeScheduleRecord, tq::EncodeScheduleRecord,
                    [](Connection* cc, tq::ScheduleRecord* o) { return tq::GetSchedule(cc, o); });
     }},
    {tq::kCmdSetSchedule,
     [](Connection* c, std::uint8_t arg) {
       tq::ScheduleRecord schedule{};
       schedule.autostart = arg & 1U;
       return Plain(tq::SetSchedule(c, schedule));
     }},
    {tq::kCmdStartSchedule,
     [](Connection* c, std::uint8_t) { return Plain(tq::StartSchedule(c)); }},
    {tq::kCmdStopSchedule, [](Connection* c, std::uint8_t) { return Plain(tq::StopSchedule(c)); }},
}};

void RepairCandidate(std::vector<std::uint8_t>& bytes, std::uint8_t sequence, unsigned pick) {
  std::vector<std::size_t> markers;
  for (std::size_t i = 0; i + tq::kFrameSize <= bytes.size(); ++i) {
    if (bytes[i] == tq::kStartMarker) markers.push_back(i);
  }
  if (markers.empty()) return;
  const auto window =
      std::span(bytes).subspan(markers[pick % markers.size()]).first<tq::kFrameSize>();
  window[tq::kOffSequence] = sequence;
  const std::uint16_t crc = tq::FrameCrc(window);
  window[tq::kOffCrcLow] = static_cast<std::uint8_t>(crc & 0xFF);
  window[tq::kOffCrcHigh] = static_cast<std::uint8_t>(crc >> 8);
}

// Bytes past what one Transaction can ever read change nothing.
constexpr std::size_t kMaxStream = 2 * tq::kReceiveLimit;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  const Operation& op = kOperations[data[0] % kOperations.size()];
  const std::uint8_t flags = data[1];
  const std::uint8_t sequence = data[2];
  const std::uint8_t arg = data[3];

  auto line = std::make_shared<tq::reference::StreamLine>();
  line->incoming.assign(data + 4, data + std::min(size, kMaxStream + 4));
  if ((flags & 1) != 0) RepairCandidate(line->incoming, sequence, flags >> 1U);
  const auto model = tq::reference::ModelTransaction(line->incoming, sequence);

  const tq::ConnectionRef connection =
      tq::CreateConnectionOnPort(std::make_unique<tq::reference::StreamPort>(line));
  connection->sequence = sequence;
  const Run run = op.run(connection.get(), arg);

  Require(connection->lock.try_lock(), "lock still held after the command");
  connection->lock.unlock();
  Require(line->delivered <= tq::kReceiveLimit, "more than 153 bytes read");
  Require(line->delivered == model.consumed, "read a different number of bytes than the model");
  Require(line->written.size() == tq::kFrameSize, "not exactly one request written");
  Require(tq::IsValidFrameAt(line->written, 0), "request is not a valid Frame");
  Require(line->written[tq::kOffSequence] == sequence, "request carries the wrong sequence");
  Require(line->written[tq::kOffResult] == 0, "request result byte not 0");
  Require(op.code == 0 || line->written[tq::kOffCommand] == op.code, "wrong command code");
  Require(connection->sequence == static_cast<std::uint8_t>(sequence + 1),
          "sequence counter did not advance by one");

  int expected = tq::kResultLinkFailure;
  if (model.ok) expected = run.bare_transaction ? 0 : line->incoming[*model.at + tq::kOffResult];
  Require(run.result == expected, "ResultCode differs from the model");
  Require(run.result == 0 || run.output_intact, "output changed by a failed command");
  return 0;
}
