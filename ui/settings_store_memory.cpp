// The in-memory SettingsStore, mirroring the registry's typed reads.
#include "ui/settings_store_memory.h"

#include <algorithm>

namespace tq {

bool MemorySettingsStore::write_dword(const char* name, std::uint32_t value) {
  if (!writable_) return false;
  Value stored{SettingType::kDword, {}};
  for (int i = 0; i < 4; ++i) stored.bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
  values_[name] = std::move(stored);
  return true;
}

bool MemorySettingsStore::write_string(const char* name, std::string_view text) {
  if (!writable_) return false;
  Value stored{SettingType::kString, {text.begin(), text.end()}};
  stored.bytes.push_back('\0');
  values_[name] = std::move(stored);
  return true;
}

std::optional<std::uint32_t> MemorySettingsStore::read_dword(const char* name) const {
  const auto found = values_.find(name);
  if (found == values_.end() || found->second.type != SettingType::kDword ||
      found->second.bytes.size() != 4) {
    return std::nullopt;
  }
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    value |= static_cast<std::uint32_t>(static_cast<unsigned char>(found->second.bytes[i]))
             << (8 * i);
  }
  return value;
}

std::optional<std::string> MemorySettingsStore::read_string(const char* name,
                                                            std::size_t buffer_bytes) const {
  const auto found = values_.find(name);
  if (found == values_.end() || found->second.type != SettingType::kString) return std::nullopt;
  std::string text(found->second.bytes.begin(), found->second.bytes.end());
  text.resize(std::min(text.size(), text.find('\0')));
  if (text.size() + 1 > buffer_bytes) return std::nullopt;
  return text;
}

}  // namespace tq
