// Where the archive lives on Windows, and this computer's name.
#include <windows.h>

#include <filesystem>

#include "cli/archive_options.h"
#include "ui/settings_store_win32.h"

namespace tq::cli {

std::string default_archive_path(std::string* error) {
  wchar_t data[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", data, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    *error = "no LOCALAPPDATA folder for the archive; give --archive PATH";
    return {};
  }
  const std::filesystem::path folder = std::filesystem::path(data) / L"Tarnquill";
  std::error_code failed;
  std::filesystem::create_directories(folder, failed);
  if (failed) {
    *error = "cannot make " + folder.string() + ": " + failed.message() + "; give --archive PATH";
    return {};
  }
  return (folder / L"archive.sqlite").string();
}

std::string last_connected_port() {
  const RegistrySettingsStore settings;
  return settings.read_string(kPortNameSetting, kPortNameBytes).value_or("");
}

std::string host_name() {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof name;
  return GetComputerNameA(name, &size) ? std::string(name, size) : std::string("unknown");
}

}  // namespace tq::cli
