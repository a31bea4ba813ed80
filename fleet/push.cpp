// The push: instruments and downloads first (entries refer to them), then sample entries,
// then diagnostic entries, each batch in key order (so concurrent pushers take row locks
// in one order) and in one transaction, run again after a deadlock or serialization
// failure. Rows go through a temporary staging table (COPY) into one INSERT ... SELECT.
#include "fleet/push.h"

#include <chrono>
#include <random>
#include <thread>

#include "archive/pushed.h"
#include "archive/samples.h"
#include "fleet/copy_rows.h"
#include "fleet/schema.h"

namespace tq::fleet {
namespace {

constexpr std::string_view kStagingTables = R"sql(
CREATE TEMP TABLE IF NOT EXISTS stage_instruments (serial integer, device_type integer,
  device_text text, name text, first_seen bigint, last_seen bigint) ON COMMIT DELETE ROWS;
CREATE TEMP TABLE IF NOT EXISTS stage_downloads (uid text, serial integer, started bigint,
  ended bigint, host text, tool_version text, firmware text, instrument_clock bigint,
  clock_read bigint, clock_offset_s bigint, clock_round_trip_ms bigint, samples_new bigint,
  samples_updated bigint, samples_unchanged bigint, diagnostics_new bigint, completed boolean)
  ON COMMIT DELETE ROWS;
CREATE TEMP TABLE IF NOT EXISTS stage_samples (serial integer, epoch bigint, entry_index integer,
  raw bytea, cartridge_id integer, treatment smallint, stop_reason smallint, start_time bigint,
  duration_s bigint, volume_l double precision, max_pressure_bar double precision,
  first_download text, last_download text) ON COMMIT DELETE ROWS;
CREATE TEMP TABLE IF NOT EXISTS stage_diagnostics (serial integer, epoch bigint, counter integer,
  raw bytea, function text, line integer, task_id smallint, severity smallint, message text,
  first_download text) ON COMMIT DELETE ROWS;
)sql";

// Each upsert answers one row per row it wrote: true when added, false when updated.
// An instrument's texts come from its later sighting.
constexpr std::string_view kUpsertInstruments = R"sql(
INSERT INTO tarnquill.instruments AS t
SELECT serial, device_type, device_text, name, to_timestamp(first_seen), to_timestamp(last_seen)
FROM pg_temp.stage_instruments ORDER BY serial
ON CONFLICT (serial) DO UPDATE SET
  device_type = CASE WHEN excluded.last_seen > t.last_seen THEN excluded.device_type ELSE t.device_type END,
  device_text = CASE WHEN excluded.last_seen > t.last_seen THEN excluded.device_text ELSE t.device_text END,
  name = CASE WHEN excluded.last_seen > t.last_seen THEN excluded.name ELSE t.name END,
  first_seen = least(t.first_seen, excluded.first_seen),
  last_seen = greatest(t.last_seen, excluded.last_seen)
WHERE excluded.last_seen > t.last_seen OR excluded.first_seen < t.first_seen
RETURNING xmax = 0)sql";

// A download's row grows as it ends: the later end, completion and counts win.
constexpr std::string_view kUpsertDownloads = R"sql(
INSERT INTO tarnquill.downloads AS t
SELECT uid, serial, to_timestamp(started), to_timestamp(ended), host, tool_version, firmware,
  to_timestamp(instrument_clock) AT TIME ZONE 'UTC', to_timestamp(clock_read), clock_offset_s,
  clock_round_trip_ms, samples_new, samples_updated, samples_unchanged, diagnostics_new, completed
FROM pg_temp.stage_downloads ORDER BY uid
ON CONFLICT (uid) DO UPDATE SET
  ended = greatest(t.ended, excluded.ended),
  completed = t.completed OR excluded.completed,
  samples_new = greatest(t.samples_new, excluded.samples_new),
  samples_updated = greatest(t.samples_updated, excluded.samples_updated),
  samples_unchanged = greatest(t.samples_unchanged, excluded.samples_unchanged),
  diagnostics_new = greatest(t.diagnostics_new, excluded.diagnostics_new)
