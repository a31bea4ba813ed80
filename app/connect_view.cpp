// Port listing and preselection for the Connect view.
#include "app/connect_view.h"

namespace tq {

int preselect_port_index(const std::vector<std::string>& ports,
                         const std::optional<std::string>& remembered) {
  if (!remembered) return 0;
  for (std::size_t i = 0; i < ports.size(); ++i) {
    if (ports[i] == *remembered) return static_cast<int>(i);
  }
  return 0;
}

}  // namespace tq
