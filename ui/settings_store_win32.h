// The SettingsStore in the per-user registry key. It holds no handle: every access
// opens the key, does one value and closes it, so instances are cheap to make where
// needed.
#pragma once

#include "ui/settings.h"

namespace tq {

class RegistrySettingsStore final : public SettingsStore {
 public:
  bool write_dword(const char* name, std::uint32_t value) override;
  bool write_string(const char* name, std::string_view text) override;
  std::optional<std::uint32_t> read_dword(const char* name) const override;
  std::optional<std::string> read_string(const char* name, std::size_t buffer_bytes) const override;
};

}  // namespace tq
