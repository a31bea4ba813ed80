// The archive's tables, and opening a file: created when new, upgraded when older.
#include <string_view>

#include "archive/archive.h"

namespace tq::archive {
namespace {

// Version 1. Times are seconds since 1970 (the computer's UTC, or the instrument's clock
// where named so); a sample entry's decoded fields sit beside its raw bytes, so `verify`
// can check one against the other.
constexpr std::string_view kSchemaV1 = R"sql(
CREATE TABLE instruments (
  serial INTEGER PRIMARY KEY,
  device_type INTEGER NOT NULL,
  device_text TEXT NOT NULL,
  name TEXT NOT NULL,
  first_seen_utc INTEGER NOT NULL,
  last_seen_utc INTEGER NOT NULL,
  sample_epoch INTEGER,      -- the epoch the instrument's sample log is in, as last seen
  diagnostic_epoch INTEGER   -- the same for its diagnostic log (unused since version 3)
);
CREATE TABLE downloads (
  id INTEGER PRIMARY KEY,
  uid TEXT NOT NULL UNIQUE,
  serial INTEGER NOT NULL REFERENCES instruments(serial),
  started_utc INTEGER NOT NULL,
  ended_utc INTEGER,
  host TEXT NOT NULL,
  tool_version TEXT NOT NULL,
  firmware TEXT NOT NULL,
  instrument_clock INTEGER,          -- the instrument's clock read at the start
  clock_read_utc INTEGER NOT NULL,   -- the computer's UTC at that read
  clock_offset_s INTEGER,            -- instrument minus UTC
  clock_round_trip_ms INTEGER NOT NULL,
  samples_new INTEGER NOT NULL DEFAULT 0,
  samples_updated INTEGER NOT NULL DEFAULT 0,
  samples_unchanged INTEGER NOT NULL DEFAULT 0,
  diagnostics_new INTEGER NOT NULL DEFAULT 0,
  completed INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX downloads_by_serial ON downloads(serial, started_utc);
CREATE TABLE sample_entries (
  serial INTEGER NOT NULL,
  epoch INTEGER NOT NULL,            -- instrument time of the epoch's first entry
  entry_index INTEGER NOT NULL,
  raw BLOB NOT NULL CHECK (length(raw) = 34),
  cartridge_id INTEGER NOT NULL,
  treatment INTEGER NOT NULL,
  stop_reason INTEGER NOT NULL,
  start_time INTEGER NOT NULL,       -- instrument clock
  duration_s INTEGER NOT NULL,
  volume_l REAL NOT NULL,
  max_pressure_bar REAL NOT NULL,
  first_download INTEGER NOT NULL REFERENCES downloads(id),
  last_download INTEGER NOT NULL REFERENCES downloads(id),
  PRIMARY KEY (serial, epoch, entry_index)
) WITHOUT ROWID;
CREATE TABLE diagnostic_entries (
  serial INTEGER NOT NULL,
  epoch INTEGER NOT NULL,
  counter INTEGER NOT NULL,
  raw BLOB NOT NULL CHECK (length(raw) = 114),
  function TEXT NOT NULL,
  line INTEGER NOT NULL,
  task_id INTEGER NOT NULL,
  severity INTEGER NOT NULL,
  message TEXT NOT NULL,
  first_download INTEGER NOT NULL REFERENCES downloads(id),
  PRIMARY KEY (serial, epoch, counter)
) WITHOUT ROWID;
)sql";

// Version 2: what was pushed to which fleet database. Every sample and diagnostic entry
// gets a change number from one counter whenever it is written (by collect or merge, through
// triggers, so no writer can forget it); a push sends the entries changed after the number
// it reached last time. Entries already held are numbered in key order.
constexpr std::string_view kSchemaV2 = R"sql(
CREATE TABLE change_counter (value INTEGER NOT NULL);
ALTER TABLE sample_entries ADD COLUMN change_seq INTEGER NOT NULL DEFAULT 0;
ALTER TABLE diagnostic_entries ADD COLUMN change_seq INTEGER NOT NULL DEFAULT 0;
UPDATE sample_entries SET change_seq = numbered.n
  FROM (SELECT serial, epoch, entry_index,
               row_number() OVER (ORDER BY serial, epoch, entry_index) AS n
        FROM sample_entries) AS numbered
  WHERE sample_entries.serial = numbered.serial AND sample_entries.epoch = numbered.epoch
    AND sample_entries.entry_index = numbered.entry_index;
UPDATE diagnostic_entries SET change_seq = numbered.n + (SELECT count(*) FROM sample_entries)
  FROM (SELECT serial, epoch, counter,
               row_number() OVER (ORDER BY serial, epoch, counter) AS n
        FROM diagnostic_entries) AS numbered
  WHERE diagnostic_entries.serial = numbered.serial AND diagnostic_entries.epoch = numbered.epoch
    AND diagnostic_entries.counter = numbered.counter;
INSERT INTO change_counter
  SELECT (SELECT count(*) FROM sample_entries) + (SELECT count(*) FROM diagnostic_entries);
CREATE INDEX sample_entries_by_change ON sample_entries(change_seq);
CREATE INDEX diagnostic_entries_by_change ON diagnostic_entries(change_seq);
CREATE TRIGGER sample_entry_added AFTER INSERT ON sample_entries BEGIN
  UPDATE change_counter SET value = value + 1;
  UPDATE sample_entries SET change_seq = (SELECT value FROM change_counter)
    WHERE serial = NEW.serial AND epoch = NEW.epoch AND entry_index = NEW.entry_index;
END;
CREATE TRIGGER sample_entry_changed
  AFTER UPDATE OF raw, first_download, last_download ON sample_entries BEGIN
  UPDATE change_counter SET value = value + 1;
  UPDATE sample_entries SET change_seq = (SELECT value FROM change_counter)
    WHERE serial = NEW.serial AND epoch = NEW.epoch AND entry_index = NEW.entry_index;
END;
CREATE TRIGGER diagnostic_entry_added AFTER INSERT ON diagnostic_entries BEGIN
  UPDATE change_counter SET value = value + 1;
  UPDATE diagnostic_entries SET change_seq = (SELECT value FROM change_counter)
    WHERE serial = NEW.serial AND epoch = NEW.epoch AND counter = NEW.counter;
END;
CREATE TRIGGER diagnostic_entry_changed AFTER UPDATE OF raw, first_download ON diagnostic_entries
BEGIN
  UPDATE change_counter SET value = value + 1;
  UPDATE diagnostic_entries SET change_seq = (SELECT value FROM change_counter)
    WHERE serial = NEW.serial AND epoch = NEW.epoch AND counter = NEW.counter;
END;
CREATE TABLE pushes (
  database_id TEXT PRIMARY KEY,      -- the fleet database's own id, not its address
  destination TEXT NOT NULL,         -- user@host:port/database, never a password
  samples_through INTEGER NOT NULL DEFAULT 0,      -- change_seq sent and committed
  diagnostics_through INTEGER NOT NULL DEFAULT 0,
  last_push_utc INTEGER NOT NULL
);
)sql";

// Version 3: a diagnostic entry's epoch is named by its bytes (diagnostic_epoch, below),
// no longer numbered per archive. An entry held under two numbers is kept once, with its
// earliest download. What was pushed is not sent again: the fleet database renames what
// it holds the same way when it is upgraded. instruments.diagnostic_epoch is left empty and
// unused: SQLite 3.40 cannot drop a column whose definition a comment follows.
constexpr std::string_view kSchemaV3 = R"sql(
DELETE FROM diagnostic_entries AS d WHERE EXISTS (
  SELECT 1 FROM diagnostic_entries AS k
  JOIN downloads AS kd ON kd.id = k.first_download
  JOIN downloads AS dd ON dd.id = d.first_download
  WHERE k.serial = d.serial AND k.counter = d.counter AND k.raw = d.raw
    AND (kd.started_utc, kd.uid, k.epoch) < (dd.started_utc, dd.uid, d.epoch));
UPDATE diagnostic_entries SET epoch = diagnostic_epoch(raw);
UPDATE instruments SET diagnostic_epoch = NULL;
)sql";

