// What a push to a fleet database reads from the archive and keeps in it: the entries
// written since the last push to that database (by their change number), and how far each
// database has been sent. The database is named by its own id, so the same server reached
// under another address is still the same destination.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "archive/archive.h"

namespace tq::archive {

struct PushedInstrument {
  std::int64_t serial = 0;
  std::int64_t device_type = 0;
  std::string device_text;
  std::string name;
  std::int64_t first_seen_utc = 0;
  std::int64_t last_seen_utc = 0;
};

// Every instrument: few, so a push sends them all and the database keeps what is new. The
// downloads go the same way, read by ReadDownloads (archive/samples.h), since a download's
// row changes as it ends.
[[nodiscard]] std::vector<PushedInstrument> AllInstruments(Archive& archive);

struct PushedSample {
  std::int64_t change = 0;  // change_seq
  std::int64_t serial = 0;
  std::int64_t epoch = 0;
  std::int64_t index = 0;
  std::vector<std::uint8_t> raw;
  std::int64_t cartridge_id = 0;
  std::int64_t treatment = 0;
  std::int64_t stop_reason = 0;
  std::int64_t start_time = 0;  // instrument clock, seconds since 1970
  std::int64_t duration_s = 0;
  double volume_l = 0;
  double max_pressure_bar = 0;
  std::string first_download;  // download ids (uid)
  std::string last_download;
};

struct PushedDiagnostic {
  std::int64_t change = 0;
  std::int64_t serial = 0;
  std::int64_t epoch = 0;
  std::int64_t counter = 0;
  std::vector<std::uint8_t> raw;
  std::string function;
  std::int64_t line = 0;
  std::int64_t task_id = 0;
  std::int64_t severity = 0;
  std::string message;
  std::string first_download;
};

// How far a database has been sent: entries with a change number above these are not there.
struct PushMark {
  std::int64_t samples_through = 0;
  std::int64_t diagnostics_through = 0;
};
[[nodiscard]] PushMark PushedThrough(Archive& archive, const std::string& database_id);

// Records that everything up to `mark` reached the database; false on a database error.
[[nodiscard]] bool RecordPushed(Archive& archive, const std::string& database_id,
                                const std::string& destination, const PushMark& mark,
                                std::int64_t now_utc);

// The change number of the newest write. Read before the downloads, it bounds the
// entries a push sends to those whose downloads it sent (a collection running meanwhile
// adds its download first and its entries after).
[[nodiscard]] std::int64_t LatestChange(Archive& archive);

// Up to `limit` entries changed after `after` and no later than `through`, in order of
// their change number.
[[nodiscard]] std::vector<PushedSample> SamplesChangedAfter(Archive& archive, std::int64_t after,
                                                            std::int64_t through,
                                                            std::size_t limit);
[[nodiscard]] std::vector<PushedDiagnostic> DiagnosticsChangedAfter(Archive& archive,
                                                                    std::int64_t after,
                                                                    std::int64_t through,
                                                                    std::size_t limit);

}  // namespace tq::archive
