// Merging archives. Downloads are matched by their text id, entries by their keys (epochs
// are named by content, so two laptops name them alike).
#include <map>

#include "archive/decode.h"
#include "archive/maintenance.h"

namespace tq::archive {
namespace {

// Downloads in a total order every archive agrees on: start time, then id text.
using DownloadOrder = std::pair<std::int64_t, std::string>;

std::map<std::int64_t, DownloadOrder> DownloadOrders(sqlite3* db, const char* schema) {
  std::map<std::int64_t, DownloadOrder> orders;
  Statement query(db, std::string("SELECT id, started_utc, uid FROM ") + schema + ".downloads");
  while (query.step()) orders[query.integer(0)] = {query.integer(1), query.text(2)};
  return orders;
}

bool MergeInstruments(sqlite3* db) {
  // The later sighting gives the name and the current epoch.
  return execute(db, R"sql(
    INSERT INTO main.instruments
    SELECT * FROM other.instruments WHERE true
    ON CONFLICT (serial) DO UPDATE SET
      device_type = CASE WHEN excluded.last_seen_utc > last_seen_utc THEN excluded.device_type ELSE device_type END,
      device_text = CASE WHEN excluded.last_seen_utc > last_seen_utc THEN excluded.device_text ELSE device_text END,
      name = CASE WHEN excluded.last_seen_utc > last_seen_utc THEN excluded.name ELSE name END,
      sample_epoch = CASE WHEN excluded.last_seen_utc > last_seen_utc THEN excluded.sample_epoch
                          WHEN excluded.last_seen_utc < last_seen_utc THEN sample_epoch
                          ELSE max(coalesce(sample_epoch, excluded.sample_epoch), coalesce(excluded.sample_epoch, sample_epoch)) END,
      first_seen_utc = min(first_seen_utc, excluded.first_seen_utc),
      last_seen_utc = max(last_seen_utc, excluded.last_seen_utc);
  )sql");
}

bool MergeDownloads(sqlite3* db, MergeCounts& counts) {
  Statement before(db, "SELECT count(*) FROM main.downloads");
  if (!before.step()) return false;
  const std::int64_t had = before.integer(0);
  const bool merged = execute(db, R"sql(
    INSERT INTO main.downloads (uid, serial, started_utc, ended_utc, host, tool_version,
      firmware, instrument_clock, clock_read_utc, clock_offset_s, clock_round_trip_ms,
      samples_new, samples_updated, samples_unchanged, diagnostics_new, completed)
    SELECT uid, serial, started_utc, ended_utc, host, tool_version, firmware, instrument_clock,
      clock_read_utc, clock_offset_s, clock_round_trip_ms, samples_new, samples_updated,
      samples_unchanged, diagnostics_new, completed
    FROM other.downloads WHERE true
    ON CONFLICT (uid) DO UPDATE SET ended_utc = max(coalesce(ended_utc, excluded.ended_utc),
        coalesce(excluded.ended_utc, ended_utc)),
      completed = max(completed, excluded.completed);
  )sql");
  Statement after(db, "SELECT count(*) FROM main.downloads");
  if (!merged || !after.step()) return false;
  counts.downloads_new = after.integer(0) - had;
  return true;
}

bool MergeSamples(sqlite3* db, MergeCounts& counts) {
  std::map<std::string, std::int64_t> local_ids;
  {
    Statement ids(db, "SELECT uid, id FROM main.downloads");
    while (ids.step()) local_ids[ids.text(0)] = ids.integer(1);
  }
  const auto local_orders = DownloadOrders(db, "main");
  const auto other_orders = DownloadOrders(db, "other");
  const auto local_of = [&](std::int64_t other_id) {
    return local_ids.at(other_orders.at(other_id).second);
  };
  const auto earlier = [&](std::int64_t a, std::int64_t b) {
    return local_orders.at(a) < local_orders.at(b) ? a : b;
  };
  Statement entries(db,
                    "SELECT serial, epoch, entry_index, raw, first_download, last_download "
                    "FROM other.sample_entries");
  Statement held(db,
                 "SELECT raw, first_download, last_download FROM main.sample_entries "
                 "WHERE serial = ?1 AND epoch = ?2 AND entry_index = ?3");
  Statement put(db, R"sql(
    INSERT OR REPLACE INTO main.sample_entries (serial, epoch, entry_index, raw, cartridge_id,
      treatment, stop_reason, start_time, duration_s, volume_l, max_pressure_bar,
      first_download, last_download)
    VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13))sql");
  while (entries.step()) {
    const SampleRaw raw = ToSampleRaw(entries.blob(3));
    std::int64_t first = local_of(entries.integer(4));
    std::int64_t last = local_of(entries.integer(5));
    SampleRaw keep = raw;
    held.reset();
    held.bind(1, entries.integer(0)).bind(2, entries.integer(1)).bind(3, entries.integer(2));
    if (held.step()) {
      const SampleRaw mine = ToSampleRaw(held.blob(0));
      const std::int64_t my_first = held.integer(1);
      const std::int64_t my_last = held.integer(2);
      first = earlier(first, my_first);
      if (mine == raw) {
        last = earlier(last, my_last);
      } else if (earlier(last, my_last) == last) {
        keep = mine;  // ours is the later state
        last = my_last;
      }
      if (keep == mine && first == my_first && last == my_last) continue;
      if (keep != mine) ++counts.samples_updated;
    } else {
      ++counts.samples_new;
    }
    put.reset();
    put.bind(1, entries.integer(0)).bind(2, entries.integer(1)).bind(3, entries.integer(2));
    BindSample(put, 4, keep).bind(12, first).bind(13, last);
    if (!put.run()) return false;
  }
  return !entries.failed();
}

bool MergeDiagnostics(sqlite3* db, MergeCounts& counts) {
  Statement entries(db, R"sql(
    SELECT o.serial, diagnostic_epoch(o.raw), o.counter, o.raw, o.function, o.line, o.task_id,
      o.severity, o.message, m.id FROM other.diagnostic_entries o
    JOIN other.downloads d ON d.id = o.first_download JOIN main.downloads m ON m.uid = d.uid)sql");
  Statement put(db, R"sql(
    INSERT INTO main.diagnostic_entries (serial, epoch, counter, raw, function, line, task_id,
      severity, message, first_download)
    VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)
    ON CONFLICT (serial, epoch, counter) DO UPDATE SET first_download = excluded.first_download
    WHERE raw = excluded.raw
      AND (SELECT started_utc, uid FROM main.downloads WHERE id = excluded.first_download)
        < (SELECT started_utc, uid FROM main.downloads WHERE id = first_download))sql");
  Statement total(db, "SELECT count(*) FROM main.diagnostic_entries");
  const std::int64_t had = total.step() ? total.integer(0) : 0;
  while (entries.step()) {
    put.reset();
    put.bind(1, entries.integer(0))
        .bind(2, entries.integer(1))
        .bind(3, entries.integer(2))
        .bind(4, entries.blob(3))
        .bind(5, entries.text(4))
        .bind(6, entries.integer(5))
        .bind(7, entries.integer(6))
        .bind(8, entries.integer(7))
        .bind(9, entries.text(8))
        .bind(10, entries.integer(9));
    if (!put.run()) return false;
  }
  total.reset();
  if (entries.failed() || !total.step()) return false;
  counts.diagnostics_new = total.integer(0) - had;
  return true;
}

}  // namespace

std::optional<MergeCounts> MergeArchive(Archive& archive, const std::string& other_path,
                                        std::string* error) {
  {
    // Brings the other file to this version first (and refuses what is not an archive).
    auto other = OpenArchive(other_path, error, /*create=*/false);
    if (!other) return std::nullopt;
  }
  sqlite3* db = archive.db.get();
  Statement attach(db, "ATTACH DATABASE ?1 AS other");
  if (!attach.bind(1, other_path).run()) {
    *error = "cannot read " + other_path + ": " + last_error(db);
    return std::nullopt;
  }
  MergeCounts counts;
  bool merged = false;
  {
    Transaction transaction(db);
    merged = transaction.ok() && MergeInstruments(db) && MergeDownloads(db, counts) &&
             MergeSamples(db, counts) && MergeDiagnostics(db, counts) && transaction.commit();
    if (!merged) *error = "cannot merge " + other_path + ": " + last_error(db);
  }
  (void)execute(db, "DETACH DATABASE other");
  if (!merged) return std::nullopt;
  return counts;
}

}  // namespace tq::archive
