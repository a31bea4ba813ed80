// How commands report: plain lines for people, one JSON document for scripts, and error
// messages that say what to do.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>

#include "link/records.h"

namespace tq::cli {

// Why a command failed, in words, with what to try: 14 is the link, anything else the
// instrument's own refusal.
[[nodiscard]] std::string describe_result(int result);

// "tarnquill-cli: <what> failed: <describe_result>" on `err`; returns kExitInstrument.
// For kResultInterrupted (retry.h): "tarnquill-cli: interrupted", kExitInterrupted.
int report_failure(std::ostream& err, const std::string& what, int result);
// The same for an instrument command, by its name in the command table.
int report_failure(std::ostream& err, std::uint8_t command, int result);

// "tarnquill-cli: interrupted"; returns kExitInterrupted.
int report_interrupted(std::ostream& err);

// A float as JSON: the shortest decimal that reads back as the same float (0.1, not the
// 0.10000000149011612 its double would print).
[[nodiscard]] double json_number(float value);

// Prints `document` (pretty, one document per command) on `out`.
void print_json(std::ostream& out, const nlohmann::ordered_json& document);

}  // namespace tq::cli
