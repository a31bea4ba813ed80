// printf-style formatting into a bounded buffer.
#include "ui/text_format.h"

#include <array>
#include <cstdio>

namespace tq {

std::optional<std::string> format_text_v(const char* format, std::va_list args) {
  std::array<char, kTextLimit> buffer{};
  const int length = std::vsnprintf(buffer.data(), buffer.size(), format, args);
  if (length < 0 || static_cast<std::size_t>(length) >= buffer.size()) return std::nullopt;
  return std::string(buffer.data(), static_cast<std::size_t>(length));
}

std::optional<std::string> format_text(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  auto text = format_text_v(format, args);
  va_end(args);
  return text;
}

}  // namespace tq
