// The serial line a benchmark runs over: the program's end and, when the responder runs
// in this process, the responder's end.
#pragma once

#include <memory>
#include <string>

#include "link/serial_port.h"

namespace tq::bench {

struct BenchLine {
  std::unique_ptr<SerialPort> host;
  std::unique_ptr<SerialPort> device;  // null when an external responder answers
  std::string description;
};

// The line used when no port is named: a pseudo-terminal pair on POSIX (the program's
// end opened by name like any serial device). Not available on Windows, where the
// ports must be named. Null host with `error` set on failure.
BenchLine OpenDefaultLine(std::string* error);

}  // namespace tq::bench
