// collect: the instrument's logs into the archive, only what it does not hold yet.
#include <chrono>
#include <random>

#include "archive/collect.h"
#include "cli/archive_open.h"
#include "cli/commands.h"
#include "cli/report.h"
#include "cli/retry.h"
#include "cli/text_encoding.h"
#include "link/commands.h"
#include "link/device_type.h"
#include "tarnquill/version.h"
#include "ui/epoch.h"

namespace tq::cli {
namespace {

constexpr std::int64_t kClockWarningS = 5;

// The collection's reads on the Connection: raw bytes as received, each read repeated over
// a faulty line as every command's are (retry.h), Ctrl+C looked at before each one.
class ConnectionReader final : public archive::InstrumentReader {
 public:
  ConnectionReader(Connection* connection, LinkRetry& link)
      : connection_(connection), link_(link) {}

  int ReadSampleEntry(std::uint16_t index, archive::SampleRaw& raw) override {
    std::array<std::uint8_t, 2> payload{};
    PutU16(payload, 0, index);
    return Note(link_.read([&] { return Query(kCmdGetSampleLogEntry, payload, raw); }));
  }
  int StartDiagnosticRead() override {
    return Note(link_.read([&] { return StartDiagnosticLogRead(connection_); }));
  }
  int ReadDiagnosticEntry(archive::DiagnosticRaw& raw) override {
    // Not repeated: the instrument moves on to its next entry with every answer.
    if (link_.stop_requested()) return Note(kResultInterrupted);
    return Query(kCmdGetDiagnosticLogEntry, {}, raw);
  }
  int ClearSampleLog() override {
    return Note(link_.read([&] { return tq::ClearSampleLog(connection_); }));
  }
  int ClearDiagnosticLog() override {
    return Note(link_.read([&] { return tq::ClearDiagnosticLog(connection_); }));
  }
  bool Interrupted() override { return interrupted_ || link_.stop_requested(); }

 private:
  int Note(int result) {
    if (result == kResultInterrupted) interrupted_ = true;
    return result;
  }

  template <std::size_t N>
  int Query(std::uint8_t code, std::span<const std::uint8_t> payload,
            std::array<std::uint8_t, N>& raw) {
    Frame frame{};
    const int result = SendCommand(connection_, code, payload, frame);
    if (result == kResultOk) {
      const auto bytes = PayloadOf<N>(frame);
      std::copy(bytes.begin(), bytes.end(), raw.begin());
    }
    return result;
  }

