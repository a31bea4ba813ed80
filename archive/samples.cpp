// The archive's rows for export.
#include "archive/samples.h"

#include <cmath>
#include <cstdio>

#include "archive/decode.h"
#include "ui/epoch.h"

namespace tq::archive {
namespace {

std::optional<CalendarTime> Breakdown(std::int64_t seconds) {
  if (seconds < kEpochFirstValid || seconds > 0x7FFFFFFF) return std::nullopt;
  return epoch_breakdown(static_cast<std::uint32_t>(seconds));
}

std::string Number(double value, int decimals) {
  char text[48];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

// A CSV field: quoted when it holds a separator, a quote or a line end.
std::string Field(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string Line(const std::vector<std::string>& fields) {
  std::string line;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) line += ',';
    line += Field(fields[i]);
  }
  return line + "\r\n";
}

// "start/end" in UTC; empty when the instrument's start time is not a real date.
std::string Interval(std::int64_t start, std::uint32_t duration) {
  const std::string from = IsoUtc(start);
  return from.empty() ? from : from + "/" + IsoUtc(start + duration);
}

std::string OptionalInteger(const std::optional<std::int64_t>& value) {
  return value ? std::to_string(*value) : std::string();
}

}  // namespace

std::vector<SampleRow> ReadSamples(Archive& archive, const SampleFilter& filter) {
  Statement rows(archive.db.get(), R"sql(
    SELECT s.serial, i.name, i.device_text, d.firmware, s.epoch, s.entry_index, s.raw,
      d.clock_offset_s, d.uid
    FROM sample_entries s JOIN instruments i ON i.serial = s.serial
      JOIN downloads d ON d.id = s.first_download
    WHERE (?1 IS NULL OR s.serial = ?1)
      AND (?2 IS NULL OR s.start_time - coalesce(d.clock_offset_s, 0) >= ?2)
    ORDER BY s.serial, s.epoch, s.entry_index)sql");
  rows.bind(1, filter.serial).bind(2, filter.since_utc);
  std::vector<SampleRow> result;
  while (rows.step()) {
    SampleRow row;
    row.serial = rows.integer(0);
    row.name = rows.text(1);
    row.device_text = rows.text(2);
    row.firmware = rows.text(3);
    row.epoch = rows.integer(4);
    row.index = rows.integer(5);
    row.entry = DecodeSample(ToSampleRaw(rows.blob(6)));
    if (!rows.is_null(7)) row.clock_offset_s = rows.integer(7);
    row.download_uid = rows.text(8);
    result.push_back(std::move(row));
  }
  return result;
}

std::int64_t EstimatedUtcStart(const SampleRow& row) {
  return std::int64_t{row.entry.start_time} - row.clock_offset_s.value_or(0);
}

std::optional<double> FlowRate(const SampleLogEntry& entry) {
  if (entry.duration == 0) return std::nullopt;
  return double{entry.volume} * 60.0 / entry.duration;
}

std::string IsoLocal(std::int64_t seconds) {
  const auto time = Breakdown(seconds);
  if (!time) return "";
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", time->year, time->month,
                time->day, time->hour, time->minute, time->second);
  return text;
}

std::string IsoUtc(std::int64_t seconds) {
  const std::string local = IsoLocal(seconds);
  return local.empty() ? local : local + "Z";
}

std::string IsoDuration(std::uint32_t seconds) {
  std::string text = "PT";
  if (seconds >= 3600) text += std::to_string(seconds / 3600) + "H";
  if (seconds % 3600 >= 60) text += std::to_string(seconds % 3600 / 60) + "M";
  if (seconds % 60 != 0 || seconds == 0) text += std::to_string(seconds % 60) + "S";
  return text;
}

std::string SamplesCsv(const std::vector<SampleRow>& rows) {
  std::string csv =
      Line({"instrument_serial", "instrument_name", "firmware", "start_time", "start_time_utc",
            "clock_offset_s", "duration_s", "end_time_utc", "volume_l", "flow_rate_l_per_min",
            "max_pressure_bar", "treatment", "stop_reason", "epoch", "index", "download_id"});
  for (const SampleRow& row : rows) {
    const std::int64_t start = EstimatedUtcStart(row);
    const auto flow = FlowRate(row.entry);
    csv += Line({std::to_string(row.serial), row.name, row.firmware, IsoLocal(row.entry.start_time),
                 IsoUtc(start), OptionalInteger(row.clock_offset_s),
                 std::to_string(row.entry.duration), IsoUtc(start + row.entry.duration),
                 Number(row.entry.volume, 3), flow ? Number(*flow, 3) : "",
                 Number(row.entry.max_pressure, 3), std::string(TreatmentName(row.entry.treatment)),
                 std::string(StopReasonName(row.entry.stop_reason)), IsoLocal(row.epoch),
                 std::to_string(row.index), row.download_uid});
  }
  return csv;
}

