// POSIX default line for the benchmark: a pseudo-terminal pair.
#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cstdlib>

#include "bench/bench_line.h"
#include "link/serial_port_posix.h"

namespace tq::bench {

BenchLine OpenDefaultLine(std::string* error) {
  BenchLine line;
  const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
    if (master >= 0) close(master);
    *error = "no pseudo-terminal";
    return line;
  }
  std::array<char, 128> name_buffer{};
  if (ptsname_r(master, name_buffer.data(), name_buffer.size()) != 0) {
    close(master);
    *error = "no pseudo-terminal name";
    return line;
  }
  const std::string name = name_buffer.data();
  line.host = OpenSerialPort(name);
  line.device = AdoptPosixSerialFd(master);
  if (!line.host || !line.device) {
    line.host.reset();
    *error = "cannot open " + name;
    return line;
  }
  line.description = "pseudo-terminal " + name + " (POSIX serial port, responder in process)";
  return line;
}

}  // namespace tq::bench
