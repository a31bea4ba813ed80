// The fleet database's schema, one step per version. Keys are the archive's: an instrument
// by its serial, a download by its text id, a sample entry by (serial, epoch, index), a
// diagnostic entry by (serial, epoch, counter); raw bytes are kept beside decoded fields.
#include "fleet/schema.h"

#include <array>
#include <cstdlib>
#include <string_view>

#include "link/records.h"

namespace tq::fleet {
namespace {

// Version 1: the records. A download id begins with its UTC start, so in the C collation
// ids sort by time: the later of two states of a sample is the one with the greater id.
constexpr std::string_view kVersion1 = R"sql(
CREATE SCHEMA IF NOT EXISTS tarnquill;
CREATE TABLE tarnquill.schema_version (
  one_row boolean PRIMARY KEY DEFAULT true CHECK (one_row),
  version integer NOT NULL,
  database_id uuid NOT NULL DEFAULT gen_random_uuid(),
  upgraded_at timestamptz NOT NULL DEFAULT now()
);
INSERT INTO tarnquill.schema_version (version) VALUES (1);
CREATE TABLE tarnquill.instruments (
  serial integer PRIMARY KEY,
  device_type integer NOT NULL,
  device_text text NOT NULL,
  name text NOT NULL,
  first_seen timestamptz NOT NULL,
  last_seen timestamptz NOT NULL
);
CREATE TABLE tarnquill.downloads (
  uid text COLLATE "C" PRIMARY KEY,
  serial integer NOT NULL REFERENCES tarnquill.instruments,
  started timestamptz NOT NULL,
  ended timestamptz,
  host text NOT NULL,
  tool_version text NOT NULL,
  firmware text NOT NULL,
  instrument_clock timestamp,          -- the instrument's clock read at the start
  clock_read timestamptz NOT NULL,     -- the computer's UTC at that read
  clock_offset_s bigint,               -- instrument minus UTC
  clock_round_trip_ms bigint NOT NULL,
  samples_new bigint NOT NULL,
  samples_updated bigint NOT NULL,
  samples_unchanged bigint NOT NULL,
  diagnostics_new bigint NOT NULL,
  completed boolean NOT NULL
);
CREATE INDEX downloads_by_serial ON tarnquill.downloads (serial, started);
CREATE TABLE tarnquill.sample_entries (
  serial integer NOT NULL REFERENCES tarnquill.instruments,
  epoch bigint NOT NULL,               -- instrument time of the epoch's first entry
  entry_index integer NOT NULL,
  raw bytea NOT NULL CHECK (length(raw) = 34),
  cartridge_id integer NOT NULL,
  treatment smallint NOT NULL,
  stop_reason smallint NOT NULL,
  start_time timestamp NOT NULL,       -- instrument clock
  duration_s bigint NOT NULL,
  volume_l double precision NOT NULL,
  max_pressure_bar double precision NOT NULL,
  first_download text COLLATE "C" NOT NULL REFERENCES tarnquill.downloads,
  last_download text COLLATE "C" NOT NULL REFERENCES tarnquill.downloads,
  PRIMARY KEY (serial, epoch, entry_index)
);
CREATE TABLE tarnquill.diagnostic_entries (
  serial integer NOT NULL REFERENCES tarnquill.instruments,
  epoch bigint NOT NULL,
  counter integer NOT NULL,
  raw bytea NOT NULL CHECK (length(raw) = 114),
  function text NOT NULL,
  line integer NOT NULL,
  task_id smallint NOT NULL,
  severity smallint NOT NULL,
  message text NOT NULL,
  first_download text COLLATE "C" NOT NULL REFERENCES tarnquill.downloads,
  PRIMARY KEY (serial, epoch, counter)
);
)sql";

// Version 2: the outcome texts the program shows, and the lab's views. A season is a
// calendar year in UTC.
constexpr std::string_view kVersion2 = R"sql(
CREATE TABLE tarnquill.treatments (code smallint PRIMARY KEY, text text NOT NULL);
CREATE TABLE tarnquill.stop_reasons (
  code smallint PRIMARY KEY,
  text text NOT NULL,
  completed boolean NOT NULL
);
CREATE VIEW tarnquill.fleet_samples AS
SELECT e.serial AS instrument_serial, i.name AS instrument_name, i.device_text AS device,
  d.firmware, e.cartridge_id,
  e.start_time AS start_time_instrument,
  (e.start_time - make_interval(secs => coalesce(d.clock_offset_s, 0))) AT TIME ZONE 'UTC'
    AS start_utc,
  d.clock_offset_s,
  e.duration_s,
  (e.start_time - make_interval(secs => coalesce(d.clock_offset_s, 0))
    + make_interval(secs => e.duration_s)) AT TIME ZONE 'UTC' AS end_utc,
  e.volume_l,
  CASE WHEN e.duration_s > 0 THEN e.volume_l * 60 / e.duration_s END AS flow_rate_l_per_min,
  e.max_pressure_bar,
  coalesce(t.text, 'unknown') AS treatment,
  coalesce(s.text, 'none') AS stop_reason,
  coalesce(s.completed, false) AS completed,
  e.epoch, e.entry_index, e.first_download AS download_id, d.host
FROM tarnquill.sample_entries e
JOIN tarnquill.instruments i ON i.serial = e.serial
JOIN tarnquill.downloads d ON d.uid = e.first_download
LEFT JOIN tarnquill.treatments t ON t.code = e.treatment
LEFT JOIN tarnquill.stop_reasons s ON s.code = e.stop_reason;
CREATE VIEW tarnquill.fleet_clock AS
SELECT d.serial AS instrument_serial, i.name AS instrument_name, d.uid AS download_id,
  d.started, d.host, d.firmware, d.instrument_clock, d.clock_read, d.clock_offset_s,
  d.clock_round_trip_ms, d.completed
FROM tarnquill.downloads d
JOIN tarnquill.instruments i ON i.serial = d.serial;
CREATE VIEW tarnquill.fleet_instruments AS
SELECT i.serial AS instrument_serial, i.name AS instrument_name, i.device_text AS device,
  i.first_seen, i.last_seen,
  (SELECT d.clock_offset_s FROM tarnquill.downloads d
    WHERE d.serial = i.serial AND d.clock_offset_s IS NOT NULL
    ORDER BY d.started DESC LIMIT 1) AS last_clock_offset_s,
  count(s.start_utc) FILTER (WHERE s.start_utc >= season.start) AS samples_this_season,
  count(s.start_utc) FILTER (WHERE s.start_utc >= season.start AND NOT s.completed)
    AS not_completed_this_season,
  count(s.start_utc) AS samples_total
FROM tarnquill.instruments i
CROSS JOIN (SELECT date_trunc('year', now() AT TIME ZONE 'UTC') AT TIME ZONE 'UTC' AS start)
  AS season
LEFT JOIN tarnquill.fleet_samples s ON s.instrument_serial = i.serial
GROUP BY i.serial, season.start;
)sql";

