// Diagnostic log entries and the task table.
#include "sim/diagnostic_log.h"

namespace tq::sim {
namespace {

struct TaskShape {
  const char* name;
  std::uint32_t stack_bytes;
  std::uint8_t filters;
};

constexpr TaskShape kTaskShapes[] = {
    {"ISR", 1024, kLogFilterError | kLogFilterInformation},
    {"main", 2048, kLogFilterError | kLogFilterInformation},
    {"sampler", 4096, kLogFilterError | kLogFilterInformation | kLogFilterDebug},
    {"motors", 2048, kLogFilterError | kLogFilterInformation},
    {"sensors", 1536, kLogFilterError | kLogFilterInformation | kLogFilterDebug},
    {"comms", 3072, kLogFilterError | kLogFilterInformation},
    {"scheduler", 1536, kLogFilterError | kLogFilterInformation},
    {"logger", 2048, kLogFilterError | kLogFilterInformation},
    {"housekeeping", 1024, kLogFilterError | kLogFilterInformation},
};

constexpr std::uint32_t kRamBase = 0x20000400;

}  // namespace

void LogEvent(Instrument& instrument, const LogSite& site, std::uint8_t severity,
              std::string_view message) {
  if (site.task < instrument.tasks.size() &&
      (instrument.tasks[site.task].log_filters & severity) == 0) {
    return;
  }
  DiagnosticLog& log = instrument.diagnostic_log;
  DiagnosticLogEntry entry;
  entry.counter = log.next_counter;
  log.next_counter = log.next_counter == INT32_MAX ? 1 : log.next_counter + 1;
  SetFieldText(entry.function, site.function);
  entry.line = site.line;
  entry.task_id = site.task;
  entry.severity = severity;
  SetFieldText(entry.message, message);
  log.entries.push_back(entry);
  if (log.entries.size() > kDiagnosticLogCapacity) {
    log.entries.pop_front();
    // The reader keeps its place among the entries that remain.
    if (log.cursor > 0) --log.cursor;
  }
}

std::vector<Task> DefaultTasks(SimRng& rng) {
  std::vector<Task> tasks;
  std::uint32_t address = kRamBase;
  for (const TaskShape& shape : kTaskShapes) {
    Task task;
    task.name = shape.name;
    task.stack_start = address;
    task.stack_end = address + shape.stack_bytes - 1;
    // Stacks grow down from their end; a task has used between a quarter and two thirds.
    const std::uint32_t used = rng.Between(shape.stack_bytes / 4, shape.stack_bytes * 2 / 3) & ~3U;
    task.stack_top = task.stack_end - used + 1;
    task.log_filters = shape.filters;
    tasks.push_back(task);
    address += shape.stack_bytes + 0x40;  // the allocator's header between stacks
  }
  return tasks;
}

bool TaskActive(const Instrument& instrument, std::size_t index) {
  switch (index) {
    case kTaskInterrupts:
      return false;
    case kTaskMotors:
      return instrument.motion.kind != MotionKind::kNone;
    case kTaskSensors:
      return instrument.sensors_on || instrument.run.active;
    case kTaskScheduler:
      return instrument.schedule_run.active;
    default:
      return true;
  }
}

}  // namespace tq::sim