  Connection* connection_;
  LinkRetry& link_;
  bool interrupted_ = false;
};

std::string text_of(std::span<const char> field) {
  const std::string_view view(field.data(), field.size());
  return std::string(view.substr(0, view.find('\0')));
}

// Identity, device type, firmware and clock: what the download records before any entry.
std::optional<archive::DownloadStart> read_instrument(const CommandContext& context, int* status) {
  Connection* connection = context.connection();
  const Platform& platform = context.platform;
  archive::DownloadStart start;
  start.started_utc = platform.utc_now();
  IdentityRecord identity;
  std::uint16_t type = 0;
  FirmwareVersion firmware;
  DeviceTime clock;
  const auto failed = [&](std::uint8_t command, int result) {
    *status = report_failure(context.console.err, command, result);
    return std::nullopt;
  };
  if (const int r = context.read([&] { return GetIdentity(connection, &identity); });
      r != kResultOk) {
    return failed(kCmdGetIdentity, r);
  }
  if (const int r = context.read([&] { return GetDeviceType(connection, &type); });
      r != kResultOk) {
    return failed(kCmdGetDeviceType, r);
  }
  if (const int r = context.read([&] { return GetFirmwareVersion(connection, &firmware); });
      r != kResultOk) {
    return failed(kCmdGetFirmwareVersion, r);
  }
  const auto before = std::chrono::steady_clock::now();
  // Timed alone: a repeated read would make the round trip look longer than it was.
  if (const int r = GetClock(connection, &clock); r != kResultOk) return failed(kCmdGetClock, r);
  const auto round_trip = std::chrono::steady_clock::now() - before;
  start.clock_read_utc = platform.utc_now();
  start.clock_round_trip_ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(round_trip).count();
  start.instrument_clock = calendar_seconds(calendar_of(clock));
  start.serial = identity.serial_number;
  start.device_type = type;
  start.device_text = DeviceTypeName(type);
  start.name = utf8_from_windows_1252(sensor_name_of(identity));
  start.firmware = utf8_from_windows_1252(text_of(firmware.version));
  start.host = host_name();
  start.tool_version = TARNQUILL_VERSION_TEXT;
  start.uid = archive::MakeDownloadUid(start.started_utc, start.serial, std::random_device{}());
  return start;
}

void print_summary(const CommandContext& context, const archive::DownloadStart& start,
                   const archive::DownloadCounts& counts, const archive::CollectResult& result,
                   const std::string& path) {
  const auto offset = archive::ClockOffset(start);
  std::ostream& out = context.console.out;
  if (context.invocation.json) {
    nlohmann::ordered_json summary = {
        {"instrument", start.serial},
        {"name", start.name},
        {"download_id", start.uid},
        {"completed", result.completed},
        {"samples_new", counts.samples_new},
        {"samples_updated", counts.samples_updated},
        {"samples_unchanged", counts.samples_unchanged},
        {"new_sample_epoch", result.new_sample_epoch},
        {"diagnostics_new", counts.diagnostics_new},
        {"clock_offset_s", offset ? nlohmann::ordered_json(*offset) : nlohmann::ordered_json()},
        {"sample_log_cleared", result.sample_log_cleared},
        {"diagnostic_log_cleared", result.diagnostic_log_cleared},
        {"archive", path}};
    print_json(out, summary);
    return;
  }
  out << "Instrument: " << start.serial << " " << start.name << " (" << start.device_text
      << ", firmware " << start.firmware << ")\n";
  out << "Samples: " << counts.samples_new << " new, " << counts.samples_updated << " updated, "
      << counts.samples_unchanged << " unchanged"
      << (result.new_sample_epoch ? " (the log was cleared or restarted: a new epoch)" : "")
      << "\n";
  out << "Diagnostic entries: " << counts.diagnostics_new << " new\n";
  out << "Clock offset: " << (offset ? std::to_string(*offset) + " s" : "unknown (not a real date)")
      << " (instrument minus UTC)\n";
  if (offset && (*offset > kClockWarningS || *offset < -kClockWarningS)) {
    context.console.err << "tarnquill-cli: warning: the instrument's clock is " << *offset
                        << " s from UTC; set it with 'clock set --pc' if it should be right\n";
  }
  if (result.sample_log_cleared) out << "The sample log is cleared\n";
  if (result.diagnostic_log_cleared) out << "The diagnostic log is cleared\n";
  if (!result.not_cleared.empty()) out << "Not cleared: " << result.not_cleared << "\n";
  out << "Archive: " << path << "\n";
}

int collect(const CommandContext& context) {
  std::string error;
  std::optional<OpenedArchive> opened = open_archive_for(context, /*create=*/true, &error);
  if (!opened) {
    context.console.err << "tarnquill-cli: " << error << "\n";
    return kExitUsage;
  }
  int status = kExitOk;
  const auto start = read_instrument(context, &status);
  if (!start) return status;
  const auto download = archive::BeginDownload(opened->archive, *start, &error);
  if (!download) {
    context.console.err << "tarnquill-cli: cannot write to the archive: " << error << "\n";
    return kExitInstrument;
  }
  ConnectionReader reader(context.connection(), *context.link);
  const archive::CollectOptions options{!context.invocation.archive.no_diagnostics,
                                        context.invocation.archive.clear};
  const archive::CollectResult result =
      archive::CollectLogs(opened->archive, *download, start->serial, reader, options);
  if (!archive::EndDownload(opened->archive, *download, context.platform.utc_now(),
                            result.completed, &error)) {
    context.console.err << "tarnquill-cli: cannot write to the archive: " << error << "\n";
    return kExitInstrument;
  }
  print_summary(context, *start, archive::CountsOf(opened->archive, *download), result,
                opened->path);
  if (result.interrupted) {
    context.console.err << "tarnquill-cli: what was read is kept; the next collect continues "
                           "from there\n";
    return report_interrupted(context.console.err);
  }
  if (!result.archive_error.empty()) {
    context.console.err << "tarnquill-cli: cannot write to the archive: " << result.archive_error
                        << "\n";
    return kExitInstrument;
  }
  if (!result.completed) {
    report_failure(context.console.err, result.failed_read, result.failed_result);
    context.console.err << "tarnquill-cli: what was read is kept; collect again to continue\n";
    return kExitInstrument;
  }
  // --clear asked for and not done: a script must not take the log for cleared.
  return result.not_cleared.empty() ? kExitOk : kExitInstrument;
}

}  // namespace

int run_collect(const CommandContext& context) {
  const int status = collect(context);
  if (context.invocation.archive.pause) {
    context.console.err << "Press Enter to close this window." << std::flush;
    std::string line;
    std::getline(context.console.in, line);
  }
  return status;
}

}  // namespace tq::cli