std::string SamplesFaire(const std::vector<SampleRow>& rows) {
  std::string csv = Line({"samp_name",
                          "materialSampleID",
                          "eventDate",
                          "eventDurationValue",
                          "samp_size",
                          "samp_size_unit",
                          "pump_flow_rate",
                          "pump_flow_rate_unit",
                          "filter_passive_active_0_1",
                          "samp_collect_device",
                          "samp_mat_process",
                          "decimalLatitude",
                          "decimalLongitude",
                          "geo_loc_name",
                          "env_medium",
                          "stop_reason",
                          "max_pressure_bar",
                          "instrument_serial",
                          "firmware",
                          "clock_offset_s",
                          "download_id"});
  for (const SampleRow& row : rows) {
    const std::int64_t start = EstimatedUtcStart(row);
    const auto flow = FlowRate(row.entry);
    // The instrument's own start time in the name: stable whatever offset is applied.
    std::string start_compact = IsoLocal(row.entry.start_time);
    std::erase(start_compact, '-');
    std::erase(start_compact, ':');
    csv += Line(
        {std::to_string(row.serial) + "-" + std::to_string(row.entry.cartridge_id) + "-" +
             start_compact,
         std::to_string(row.entry.cartridge_id),
         Interval(start, row.entry.duration),
         IsoDuration(row.entry.duration),
         Number(row.entry.volume, 3),
         "L",
         flow ? Number(*flow, 3) : "",
         "L/min",
         "1",
         row.device_text + " serial " + std::to_string(row.serial) + " firmware " + row.firmware,
         std::string(TreatmentName(row.entry.treatment)),
         "",
         "",
         "",
         "",
         std::string(StopReasonName(row.entry.stop_reason)),
         Number(row.entry.max_pressure, 3),
         std::to_string(row.serial),
         row.firmware,
         OptionalInteger(row.clock_offset_s),
         row.download_uid});
  }
  return csv;
}

std::vector<InstrumentRow> ReadInstruments(Archive& archive) {
  Statement rows(archive.db.get(), R"sql(
    SELECT serial, device_text, name, first_seen_utc, last_seen_utc,
      (SELECT count(*) FROM sample_entries s WHERE s.serial = i.serial),
      (SELECT count(*) FROM downloads d WHERE d.serial = i.serial)
    FROM instruments i ORDER BY serial)sql");
  std::vector<InstrumentRow> result;
  while (rows.step()) {
    result.push_back({rows.integer(0), rows.text(1), rows.text(2), rows.integer(3), rows.integer(4),
                      rows.integer(5), rows.integer(6)});
  }
  return result;
}

std::vector<DownloadRow> ReadDownloads(Archive& archive, std::optional<std::int64_t> serial) {
  Statement rows(archive.db.get(), R"sql(
    SELECT uid, serial, started_utc, ended_utc, host, tool_version, firmware, instrument_clock,
      clock_read_utc, clock_offset_s, clock_round_trip_ms, samples_new, samples_updated,
      samples_unchanged, diagnostics_new, completed
    FROM downloads WHERE ?1 IS NULL OR serial = ?1 ORDER BY started_utc, uid)sql");
  rows.bind(1, serial);
  std::vector<DownloadRow> result;
  const auto optional = [&rows](int column) -> std::optional<std::int64_t> {
    if (rows.is_null(column)) return std::nullopt;
    return rows.integer(column);
  };
  while (rows.step()) {
    DownloadRow row;
    row.uid = rows.text(0);
    row.serial = rows.integer(1);
    row.started_utc = rows.integer(2);
    row.ended_utc = optional(3);
    row.host = rows.text(4);
    row.tool_version = rows.text(5);
    row.firmware = rows.text(6);
    row.instrument_clock = optional(7);
    row.clock_read_utc = rows.integer(8);
    row.clock_offset_s = optional(9);
    row.clock_round_trip_ms = rows.integer(10);
    row.counts = {rows.integer(11), rows.integer(12), rows.integer(13), rows.integer(14)};
    row.completed = rows.integer(15) != 0;
    result.push_back(std::move(row));
  }
  return result;
}

}  // namespace tq::archive
