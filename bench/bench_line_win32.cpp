// Windows has no default line for the benchmark: the COM ports are named.
#include "bench/bench_line.h"

namespace tq::bench {

BenchLine OpenDefaultLine(std::string* error) {
  *error = "name the port: --port COMn (external responder) or --port COMn --device-port COMm";
  return {};
}

}  // namespace tq::bench
