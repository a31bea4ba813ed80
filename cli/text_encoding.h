// The program's texts are single-byte Windows-1252 (the degree sign is byte 0xB0); a
// terminal and JSON want UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace tq::cli {

[[nodiscard]] std::string utf8_from_windows_1252(std::string_view text);

}  // namespace tq::cli
