// archive instruments|downloads|samples|merge|verify|report: the archive read back, taken
// together with another, checked.
#include <ostream>

#include "archive/maintenance.h"
#include "archive/report.h"
#include "archive/samples.h"
#include "cli/archive_open.h"
#include "cli/clock_text.h"
#include "cli/files.h"
#include "cli/report.h"
#include "ui/epoch.h"

namespace tq::cli {
namespace {

using Json = nlohmann::ordered_json;

Json optional_json(const std::optional<std::int64_t>& value) {
  return value ? Json(*value) : Json();
}

// Where a command's text goes: --output FILE (written whole or not at all) or standard output.
int deliver(const CommandContext& context, const std::string& text, const std::string& what) {
  const std::string& output = context.invocation.archive.output;
  if (output.empty()) {
    context.console.out << text;
    return kExitOk;
  }
  std::string error;
  if (!write_file_atomically(output, text, &error)) {
    context.console.err << "tarnquill-cli: " << error << "\n";
    return kExitInstrument;
  }
  context.console.err << what << " written to " << output << "\n";
  return kExitOk;
}

int instruments(const CommandContext& context, archive::Archive& archive) {
  const auto rows = archive::ReadInstruments(archive);
  if (context.invocation.json) {
    Json list = Json::array();
    for (const auto& row : rows) {
      list.push_back({{"serial", row.serial},
                      {"device", row.device_text},
                      {"name", row.name},
                      {"first_seen", archive::IsoUtc(row.first_seen_utc)},
                      {"last_seen", archive::IsoUtc(row.last_seen_utc)},
                      {"samples", row.samples},
                      {"downloads", row.downloads}});
    }
    print_json(context.console.out, list);
    return kExitOk;
  }
  char line[256];
  std::snprintf(line, sizeof line, "%-6s  %-20s  %-20s  %-20s  %7s  %9s\n", "Serial", "Name",
                "Device", "Last seen (UTC)", "Samples", "Downloads");
  context.console.out << line;
  for (const auto& row : rows) {
    std::snprintf(line, sizeof line, "%-6lld  %-20s  %-20s  %-20s  %7lld  %9lld\n",
                  static_cast<long long>(row.serial), row.name.c_str(), row.device_text.c_str(),
                  archive::IsoUtc(row.last_seen_utc).c_str(), static_cast<long long>(row.samples),
                  static_cast<long long>(row.downloads));
    context.console.out << line;
  }
  return kExitOk;
}

int downloads(const CommandContext& context, archive::Archive& archive) {
  const auto rows = archive::ReadDownloads(archive, context.invocation.archive.instrument);
  if (context.invocation.json) {
    Json list = Json::array();
    for (const auto& row : rows) {
      list.push_back(
          {{"download_id", row.uid},
           {"instrument", row.serial},
           {"started", archive::IsoUtc(row.started_utc)},
           {"ended", row.ended_utc ? Json(archive::IsoUtc(*row.ended_utc)) : Json()},
           {"host", row.host},
           {"tool_version", row.tool_version},
           {"firmware", row.firmware},
           {"instrument_clock",
            row.instrument_clock ? Json(archive::IsoLocal(*row.instrument_clock)) : Json()},
           {"clock_offset_s", optional_json(row.clock_offset_s)},
           {"clock_round_trip_ms", row.clock_round_trip_ms},
           {"samples_new", row.counts.samples_new},
           {"samples_updated", row.counts.samples_updated},
           {"samples_unchanged", row.counts.samples_unchanged},
           {"diagnostics_new", row.counts.diagnostics_new},
           {"completed", row.completed}});
    }
    print_json(context.console.out, list);
    return kExitOk;
  }
  char line[256];
  std::snprintf(line, sizeof line, "%-30s  %-20s  %6s  %5s  %7s  %9s  %5s  %s\n", "Download",
                "Started (UTC)", "Offset", "New", "Updated", "Unchanged", "Diag", "");
  context.console.out << line;
  for (const auto& row : rows) {
    const std::string offset = row.clock_offset_s ? std::to_string(*row.clock_offset_s) : "?";
    std::snprintf(line, sizeof line, "%-30s  %-20s  %6s  %5lld  %7lld  %9lld  %5lld  %s\n",
                  row.uid.c_str(), archive::IsoUtc(row.started_utc).c_str(), offset.c_str(),
                  static_cast<long long>(row.counts.samples_new),
                  static_cast<long long>(row.counts.samples_updated),
                  static_cast<long long>(row.counts.samples_unchanged),
                  static_cast<long long>(row.counts.diagnostics_new),
                  row.completed ? "" : "interrupted");
    context.console.out << line;
  }
  return kExitOk;
}

Json samples_json(const std::vector<archive::SampleRow>& rows) {
  Json list = Json::array();
  for (const auto& row : rows) {
    const std::int64_t start = archive::EstimatedUtcStart(row);
    const auto flow = archive::FlowRate(row.entry);
    list.push_back({{"instrument_serial", row.serial},
                    {"instrument_name", row.name},
                    {"firmware", row.firmware},
                    {"cartridge_id", row.entry.cartridge_id},
                    {"start_time", archive::IsoLocal(row.entry.start_time)},
                    {"start_time_utc", archive::IsoUtc(start)},
                    {"clock_offset_s", optional_json(row.clock_offset_s)},
                    {"duration_s", row.entry.duration},
                    {"end_time_utc", archive::IsoUtc(start + row.entry.duration)},
                    {"volume_l", json_number(row.entry.volume)},
                    {"flow_rate_l_per_min", flow ? Json(*flow) : Json()},
                    {"max_pressure_bar", json_number(row.entry.max_pressure)},
                    {"treatment", TreatmentName(row.entry.treatment)},
                    {"stop_reason", StopReasonName(row.entry.stop_reason)},
                    {"epoch", archive::IsoLocal(row.epoch)},
                    {"index", row.index},
                    {"download_id", row.download_uid}});
  }
  return list;
}

int samples(const CommandContext& context, archive::Archive& archive) {
  const ArchiveOptions& options = context.invocation.archive;
  archive::SampleFilter filter;
  filter.serial = options.instrument;
  if (!options.since.empty()) {
    const std::string text =
        options.since.size() == 10 ? options.since + " 00:00:00" : options.since;
    const auto since = parse_clock_time(text);
    if (!since) {
      context.console.err << "tarnquill-cli: --since " << options.since
                          << " is not a date; give YYYY-MM-DD or \"YYYY-MM-DD HH:MM:SS\" (UTC)\n";
      return kExitUsage;
    }
    filter.since_utc = calendar_seconds(calendar_of(*since));
  }
  const auto rows = archive::ReadSamples(archive, filter);
  std::string text;
  switch (options.format) {
    case SampleFormat::kCsv:
      text = archive::SamplesCsv(rows);
      break;
    case SampleFormat::kFaire:
      text = archive::SamplesFaire(rows);
      break;
    case SampleFormat::kJson:
      text = samples_json(rows).dump(2) + "\n";
      break;
  }
  return deliver(context, text, std::to_string(rows.size()) + " samples");
}

int merge(const CommandContext& context, archive::Archive& archive) {
  std::string error;
  const auto counts = archive::MergeArchive(archive, context.invocation.archive.other, &error);
  if (!counts) {
    context.console.err << "tarnquill-cli: " << error << "\n";
    return kExitUsage;
  }
  if (context.invocation.json) {
    print_json(context.console.out, {{"downloads_new", counts->downloads_new},
                                     {"samples_new", counts->samples_new},
                                     {"samples_updated", counts->samples_updated},
                                     {"diagnostics_new", counts->diagnostics_new}});
    return kExitOk;
  }
  context.console.out << "Merged " << context.invocation.archive.other << ": "
                      << counts->downloads_new << " downloads, " << counts->samples_new
                      << " new samples, " << counts->samples_updated << " updated, "
                      << counts->diagnostics_new << " new diagnostic entries\n";
  return kExitOk;
}

int verify(const CommandContext& context, archive::Archive& archive, const std::string& path) {
  const std::vector<std::string> findings = archive::VerifyArchive(archive);
  if (context.invocation.json) {
    print_json(context.console.out, {{"archive", path}, {"findings", findings}});
  } else if (findings.empty()) {
    context.console.out << "The archive " << path << " is sound\n";
  } else {
    for (const std::string& finding : findings) context.console.out << finding << "\n";
  }
  return findings.empty() ? kExitOk : kExitInstrument;
}

int report(const CommandContext& context, archive::Archive& archive) {
  const std::string html = archive::ReportHtml(archive, context.invocation.archive.instrument,
                                               context.platform.utc_now());
  return deliver(context, html, "Report");
}

}  // namespace

std::optional<OpenedArchive> open_archive_for(const CommandContext& context, bool create,
                                              std::string* error) {
  std::string path = context.invocation.archive.path;
  if (path.empty()) path = default_archive_path(error);
  if (path.empty()) return std::nullopt;
  auto archive = archive::OpenArchive(path, error, create);
  if (!archive) return std::nullopt;
  return OpenedArchive{std::move(*archive), path};
}

int run_archive(const CommandContext& context) {
  if (context.invocation.command == Command::kArchivePush) return run_archive_push(context);
  std::string error;
  const bool writes = context.invocation.command == Command::kArchiveMerge;
  std::optional<OpenedArchive> opened = open_archive_for(context, writes, &error);
  if (!opened) {
    context.console.err << "tarnquill-cli: " << error << "\n";
    return kExitUsage;
  }
  switch (context.invocation.command) {
    case Command::kArchiveInstruments:
      return instruments(context, opened->archive);
    case Command::kArchiveDownloads:
      return downloads(context, opened->archive);
    case Command::kArchiveSamples:
      return samples(context, opened->archive);
    case Command::kArchiveMerge:
      return merge(context, opened->archive);
    case Command::kArchiveVerify:
      return verify(context, opened->archive, opened->path);
    case Command::kArchiveReport:
      return report(context, opened->archive);
    default:
      return kExitUsage;
  }
}

}  // namespace tq::cli