WHERE (t.ended, t.completed, t.samples_new, t.samples_updated, t.samples_unchanged,
       t.diagnostics_new) IS DISTINCT FROM
      (greatest(t.ended, excluded.ended), t.completed OR excluded.completed,
       greatest(t.samples_new, excluded.samples_new),
       greatest(t.samples_updated, excluded.samples_updated),
       greatest(t.samples_unchanged, excluded.samples_unchanged),
       greatest(t.diagnostics_new, excluded.diagnostics_new))
RETURNING xmax = 0)sql";

// A sample's state is its bytes and decoded fields. Of two states the one from the later
// download wins (ids sort by time); of two sightings of one state, the earlier download is
// kept as first and last, as a merge of the archives would keep them.
constexpr std::string_view kUpsertSamples = R"sql(
INSERT INTO tarnquill.sample_entries AS t
SELECT serial, epoch, entry_index, raw, cartridge_id, treatment, stop_reason,
  to_timestamp(start_time) AT TIME ZONE 'UTC', duration_s, volume_l, max_pressure_bar,
  first_download, last_download
FROM pg_temp.stage_samples ORDER BY serial, epoch, entry_index
ON CONFLICT (serial, epoch, entry_index) DO UPDATE SET
  raw = CASE WHEN @NEWER@ THEN excluded.raw ELSE t.raw END,
  cartridge_id = CASE WHEN @NEWER@ THEN excluded.cartridge_id ELSE t.cartridge_id END,
  treatment = CASE WHEN @NEWER@ THEN excluded.treatment ELSE t.treatment END,
  stop_reason = CASE WHEN @NEWER@ THEN excluded.stop_reason ELSE t.stop_reason END,
  start_time = CASE WHEN @NEWER@ THEN excluded.start_time ELSE t.start_time END,
  duration_s = CASE WHEN @NEWER@ THEN excluded.duration_s ELSE t.duration_s END,
  volume_l = CASE WHEN @NEWER@ THEN excluded.volume_l ELSE t.volume_l END,
  max_pressure_bar = CASE WHEN @NEWER@ THEN excluded.max_pressure_bar ELSE t.max_pressure_bar END,
  last_download = CASE WHEN t.raw = excluded.raw THEN least(t.last_download, excluded.last_download)
                       ELSE greatest(t.last_download, excluded.last_download) END,
  first_download = least(t.first_download, excluded.first_download)
WHERE @NEWER@ OR excluded.first_download < t.first_download
   OR (t.raw = excluded.raw AND excluded.last_download < t.last_download)
RETURNING xmax = 0)sql";

constexpr std::string_view kNewer =
    "(t.raw <> excluded.raw AND excluded.last_download > t.last_download)";

// A diagnostic entry never changes; only its first sighting may be an earlier one.
constexpr std::string_view kUpsertDiagnostics = R"sql(
INSERT INTO tarnquill.diagnostic_entries AS t
SELECT serial, epoch, counter, raw, function, line, task_id, severity, message, first_download
FROM pg_temp.stage_diagnostics ORDER BY serial, epoch, counter
ON CONFLICT (serial, epoch, counter) DO UPDATE SET
  first_download = excluded.first_download
WHERE excluded.first_download < t.first_download
RETURNING xmax = 0)sql";

std::string WithNewer(std::string_view sql) {
  std::string text(sql);
  for (std::size_t at = text.find("@NEWER@"); at != std::string::npos; at = text.find("@NEWER@")) {
    text.replace(at, 7, kNewer);
  }
  return text;
}

