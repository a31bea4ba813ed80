// Runs: Load/Unload, Sample and Prime walk the sampler through its states cartridge by
// cartridge, writing one sample log entry per pumped cartridge as it goes.
#pragma once

#include <cstdint>

#include "sim/instrument.h"

namespace tq::sim {

inline constexpr double kPrimeLitres = 0.2;
// A pump that has moved no water after this long gives up ("didn't start").
inline constexpr std::uint64_t kNoFlowLimitMs = 60000;

// Starts a run; the result byte StartRun answers with.
[[nodiscard]] std::uint8_t StartRunning(Instrument& instrument, const RunRequest& request,
                                        bool from_schedule);
// StopRun: the entry being written ends as cancelled and the engaged cartridge is let go
// before the sampler goes idle.
void CancelRun(Instrument& instrument);
// Power lost: everything stops where it is.
void AbortRun(Instrument& instrument);
void StepRun(Instrument& instrument, std::uint64_t dt_ms);

[[nodiscard]] std::uint8_t SamplerStateOfPhase(Phase phase);

}  // namespace tq::sim