// Version 3: a diagnostic entry's epoch is named by its bytes, as the archive names it
// (the first 8 bytes of their SHA-256, the top bit cleared), no longer numbered by each
// archive. What the database holds is renamed in place, an entry held under two numbers
// kept once with its earliest download; the check then refuses a row keyed the old way
// (a push by an older tool that was under way meanwhile).
constexpr std::string_view kVersion3 = R"sql(
CREATE FUNCTION tarnquill.diagnostic_epoch(raw bytea) RETURNS bigint
  LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE
  RETURN ('x' || encode(substr(sha256(raw), 1, 8), 'hex'))::bit(64)::bigint
    & 9223372036854775807;
LOCK TABLE tarnquill.diagnostic_entries IN SHARE ROW EXCLUSIVE MODE;
DELETE FROM tarnquill.diagnostic_entries AS d USING tarnquill.diagnostic_entries AS k
WHERE k.serial = d.serial AND k.counter = d.counter AND k.raw = d.raw
  AND (k.first_download, k.epoch) < (d.first_download, d.epoch);
UPDATE tarnquill.diagnostic_entries SET epoch = tarnquill.diagnostic_epoch(raw);
ALTER TABLE tarnquill.diagnostic_entries ADD CONSTRAINT diagnostic_epoch_names_the_entry
  CHECK (epoch = tarnquill.diagnostic_epoch(raw));
)sql";

