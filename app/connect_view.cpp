// Port listing and preselection for the Connect view.
#include "app/connect_view.h"

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

int preselect_port_index(const std::vector<std::string>& ports,
                         const std::optional<std::string>& remembered) {
  if (!remembered) return 0;
  for (std::size_t i = 0; i < ports.size(); ++i) {
    if (ports[i] == *remembered) return static_cast<int>(i);
  }
  return 0;
}

}  // namespace tq