// Each step takes a file from version i to i + 1; step 0 makes a new file.
constexpr std::string_view kUpgrades[] = {kSchemaV1, kSchemaV2, kSchemaV3};
static_assert(std::size(kUpgrades) == kSchemaVersion);

std::int64_t UserVersion(sqlite3* db) {
  Statement query(db, "PRAGMA user_version");
  return query.step() ? query.integer(0) : -1;
}

void DiagnosticEpochFunction(sqlite3_context* context, int /*count*/, sqlite3_value** values) {
  const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_value_blob(values[0]));
  const auto size = static_cast<std::size_t>(sqlite3_value_bytes(values[0]));
  sqlite3_result_int64(context, DiagnosticEpoch(std::span<const std::uint8_t>(bytes, size)));
}

}  // namespace

std::optional<Archive> OpenArchive(const std::string& path, std::string* error, bool create) {
  sqlite3* raw = nullptr;
  const int opened = sqlite3_open_v2(
      path.c_str(), &raw, SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0), nullptr);
  Archive archive{DatabaseHandle(raw), path};
  const auto fail = [&](const std::string& why) -> std::optional<Archive> {
    *error = "archive " + path + ": " + why;
    return std::nullopt;
  };
  if (opened == SQLITE_CANTOPEN && !create) {
    return fail("there is no such file; check the name, or collect into it first");
  }
  if (opened != SQLITE_OK) return fail(last_error(raw));
  sqlite3* db = archive.db.get();
  // Another process collecting into the same file waits for it rather than failing.
  sqlite3_busy_timeout(db, 5000);
  // Write-ahead logging: a commit per entry costs no flush to disk, and an interrupted
  // collection still keeps every committed entry.
  if (!execute(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA foreign_keys=ON")) {
    return fail(last_error(db) + " (is it an archive?)");
  }
  // diagnostic_epoch(raw) in SQL: for the upgrade to version 3, and for merging.
  if (sqlite3_create_function(db, "diagnostic_epoch", 1,
                              SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                              DiagnosticEpochFunction, nullptr, nullptr) != SQLITE_OK) {
    return fail(last_error(db));
  }
  const std::int64_t version = UserVersion(db);
  if (version < 0) return fail(last_error(db) + " (is it an archive?)");
  if (version > kSchemaVersion) {
    return fail("made by a newer version of tarnquill-cli (archive version " +
                std::to_string(version) + "); use that version");
  }
  if (version == 0) {
    Statement tables(db, "SELECT count(*) FROM sqlite_schema");
    if (!tables.step() || tables.integer(0) != 0) {
      return fail("a database that is not an archive; give another file");
    }
  }
  for (std::int64_t step = version; step < kSchemaVersion; ++step) {
    Transaction transaction(db);
    if (!transaction.ok() || !execute(db, kUpgrades[step]) ||
        !execute(db, "PRAGMA user_version=" + std::to_string(step + 1)) || !transaction.commit()) {
      return fail("cannot bring it to version " + std::to_string(step + 1) + ": " + last_error(db));
    }
  }
  return archive;
}

}  // namespace tq::archive
