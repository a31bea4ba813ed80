// Lists /dev/serial/by-id, then the USB tty devices that have no by-id name.
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "link/serial_ports.h"

namespace tq {
namespace {

std::vector<std::string> entries(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

std::vector<PortInfo> list_serial_ports() {
  std::vector<PortInfo> ports;
  const std::string by_id = "/dev/serial/by-id";
  for (const std::string& name : entries(by_id)) {
    std::string path = by_id;
    path += '/';
    path += name;
    std::error_code error;
    const std::filesystem::path target = std::filesystem::canonical(path, error);
    ports.push_back({path, error ? std::string() : target.string()});
  }
  // USB adapters and on-board ports that have no by-id name.
  for (const std::string& name : entries("/dev")) {
    if (name.rfind("ttyUSB", 0) == 0 || name.rfind("ttyACM", 0) == 0) {
      const std::string path = "/dev/" + name;
      const bool listed = std::any_of(ports.begin(), ports.end(),
                                      [&](const PortInfo& port) { return port.detail == path; });
      if (!listed) ports.push_back({path, ""});
    }
  }
  return ports;
}

}  // namespace tq
