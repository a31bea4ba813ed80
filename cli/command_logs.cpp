// log save/clear and diag save/clear: the instrument's two logs, saved as the program's
// Save writes them (or as JSON with every field raw), and wiped only when asked.
#include <chrono>
#include <cstdio>

#include "cli/commands.h"
#include "cli/diagnostic_reader.h"
#include "cli/files.h"
#include "cli/report.h"
#include "cli/text_encoding.h"
#include "diagnostics/diagnostics_view.h"
#include "link/command_table.h"
#include "link/commands.h"
#include "sampling/sample_log.h"
#include "ui/csv_export.h"
#include "ui/epoch.h"

namespace tq::cli {
namespace {

using Json = nlohmann::ordered_json;
using Rows = std::vector<std::vector<std::string>>;

std::string entries_text(std::size_t count) {
  return std::to_string(count) + (count == 1 ? " entry" : " entries");
}

// The rows of a downloaded log, as the program's list would hold them.
class RowsTable final : public CellTable {
 public:
  RowsTable(std::span<const ListColumn> columns, const Rows& rows)
      : columns_(columns), rows_(rows) {}
  std::string column_title(int column) const override {
    return columns_[static_cast<std::size_t>(column)].title;
  }
  int row_count() const override { return static_cast<int>(rows_.size()); }
  std::string cell(int row, int column) const override {
    const auto& cells = rows_[static_cast<std::size_t>(row)];
    // The program reads each cell back through a buffer of 255 characters.
    return cells[static_cast<std::size_t>(column)].substr(0, 255);
  }

 private:
  std::span<const ListColumn> columns_;
  const Rows& rows_;
};

// The instrument's own clock time, without a zone: it keeps what the technician set.
std::string iso_instrument_time(std::uint32_t epoch_seconds) {
  const auto time = epoch_breakdown(epoch_seconds);
  if (!time) return "";
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", time->year, time->month,
                time->day, time->hour, time->minute, time->second);
  return text;
}

std::string field_text(std::span<const char> field) {
  const std::string_view view(field.data(), field.size());
  return std::string(view.substr(0, view.find('\0')));
}

// A progress line on a terminal's standard error, rewritten at most five times a second.
class Progress {
 public:
  explicit Progress(const CommandContext& context)
      : err_(context.console.err),
        shown_(context.console.err_is_terminal && !context.invocation.json),
        start_(std::chrono::steady_clock::now()) {}

  [[nodiscard]] bool shown() const { return shown_; }

  void update(std::size_t done, std::optional<std::size_t> total) {
    if (!shown_) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - last_ < std::chrono::milliseconds(200)) return;
    last_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0;
    char line[128];
    if (total && rate > 0) {
      const double left = static_cast<double>(*total - std::min(done, *total)) / rate;
      std::snprintf(line, sizeof line, "\rread %zu of %zu entries, %.1f/s, about %.0f s left   ",
                    done, *total, rate, left);
    } else {
      std::snprintf(line, sizeof line, "\rread %zu entries, %.1f/s   ", done, rate);
    }
    err_ << line << std::flush;
    written_ = true;
  }

  // Wipes the line, so that the terminal's next line starts clean.
  void clear() {
    if (written_) err_ << "\r" << std::string(60, ' ') << "\r" << std::flush;
    written_ = false;
  }

  ~Progress() { clear(); }
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

 private:
  std::ostream& err_;
  bool shown_;
  bool written_ = false;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point last_{};
};

struct Download {
  Rows rows;
  Json raw = Json::array();
};

// How many entries the sample log holds, by asking for entries by index: doubling the
// index until there is none, then halving the gap (some 2 log2(n) requests). Nothing when
// an answer is anything else.
std::optional<std::size_t> sample_log_size(const CommandContext& context) {
  const auto exists = [&context](std::uint32_t index) -> std::optional<bool> {
    SampleLogEntry entry;
    const int result = context.read([&] {
      return GetSampleLogEntry(context.connection(), static_cast<std::uint16_t>(index), &entry);
    });
    if (result == kResultOk) return true;
    if (result == kResultNoSuchEntry) return false;
    return std::nullopt;
  };
  constexpr std::uint32_t kIndexLimit = 0x10000;  // the request's index has 16 bits
  std::uint32_t low = 0;                          // entries below `low` exist
  std::uint32_t high = 1;                         // entry high - 1 is the first probed
  for (;;) {
    const auto there = exists(high - 1);
    if (!there) return std::nullopt;
    if (!*there) break;
    low = high;
    if (high == kIndexLimit) return kIndexLimit;
    high = std::min(high * 2, kIndexLimit);
  }
  // Entries below `low` exist, entry high - 1 does not.
  while (low + 1 < high) {
    const std::uint32_t middle = low + (high - low) / 2;
    const auto there = exists(middle - 1);
    if (!there) return std::nullopt;
    (*there ? low : high) = middle;
  }
  return low;
}

