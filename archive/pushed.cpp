// Reading the entries a push sends, and keeping how far each fleet database was sent.
#include "archive/pushed.h"

namespace tq::archive {

PushMark PushedThrough(Archive& archive, const std::string& database_id) {
  Statement query(archive.db.get(),
                  "SELECT samples_through, diagnostics_through FROM pushes WHERE database_id = ?1");
  query.bind(1, database_id);
  if (!query.step()) return {};
  return {query.integer(0), query.integer(1)};
}

bool RecordPushed(Archive& archive, const std::string& database_id, const std::string& destination,
                  const PushMark& mark, std::int64_t now_utc) {
  Statement upsert(archive.db.get(), R"sql(
    INSERT INTO pushes (database_id, destination, samples_through, diagnostics_through,
      last_push_utc) VALUES (?1, ?2, ?3, ?4, ?5)
    ON CONFLICT (database_id) DO UPDATE SET destination = ?2, samples_through = ?3,
      diagnostics_through = ?4, last_push_utc = ?5)sql");
  upsert.bind(1, database_id)
      .bind(2, destination)
      .bind(3, mark.samples_through)
      .bind(4, mark.diagnostics_through)
      .bind(5, now_utc);
  return upsert.run();
}

std::vector<PushedInstrument> AllInstruments(Archive& archive) {
  Statement query(archive.db.get(),
                  "SELECT serial, device_type, device_text, name, first_seen_utc, last_seen_utc "
                  "FROM instruments ORDER BY serial");
  std::vector<PushedInstrument> rows;
  while (query.step()) {
    rows.push_back({query.integer(0), query.integer(1), query.text(2), query.text(3),
                    query.integer(4), query.integer(5)});
  }
  return rows;
}

std::int64_t LatestChange(Archive& archive) {
  Statement query(archive.db.get(), "SELECT value FROM change_counter");
  return query.step() ? query.integer(0) : 0;
}

std::vector<PushedSample> SamplesChangedAfter(Archive& archive, std::int64_t after,
                                              std::int64_t through, std::size_t limit) {
  Statement query(archive.db.get(), R"sql(
    SELECT e.change_seq, e.serial, e.epoch, e.entry_index, e.raw, e.cartridge_id, e.treatment,
      e.stop_reason, e.start_time, e.duration_s, e.volume_l, e.max_pressure_bar, f.uid, l.uid
    FROM sample_entries AS e
    JOIN downloads AS f ON f.id = e.first_download
    JOIN downloads AS l ON l.id = e.last_download
    WHERE e.change_seq > ?1 AND e.change_seq <= ?3 ORDER BY e.change_seq LIMIT ?2)sql");
  query.bind(1, after).bind(2, static_cast<std::int64_t>(limit)).bind(3, through);
  std::vector<PushedSample> rows;
  while (query.step()) {
    rows.push_back({query.integer(0), query.integer(1), query.integer(2), query.integer(3),
                    query.blob(4), query.integer(5), query.integer(6), query.integer(7),
                    query.integer(8), query.integer(9), query.real(10), query.real(11),
                    query.text(12), query.text(13)});
  }
  return rows;
}

std::vector<PushedDiagnostic> DiagnosticsChangedAfter(Archive& archive, std::int64_t after,
                                                      std::int64_t through, std::size_t limit) {
  Statement query(archive.db.get(), R"sql(
    SELECT e.change_seq, e.serial, e.epoch, e.counter, e.raw, e.function, e.line, e.task_id,
      e.severity, e.message, f.uid
    FROM diagnostic_entries AS e
    JOIN downloads AS f ON f.id = e.first_download
    WHERE e.change_seq > ?1 AND e.change_seq <= ?3 ORDER BY e.change_seq LIMIT ?2)sql");
  query.bind(1, after).bind(2, static_cast<std::int64_t>(limit)).bind(3, through);
  std::vector<PushedDiagnostic> rows;
  while (query.step()) {
    rows.push_back({query.integer(0), query.integer(1), query.integer(2), query.integer(3),
                    query.blob(4), query.text(5), query.integer(6), query.integer(7),
                    query.integer(8), query.text(9), query.text(10)});
  }
  return rows;
}

}  // namespace tq::archive