// One staged batch written by its upsert, the counts added to `counts`.
bool Write(PGconn* conn, std::string_view copy_sql, const CopyRows& rows, const std::string& upsert,
           KindCounts& counts, Failure* failure) {
  if (!Copy(conn, copy_sql, rows.data(), failure)) return false;
  ResultHandle written = Run(conn, upsert, failure);
  if (!written) return false;
  const int n = PQntuples(written.get());
  KindCounts batch;
  for (int row = 0; row < n; ++row) {
    (*PQgetvalue(written.get(), row, 0) == 't' ? batch.added : batch.updated) += 1;
  }
  batch.present = static_cast<std::int64_t>(rows.rows()) - n;
  counts.added += batch.added;
  counts.updated += batch.updated;
  counts.present += batch.present;
  return true;
}

class Pusher {
 public:
  Pusher(archive::Archive& archive, Connected& to, const PushOptions& options, PushResult& result)
      : archive_(archive), to_(to), conn_(to.conn.get()), options_(options), result_(result) {}

  void Run() {
    std::string error;
    const auto database_id = PrepareFleet(conn_, &error);
    if (!database_id) return Fail(error);
    database_id_ = *database_id;
    Failure failure;
    if (!RunScript(conn_, kStagingTables, &failure))
      return Fail("cannot stage: " + failure.message);
    mark_ = archive::PushedThrough(archive_, database_id_);
    if (!PushInstrumentsAndDownloads() || !PushSamples() || !PushDiagnostics()) return;
    result_.status = PushStatus::kDone;
  }

 private:
  void Fail(const std::string& error) {
    result_.status = PushStatus::kFailed;
    result_.error = error;
  }

  // Runs `work` in one transaction; again, after a short random pause, when the server
  // chose it as a deadlock's victim or could not serialize it. Counts are kept only
  // from the run that committed.
  bool InTransaction(const std::function<bool(PushCounts&, Failure*)>& work, const char* what) {
    std::mt19937 jitter(std::random_device{}());
    for (int attempt = 1;; ++attempt) {
      PushCounts counts;
      Failure failure;
      bool ok = fleet::Run(conn_, "BEGIN", &failure) != nullptr && work(counts, &failure) &&
                fleet::Run(conn_, "COMMIT", &failure) != nullptr;
      if (ok) {
        Add(counts);
        ++result_.batches;
        return true;
      }
      Failure ignored;
      fleet::Run(conn_, "ROLLBACK", &ignored);
      if (Retryable(failure) && attempt < 50) {
        ++result_.retries;
        const int pause_ms =
            std::uniform_int_distribution<int>(5, 20 * std::min(attempt, 10))(jitter);
        std::this_thread::sleep_for(std::chrono::milliseconds(pause_ms));
        continue;
      }
      if (PQstatus(conn_) == CONNECTION_BAD) {
        Fail("lost the connection to the fleet database " + to_.destination + " while sending " +
             what + " (" + failure.message +
             "); what was committed is kept: push again to send the rest");
      } else {
        Fail("the fleet database " + to_.destination + " refused the " + what + ": " +
             failure.message);
      }
      return false;
    }
  }

  void Add(const PushCounts& counts) {
    for (auto [total, part] : {std::pair{&result_.counts.instruments, &counts.instruments},
                               std::pair{&result_.counts.downloads, &counts.downloads},
                               std::pair{&result_.counts.samples, &counts.samples},
                               std::pair{&result_.counts.diagnostics, &counts.diagnostics}}) {
      total->added += part->added;
      total->updated += part->updated;
      total->present += part->present;
    }
  }

  bool Remember() {
    if (archive::RecordPushed(archive_, database_id_, to_.destination, mark_, options_.now_utc)) {
      return true;
    }
    Fail("the batch reached the fleet database, but the archive " + archive_.path +
         " could not record it: " + archive::last_error(archive_.db.get()) +
         " (the next push sends it again, harmlessly)");
    return false;
  }

  bool Interrupted() {
    if (options_.go_on()) return false;
    result_.status = PushStatus::kInterrupted;
    return true;
  }

