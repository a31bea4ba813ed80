// ports: the serial ports of this computer.
#include "cli/commands.h"
#include "cli/report.h"

namespace tq::cli {

int run_ports(const CommandContext& context) {
  const std::vector<PortInfo> ports = context.platform.list_ports();
  if (context.invocation.json) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const PortInfo& port : ports) {
      list.push_back({{"name", port.name}, {"device", port.detail}});
    }
    print_json(context.console.out, {{"ports", list}});
    return kExitOk;
  }
  if (ports.empty()) {
    context.console.err
        << "tarnquill-cli: no serial ports found; plug the adapter in and try again\n";
    return kExitOk;
  }
  for (const PortInfo& port : ports) {
    context.console.out << port.name;
    if (!port.detail.empty()) context.console.out << " -> " << port.detail;
    context.console.out << "\n";
  }
  return kExitOk;
}

}  // namespace tq::cli
