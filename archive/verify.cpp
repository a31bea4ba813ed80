// Checking an archive: what SQLite finds, references that lead nowhere, and entries whose
// stored fields (a diagnostic entry's epoch among them) are not what their raw bytes say.
#include <cstdio>

#include "archive/decode.h"
#include "archive/maintenance.h"

namespace tq::archive {
namespace {

std::string SampleKey(const Statement& row) {
  return "sample entry " + std::to_string(row.integer(0)) + "/" + std::to_string(row.integer(1)) +
         "/" + std::to_string(row.integer(2));
}

void CheckSamples(sqlite3* db, std::vector<std::string>& findings) {
  Statement rows(db, R"sql(
    SELECT serial, epoch, entry_index, raw, cartridge_id, treatment, stop_reason, start_time,
      duration_s, volume_l, max_pressure_bar FROM sample_entries)sql");
  while (rows.step()) {
    const std::vector<std::uint8_t> blob = rows.blob(3);
    if (blob.size() != kSampleLogEntrySize) {
      findings.push_back(SampleKey(rows) + ": raw bytes are not 34 bytes long");
      continue;
    }
    const SampleLogEntry e = DecodeSample(ToSampleRaw(blob));
    const bool same = rows.integer(4) == e.cartridge_id && rows.integer(5) == e.treatment &&
                      rows.integer(6) == e.stop_reason && rows.integer(7) == e.start_time &&
                      rows.integer(8) == e.duration && rows.real(9) == double{e.volume} &&
                      rows.real(10) == double{e.max_pressure};
    if (!same) findings.push_back(SampleKey(rows) + ": stored fields differ from its raw bytes");
  }
}

void CheckDiagnostics(sqlite3* db, std::vector<std::string>& findings) {
  Statement rows(db, R"sql(
    SELECT serial, epoch, counter, raw, function, line, task_id, severity, message
    FROM diagnostic_entries)sql");
  while (rows.step()) {
    const std::vector<std::uint8_t> blob = rows.blob(3);
    const DiagnosticLogEntry e = DecodeDiagnostic(ToDiagnosticRaw(blob));
    const bool same = blob.size() == kDiagnosticLogEntrySize &&
                      rows.integer(1) == DiagnosticEpoch(blob) && rows.integer(2) == e.counter &&
                      rows.text(4) == FieldText(e.function) && rows.integer(5) == e.line &&
                      rows.integer(6) == e.task_id && rows.integer(7) == e.severity &&
                      rows.text(8) == FieldText(e.message);
    if (!same) {
      findings.push_back("diagnostic entry " + std::to_string(rows.integer(0)) + "/" +
                         std::to_string(rows.integer(1)) + "/" + std::to_string(rows.integer(2)) +
                         ": stored fields differ from its raw bytes");
    }
  }
}

}  // namespace

std::vector<std::string> VerifyArchive(Archive& archive) {
  sqlite3* db = archive.db.get();
  std::vector<std::string> findings;
  Statement integrity(db, "PRAGMA integrity_check");
  while (integrity.step()) {
    if (integrity.text(0) != "ok") findings.push_back("SQLite: " + integrity.text(0));
  }
  if (integrity.failed()) findings.push_back("SQLite: " + last_error(db));
  Statement references(db, "PRAGMA foreign_key_check");
  while (references.step()) {
    findings.push_back(references.text(0) + " row " + std::to_string(references.integer(1)) +
                       " refers to a missing " + references.text(2));
  }
  // Keys are primary keys, so SQLite keeps them unique; a damaged index shows above. Two
  // downloads under one id would make provenance ambiguous: checked without the index.
  Statement twice(db, "SELECT uid FROM downloads NOT INDEXED GROUP BY uid HAVING count(*) > 1");
  while (twice.step()) findings.push_back("download " + twice.text(0) + " is held twice");
  CheckSamples(db, findings);
  CheckDiagnostics(db, findings);
  return findings;
}

}  // namespace tq::archive
