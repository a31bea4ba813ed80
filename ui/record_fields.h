// A row of a record's field table: the control that shows a whole-number field, its key in
// the configuration file, the record member it fills, the largest value it takes and its
// unit. A dialog limits its entries by these rows and the command-line tool writes and
// checks the configuration file by them, so a limit or a key is written once.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>
#include <variant>

#include "ui/dialog_tables.h"

namespace tq {

template <class Record>
using WholeMember =
    std::variant<std::uint8_t Record::*, std::uint16_t Record::*, std::uint32_t Record::*>;

template <class Record>
struct WholeField {
  int id = 0;            // the control showing the field
  const char* key = "";  // in the configuration file
  WholeMember<Record> member;
  std::uint32_t max = 0;
  const char* unit = "";                   // "" for a code or a plain count
  std::span<const ComboValue> codes = {};  // when given, the only values the field takes
};

template <class Record>
[[nodiscard]] constexpr std::uint32_t field_value(const Record& record,
                                                  const WholeField<Record>& field) {
  return std::visit([&](auto member) { return std::uint32_t{record.*member}; }, field.member);
}

// The value must already lie within the field's limit.
template <class Record>
constexpr void set_field(Record& record, const WholeField<Record>& field, std::uint32_t value) {
  std::visit(
      [&](auto member) {
        using Value = std::remove_reference_t<decltype(record.*member)>;
        record.*member = static_cast<Value>(value);
      },
      field.member);
}

// Whether a value up to the field's limit is one it takes.
template <class Record>
[[nodiscard]] constexpr bool is_field_code(const WholeField<Record>& field, std::uint32_t value) {
  if (field.codes.empty()) return true;
  for (const ComboValue& code : field.codes) {
    if (code.value == value) return true;
  }
  return false;
}

// The limit of a field given as codes.
[[nodiscard]] consteval std::uint32_t largest_code(std::span<const ComboValue> codes) {
  std::uint32_t largest = 0;
  for (const ComboValue& code : codes) largest = code.value > largest ? code.value : largest;
  return largest;
}

// The limit in a member's row; a member the table lacks does not compile. (A pointer to a
// member has no pointee to make const, whatever cppcheck suggests.)
template <class Record, std::size_t N, class Value>
[[nodiscard]] consteval std::uint32_t max_of(const std::array<WholeField<Record>, N>& table,
                                             // cppcheck-suppress constParameter
                                             Value Record::*member) {
  for (const WholeField<Record>& field : table) {
    using Member = Value Record::*;
    if (std::holds_alternative<Member>(field.member) && std::get<Member>(field.member) == member) {
      return field.max;
    }
  }
  throw "the table has no row for this member";
}

}  // namespace tq
