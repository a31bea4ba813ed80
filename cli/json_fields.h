// Reading the fields of a JSON file the operator wrote: every field checked against its
// range, a missing or misspelt one named, so that a bad file is refused with a message
// saying which field is wrong; and a record's whole-number fields written and read by its
// field table.
#pragma once

#include <cmath>
#include <cstdio>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cli/text_encoding.h"
#include "ui/record_fields.h"

namespace tq::cli {

// Reads the fields of one object, refusing any field it was not asked for.
class Fields {
 public:
  Fields(const nlohmann::ordered_json& object, std::string where, std::string* error)
      : object_(object), where_(std::move(where)), error_(error) {
    if (!object.is_object()) fail("", "must be an object {...}");
  }

  [[nodiscard]] bool ok() const { return error_->empty(); }

  std::optional<std::uint32_t> whole(const char* name, std::uint32_t max, bool required) {
    const nlohmann::ordered_json* value = take(name, required);
    if (value == nullptr) return std::nullopt;
    // Written without a sign or a point: "-0" and "2.0" are someone's mistake too.
    if (!value->is_number_unsigned() || value->get<std::uint64_t>() > max) {
      fail(name, "must be a whole number from 0 to " + std::to_string(max));
      return std::nullopt;
    }
    return value->get<std::uint32_t>();
  }

  std::optional<double> number(const char* name, double max, const char* unit, bool required) {
    const nlohmann::ordered_json* value = take(name, required);
    if (value == nullptr) return std::nullopt;
    if (!value->is_number() || !std::isfinite(value->get<double>()) ||
        std::signbit(value->get<double>()) || value->get<double>() > max) {
      char range[64];
      std::snprintf(range, sizeof range, "must be a number from 0 to %.1f %s", max, unit);
      fail(name, range);
      return std::nullopt;
    }
    return value->get<double>();
  }

  // Any number the instrument's single floats hold, negative ones too (a calibration's
  // slope and offset).
  std::optional<double> real(const char* name, bool required) {
    const nlohmann::ordered_json* value = take(name, required);
    if (value == nullptr) return std::nullopt;
    if (!value->is_number() || !std::isfinite(value->get<double>()) ||
        std::fabs(value->get<double>()) > std::numeric_limits<float>::max()) {
      fail(name, "must be a number the instrument can hold (at most 3.4e38)");
      return std::nullopt;
    }
    return value->get<double>();
  }

  std::optional<std::string> text(const char* name, std::size_t max_length, bool required) {
    const nlohmann::ordered_json* value = take(name, required);
    if (value == nullptr) return std::nullopt;
    if (!value->is_string() || value->get<std::string>().size() > max_length) {
      fail(name, "must be a text of at most " + std::to_string(max_length) + " characters");
      return std::nullopt;
    }
    return value->get<std::string>();
  }

  // A text the instrument stores in single bytes (Windows-1252), as those bytes.
  std::optional<std::string> single_byte_text(const char* name, std::size_t max_length,
                                              bool required) {
    const nlohmann::ordered_json* value = take(name, required);
    if (value == nullptr) return std::nullopt;
    auto bytes =
        value->is_string() ? windows_1252_from_utf8(value->get<std::string>()) : std::nullopt;
    if (!bytes || bytes->size() > max_length || has_control_character(*bytes)) {
      fail(name, "must be a text of at most " + std::to_string(max_length) +
                     " characters of Western European script, without control characters");
      return std::nullopt;
    }
    return bytes;
  }

  std::optional<bool> flag(const char* name, bool required) {
    const nlohmann::ordered_json* value = take(name, required);
    if (value == nullptr) return std::nullopt;
    if (!value->is_boolean()) {
      fail(name, "must be true or false");
      return std::nullopt;
    }
    return value->get<bool>();
  }

  const nlohmann::ordered_json* take(const char* name, bool required) {
    if (!ok() || !object_.is_object()) return nullptr;
    seen_.push_back(name);
    const auto found = object_.find(name);
    if (found == object_.end()) {
      if (required) fail(name, "is missing");
      return nullptr;
    }
    return &*found;
  }

  // Any field not taken is a mistake (a misspelt name would otherwise be ignored).
  void finish() {
    if (!ok() || !object_.is_object()) return;
    for (const auto& [key, value] : object_.items()) {
      bool known = false;
      for (const std::string& name : seen_) known = known || name == key;
      if (!known) fail(key, "is not a field of the file");
    }
  }

  void fail(const std::string& name, const std::string& what) {
    if (!ok()) return;
    *error_ = where_ + (name.empty() ? "" : (where_.empty() ? "" : ".") + name) + " " + what;
  }

 private:
  // A tab or a line break in a name would break every list and CSV cell that shows it.
  static bool has_control_character(const std::string& text) {
    for (const char c : text) {
      const auto byte = static_cast<unsigned char>(c);
      if (byte < 0x20 || byte == 0x7F) return true;
    }
    return false;
  }

  const nlohmann::ordered_json& object_;
  std::string where_;
  std::string* error_;
  std::vector<std::string> seen_;
};

// A record's whole-number fields, by its field table.
template <class Record, class Table>
void put_fields(nlohmann::ordered_json& json, const Table& table, const Record& record) {
  for (const WholeField<Record>& field : table) json[field.key] = field_value(record, field);
}

// "0, 1, 2, 3 or 5"
inline std::string codes_text(std::span<const ComboValue> codes) {
  std::string text;
  for (std::size_t i = 0; i < codes.size(); ++i) {
    if (i > 0) text += i + 1 == codes.size() ? " or " : ", ";
    text += std::to_string(codes[i].value);
  }
  return text;
}

// Each field of the table checked against its limit and its codes.
template <class Record, class Table>
void take_fields(Fields& fields, const Table& table, Record& record) {
  for (const WholeField<Record>& field : table) {
    const std::optional<std::uint32_t> value = fields.whole(field.key, field.max, true);
    if (value && !is_field_code(field, *value)) {
      fields.fail(field.key, "must be " + codes_text(field.codes));
    }
    set_field(record, field, value.value_or(0));
  }
}

}  // namespace tq::cli
