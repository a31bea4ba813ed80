// The firmware's diagnostic log and task table: entries carry the function and line that
// logged them and the task they ran on, and each task's filter decides which severities
// it records.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "sim/instrument.h"

namespace tq::sim {

// Task indices. Index 0 is the interrupt context, listed first but not a task.
inline constexpr std::uint8_t kTaskInterrupts = 0;
inline constexpr std::uint8_t kTaskMain = 1;
inline constexpr std::uint8_t kTaskSampler = 2;
inline constexpr std::uint8_t kTaskMotors = 3;
inline constexpr std::uint8_t kTaskSensors = 4;
inline constexpr std::uint8_t kTaskComms = 5;
inline constexpr std::uint8_t kTaskScheduler = 6;
inline constexpr std::uint8_t kTaskLogger = 7;
inline constexpr std::uint8_t kTaskHousekeeping = 8;

// Oldest entries give way beyond this many.
inline constexpr std::size_t kDiagnosticLogCapacity = 1000;

// Where an entry comes from in the firmware's source.
struct LogSite {
  std::uint8_t task;
  const char* function;
  std::int32_t line;
};

// Appends an entry unless the task's filter leaves out its severity.
void LogEvent(Instrument& instrument, const LogSite& site, std::uint8_t severity,
              std::string_view message);

// The task table after power-up: plausible stacks in RAM, errors and information logged by
// every task, debug by the sampler and sensor tasks.
[[nodiscard]] std::vector<Task> DefaultTasks(SimRng& rng);

// Whether a task runs now (some tasks sleep while their subsystem is idle).
[[nodiscard]] bool TaskActive(const Instrument& instrument, std::size_t index);

// printf into a string, for log messages (at most 127 characters).
template <typename... Args>
[[nodiscard]] std::string Printf(const char* format, Args... args) {
  std::array<char, 128> buffer{};
  std::snprintf(buffer.data(), buffer.size(), format, args...);
  return buffer.data();
}

}  // namespace tq::sim
