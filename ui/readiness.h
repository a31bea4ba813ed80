// One line of a readiness check ("is the unit ready to go in the water?"): each subsystem
// judges the records it owns, and the command-line tool prints the lines.
#pragma once

#include <string>

namespace tq {

enum class Verdict { kOk, kWarn, kFail };

struct CheckLine {
  Verdict verdict;
  std::string what;    // the check's name: "state", "clock", ...
  std::string detail;  // what was found and, when not OK, what to do (UTF-8)
};

}  // namespace tq
