// Reporting.
#include "cli/report.h"

#include <charconv>
#include <cstdlib>

#include "cli/invocation.h"
#include "cli/retry.h"
#include "link/command_table.h"
#include "link/transaction.h"

namespace tq::cli {

std::string describe_result(int result) {
  if (result == kResultInterrupted) return "interrupted";
  const std::string code = "ResultCode " + std::to_string(result);
  if (result == kResultLinkFailure) {
    return code + ": no valid answer; check the cable, the port name and the instrument's power";
  }
  if (result == kResultFirmwareTooOld) {
    return code + ": the instrument's firmware is too old for this record; update its firmware";
  }
  return code + ": the instrument refused; check that it is powered and idle, and try again";
}

int report_interrupted(std::ostream& err) {
  err << "tarnquill-cli: interrupted\n";
  return kExitInterrupted;
}

int report_failure(std::ostream& err, const std::string& what, int result) {
  if (result == kResultInterrupted) return report_interrupted(err);
  err << "tarnquill-cli: " << what << " failed: " << describe_result(result) << "\n";
  return kExitInstrument;
}

int report_failure(std::ostream& err, std::uint8_t command, int result) {
  return report_failure(err, std::string(command_name(command)), result);
}

double json_number(float value) {
  char text[32];
  const auto written = std::to_chars(text, text + sizeof text - 1, value);
  *written.ptr = '\0';
  return std::strtod(text, nullptr);
}

void print_json(std::ostream& out, const nlohmann::ordered_json& document) {
  // A file name is not always UTF-8: shown with a replacement character, never a throw.
  out << document.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
}

}  // namespace tq::cli
