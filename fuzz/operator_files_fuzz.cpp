// Fuzz target: the readers of the files an operator writes by hand, the schedule and the
// configuration. Any input ends in a value or a refusal that says why, never a crash or
// an exception out of the reader; a value, written out again the way the tool writes it,
// reads back as the same value.
//
// Input: one selector byte (even: a schedule file, odd: a configuration file), then the
// file's text.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "cli/config_json.h"
#include "cli/files.h"
#include "cli/schedule_json.h"
#include "fuzz/fuzz_check.h"

namespace {

using tq::fuzz::Require;

void CheckSchedule(const nlohmann::ordered_json& document) {
  const tq::cli::ScheduleFromJson read = tq::cli::schedule_from_json(document);
  Require(read.record.has_value() != !read.error.empty(), "a schedule or a reason, not both");
  if (!read.record) return;
  const tq::cli::ScheduleFromJson again =
      tq::cli::schedule_from_json(tq::cli::schedule_to_json(*read.record));
  Require(again.record.has_value() && *again.record == *read.record,
          "a schedule written out reads back the same");
}

void CheckConfig(const nlohmann::ordered_json& document) {
  const tq::cli::ConfigFromJson read = tq::cli::config_from_json(document);
  Require(read.config.has_value() != !read.error.empty(), "a configuration or a reason");
  if (!read.config) return;
  const nlohmann::ordered_json written = tq::cli::config_to_json(*read.config, {});
  const tq::cli::ConfigFromJson again = tq::cli::config_from_json(written);
  Require(again.config.has_value() && tq::cli::config_to_json(*again.config, {}) == written,
          "a configuration written out reads back the same");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const bool config = (data[0] & 1) != 0;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  try {
    std::string error;
    const auto document = tq::cli::parse_json_text(text, &error);
    Require(document.has_value() != !error.empty(), "a document or a reason");
    if (!document) return 0;
    if (config) {
      CheckConfig(*document);
    } else {
      CheckSchedule(*document);
    }
  } catch (...) {
    Require(false, "an exception left the reader");
  }
  return 0;
}
