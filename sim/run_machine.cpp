// The sampler's run state machine.
#include "sim/run_machine.h"

#include <algorithm>

#include "sim/diagnostic_log.h"
#include "sim/physics.h"

namespace tq::sim {
namespace {

constexpr std::uint8_t kTreatmentUnused = 0;
constexpr std::uint8_t kTreatmentIncomplete = 1;
constexpr std::uint8_t kTreatmentUnstabilized = 2;
constexpr std::uint8_t kTreatmentStabilized = 3;
constexpr std::uint8_t kTreatmentBleached = 4;
constexpr std::uint8_t kTreatmentPrimed = 5;
constexpr std::uint8_t kTreatmentStabilizedIncomplete = 6;

constexpr std::uint8_t kStopNone = 0;
constexpr std::uint8_t kStopCancelled = 1;
constexpr std::uint8_t kStopHallSensor = 2;
constexpr std::uint8_t kStopOverPressure = 4;
constexpr std::uint8_t kStopTimeout = 5;
constexpr std::uint8_t kStopComplete = 6;
constexpr std::uint8_t kStopDidNotStart = 7;

constexpr LogSite kSiteRunStart{kTaskSampler, "sampler_start_run", 118};
constexpr LogSite kSiteRunEnd{kTaskSampler, "sampler_finish_run", 655};
constexpr LogSite kSiteRunCancel{kTaskSampler, "sampler_cancel", 702};
constexpr LogSite kSitePhase{kTaskSampler, "sampler_set_state", 167};
constexpr LogSite kSiteSampleDone{kTaskSampler, "sampler_pump_done", 431};
constexpr LogSite kSiteSampleFailed{kTaskSampler, "sampler_pump_done", 447};
constexpr LogSite kSiteEngageFailed{kTaskSampler, "sampler_engage", 298};
constexpr LogSite kSiteSupplyLost{kTaskSampler, "sampler_power_fail", 741};

const char* PhaseName(Phase phase) {
  switch (phase) {
    case Phase::kIdle:
      return "idle";
    case Phase::kLoad:
      return "loading cartridge";
    case Phase::kEngageSample:
      return "engaging sample";
    case Phase::kPumpSample:
      return "pumping sample";
    case Phase::kDisengageSample:
      return "disengaging sample";
    case Phase::kEngageStabilizer:
      return "engaging stabilizer";
    case Phase::kPumpStabilizer:
      return "pumping stabilizer";
    case Phase::kDisengageStabilizer:
      return "disengaging stabilizer";
    case Phase::kClean:
      return "cleaning";
  }
  return "?";
}

const char* ModeName(std::uint8_t mode) {
  switch (mode) {
    case kRunModeLoadUnload:
      return "Load/Unload";
    case kRunModeSample:
      return "Sample";
    default:
      return "Prime";
  }
}

CleaningConfig Cleaning(const Instrument& instrument) {
  CleaningConfig config;
  DecodeCleaningConfig(instrument.cleaning, config);
  return config;
}

bool Ended(const Instrument& instrument) {
  return instrument.motion.kind == MotionKind::kNone || instrument.motion.end != MotionEnd::kMoving;
}
bool TimedOut(const Instrument& instrument) {
  return instrument.motion.kind != MotionKind::kNone &&
         instrument.motion.end == MotionEnd::kTimedOut;
}

SampleLogEntry* CurrentEntry(Instrument& instrument) {
  if (!instrument.run.entry || *instrument.run.entry >= instrument.sample_log.size()) {
    return nullptr;
  }
  return &instrument.sample_log[*instrument.run.entry];
}

void OpenEntry(Instrument& instrument, std::uint8_t treatment) {
  // Indices are 16 bits on the wire: a log that full takes no more entries, and the
  // cartridge is worked on without one rather than overwriting an older entry.
  instrument.run.entry.reset();
  if (instrument.sample_log.size() > 0xFFFF) return;
  SampleLogEntry entry;
  entry.cartridge_id = instrument.cartridge.cartridge_id;
  entry.treatment = treatment;
  entry.stop_reason = kStopNone;
  entry.start_time = ClockSeconds(instrument);
  instrument.sample_log.push_back(entry);
  instrument.run.entry = instrument.sample_log.size() - 1;
}

void StartCleaningPump(Instrument& instrument, std::uint16_t seconds);

void EnterPhase(Instrument& instrument, Phase phase) {
  Run& run = instrument.run;
  run.phase = phase;
  run.step = 0;
  run.phase_ms = 0;
  LogEvent(instrument, kSitePhase, kSeverityDebug, Printf("State: %s", PhaseName(phase)));
  switch (phase) {
    case Phase::kIdle:
      StopMotion(instrument);
      break;
    case Phase::kLoad:
      StartMotion(instrument, EngageMotion(instrument, kMotorCartridgeLoad, true));
      break;
    case Phase::kEngageSample:
      StartMotion(instrument, EngageMotion(instrument, kMotorSampleEngage, true));
      break;
    case Phase::kPumpSample:
      OpenEntry(instrument,
                run.request.run_mode == kRunModePrime ? kTreatmentPrimed : kTreatmentIncomplete);
      instrument.flow_volume = 0;
      instrument.max_pressure = 0;
      run.over_pressure_ms = 0;
      StartMotion(instrument, PumpMotion(instrument, kMotorSamplePump, 0, 0));
      break;
    case Phase::kDisengageSample:
      StartMotion(instrument, EngageMotion(instrument, kMotorSampleEngage, false));
      break;
    case Phase::kEngageStabilizer:
      StartMotion(instrument, EngageMotion(instrument, kMotorStabilizerEngage, true));
      break;
    case Phase::kPumpStabilizer:
      StartMotion(instrument, PumpMotion(instrument, kMotorStabilizerPump, 0,
                                         Cleaning(instrument).stabilisation_time * 1000ULL));
      break;
    case Phase::kDisengageStabilizer:
      StartMotion(instrument, EngageMotion(instrument, kMotorStabilizerEngage, false));
      break;
    case Phase::kClean: {
      const CleaningConfig cleaning = Cleaning(instrument);
      if (cleaning.clean_through_cartridge != 0) OpenEntry(instrument, kTreatmentBleached);
      run.litres_before_step = 0;
      StartCleaningPump(instrument, cleaning.bleach_time);
      break;
    }
  }
}

void EndRun(Instrument& instrument) {
  Run& run = instrument.run;
  LogEvent(instrument, kSiteRunEnd, kSeverityInformation,
           Printf("Run finished: %u of %u cartridges", run.cartridges_done,
                  run.request.cartridge_count));
  EnterPhase(instrument, Phase::kIdle);
  run.active = false;
  run.cancelling = false;
  run.entry.reset();
}

// The cartridge in the sample slot moves on and the next one comes up.
void AdvanceCartridge(Instrument& instrument) { ++instrument.cartridge.cartridge_id; }

void FinishCartridge(Instrument& instrument) {
  Run& run = instrument.run;
  instrument.error_flag = run.cartridge_error ? 1 : 0;
  run.cartridge_error = false;
  run.entry.reset();
  ++run.cartridges_done;
  const bool more = !run.cancelling && run.cartridges_done < run.request.cartridge_count;
  const bool clean =
      !run.cancelling && !more && run.request.run_mode == kRunModeSample && run.request.clean != 0;
  if (more) {
    EnterPhase(instrument, Phase::kLoad);
  } else if (clean) {
    EnterPhase(instrument, Phase::kClean);
  } else {
    EndRun(instrument);
  }
}

// Closes the sample entry with its stop reason; the treatment says what the cartridge holds.
void CloseSample(Instrument& instrument, std::uint8_t stop_reason) {
  StopMotion(instrument);
  SampleLogEntry* entry = CurrentEntry(instrument);
  if (entry == nullptr) return;
  entry->stop_reason = stop_reason;
  if (stop_reason == kStopDidNotStart || stop_reason == kStopHallSensor) {
    entry->treatment = kTreatmentUnused;  // no water went through it
  } else if (instrument.run.request.run_mode == kRunModePrime) {
    entry->treatment = kTreatmentPrimed;
  } else if (stop_reason == kStopComplete) {
    entry->treatment = kTreatmentUnstabilized;
  } else {
    entry->treatment = kTreatmentIncomplete;
  }
  const bool failed = stop_reason == kStopTimeout || stop_reason == kStopOverPressure ||
                      stop_reason == kStopDidNotStart || stop_reason == kStopHallSensor;
  if (failed) {
    instrument.run.cartridge_error = true;
    LogEvent(instrument, kSiteSampleFailed, kSeverityError,
             Printf("Cartridge %u stopped (%s) after %u s, %.3f l", entry->cartridge_id,
                    std::string(StopReasonName(stop_reason)).c_str(), entry->duration,
                    static_cast<double>(entry->volume)));
  } else {
    LogEvent(instrument, kSiteSampleDone, kSeverityInformation,
             Printf("Cartridge %u: %.3f l in %u s, max %.2f bar", entry->cartridge_id,
                    static_cast<double>(entry->volume), entry->duration,
                    static_cast<double>(entry->max_pressure)));
  }
}

// The reason pumping should stop now, or kStopNone to go on.
std::uint8_t PumpStopReason(Instrument& instrument, double litres, double bar,
                            std::uint64_t dt_ms) {
  Run& run = instrument.run;
  const double target = run.request.run_mode == kRunModePrime
                            ? kPrimeLitres
                            : static_cast<double>(run.request.volume_tenths) / 10.0;
  if (target <= 0) return kStopDidNotStart;
  if (litres >= target) return kStopComplete;
  if (run.request.timeout_minutes != 0 && run.phase_ms >= run.request.timeout_minutes * 60000ULL) {
    return kStopTimeout;
  }
  if (litres <= 0 && run.phase_ms >= kNoFlowLimitMs) return kStopDidNotStart;
  const MotorConfig& pump = MotorConfigOf(instrument, kMotorSamplePump);
  if (pump.second_autostop_sensor == kAutostopPressure && bar > pump.max_pressure) {
    run.over_pressure_ms += dt_ms;
    if (run.over_pressure_ms >= pump.overpressure_timeout * 1000ULL) return kStopOverPressure;
  } else {
    run.over_pressure_ms = 0;
  }
  return kStopNone;
}

void StepPumpSample(Instrument& instrument, std::uint64_t dt_ms) {
  const double litres = MeasuredLitres(instrument, instrument.motion.pumped_litres);
  const double bar = MeasuredPressure(instrument);
  instrument.flow_volume = static_cast<float>(litres);
  instrument.max_pressure = std::max(instrument.max_pressure, static_cast<float>(bar));
  if (SampleLogEntry* entry = CurrentEntry(instrument)) {
    entry->volume = instrument.flow_volume;
    entry->max_pressure = instrument.max_pressure;
    entry->duration = static_cast<std::uint32_t>(instrument.run.phase_ms / 1000);
  }
  const std::uint8_t reason = PumpStopReason(instrument, litres, bar, dt_ms);
  if (reason == kStopNone) return;
  CloseSample(instrument, reason);
  EnterPhase(instrument, Phase::kDisengageSample);
}

void StartCleaningPump(Instrument& instrument, std::uint16_t seconds) {
  if (seconds == 0) {
    StopMotion(instrument);  // a step of no length is skipped, never run without limit
    return;
  }
  Motion pump = PumpMotion(instrument, kMotorSamplePump, 0, seconds * 1000ULL);
  pump.speed = std::min<std::uint16_t>(Cleaning(instrument).bleach_speed, 100);
  StartMotion(instrument, pump);
}

// Cleaning: bleach pumped, left to dwell, then flushed out.
void StepClean(Instrument& instrument) {
  Run& run = instrument.run;
  const double pumping = instrument.motion.kind == MotionKind::kPump
                             ? MeasuredLitres(instrument, instrument.motion.pumped_litres)
                             : 0.0;
  if (SampleLogEntry* entry = CurrentEntry(instrument)) {
    entry->duration = static_cast<std::uint32_t>(run.phase_ms / 1000);
    entry->volume = static_cast<float>(run.litres_before_step + pumping);
  }
  if (!Ended(instrument)) return;
  if (run.step == 0) {
    run.litres_before_step += pumping;
    StopMotion(instrument);
    run.step = 1;
    run.step_until_ms = run.phase_ms + Cleaning(instrument).dwell_time * 1000ULL;
    return;
  }
  if (run.step == 1) {
    if (run.phase_ms < run.step_until_ms) return;
    run.step = 2;
    StartCleaningPump(instrument, Cleaning(instrument).flush_time);
    return;
  }
  if (SampleLogEntry* entry = CurrentEntry(instrument)) {
    entry->stop_reason = kStopComplete;
    AdvanceCartridge(instrument);
  }
  EndRun(instrument);
}

}  // namespace

std::uint8_t SamplerStateOfPhase(Phase phase) {
  switch (phase) {
    case Phase::kIdle:
      return static_cast<std::uint8_t>(SamplerState::kIdle);
    case Phase::kLoad:
      return static_cast<std::uint8_t>(SamplerState::kLoadingCartridge);
    case Phase::kEngageSample:
      return static_cast<std::uint8_t>(SamplerState::kEngagingSample);
    case Phase::kPumpSample:
      return static_cast<std::uint8_t>(SamplerState::kPumpingSample);
    case Phase::kDisengageSample:
      return static_cast<std::uint8_t>(SamplerState::kDisengagingSample);
    case Phase::kEngageStabilizer:
      return static_cast<std::uint8_t>(SamplerState::kEngagingStabilizer);
    case Phase::kPumpStabilizer:
      return static_cast<std::uint8_t>(SamplerState::kPumpingStabilizer);
    case Phase::kDisengageStabilizer:
      return static_cast<std::uint8_t>(SamplerState::kDisengagingStabilizer);
    case Phase::kClean:
      return static_cast<std::uint8_t>(SamplerState::kCleaning);
  }
  return static_cast<std::uint8_t>(SamplerState::kIdle);
}

std::uint8_t StartRunning(Instrument& instrument, const RunRequest& request, bool from_schedule) {
  if (!instrument.powered) return kDeviceUnpowered;
  if (instrument.run.active) return kDeviceBusy;
  if (instrument.schedule_run.active && !from_schedule) return kDeviceBusy;
  if (request.run_mode != kRunModeLoadUnload && request.run_mode != kRunModeSample &&
      request.run_mode != kRunModePrime) {
    return kDeviceBadArgument;
  }
  StopMotion(instrument);  // a motor left running by hand stops before the run takes over
  Run& run = instrument.run;
  run = Run{};
  run.active = true;
  run.from_schedule = from_schedule;
  run.request = request;
  LogEvent(instrument, kSiteRunStart, kSeverityInformation,
           Printf("Run: %s, %u cartridges, %.1f l, %u min, clean %s", ModeName(request.run_mode),
                  request.cartridge_count, request.volume_tenths / 10.0, request.timeout_minutes,
                  request.clean != 0 ? "on" : "off"));
  if (request.cartridge_count == 0) {
    EndRun(instrument);
  } else {
    EnterPhase(instrument, Phase::kLoad);
  }
  return 0;
}

void CancelRun(Instrument& instrument) {
  Run& run = instrument.run;
  if (!run.active || run.cancelling) return;
  run.cancelling = true;
  LogEvent(instrument, kSiteRunCancel, kSeverityInformation,
           Printf("Run cancelled in state %s", PhaseName(run.phase)));
  switch (run.phase) {
    case Phase::kIdle:
      EndRun(instrument);
      break;
    case Phase::kLoad:
      // Bring the loader back, then stop.
      StartMotion(instrument, EngageMotion(instrument, kMotorCartridgeLoad, false));
      run.step = 1;
      break;
    case Phase::kEngageSample:
      EnterPhase(instrument, Phase::kDisengageSample);
      break;
    case Phase::kPumpSample:
      CloseSample(instrument, kStopCancelled);
      EnterPhase(instrument, Phase::kDisengageSample);
      break;
    case Phase::kEngageStabilizer:
    case Phase::kPumpStabilizer:
      EnterPhase(instrument, Phase::kDisengageStabilizer);
      break;
    case Phase::kDisengageSample:
    case Phase::kDisengageStabilizer:
      break;  // already letting go
    case Phase::kClean:
      if (SampleLogEntry* entry = CurrentEntry(instrument)) entry->stop_reason = kStopCancelled;
      EndRun(instrument);
      break;
  }
}

void AbortRun(Instrument& instrument) {
  Run& run = instrument.run;
  if (!run.active) return;
  if (SampleLogEntry* entry = CurrentEntry(instrument)) {
    if (run.phase == Phase::kPumpSample) entry->treatment = kTreatmentIncomplete;
  }
  LogEvent(instrument, kSiteSupplyLost, kSeverityError,
           Printf("Run aborted in state %s: supply lost", PhaseName(run.phase)));
  instrument.error_flag = 1;
  StopMotion(instrument);
  run = Run{};
}

void StepRun(Instrument& instrument, std::uint64_t dt_ms) {
  Run& run = instrument.run;
  if (!run.active) return;
  run.phase_ms += dt_ms;
  switch (run.phase) {
    case Phase::kIdle:
      EndRun(instrument);
      return;
    case Phase::kLoad:
      if (!Ended(instrument)) return;
      if (run.step == 0) {
        if (TimedOut(instrument)) run.cartridge_error = true;
        StartMotion(instrument, EngageMotion(instrument, kMotorCartridgeLoad, false));
        run.step = 1;
        return;
      }
      if (TimedOut(instrument)) run.cartridge_error = true;
      if (run.cancelling) {
        EndRun(instrument);
      } else if (run.request.run_mode == kRunModeLoadUnload) {
        AdvanceCartridge(instrument);
        FinishCartridge(instrument);
      } else {
        EnterPhase(instrument, Phase::kEngageSample);
      }
      return;
    case Phase::kEngageSample:
      if (!Ended(instrument)) return;
      if (TimedOut(instrument)) {
        LogEvent(instrument, kSiteEngageFailed, kSeverityError,
                 Printf("Cartridge %u not engaged", instrument.cartridge.cartridge_id));
        OpenEntry(instrument, kTreatmentUnused);
        CloseSample(instrument, kStopHallSensor);
        EnterPhase(instrument, Phase::kDisengageSample);
      } else {
        EnterPhase(instrument, Phase::kPumpSample);
      }
      return;
    case Phase::kPumpSample:
      StepPumpSample(instrument, dt_ms);
      return;
    case Phase::kDisengageSample: {
      if (!Ended(instrument)) return;
      if (TimedOut(instrument)) run.cartridge_error = true;
      if (run.cancelling) {
        EndRun(instrument);
        return;
      }
      const SampleLogEntry* entry = CurrentEntry(instrument);
      const bool stabilise = run.request.run_mode == kRunModeSample && entry != nullptr &&
                             (entry->treatment == kTreatmentIncomplete ||
                              entry->treatment == kTreatmentUnstabilized) &&
                             Cleaning(instrument).stabilisation_time != 0;
      AdvanceCartridge(instrument);
      if (stabilise) {
        EnterPhase(instrument, Phase::kEngageStabilizer);
      } else {
        FinishCartridge(instrument);
      }
      return;
    }
    case Phase::kEngageStabilizer:
      if (!Ended(instrument)) return;
      if (TimedOut(instrument)) {
        run.cartridge_error = true;
        EnterPhase(instrument, Phase::kDisengageStabilizer);
      } else {
        EnterPhase(instrument, Phase::kPumpStabilizer);
      }
      return;
    case Phase::kPumpStabilizer:
      if (!Ended(instrument)) return;
      if (SampleLogEntry* entry = CurrentEntry(instrument)) {
        entry->treatment = entry->treatment == kTreatmentUnstabilized
                               ? kTreatmentStabilized
                               : kTreatmentStabilizedIncomplete;
      }
      EnterPhase(instrument, Phase::kDisengageStabilizer);
      return;
    case Phase::kDisengageStabilizer:
      if (!Ended(instrument)) return;
      if (TimedOut(instrument)) run.cartridge_error = true;
      if (run.cancelling) {
        EndRun(instrument);
      } else {
        FinishCartridge(instrument);
      }
      return;
    case Phase::kClean:
      StepClean(instrument);
      return;
  }
}

}  // namespace tq::sim