constexpr std::array kSteps{kVersion1, kVersion2, kVersion3};
static_assert(kSteps.size() == kFleetSchemaVersion);

// The outcome texts as the program shows them, written when the views are made or upgraded.
bool WriteOutcomeTexts(PGconn* conn, Failure* failure) {
  for (const CodeName& code : kTreatmentNames) {
    if (!Run(conn,
             "INSERT INTO tarnquill.treatments VALUES ($1, $2) ON CONFLICT (code) DO UPDATE "
             "SET text = excluded.text WHERE tarnquill.treatments.text <> excluded.text",
             failure, {std::to_string(code.code), std::string(code.name)})) {
      return false;
    }
  }
  for (const CodeName& code : kStopReasonNames) {
    const std::string name(code.name);
    if (!Run(conn,
             "INSERT INTO tarnquill.stop_reasons VALUES ($1, $2, $3) ON CONFLICT (code) DO "
             "UPDATE SET text = excluded.text, completed = excluded.completed "
             "WHERE tarnquill.stop_reasons.text <> excluded.text",
             failure, {std::to_string(code.code), name, name == "complete" ? "true" : "false"})) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::optional<std::string> PrepareFleet(PGconn* conn, std::string* error, int version) {
  Failure failure;
  const auto fail = [&](const std::string& what) -> std::optional<std::string> {
    Run(conn, "ROLLBACK", &failure);
    *error = what;
    return std::nullopt;
  };
  if (!Run(conn, "BEGIN", &failure)) return fail("cannot begin: " + failure.message);
  // One preparer at a time; the others find the work done when they get the lock.
  if (!Run(conn, "SELECT pg_advisory_xact_lock(hashtext('tarnquill schema'))", &failure)) {
    return fail("cannot lock the schema: " + failure.message);
  }
  ResultHandle exists =
      Run(conn, "SELECT to_regclass('tarnquill.schema_version') IS NOT NULL", &failure);
  ResultHandle current;
  if (exists && *PQgetvalue(exists.get(), 0, 0) == 't') {
    current = Run(conn, "SELECT version FROM tarnquill.schema_version", &failure);
  }
  if (!exists || (*PQgetvalue(exists.get(), 0, 0) == 't' && !current)) {
    return fail("cannot read the schema version: " + failure.message);
  }
  const int held =
      current ? static_cast<int>(std::strtol(PQgetvalue(current.get(), 0, 0), nullptr, 10)) : 0;
  if (held > kFleetSchemaVersion) {
    return fail("the fleet database was prepared by a newer tarnquill-cli (schema version " +
                std::to_string(held) + "); push with that version");
  }
  for (int step = held; step < version; ++step) {
    if (!RunScript(conn, kSteps[static_cast<std::size_t>(step)], &failure) ||
        !Run(conn, "UPDATE tarnquill.schema_version SET version = $1, upgraded_at = now()",
             &failure, {std::to_string(step + 1)})) {
      return fail("cannot bring the fleet database to schema version " + std::to_string(step + 1) +
                  ": " + failure.message +
                  " (the database's owner runs 'tarnquill-cli archive push --init-only' once)");
    }
  }
  if (version >= 2 && held < version && !WriteOutcomeTexts(conn, &failure)) {
    return fail("cannot write the outcome texts: " + failure.message);
  }
  ResultHandle id = Run(conn, "SELECT database_id FROM tarnquill.schema_version", &failure);
  if (!id || PQntuples(id.get()) != 1)
    return fail("cannot read the database's id: " + failure.message);
  std::string database_id = PQgetvalue(id.get(), 0, 0);
  if (!Run(conn, "COMMIT", &failure)) return fail("cannot commit: " + failure.message);
  return database_id;
}

}  // namespace tq::fleet
