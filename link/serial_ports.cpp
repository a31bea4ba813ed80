#include "link/serial_ports.h"

namespace tq {

std::vector<std::string> collect_port_names(const PortListEnumerator& enumerate) {
  std::vector<std::string> ports;
  for (std::uint32_t index = 0;; ++index) {
    const PortListValue value = enumerate(index);
    if (value.outcome == PortListValue::Outcome::kEnd) break;
    if (value.outcome == PortListValue::Outcome::kTooLarge) continue;
    if (!value.is_string || value.data.empty()) continue;
    ports.push_back(value.data.substr(0, value.data.find('\0')));
  }
  return ports;
}

}  // namespace tq
