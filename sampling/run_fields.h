// The run parameters of the Run view: the run mode table, and how the five values travel
// between the controls, the settings store and StartRun.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "link/records.h"
#include "ui/dialog_tables.h"
#include "ui/settings.h"

namespace tq {

// In combo order.
inline constexpr std::array<ComboValue, 4> kRunModes = {{
    {kRunModeLoadUnload, "Load/Unload"},
    {kRunModeSample, "Sample"},
    {kRunModePrime, "Prime"},
    {kRunModeSchedule, "Schedule"},
}};

// The record the controls, the settings store and StartRun share, laid out as the
// RunRequest; its run mode may also be kRunModeSchedule, which is never sent, and its PC
// time is 0 except in a request.
using RunFields = RunRequest;

// Each value read on its own: one that is missing or unreadable leaves its field at 0.
[[nodiscard]] RunFields load_run_fields(const SettingsStore& store);
// RUN_MODE, NUM_SAMPLES, SAMPLE_VOLUME, SAMPLE_TIMEOUT, CLEAN, one write each; a failed
// write does not stop the next.
void save_run_fields(SettingsStore& store, const RunFields& fields);

// What the run controls show, or what the operator left in them.
struct RunFieldControls {
  int mode_index = 0;  // the combo's selection; negative for none
  std::string cartridges;
  std::string volume;
  std::string timeout;
  bool clean = false;

  bool operator==(const RunFieldControls&) const = default;
};

// The first mode whose code matches ("Load/Unload" when none does); the counts as "%u";
// the volume by volume_text.
[[nodiscard]] RunFieldControls show_run_fields(const RunFields& fields);

// Every entry limited silently to its byte: counts above 255 become 255, a text that is
// not a number 0; the volume is read as a decimal number of litres and becomes tenths
// (volume_tenths).
[[nodiscard]] RunFields take_run_fields(const RunFieldControls& controls);

// What StartRun sends for a run (mode Schedule sends StartSchedule instead): the fields
// with the PC's time when Start was given, from seconds since 1970 UTC, as an unsigned
// 32-bit count (good until 2106, the largest count after that; 0 for a clock set before
// 1970).
[[nodiscard]] RunRequest start_run_request(const RunFields& fields,
                                           std::int64_t seconds_since_1970);

}  // namespace tq
