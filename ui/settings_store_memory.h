// An in-memory SettingsStore for tests: typed values by name, with switches to make the
// store fail and a way to plant values of the wrong type.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "ui/settings.h"

namespace tq {

class MemorySettingsStore final : public SettingsStore {
 public:
  struct Value {
    SettingType type = SettingType::kDword;
    std::vector<char> bytes;  // a DWORD's four bytes little-endian, a text with its NUL
  };

  bool write_dword(const char* name, std::uint32_t value) override;
  bool write_string(const char* name, std::string_view text) override;
  std::optional<std::uint32_t> read_dword(const char* name) const override;
  std::optional<std::string> read_string(const char* name, std::size_t buffer_bytes) const override;

  // Like a key that cannot be opened: every write fails.
  void set_writable(bool writable) { writable_ = writable; }
  void plant(const std::string& name, Value value) { values_[name] = std::move(value); }
  void clear() { values_.clear(); }
  [[nodiscard]] const std::map<std::string, Value>& values() const { return values_; }

 private:
  bool writable_ = true;
  std::map<std::string, Value> values_;
};

}  // namespace tq
