// Windows-1252 to UTF-8 and back.
#include "ui/text_encoding.h"

#include <array>
#include <cstdint>

namespace tq {
namespace {

// Code points of bytes 0x80..0x9F, where Windows-1252 differs from Latin-1 (0: unused).
constexpr std::array<std::uint16_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void append_code_point(std::string& out, std::uint32_t point) {
  if (point < 0x80) {
    out.push_back(static_cast<char>(point));
  } else if (point < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (point >> 6)));
    out.push_back(static_cast<char>(0x80 | (point & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (point >> 12)));
    out.push_back(static_cast<char>(0x80 | ((point >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (point & 0x3F)));
  }
}

// The next code point of `text` from `*at`, moving on; nothing when the bytes are not UTF-8.
std::optional<std::uint32_t> next_code_point(std::string_view text, std::size_t* at) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  const std::uint8_t lead = byte(*at);
  std::size_t length = 1;
  std::uint32_t point = lead;
  if (lead >= 0xF0) return std::nullopt;  // beyond the Basic Multilingual Plane: never 1252
  if (lead >= 0xE0) {
    length = 3;
    point = lead & 0x0FU;
  } else if (lead >= 0xC2) {
    length = 2;
    point = lead & 0x1FU;
  } else if (lead >= 0x80) {
    return std::nullopt;
  }
  if (*at + length > text.size()) return std::nullopt;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(*at + i) & 0xC0U) != 0x80U) return std::nullopt;
    point = (point << 6) | (byte(*at + i) & 0x3FU);
  }
  if (length == 3 && point < 0x800) return std::nullopt;  // an overlong form
  *at += length;
  return point;
}

}  // namespace

std::optional<std::string> windows_1252_from_utf8(std::string_view text) {
  std::string out;
  for (std::size_t at = 0; at < text.size();) {
    const auto point = next_code_point(text, &at);
    if (!point) return std::nullopt;
    if (*point < 0x80 || (*point >= 0xA0 && *point <= 0xFF)) {
      out.push_back(static_cast<char>(*point));
      continue;
    }
    bool found = false;
    for (std::size_t i = 0; i < kHighControls.size() && !found; ++i) {
      if (kHighControls[i] == *point) {
        out.push_back(static_cast<char>(0x80 + i));
        found = true;
      }
    }
    if (!found) return std::nullopt;
  }
  return out;
}

std::string utf8_from_windows_1252(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<std::uint8_t>(c);
    std::uint32_t point = byte;
    if (byte >= 0x80 && byte <= 0x9F) {
      point = kHighControls[byte - 0x80U];
      if (point == 0) point = 0xFFFD;  // no character there
    }
    append_code_point(out, point);
  }
  return out;
}

}  // namespace tq
