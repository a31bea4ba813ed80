// Registry access for the settings: HKEY_CURRENT_USER, one key, one value per access.
#include "ui/settings_store_win32.h"

#include <windows.h>

#include <vector>

namespace tq {
namespace {

// Opens or creates the settings key for writing; closes it when it goes out of scope.
class WritableKey {
 public:
  WritableKey() {
    const std::string path = settings_key_path();
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE, nullptr, &key_, nullptr) != ERROR_SUCCESS) {
      key_ = nullptr;
    }
  }
  ~WritableKey() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  WritableKey(const WritableKey&) = delete;
  WritableKey& operator=(const WritableKey&) = delete;

  [[nodiscard]] bool store(const char* name, DWORD type, const void* data, DWORD size) const {
    return key_ != nullptr && RegSetValueExA(key_, name, 0, type, static_cast<const BYTE*>(data),
                                             size) == ERROR_SUCCESS;
  }

 private:
  HKEY key_ = nullptr;
};

}  // namespace

bool RegistrySettingsStore::write_dword(const char* name, std::uint32_t value) {
  const DWORD data = value;
  return WritableKey().store(name, REG_DWORD, &data, sizeof data);
}

bool RegistrySettingsStore::write_string(const char* name, std::string_view text) {
  const std::string data(text);
  return WritableKey().store(name, REG_SZ, data.c_str(), static_cast<DWORD>(data.size() + 1));
}

std::optional<std::uint32_t> RegistrySettingsStore::read_dword(const char* name) const {
  const std::string path = settings_key_path();
  DWORD data = 0;
  DWORD size = sizeof data;
  if (RegGetValueA(HKEY_CURRENT_USER, path.c_str(), name, RRF_RT_REG_DWORD, nullptr, &data,
                   &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return data;
}

std::optional<std::string> RegistrySettingsStore::read_string(const char* name,
                                                              std::size_t buffer_bytes) const {
  const std::string path = settings_key_path();
  std::vector<char> data(buffer_bytes + 1, '\0');  // one spare byte keeps it terminated
  auto size = static_cast<DWORD>(buffer_bytes);
  if (buffer_bytes == 0 || RegGetValueA(HKEY_CURRENT_USER, path.c_str(), name, RRF_RT_REG_SZ,
                                        nullptr, data.data(), &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::string(data.data());
}

}  // namespace tq
