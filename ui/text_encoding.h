// The program's texts are single-byte Windows-1252 (the degree sign is byte 0xB0); a
// terminal and JSON want UTF-8, and a file written as UTF-8 must go back as single bytes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tq {

[[nodiscard]] std::string utf8_from_windows_1252(std::string_view text);

// Back again; nothing when `text` is not UTF-8 or holds a character Windows-1252 lacks.
[[nodiscard]] std::optional<std::string> windows_1252_from_utf8(std::string_view text);

}  // namespace tq
