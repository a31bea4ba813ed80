// Configuration blocks, runs, cartridges, the sample log, cleaning and the schedule.
#include <algorithm>

#include "link/commands.h"
#include "sim/diagnostic_log.h"
#include "sim/handlers.h"
#include "sim/run_machine.h"
#include "sim/schedule_runner.h"

namespace tq::sim {
namespace {

constexpr LogSite kSiteBlock{kTaskComms, "cmd_set_config_block", 515};
constexpr LogSite kSiteCartridge{kTaskSampler, "sampler_set_cartridge", 808};
constexpr LogSite kSiteSampleLogCleared{kTaskLogger, "samplelog_erase", 64};
constexpr LogSite kSiteCleaning{kTaskComms, "cmd_set_cleaning", 560};
constexpr LogSite kSiteSchedule{kTaskScheduler, "sched_store", 212};
constexpr LogSite kSiteRefused{kTaskSampler, "sampler_start_run", 104};

// The stored bytes of a configuration block, or an empty span for an unknown id.
std::span<const std::uint8_t> Block(const Instrument& in, std::uint8_t id) {
  if (id == kBlockFlowMeter) return in.flow_block;
  if (id == kBlockPressureCalibration) return in.pressure_block;
  return {};
}
std::span<std::uint8_t> WritableBlock(Instrument& in, std::uint8_t id) {
  if (id == kBlockFlowMeter) return std::span(in.flow_block);
  if (id == kBlockPressureCalibration) return std::span(in.pressure_block);
  return {};
}

bool Busy(const Instrument& in) { return in.run.active || in.schedule_run.active; }

std::uint8_t GetConfigBlockCmd(const Instrument& in, const Request& request, Reply& reply) {
  const std::span<const std::uint8_t> block = Block(in, request.payload[0]);
  const std::uint8_t count = request.payload[1];
  if (block.empty() || count > block.size()) return kDeviceBadArgument;
  std::copy_n(block.begin(), count, reply.payload.begin());
  reply.length = count;
  return 0;
}

std::uint8_t SetConfigBlockCmd(Instrument& in, const Request& request, Reply& /*reply*/) {
  const std::uint8_t id = request.payload[0];
  const std::span<std::uint8_t> block = WritableBlock(in, id);
  const std::uint8_t count = request.payload[1];
  // A block is written from its start; the request must carry every byte it announces.
  if (block.empty() || count > block.size() || count > kMaxConfigBlockWrite ||
      request.length < count + 2U) {
    return kDeviceBadArgument;
  }
  std::copy_n(request.payload.begin() + 2, count, block.begin());
  LogEvent(in, kSiteBlock, kSeverityInformation,
           Printf("Config block %u saved (%u bytes)", id, count));
  return 0;
}

std::uint8_t StartRunCmd(Instrument& in, const Request& request, Reply& /*reply*/) {
  RunRequest run;
  DecodeRunRequest(request.First<kRunRequestSize>(), run);
  const std::uint8_t result = StartRunning(in, run, false);
  if (result == kDeviceUnpowered) {
    LogEvent(in, kSiteRefused, kSeverityError, "Run refused: no sampler supply");
  }
  return result;
}

std::uint8_t StopRunCmd(Instrument& in, const Request& /*request*/, Reply& /*reply*/) {
  CancelRun(in);
  return 0;
}

std::uint8_t GetCartridgeIdCmd(const Instrument& in, const Request& /*request*/, Reply& reply) {
  EncodeCartridgeRecord(in.cartridge, reply.Take<kCartridgeRecordSize>());
  return 0;
}

std::uint8_t SetCartridgeIdCmd(Instrument& in, const Request& request, Reply& /*reply*/) {
  if (in.run.active) return kDeviceBusy;  // the carousel is moving cartridges
  DecodeCartridgeRecord(request.First<kCartridgeRecordSize>(), in.cartridge);
  LogEvent(in, kSiteCartridge, kSeverityInformation,
           Printf("Cartridge in sample slot set to %u", in.cartridge.cartridge_id));
  return 0;
}

std::uint8_t GetSampleLogEntryCmd(const Instrument& in, const Request& request, Reply& reply) {
  const std::uint16_t index = GetU16(request.payload, 0);
  if (index >= in.sample_log.size()) return kDeviceNoEntry;
  EncodeSampleLogEntry(in.sample_log[index], reply.Take<kSampleLogEntrySize>());
  return 0;
}

std::uint8_t ClearSampleLogCmd(Instrument& in, const Request& /*request*/, Reply& /*reply*/) {
  // The entry of a running cartridge is still being written.
  if (Busy(in)) return kDeviceBusy;
  in.sample_log.clear();
  LogEvent(in, kSiteSampleLogCleared, kSeverityInformation, "Sample log cleared");
  return 0;
}

std::uint8_t GetCleaningConfigCmd(const Instrument& in, const Request& /*request*/, Reply& reply) {
  auto out = reply.Take<kCleaningConfigSize>();
  std::copy(in.cleaning.begin(), in.cleaning.end(), out.begin());
  return 0;
}

std::uint8_t SetCleaningConfigCmd(Instrument& in, const Request& request, Reply& /*reply*/) {
  const auto bytes = request.First<kCleaningConfigSize>();
  std::copy(bytes.begin(), bytes.end(), in.cleaning.begin());
  LogEvent(in, kSiteCleaning, kSeverityInformation, "Cleaning configuration saved");
  return 0;
}

std::uint8_t GetScheduleCmd(const Instrument& in, const Request& /*request*/, Reply& reply) {
  auto out = reply.Take<kScheduleRecordSize>();
  std::copy(in.schedule.begin(), in.schedule.end(), out.begin());
  return 0;
}

// A schedule in control keeps the waypoints it started with; a new one counts from the
// next StartSchedule.
std::uint8_t SetScheduleCmd(Instrument& in, const Request& request, Reply& /*reply*/) {
  const auto bytes = request.First<kScheduleRecordSize>();
  std::copy(bytes.begin(), bytes.end(), in.schedule.begin());
  LogEvent(in, kSiteSchedule, kSeverityInformation, "Schedule stored");
  return 0;
}

std::uint8_t StartScheduleCmd(Instrument& in, const Request& /*request*/, Reply& /*reply*/) {
  return StartScheduleRun(in);
}

std::uint8_t StopScheduleCmd(Instrument& in, const Request& /*request*/, Reply& /*reply*/) {
  return StopScheduleRun(in);
}

constexpr CommandEntry kTable[] = {
    Entry(kCmdGetConfigBlock, ReadOnly<GetConfigBlockCmd>),
    Entry(kCmdSetConfigBlock, SetConfigBlockCmd),
    Entry(kCmdStartRun, StartRunCmd),
    Entry(kCmdStopRun, StopRunCmd),
    Entry(kCmdGetCartridgeId, ReadOnly<GetCartridgeIdCmd>),
    Entry(kCmdSetCartridgeId, SetCartridgeIdCmd),
    Entry(kCmdGetSampleLogEntry, ReadOnly<GetSampleLogEntryCmd>),
    Entry(kCmdClearSampleLog, ClearSampleLogCmd),
    Entry(kCmdGetCleaningConfig, ReadOnly<GetCleaningConfigCmd>),
    Entry(kCmdSetCleaningConfig, SetCleaningConfigCmd),
    Entry(kCmdGetSchedule, ReadOnly<GetScheduleCmd>),
    Entry(kCmdSetSchedule, SetScheduleCmd),
    Entry(kCmdStartSchedule, StartScheduleCmd),
    Entry(kCmdStopSchedule, StopScheduleCmd),
};

}  // namespace

std::span<const CommandEntry> SamplerCommandTable() { return kTable; }

}  // namespace tq::sim