  bool PushInstrumentsAndDownloads() {
    through_ = archive::LatestChange(archive_);
    CopyRows instruments;
    for (const auto& i : archive::AllInstruments(archive_)) {
      instruments.integer(i.serial).integer(i.device_type).text(i.device_text).text(i.name);
      instruments.integer(i.first_seen_utc).integer(i.last_seen_utc).end_row();
    }
    CopyRows downloads;
    for (const auto& d : archive::ReadDownloads(archive_, std::nullopt)) {
      downloads.text(d.uid).integer(d.serial).integer(d.started_utc).integer(d.ended_utc);
      downloads.text(d.host).text(d.tool_version).text(d.firmware).integer(d.instrument_clock);
      downloads.integer(d.clock_read_utc).integer(d.clock_offset_s).integer(d.clock_round_trip_ms);
      downloads.integer(d.counts.samples_new).integer(d.counts.samples_updated);
      downloads.integer(d.counts.samples_unchanged).integer(d.counts.diagnostics_new);
      downloads.boolean(d.completed).end_row();
    }
    if (Interrupted()) return false;
    return InTransaction(
        [&](PushCounts& counts, Failure* failure) {
          return Write(conn_, "COPY pg_temp.stage_instruments FROM STDIN", instruments,
                       std::string(kUpsertInstruments), counts.instruments, failure) &&
                 Write(conn_, "COPY pg_temp.stage_downloads FROM STDIN", downloads,
                       std::string(kUpsertDownloads), counts.downloads, failure);
        },
        "instruments and downloads");
  }

  bool PushSamples() {
    const std::string upsert = WithNewer(kUpsertSamples);
    for (;;) {
      if (Interrupted()) return false;
      const auto entries = archive::SamplesChangedAfter(archive_, mark_.samples_through, through_,
                                                        options_.batch_size);
      if (entries.empty()) return true;
      CopyRows rows;
      for (const auto& e : entries) {
        rows.integer(e.serial).integer(e.epoch).integer(e.index).bytes(e.raw);
        rows.integer(e.cartridge_id).integer(e.treatment).integer(e.stop_reason);
        rows.integer(e.start_time).integer(e.duration_s).real(e.volume_l).real(e.max_pressure_bar);
        rows.text(e.first_download).text(e.last_download).end_row();
      }
      if (!InTransaction(
              [&](PushCounts& counts, Failure* failure) {
                return Write(conn_, "COPY pg_temp.stage_samples FROM STDIN", rows, upsert,
                             counts.samples, failure);
              },
              "sample entries")) {
        return false;
      }
      mark_.samples_through = entries.back().change;
      if (!Remember()) return false;
    }
  }

  bool PushDiagnostics() {
    const std::string upsert(kUpsertDiagnostics);
    for (;;) {
      if (Interrupted()) return false;
      const auto entries = archive::DiagnosticsChangedAfter(archive_, mark_.diagnostics_through,
                                                            through_, options_.batch_size);
      if (entries.empty()) return Remember();
      CopyRows rows;
      for (const auto& e : entries) {
        rows.integer(e.serial).integer(e.epoch).integer(e.counter).bytes(e.raw).text(e.function);
        rows.integer(e.line).integer(e.task_id).integer(e.severity).text(e.message);
        rows.text(e.first_download).end_row();
      }
      if (!InTransaction(
              [&](PushCounts& counts, Failure* failure) {
                return Write(conn_, "COPY pg_temp.stage_diagnostics FROM STDIN", rows, upsert,
                             counts.diagnostics, failure);
              },
              "diagnostic entries")) {
        return false;
      }
      mark_.diagnostics_through = entries.back().change;
      if (!Remember()) return false;
    }
  }

  archive::Archive& archive_;
  Connected& to_;
  PGconn* conn_;
  const PushOptions& options_;
  PushResult& result_;
  std::string database_id_;
  archive::PushMark mark_;
  std::int64_t through_ = 0;  // entries written later wait for the next push
};

}  // namespace

PushResult PushArchive(archive::Archive& archive, Connected& to, const PushOptions& options) {
  PushResult result;
  Pusher(archive, to, options, result).Run();
  return result;
}

}  // namespace tq::fleet