// The instrument's clock minus UTC, in seconds: what turns its times into UTC. Nothing
// when its clock is not a real date.
std::optional<std::int64_t> instrument_utc_offset(const CommandContext& context, int* status) {
  DeviceTime clock;
  if (const int result = context.read([&] { return GetClock(context.connection(), &clock); });
      result != kResultOk) {
    *status = report_failure(context.console.err, kCmdGetClock, result);
    return std::nullopt;
  }
  const auto seconds = calendar_seconds(calendar_of(clock));
  if (!seconds) return std::nullopt;
  return *seconds - context.platform.utc_now();
}

// The field every JSON entry carries beside its start time: the same for every entry of
// one download, and not part of what an entry is when two downloads are compared.
constexpr const char* kUtcOffsetField = "instrument_utc_offset_s";

std::optional<Download> read_sample_log(const CommandContext& context, int* status) {
  Connection* connection = context.connection();
  Json utc_offset;  // null: the instrument's clock is not a real date
  if (context.invocation.json_format) {
    *status = kExitOk;
    const auto offset = instrument_utc_offset(context, status);
    if (*status != kExitOk) return std::nullopt;
    if (offset) utc_offset = *offset;
  }
  Progress progress(context);
  // The size only serves the time left on the progress line: not asked for otherwise.
  const std::optional<std::size_t> total =
      progress.shown() ? sample_log_size(context) : std::nullopt;
  Download log;
  for (std::uint32_t index = 0; index <= 0xFFFF; ++index) {
    SampleLogEntry entry;
    const int result = context.read(
        [&] { return GetSampleLogEntry(connection, static_cast<std::uint16_t>(index), &entry); });
    if (result == kResultNoSuchEntry) break;
    if (result != kResultOk) {
      progress.clear();
      *status = report_failure(
          context.console.err,
          std::string(command_name(kCmdGetSampleLogEntry)) + " " + std::to_string(index), result);
      return std::nullopt;
    }
    log.rows.push_back(sample_log_cells(entry));
    log.raw.push_back({{"index", index},
                       {"start_time", iso_instrument_time(entry.start_time)},
                       {kUtcOffsetField, utc_offset},
                       {"start_time_s", entry.start_time},
                       {"cartridge_id", entry.cartridge_id},
                       {"duration_s", entry.duration},
                       {"treatment", entry.treatment},
                       {"stop_reason", entry.stop_reason},
                       {"volume_litres", json_number(entry.volume)},
                       {"max_pressure_bar", json_number(entry.max_pressure)}});
    progress.update(log.rows.size(), total);
  }
  return log;
}

std::optional<Download> read_diagnostic_log(const CommandContext& context, int* status) {
  DiagnosticReader reader(context.connection());
  Download log;
  Progress progress(context);
  for (;;) {
    DiagnosticLogEntry entry;
    const int result = context.read([&] { return reader.next(log.rows.size(), &entry); });
    if (reader.start_refused() != kResultOk) {
      *status =
          report_failure(context.console.err, kCmdStartDiagnosticLogRead, reader.start_refused());
      return std::nullopt;
    }
    // Any result from the instrument ends the log; only the link's failure is an error.
    if (result == kResultLinkFailure || result == kResultInterrupted) {
      progress.clear();
      *status = report_failure(context.console.err, kCmdGetDiagnosticLogEntry, result);
      return std::nullopt;
    }
    if (result != kResultOk) return log;
    log.rows.push_back(log_row_cells(entry));
    log.raw.push_back({{"counter", entry.counter},
                       {"task_id", entry.task_id},
                       {"severity", entry.severity},
                       {"function", utf8_from_windows_1252(field_text(entry.function))},
                       {"line", entry.line},
                       {"message", utf8_from_windows_1252(field_text(entry.message))}});
    progress.update(log.rows.size(), std::nullopt);
  }
}

