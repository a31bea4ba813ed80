// The rig on a pseudo-terminal: the simulator serves the terminal's master side and the
// program opens the slave through a symbolic link, as it would a serial device.
#include <unistd.h>

#include <atomic>
#include <filesystem>

#include "sim/pty_line_posix.h"
#include "tests/integration/fault_rig.h"

namespace tq::test {

FaultRig OpenFaultRig(std::uint32_t timeout_ms, std::string* error) {
  static std::atomic<int> rigs{0};
  const std::string link =
      (std::filesystem::temp_directory_path() /
       ("tarnquill-faults-" + std::to_string(::getpid()) + "-" + std::to_string(rigs++)))
          .string();
  auto pty = sim::PtyLine::Open(link, nullptr, error);
  if (!pty) return {};
  FaultRig rig = ServeOnLine(std::move(pty), error);
  if (!rig.server) return rig;
  rig.unplug_is_visible = true;
  rig.port_name = link;
  rig.connection =
      CreateConnectionOnPort(OpenSerialPort(link), nullptr, timeout_ms, ReopenerFor(link));
  if (!rig.connection) *error = "cannot open " + link;
  return rig;
}

}  // namespace tq::test
