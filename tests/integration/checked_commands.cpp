// Commands checked against the simulated instrument.
#include "tests/integration/checked_commands.h"

#include <algorithm>
#include <array>
#include <vector>

#include "link/commands.h"
#include "link/transaction.h"
#include "sim/responder.h"

namespace tq::test {
namespace {

// What the instrument answers to this request right now, without changing its state.
Frame ExpectedResponse(sim::SimServer& server, std::uint8_t code,
                       std::span<const std::uint8_t> payload) {
  Frame request{};
  request[kOffCommand] = code;
  request[kOffLength] = static_cast<std::uint8_t>(payload.size());
  std::copy(payload.begin(), payload.end(), request.begin() + kOffPayload);
  StampRequest(request, 0);
  return server.WithInstrument([&](const sim::Instrument& in) {
    sim::Instrument copy = in;
    return sim::Respond(copy, request);
  });
}

// Runs `call(connection, &record)` and checks the outcome against the instrument.
template <std::size_t N, typename Record, typename Call>
CheckedResult Query(Connection* connection, sim::SimServer& server, std::uint8_t code,
                    std::span<const std::uint8_t> payload,
                    void (*decode)(std::span<const std::uint8_t, N>, Record&), Call call) {
  Record got{};
  const int result = call(connection, &got);
  if (result == kResultLinkFailure) return {result, false};
  const Frame expected = ExpectedResponse(server, code, payload);
  if (result != kResultOk) return {result, result != expected[kOffResult]};
  if (expected[kOffResult] != kResultOk) return {result, true};
  Record want{};
  decode(PayloadOf<N>(expected), want);
  return {result, !(got == want)};
}

// The record of a bare value answered at a payload offset.
template <typename Value, std::size_t Offset>
struct ValueAt {
  Value value{};
  bool operator==(const ValueAt&) const = default;
};
template <std::size_t Offset>
void DecodeU16At(std::span<const std::uint8_t, Offset + 2> in,
                 ValueAt<std::uint16_t, Offset>& out) {
  out.value = GetU16(in, Offset);
}
void DecodeU8(std::span<const std::uint8_t, 1> in, ValueAt<std::uint8_t, 0>& out) {
  out.value = in[0];
}

constexpr std::array<std::uint8_t, 0> kNone{};

const std::array<CheckedCommand, 14> kCommands = {{
    {kCmdGetIdentity,
     [](Connection* c, sim::SimServer& s, std::uint32_t) {
       return Query(c, s, kCmdGetIdentity, kNone, DecodeIdentityRecord,
                    [](Connection* cc, IdentityRecord* o) { return GetIdentity(cc, o); });
     }},
    {kCmdGetDeviceType,
     [](Connection* c, sim::SimServer& s, std::uint32_t) {
       return Query(c, s, kCmdGetDeviceType, kNone, DecodeU16At<kDeviceTypeCodeOffset>,
                    [](Connection* cc, ValueAt<std::uint16_t, kDeviceTypeCodeOffset>* o) {
                      return GetDeviceType(cc, &o->value);
                    });
     }},
    {kCmdGetClock,
     [](Connection* c, sim::SimServer& s, std::uint32_t) {
       return Query(c, s, kCmdGetClock, kNone, DecodeDeviceTime,
                    [](Connection* cc, DeviceTime* o) { return GetClock(cc, o); });
     }},
    {kCmdGetFirmwareVersion,
     [](Connection* c, sim::SimServer& s, std::uint32_t) {
       return Query(c, s, kCmdGetFirmwareVersion, kNone, DecodeFirmwareVersion,
                    [](Connection* cc, FirmwareVersion* o) { return GetFirmwareVersion(cc, o); });
     }},
    {kCmdGetSystemStatus,
     [](Connection* c, sim::SimServer& s, std::uint32_t) {
       return Query(c, s, kCmdGetSystemStatus, kNone, DecodeSystemStatus,
                    [](Connection* cc, SystemStatus* o) { return GetSystemStatus(cc, o); });
     }},
    {kCmdGetTaskCount,
     [](Connection* c, sim::SimServer& s, std::uint32_t) {
       return Query(
           c, s, kCmdGetTaskCount, kNone, DecodeU8,
           [](Connection* cc, ValueAt<std::uint8_t, 0>* o) { return GetTaskCount(cc, &o->value); });
     }},
    {kCmdGetTaskDetails,
     [](Connection* c, sim::SimServer& s, std::uint32_t pick) {
       const std::array<std::uint8_t, 1> task{static_cast<std::uint8_t>(pick % 8)};
       return Query(c, s, kCmdGetTaskDetails, task, DecodeTaskDetails,
                    [&](Connection* cc, TaskDetails* o) { return GetTaskDetails(cc, task[0], o); });
     }},
    {kCmdGetMotorConfig,
     [](Connection* c, sim::SimServer& s, std::uint32_t pick) {
       const std::array<std::uint8_t, 1> motor{static_cast<std::uint8_t>(1 + pick % 5)};
       return Query(
           c, s, kCmdGetMotorConfig, motor, DecodeMotorConfig,
           [&](Connection* cc, MotorConfig* o) { return GetMotorConfig(cc, motor[0], o); });
     }},
    {kCmdGetCleaningConfig,
     [](Connection* c, sim::SimServer& s, std::uint32_t) {
       return Query(c, s, kCmdGetCleaningConfig, kNone, DecodeCleaningConfig,
                    [](Connection* cc, CleaningConfig* o) { return GetCleaningConfig(cc, o); });
     }},
    {kCmdGetSchedule,
     [](Connection* c, sim::SimServer& s, std::uint32_t) {
       return Query(c, s, kCmdGetSchedule, kNone, DecodeScheduleRecord,
                    [](Connection* cc, ScheduleRecord* o) { return GetSchedule(cc, o); });
     }},
    {kCmdGetCartridgeId,
     [](Connection* c, sim::SimServer& s, std::uint32_t) {
       return Query(c, s, kCmdGetCartridgeId, kNone, DecodeCartridgeRecord,
                    [](Connection* cc, CartridgeRecord* o) { return GetCartridgeId(cc, o); });
     }},
    {kCmdGetConfigBlock,
     [](Connection* c, sim::SimServer& s, std::uint32_t) {
       const std::array<std::uint8_t, 2> block{kBlockFlowMeter, kFlowMeterConfigSize};
       return Query(c, s, kCmdGetConfigBlock, block, DecodeFlowMeterConfig,
                    [](Connection* cc, FlowMeterConfig* o) { return ReadFlowMeterConfig(cc, o); });
     }},
    {kCmdGetSampleLogEntry,
     [](Connection* c, sim::SimServer& s, std::uint32_t pick) {
       return CheckedSampleLogEntry(c, s, static_cast<std::uint16_t>(pick % 520));
     }},
    {kCmdToggleLed,
     [](Connection* c, sim::SimServer&, std::uint32_t) {
       const int result = ToggleLed(c);
       return CheckedResult{result, result != kResultOk && result != kResultLinkFailure};
     }},
}};

}  // namespace

std::span<const CheckedCommand> CheckedCommands() { return kCommands; }

CheckedResult CheckedSampleLogEntry(Connection* connection, sim::SimServer& server,
                                    std::uint16_t index) {
  std::array<std::uint8_t, 2> payload{};
  PutU16(payload, 0, index);
  return Query(
      connection, server, kCmdGetSampleLogEntry, payload, DecodeSampleLogEntry,
      [index](Connection* cc, SampleLogEntry* o) { return GetSampleLogEntry(cc, index, o); });
}

}  // namespace tq::test
