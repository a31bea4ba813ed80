// Named starting situations for demonstrations and tests: a fresh instrument, a long
// sample log, no sampler supply, the schedule in control, a run under way.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "sim/instrument.h"

namespace tq::sim {

// Every scenario name with a one-line description, for --help.
struct ScenarioInfo {
  std::string_view name;
  std::string_view description;
};
[[nodiscard]] std::span<const ScenarioInfo> Scenarios();

// Powers up an instrument and puts it into each named scenario in turn. Nothing, with
// *error saying why, for an unknown name or a combination that cannot be set up.
[[nodiscard]] std::optional<Instrument> BuildInstrument(InstrumentOptions options,
                                                        std::span<const std::string> scenarios,
                                                        std::string* error);

}  // namespace tq::sim