// What marks the log's first entry (its start time, its counter), -1 when it is empty:
// a clear whose answer was lost took effect when the mark has changed.
int first_sample_mark(Connection* connection, std::int64_t* mark) {
  SampleLogEntry entry;
  const int result = GetSampleLogEntry(connection, 0, &entry);
  *mark = result == kResultOk ? std::int64_t{entry.start_time} : -1;
  return result == kResultNoSuchEntry ? kResultOk : result;
}

int first_diagnostic_mark(Connection* connection, std::int64_t* mark) {
  *mark = -1;
  if (const int result = StartDiagnosticLogRead(connection); result != kResultOk) return result;
  DiagnosticLogEntry entry;
  const int result = GetDiagnosticLogEntry(connection, &entry);
  if (result == kResultLinkFailure) return result;
  if (result == kResultOk) *mark = entry.counter;
  return kResultOk;
}

struct LogKind {
  const char* name;  // in messages
  std::span<const ListColumn> columns;
  std::optional<Download> (*read)(const CommandContext&, int*);
  std::uint8_t clear_command;
  int (*clear)(Connection*);
  int (*first_mark)(Connection*, std::int64_t*);
};

const LogKind kDiagnosticLog = {"diagnostic log",       kLogColumns,        read_diagnostic_log,
                                kCmdClearDiagnosticLog, ClearDiagnosticLog, first_diagnostic_mark};
const LogKind kSampleLog = {"sample log",       kSampleLogColumns, read_sample_log,
                            kCmdClearSampleLog, ClearSampleLog,    first_sample_mark};

std::string file_text(const LogKind& kind, const Download& log, bool json) {
  if (json) return log.raw.dump(2) + "\n";
  return format_csv(RowsTable(kind.columns, log.rows), static_cast<int>(kind.columns.size()));
}

// Saves the log to `target`; the rows saved, or nothing with *status set.
std::optional<Download> save(const CommandContext& context, const LogKind& kind,
                             const OutputTarget& target, int* status) {
  auto log = kind.read(context, status);
  if (!log) return std::nullopt;
  std::string error;
  if (!write_file_atomically(target.write_path,
                             file_text(kind, *log, context.invocation.json_format), &error)) {
    context.console.err << "tarnquill-cli: " << error << "\n";
    *status = kExitUsage;
    return std::nullopt;
  }
  return log;
}

int run_save(const CommandContext& context, const LogKind& kind) {
  int status = kExitOk;
  const auto target = output_target(context, context.invocation.file, &status);
  if (!target) return status;
  const auto log = save(context, kind, *target, &status);
  if (!log) return status;
  if (context.invocation.json) {
    print_json(context.console.out,
               {{"file", context.invocation.file}, {"entries", log->rows.size()}});
  } else {
    context.console.out << entries_text(log->rows.size()) << " of the " << kind.name << " saved to "
                        << context.invocation.file << "\n";
  }
  return kExitOk;
}

// Whether the operator can give the say-so at all: --yes, or a terminal to ask on. Known
// before anything is read, so that a script without --yes downloads nothing in vain.
bool can_confirm(const CommandContext& context, const LogKind& kind) {
  if (context.invocation.yes || context.console.in_is_terminal) return true;
  context.console.err << "tarnquill-cli: not clearing the " << kind.name
                      << " without a question answered; add --yes to clear it from a script\n";
  return false;
}

// The operator's say-so: --yes, or "y" typed on a terminal.
bool confirmed(const CommandContext& context, const LogKind& kind) {
  if (context.invocation.yes) return true;
  if (ask(context,
          std::string("This wipes the ") + kind.name + " on the instrument. Clear it? [y/N] ")) {
    return true;
  }
  if (!context.platform.stop_requested()) context.console.err << "Not cleared\n";
  return false;
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find("\r\n", at);
    lines.push_back(text.substr(at, end == std::string::npos ? std::string::npos : end - at));
    at = end == std::string::npos ? text.size() : end + 2;
  }
  return lines;
}

