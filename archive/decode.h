// The entries' raw bytes and what they decode to, the one place both are related (for
// storing, exporting and verifying).
#pragma once

#include <span>
#include <string>

#include "archive/archive.h"
#include "archive/sqlite.h"
#include "ui/text_encoding.h"

namespace tq::archive {

[[nodiscard]] inline SampleLogEntry DecodeSample(const SampleRaw& raw) {
  SampleLogEntry entry;
  DecodeSampleLogEntry(raw, entry);
  return entry;
}

[[nodiscard]] inline DiagnosticLogEntry DecodeDiagnostic(const DiagnosticRaw& raw) {
  DiagnosticLogEntry entry;
  DecodeDiagnosticLogEntry(raw, entry);
  return entry;
}

// A sample's raw bytes and decoded fields into parameters first..first+7 of a statement
// (raw, cartridge, treatment, stop reason, start, duration, volume, maximum pressure), in
// the column order every sample_entries write uses.
inline Statement& BindSample(Statement& statement, int first, const SampleRaw& raw) {
  const SampleLogEntry e = DecodeSample(raw);
  return statement.bind(first, std::span<const std::uint8_t>(raw))
      .bind(first + 1, std::int64_t{e.cartridge_id})
      .bind(first + 2, std::int64_t{e.treatment})
      .bind(first + 3, std::int64_t{e.stop_reason})
      .bind(first + 4, std::int64_t{e.start_time})
      .bind(first + 5, std::int64_t{e.duration})
      .bind(first + 6, double{e.volume})
      .bind(first + 7, double{e.max_pressure});
}

// A stored blob as a sample's bytes; a blob of another length gives zeros (verify finds it).
[[nodiscard]] inline SampleRaw ToSampleRaw(std::span<const std::uint8_t> blob) {
  SampleRaw raw{};
  if (blob.size() == raw.size()) std::copy(blob.begin(), blob.end(), raw.begin());
  return raw;
}

[[nodiscard]] inline DiagnosticRaw ToDiagnosticRaw(std::span<const std::uint8_t> blob) {
  DiagnosticRaw raw{};
  if (blob.size() == raw.size()) std::copy(blob.begin(), blob.end(), raw.begin());
  return raw;
}

// A zero-terminated text field of the instrument's single-byte text, as UTF-8 (what
// SQLite's and any database's text columns hold).
template <std::size_t N>
[[nodiscard]] std::string FieldText(const std::array<char, N>& field) {
  const std::string text(field.data(), N);
  return utf8_from_windows_1252(text.substr(0, text.find('\0')));
}

}  // namespace tq::archive
