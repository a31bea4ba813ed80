// Reading the archive back for people and labs: every sample once in its newest state,
// with its provenance, as rows; CSV and the FAIRe eDNA sample sheet from those rows.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "archive/archive.h"

namespace tq::archive {

struct SampleRow {
  std::int64_t serial = 0;
  std::string name;
  std::string device_text;
  std::string firmware;  // of the download that first saw the entry
  std::int64_t epoch = 0;
  std::int64_t index = 0;
  SampleLogEntry entry;
  std::optional<std::int64_t> clock_offset_s;  // of that download
  std::string download_uid;                    // that download
};

struct SampleFilter {
  std::optional<std::int64_t> serial;
  std::optional<std::int64_t> since_utc;  // estimated UTC start at or after this
};

// In order of instrument, epoch and index.
[[nodiscard]] std::vector<SampleRow> ReadSamples(Archive& archive, const SampleFilter& filter);

// The sample's start in UTC: the instrument's time minus the clock offset the download
// that first saw it measured (the instrument's time itself when no offset is known).
[[nodiscard]] std::int64_t EstimatedUtcStart(const SampleRow& row);

// Litres per minute; nothing for a sample of no duration.
[[nodiscard]] std::optional<double> FlowRate(const SampleLogEntry& entry);

// "2026-10-07T08:44:20" (no zone) and "2026-10-07T08:44:20Z".
[[nodiscard]] std::string IsoLocal(std::int64_t seconds);
[[nodiscard]] std::string IsoUtc(std::int64_t seconds);
// "PT1H2M5S".
[[nodiscard]] std::string IsoDuration(std::uint32_t seconds);

// CSV with a header line, CR LF line ends, fields quoted where they need it.
[[nodiscard]] std::string SamplesCsv(const std::vector<SampleRow>& rows);
// The FAIRe eDNA sample sheet, one row per sample, site columns left for the lab.
[[nodiscard]] std::string SamplesFaire(const std::vector<SampleRow>& rows);

struct InstrumentRow {
  std::int64_t serial = 0;
  std::string device_text;
  std::string name;
  std::int64_t first_seen_utc = 0;
  std::int64_t last_seen_utc = 0;
  std::int64_t samples = 0;
  std::int64_t downloads = 0;
};
[[nodiscard]] std::vector<InstrumentRow> ReadInstruments(Archive& archive);

struct DownloadRow {
  std::string uid;
  std::int64_t serial = 0;
  std::int64_t started_utc = 0;
  std::optional<std::int64_t> ended_utc;
  std::string host;
  std::string tool_version;
  std::string firmware;
  std::optional<std::int64_t> instrument_clock;
  std::int64_t clock_read_utc = 0;
  std::optional<std::int64_t> clock_offset_s;
  std::int64_t clock_round_trip_ms = 0;
  DownloadCounts counts;
  bool completed = false;
};
[[nodiscard]] std::vector<DownloadRow> ReadDownloads(Archive& archive,
                                                     std::optional<std::int64_t> serial);

}  // namespace tq::archive
