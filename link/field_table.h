// Field tables: a record's byte layout written once, as rows of (offset, member), from
// which both its decoder and its encoder run. A field's width follows from its member's
// type: numbers are as wide as in memory and little-endian, arrays are their elements one
// after another. Bytes no field covers are skipped on decode and sent as 0.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <tuple>

#include "link/records.h"

namespace tq {

template <typename T>
inline constexpr std::size_t kWireWidth = sizeof(T);
template <typename T, std::size_t N>
inline constexpr std::size_t kWireWidth<std::array<T, N>> = N* kWireWidth<T>;

template <typename Record, typename Value>
struct Field {
  std::size_t offset;
  Value Record::*member;

  [[nodiscard]] constexpr std::size_t end() const { return offset + kWireWidth<Value>; }
};
template <typename Record, typename Value>
Field(std::size_t, Value Record::*) -> Field<Record, Value>;

inline void ReadValue(std::span<const std::uint8_t> b, std::size_t at, std::uint8_t& v) {
  v = b[at];
}
// Text is copied byte for byte, so a field without a terminating zero stays bounded by
// its own size.
inline void ReadValue(std::span<const std::uint8_t> b, std::size_t at, char& v) {
  v = static_cast<char>(b[at]);
}
inline void ReadValue(std::span<const std::uint8_t> b, std::size_t at, std::uint16_t& v) {
  v = GetU16(b, at);
}
inline void ReadValue(std::span<const std::uint8_t> b, std::size_t at, std::uint32_t& v) {
  v = GetU32(b, at);
}
inline void ReadValue(std::span<const std::uint8_t> b, std::size_t at, std::int32_t& v) {
  v = GetI32(b, at);
}
inline void ReadValue(std::span<const std::uint8_t> b, std::size_t at, float& v) {
  v = GetF32(b, at);
}
inline void ReadValue(std::span<const std::uint8_t> b, std::size_t at, double& v) {
  v = GetF64(b, at);
}
template <typename T, std::size_t N>
void ReadValue(std::span<const std::uint8_t> b, std::size_t at, std::array<T, N>& v) {
  for (std::size_t i = 0; i < N; ++i) ReadValue(b, at + i * kWireWidth<T>, v[i]);
}

inline void WriteValue(std::span<std::uint8_t> b, std::size_t at, std::uint8_t v) { b[at] = v; }
inline void WriteValue(std::span<std::uint8_t> b, std::size_t at, char v) {
  b[at] = static_cast<std::uint8_t>(v);
}
inline void WriteValue(std::span<std::uint8_t> b, std::size_t at, std::uint16_t v) {
  PutU16(b, at, v);
}
inline void WriteValue(std::span<std::uint8_t> b, std::size_t at, std::uint32_t v) {
  PutU32(b, at, v);
}
inline void WriteValue(std::span<std::uint8_t> b, std::size_t at, std::int32_t v) {
  PutI32(b, at, v);
}
inline void WriteValue(std::span<std::uint8_t> b, std::size_t at, float v) { PutF32(b, at, v); }
inline void WriteValue(std::span<std::uint8_t> b, std::size_t at, double v) { PutF64(b, at, v); }
template <typename T, std::size_t N>
void WriteValue(std::span<std::uint8_t> b, std::size_t at, const std::array<T, N>& v) {
  for (std::size_t i = 0; i < N; ++i) WriteValue(b, at + i * kWireWidth<T>, v[i]);
}

// True when the fields follow one another without overlapping and end within `size`:
// each table is checked by a static_assert, so a mistyped offset does not build.
template <typename Record, typename... Values>
constexpr bool FieldsFit(const std::tuple<Field<Record, Values>...>& fields, std::size_t size) {
  bool in_order = true;
  std::size_t end = 0;
  std::apply(
      [&](const auto&... f) { ((in_order = in_order && f.offset >= end, end = f.end()), ...); },
      fields);
  return in_order && end <= size;
}

template <typename Record, typename... Values>
void DecodeFields(const std::tuple<Field<Record, Values>...>& fields,
                  std::span<const std::uint8_t> in, Record& out) {
  std::apply([&](const auto&... f) { (ReadValue(in, f.offset, out.*f.member), ...); }, fields);
}

template <typename Record, typename... Values>
void EncodeFields(const std::tuple<Field<Record, Values>...>& fields, const Record& in,
                  std::span<std::uint8_t> out) {
  std::fill(out.begin(), out.end(), std::uint8_t{0});
  std::apply([&](const auto&... f) { (WriteValue(out, f.offset, in.*f.member), ...); }, fields);
}

}  // namespace tq
