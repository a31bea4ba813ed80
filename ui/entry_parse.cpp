// Parsing of edit-box entries.
#include "ui/entry_parse.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <limits>

namespace tq {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::uint32_t parse_unsigned_entry(std::string_view text, std::uint32_t max) {
  while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
  if (text.empty()) return 0;
  std::uint64_t value = 0;
  for (const char c : text) {
    if (!is_digit(c)) return 0;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (value > max) value = max;  // keeps the running value small, so no overflow
  }
  return static_cast<std::uint32_t>(value);
}

double parse_double_entry(std::string_view text) {
  if (text.size() > kDoubleEntryLimit) text = text.substr(0, kDoubleEntryLimit);
  // Find the longest decimal prefix first, so that strtod's extras (hexadecimal, "inf",
  // "nan") never reach a caller that scales and truncates the value.
  std::size_t at = 0;
  while (at < text.size() && is_blank(text[at])) ++at;
  const std::size_t start = at;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
  std::size_t digits = 0;
  while (at < text.size() && is_digit(text[at])) {
    ++at;
    ++digits;
  }
  if (at < text.size() && text[at] == '.') {
    ++at;
    while (at < text.size() && is_digit(text[at])) {
      ++at;
      ++digits;
    }
  }
  if (digits == 0) return 0.0;
  if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    std::size_t exponent = at + 1;
    if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-')) ++exponent;
    if (exponent < text.size() && is_digit(text[exponent])) {
      at = exponent;
      while (at < text.size() && is_digit(text[at])) ++at;
    }
  }
  std::array<char, kDoubleEntryLimit + 1> number{};
  text.substr(start, at - start).copy(number.data(), kDoubleEntryLimit);
  return std::strtod(number.data(), nullptr);
}

float parse_float_entry(std::string_view text) {
  constexpr double kLargest = std::numeric_limits<float>::max();
  return static_cast<float>(std::clamp(parse_double_entry(text), -kLargest, kLargest));
}

}  // namespace tq
