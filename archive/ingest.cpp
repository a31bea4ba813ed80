// Taking entries in: downloads, the sample log's epochs and in-progress samples, the
// diagnostic log's entries named by their bytes. Each entry is committed on its own with its
// download's counts, so an interrupted collection keeps exactly what it read.
#include <cstdio>
#include <string_view>

#include "archive/archive.h"
#include "archive/decode.h"
#include "archive/sha256.h"
#include "ui/epoch.h"

namespace tq::archive {
namespace {

bool Fail(sqlite3* db, std::string* error) {
  *error = last_error(db);
  return false;
}

bool AddToCount(sqlite3* db, std::int64_t download, std::string_view column, std::int64_t n) {
  Statement update(db, "UPDATE downloads SET " + std::string(column) + " = " + std::string(column) +
                           " + ?1 WHERE id = ?2");
  return update.bind(1, n).bind(2, download).run();
}

std::optional<SampleRaw> SampleAt(sqlite3* db, std::uint16_t serial, std::int64_t epoch,
                                  std::int64_t index) {
  Statement query(db,
                  "SELECT raw FROM sample_entries WHERE serial = ?1 AND epoch = ?2 AND "
                  "entry_index = ?3");
  query.bind(1, std::int64_t{serial}).bind(2, epoch).bind(3, index);
  if (!query.step()) return std::nullopt;
  return ToSampleRaw(query.blob(0));
}

}  // namespace

std::string MakeDownloadUid(std::int64_t started_utc, std::uint16_t serial, std::uint32_t random) {
  const auto time = epoch_breakdown(static_cast<std::uint32_t>(started_utc));
  char text[64];
  std::snprintf(text, sizeof text, "%04d%02d%02dT%02d%02d%02dZ-%u-%06x", time ? time->year : 0,
                time ? time->month : 0, time ? time->day : 0, time ? time->hour : 0,
                time ? time->minute : 0, time ? time->second : 0, unsigned{serial},
                random & 0xFFFFFFu);
  return text;
}

std::optional<std::int64_t> ClockOffset(const DownloadStart& start) {
  if (!start.instrument_clock) return std::nullopt;
  return *start.instrument_clock - start.clock_read_utc;
}

std::optional<std::int64_t> BeginDownload(Archive& archive, const DownloadStart& start,
                                          std::string* error) {
  sqlite3* db = archive.db.get();
  Transaction transaction(db);
  Statement instrument(db, R"sql(
    INSERT INTO instruments (serial, device_type, device_text, name, first_seen_utc, last_seen_utc)
    VALUES (?1, ?2, ?3, ?4, ?5, ?5)
    ON CONFLICT (serial) DO UPDATE SET device_type = ?2, device_text = ?3, name = ?4,
      last_seen_utc = max(last_seen_utc, ?5), first_seen_utc = min(first_seen_utc, ?5))sql");
  instrument.bind(1, std::int64_t{start.serial})
      .bind(2, std::int64_t{start.device_type})
      .bind(3, start.device_text)
      .bind(4, start.name)
      .bind(5, start.started_utc);
  Statement download(db, R"sql(
    INSERT INTO downloads (uid, serial, started_utc, host, tool_version, firmware,
      instrument_clock, clock_read_utc, clock_offset_s, clock_round_trip_ms)
    VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10))sql");
  download.bind(1, start.uid)
      .bind(2, std::int64_t{start.serial})
      .bind(3, start.started_utc)
      .bind(4, start.host)
      .bind(5, start.tool_version)
      .bind(6, start.firmware)
      .bind(7, start.instrument_clock)
      .bind(8, start.clock_read_utc)
      .bind(9, ClockOffset(start))
      .bind(10, start.clock_round_trip_ms);
  if (!transaction.ok() || !instrument.run() || !download.run()) {
    Fail(db, error);
    return std::nullopt;
  }
  const std::int64_t id = sqlite3_last_insert_rowid(db);
  if (!transaction.commit()) {
    Fail(db, error);
    return std::nullopt;
  }
  return id;
}

bool EndDownload(Archive& archive, std::int64_t download, std::int64_t ended_utc, bool completed,
                 std::string* error) {
  sqlite3* db = archive.db.get();
  Statement update(db, "UPDATE downloads SET ended_utc = ?1, completed = ?2 WHERE id = ?3");
  if (!update.bind(1, ended_utc).bind(2, std::int64_t{completed ? 1 : 0}).bind(3, download).run()) {
    return Fail(db, error);
  }
  return true;
}

DownloadCounts CountsOf(Archive& archive, std::int64_t download) {
  Statement query(archive.db.get(),
                  "SELECT samples_new, samples_updated, samples_unchanged, diagnostics_new "
                  "FROM downloads WHERE id = ?1");
  query.bind(1, download);
  if (!query.step()) return {};
  return {query.integer(0), query.integer(1), query.integer(2), query.integer(3)};
}

bool SameSample(const SampleRaw& a, const SampleRaw& b) {
  const SampleLogEntry x = DecodeSample(a);
  const SampleLogEntry y = DecodeSample(b);
  return x.start_time == y.start_time && x.cartridge_id == y.cartridge_id;
}

