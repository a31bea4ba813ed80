// The console: whether a standard stream is a terminal (progress lines and questions
// need one), and the character set it shows.
#pragma once

#include <cstdio>

namespace tq::cli {

[[nodiscard]] bool is_terminal(std::FILE* stream);

// Makes the console show the tool's UTF-8 output as it is (names, "°C").
void use_utf8_console();

}  // namespace tq::cli
