// The rig on a null-modem pair of COM ports (the win32_com_pair fixture joins COM7 and
// COM8): the program's Win32 port on one, the simulator on the other through the same
// port code. Unplugging cannot show on a COM port pair; the line just goes quiet.
#include "sim/device_line.h"
#include "tests/integration/fault_rig.h"

namespace tq::test {

FaultRig OpenFaultRig(std::uint32_t timeout_ms, std::string* error) {
  auto host = OpenSerialPort("COM7");
  auto device = OpenSerialPort("COM8");
  if (!host || !device) {
    *error = "cannot open the COM7-COM8 pair";
    return {};
  }
  // Bytes an earlier test left on the pair never reach this one.
  host->PurgeReceive();
  device->PurgeReceive();
  FaultRig rig = ServeOnLine(sim::FixedLine(std::move(device)), error);
  if (!rig.server) return rig;
  rig.port_name = "COM7";
  rig.connection =
      CreateConnectionOnPort(std::move(host), nullptr, timeout_ms, ReopenerFor(rig.port_name));
  return rig;
}

}  // namespace tq::test
