// Enumerates the system's serial-port list in the registry.
#include "link/serial_ports_win32.h"

#include <windows.h>

#include <array>

namespace tq {
namespace {

constexpr DWORD kNameBuffer = 100;
constexpr DWORD kDataBuffer = 20;  // a port name and its NUL

}  // namespace

std::vector<std::string> read_serial_ports() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSerialCommKey, 0, KEY_QUERY_VALUE, &key) !=
      ERROR_SUCCESS) {
    return {};
  }
  auto ports = collect_port_names([key](std::uint32_t index) {
    std::array<char, kNameBuffer> name{};
    std::array<BYTE, kDataBuffer> data{};
    DWORD name_length = kNameBuffer;
    DWORD data_size = kDataBuffer;
    DWORD type = 0;
    const LONG status = RegEnumValueA(key, index, name.data(), &name_length, nullptr, &type,
                                      data.data(), &data_size);
    PortListValue value;
    // Data that fills the whole buffer may have lost its end: treated like data that did
    // not fit at all.
    if (status == ERROR_MORE_DATA || (status == ERROR_SUCCESS && data_size >= kDataBuffer)) {
      value.outcome = PortListValue::Outcome::kTooLarge;
    } else if (status == ERROR_SUCCESS) {
      value.outcome = PortListValue::Outcome::kValue;
      value.is_string = type == REG_SZ;
      value.data.assign(reinterpret_cast<const char*>(data.data()), data_size);
    }
    return value;
  });
  RegCloseKey(key);
  return ports;
}

std::vector<PortInfo> list_serial_ports() {
  std::vector<PortInfo> ports;
  for (std::string& name : read_serial_ports()) ports.push_back({std::move(name), ""});
  return ports;
}

}  // namespace tq