// Where the file read back parts from the log read again: nothing when they agree.
std::optional<std::string> difference(const CommandContext& context, const LogKind& kind,
                                      const std::string& on_disk, const Download& log) {
  std::vector<std::string> saved;
  std::vector<std::string> now;
  if (context.invocation.json_format) {
    const Json file = Json::parse(on_disk, nullptr, false);
    if (!file.is_array()) return "it is not the JSON list 'save' writes";
    // The clock's offset is measured anew at each download: a second may part them.
    const auto entry_text = [](Json entry) {
      if (entry.is_object()) entry.erase(kUtcOffsetField);
      return entry.dump();
    };
    for (const Json& entry : file) saved.push_back(entry_text(entry));
    for (const Json& entry : log.raw) now.push_back(entry_text(entry));
  } else {
    saved = lines_of(on_disk);
    now = lines_of(file_text(kind, log, false));
    if (saved.empty() || saved.front() != now.front()) return "its header line differs";
    saved.erase(saved.begin());
    now.erase(now.begin());
  }
  for (std::size_t i = 0; i < std::min(saved.size(), now.size()); ++i) {
    if (saved[i] != now[i]) return "entry " + std::to_string(i) + " differs";
  }
  if (saved.size() != now.size()) {
    return "it holds " + entries_text(saved.size()) + ", the instrument " +
           entries_text(now.size());
  }
  return std::nullopt;
}

int run_clear(const CommandContext& context, const LogKind& kind) {
  int status = kExitOk;
  const std::string& file = context.invocation.file;
  std::optional<std::size_t> saved_entries;
  if (!can_confirm(context, kind)) return kExitUsage;
  if (!file.empty()) {
    const auto target = output_target(context, file, &status);
    if (!target) return status;
    // Saved, read back from the disk and held against the instrument's log, read once
    // more, entry by entry: only a log that is safely on the disk, whole, is wiped.
    const auto saved = save(context, kind, *target, &status);
    if (!saved) return status;
    std::string error;
    const auto on_disk = read_file(file, &error);
    if (!on_disk) {
      context.console.err << "tarnquill-cli: " << error << "; not cleared\n";
      return kExitUsage;
    }
    const auto again = kind.read(context, &status);
    if (!again) return status;
    if (const auto problem = difference(context, kind, *on_disk, *again)) {
      context.console.err << "tarnquill-cli: " << file << " does not match the instrument's "
                          << kind.name << ": " << *problem
                          << " (did it change while saving?); not cleared, try again\n";
      return kExitInstrument;
    }
    saved_entries = saved->rows.size();
    if (!context.invocation.json) {
      context.console.out << entries_text(*saved_entries) << " of the " << kind.name << " saved to "
                          << file << " and checked\n";
    }
  }
  if (!confirmed(context, kind)) {
    if (context.platform.stop_requested()) return report_interrupted(context.console.err);
    if (context.invocation.json) print_json(context.console.out, {{"cleared", false}});
    return kExitOk;
  }
  Connection* connection = context.connection();
  std::int64_t before = -1;
  if (const int result = context.read([&] { return kind.first_mark(connection, &before); });
      result != kResultOk) {
    return report_failure(context.console.err, kind.clear_command, result);
  }
  const int result = context.write([&] { return kind.clear(connection); },
                                   [&](bool* took) {
                                     std::int64_t after = -1;
                                     const int r = kind.first_mark(connection, &after);
                                     *took = after == -1 || after != before;
                                     return r;
                                   });
  if (result != kResultOk) return report_failure(context.console.err, kind.clear_command, result);
  if (context.invocation.json) {
    Json report = {{"cleared", true}};
    if (saved_entries) report.update({{"file", file}, {"entries", *saved_entries}});
    print_json(context.console.out, report);
  } else {
    context.console.out << "The " << kind.name << " is cleared\n";
  }
  return kExitOk;
}

}  // namespace

int run_log_save(const CommandContext& context) { return run_save(context, kSampleLog); }
int run_log_clear(const CommandContext& context) { return run_clear(context, kSampleLog); }
int run_diag_save(const CommandContext& context) { return run_save(context, kDiagnosticLog); }
int run_diag_clear(const CommandContext& context) { return run_clear(context, kDiagnosticLog); }

}  // namespace tq::cli
