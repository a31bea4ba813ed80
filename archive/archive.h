// The archive: one SQLite file holding every sample-log and diagnostic-log entry ever
// collected, each with its raw bytes, the download that first saw it and the instrument
// it came from. This module owns the file format; nothing else writes to it.
//
// Keys. An instrument is its serial number. A download has a text id made where it ran
// (its start time, the serial and a random part), so archives from two laptops merge
// without clashes. A sample entry is (serial, epoch, index): its epoch is named by the
// instrument time of the epoch's first entry, so two archives that saw the same log name
// it alike. A diagnostic entry is (serial, epoch, counter). Its entries carry no time, and
// every restart logs the same first entries, so no name for a run of them would come out
// alike on laptops that saw different parts of it: each diagnostic entry's epoch is named
// by the entry's own bytes (DiagnosticEpoch), and any laptop that reads it keys it alike.
//
// Threads: an Archive is used by one thread at a time.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "archive/sqlite.h"
#include "link/records.h"

namespace tq::archive {

inline constexpr int kSchemaVersion = 3;

struct Archive {
  DatabaseHandle db;
  std::string path;
};

// Opens the archive at `path` and brings an older schema up to kSchemaVersion; a missing
// file is created (not its folder) when `create`, else refused. Nothing, with *error saying
// why, for a file that is not an archive or was made by a newer version of the tool.
[[nodiscard]] std::optional<Archive> OpenArchive(const std::string& path, std::string* error,
                                                 bool create = true);

using SampleRaw = std::array<std::uint8_t, kSampleLogEntrySize>;
using DiagnosticRaw = std::array<std::uint8_t, kDiagnosticLogEntrySize>;

// What a collection learnt of the instrument before reading its logs.
struct DownloadStart {
  std::string uid;  // MakeDownloadUid
  std::uint16_t serial = 0;
  std::uint16_t device_type = 0;
  std::string device_text;  // DeviceTypeName
  std::string name;         // UTF-8
  std::string firmware;     // UTF-8
  std::string host;
  std::string tool_version;
  std::int64_t started_utc = 0;                  // the computer's clock, seconds since 1970
  std::optional<std::int64_t> instrument_clock;  // nothing when not a real date
  std::int64_t clock_read_utc = 0;               // the computer's clock at that read
  std::int64_t clock_round_trip_ms = 0;          // how long the read took
};

// "20261208T103000Z-1001-3f9a2c": when, which instrument, and `random` (24 bits used).
[[nodiscard]] std::string MakeDownloadUid(std::int64_t started_utc, std::uint16_t serial,
                                          std::uint32_t random);

// Instrument time minus the computer's UTC, seconds; nothing without a real clock.
[[nodiscard]] std::optional<std::int64_t> ClockOffset(const DownloadStart& start);

// Records the instrument and a download that has begun (not completed). Its local id.
[[nodiscard]] std::optional<std::int64_t> BeginDownload(Archive& archive,
                                                        const DownloadStart& start,
                                                        std::string* error);
[[nodiscard]] bool EndDownload(Archive& archive, std::int64_t download, std::int64_t ended_utc,
                               bool completed, std::string* error);

// What one download did, as kept in its row.
struct DownloadCounts {
  std::int64_t samples_new = 0;
  std::int64_t samples_updated = 0;
  std::int64_t samples_unchanged = 0;
  std::int64_t diagnostics_new = 0;
};
[[nodiscard]] DownloadCounts CountsOf(Archive& archive, std::int64_t download);

// ---- The sample log --------------------------------------------------------------------

// A sample is the same sample when its start time and cartridge ID are.
[[nodiscard]] bool SameSample(const SampleRaw& a, const SampleRaw& b);

// Where the archive stands for one instrument's sample log: its current epoch and how
// many entries of it it holds, with the newest one.
struct SamplePosition {
  std::optional<std::int64_t> epoch;
  std::uint32_t count = 0;
  std::optional<SampleRaw> newest;
};
[[nodiscard]] SamplePosition CurrentSamples(Archive& archive, std::uint16_t serial);

// The epoch a log whose entry 0 is `first` belongs to: an epoch already held whose entry 0
// is that sample, else a new one named by its start time (one later when another epoch
// has that name already).
[[nodiscard]] std::int64_t EpochFor(Archive& archive, std::uint16_t serial, const SampleRaw& first);

enum class Stored { kNew, kUpdated, kUnchanged, kFailed };

// Keeps one entry, committed at once with the download's counts: new when the key is
// not held, updated when it holds the same sample in another state, unchanged when the
// bytes are equal. Makes `epoch` the instrument's current one.
[[nodiscard]] Stored StoreSample(Archive& archive, std::int64_t download, std::uint16_t serial,
                                 std::int64_t epoch, std::uint32_t index, const SampleRaw& raw);

// Counts entries held and found unchanged without reading them (the log continues).
[[nodiscard]] bool CountUnchanged(Archive& archive, std::int64_t download, std::int64_t count);

// ---- The diagnostic log ----------------------------------------------------------------

// The epoch a diagnostic entry is named by: the first 8 bytes of the SHA-256 of its raw
// bytes, big-endian, the top bit cleared. The fleet database computes the same name.
[[nodiscard]] std::int64_t DiagnosticEpoch(std::span<const std::uint8_t> raw);

// Keeps an entry the archive lacks: kNew, kUnchanged when it holds it already, kFailed on
// a database error.
[[nodiscard]] Stored StoreDiagnostic(Archive& archive, std::int64_t download, std::uint16_t serial,
                                     const DiagnosticRaw& raw);

}  // namespace tq::archive