SamplePosition CurrentSamples(Archive& archive, std::uint16_t serial) {
  sqlite3* db = archive.db.get();
  SamplePosition position;
  Statement current(db, "SELECT sample_epoch FROM instruments WHERE serial = ?1");
  current.bind(1, std::int64_t{serial});
  if (!current.step() || current.is_null(0)) return position;
  position.epoch = current.integer(0);
  Statement newest(db,
                   "SELECT entry_index, raw FROM sample_entries WHERE serial = ?1 AND epoch = ?2 "
                   "ORDER BY entry_index DESC LIMIT 1");
  newest.bind(1, std::int64_t{serial}).bind(2, *position.epoch);
  if (newest.step()) {
    position.count = static_cast<std::uint32_t>(newest.integer(0) + 1);
    position.newest = ToSampleRaw(newest.blob(1));
  }
  return position;
}

std::int64_t EpochFor(Archive& archive, std::uint16_t serial, const SampleRaw& first) {
  std::int64_t epoch = DecodeSample(first).start_time;
  // Two logs whose first samples started in the same second (a clock never set) are
  // told apart by the next free name.
  for (;;) {
    const std::optional<SampleRaw> held = SampleAt(archive.db.get(), serial, epoch, 0);
    if (!held || SameSample(*held, first)) return epoch;
    ++epoch;
  }
}

Stored StoreSample(Archive& archive, std::int64_t download, std::uint16_t serial,
                   std::int64_t epoch, std::uint32_t index, const SampleRaw& raw) {
  sqlite3* db = archive.db.get();
  Transaction transaction(db);
  if (!transaction.ok()) return Stored::kFailed;
  const std::optional<SampleRaw> held = SampleAt(db, serial, epoch, index);
  Stored outcome = Stored::kNew;
  if (held) outcome = *held == raw ? Stored::kUnchanged : Stored::kUpdated;
  if (outcome != Stored::kUnchanged) {
    Statement upsert(db, R"sql(
      INSERT INTO sample_entries (serial, epoch, entry_index, raw, cartridge_id, treatment,
        stop_reason, start_time, duration_s, volume_l, max_pressure_bar, first_download,
        last_download)
      VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?12)
      ON CONFLICT (serial, epoch, entry_index) DO UPDATE SET raw = ?4, cartridge_id = ?5,
        treatment = ?6, stop_reason = ?7, start_time = ?8, duration_s = ?9, volume_l = ?10,
        max_pressure_bar = ?11, last_download = ?12)sql");
    upsert.bind(1, std::int64_t{serial}).bind(2, epoch).bind(3, std::int64_t{index});
    BindSample(upsert, 4, raw).bind(12, download);
    if (!upsert.run()) return Stored::kFailed;
  }
  const char* column = outcome == Stored::kNew       ? "samples_new"
                       : outcome == Stored::kUpdated ? "samples_updated"
                                                     : "samples_unchanged";
  Statement current(db, "UPDATE instruments SET sample_epoch = ?1 WHERE serial = ?2");
  if (!AddToCount(db, download, column, 1) ||
      !current.bind(1, epoch).bind(2, std::int64_t{serial}).run() || !transaction.commit()) {
    return Stored::kFailed;
  }
  return outcome;
}

bool CountUnchanged(Archive& archive, std::int64_t download, std::int64_t count) {
  return count <= 0 || AddToCount(archive.db.get(), download, "samples_unchanged", count);
}

std::int64_t DiagnosticEpoch(std::span<const std::uint8_t> raw) {
  const Sha256Digest digest = Sha256(raw);
  std::uint64_t name = 0;
  for (std::size_t i = 0; i < 8; ++i) name = name << 8 | digest[i];
  return static_cast<std::int64_t>(name & 0x7FFF'FFFF'FFFF'FFFFu);
}

Stored StoreDiagnostic(Archive& archive, std::int64_t download, std::uint16_t serial,
                       const DiagnosticRaw& raw) {
  sqlite3* db = archive.db.get();
  const DiagnosticLogEntry entry = DecodeDiagnostic(raw);
  Transaction transaction(db);
  if (!transaction.ok()) return Stored::kFailed;
  Statement insert(db, R"sql(
    INSERT INTO diagnostic_entries (serial, epoch, counter, raw, function, line, task_id,
      severity, message, first_download)
    VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)
    ON CONFLICT (serial, epoch, counter) DO NOTHING)sql");
  insert.bind(1, std::int64_t{serial})
      .bind(2, DiagnosticEpoch(raw))
      .bind(3, std::int64_t{entry.counter})
      .bind(4, std::span<const std::uint8_t>(raw))
      .bind(5, FieldText(entry.function))
      .bind(6, std::int64_t{entry.line})
      .bind(7, std::int64_t{entry.task_id})
      .bind(8, std::int64_t{entry.severity})
      .bind(9, FieldText(entry.message))
      .bind(10, download);
  if (!insert.run()) return Stored::kFailed;
  const bool added = sqlite3_changes(db) > 0;
  if ((added && !AddToCount(db, download, "diagnostics_new", 1)) || !transaction.commit()) {
    return Stored::kFailed;
  }
  return added ? Stored::kNew : Stored::kUnchanged;
}

}  // namespace tq::archive
