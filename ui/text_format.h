// printf-style formatting with the program's 256-character limit, shared by every helper
// that puts formatted text into a window.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <optional>
#include <string>

#if defined(__GNUC__)
#define TQ_PRINTF_FORMAT(fmt, first) __attribute__((format(printf, fmt, first)))
#else
#define TQ_PRINTF_FORMAT(fmt, first)
#endif

namespace tq {

// Texts of 256 characters or more are refused rather than cut: a cut number or path
// would show the operator something plausible and wrong.
inline constexpr std::size_t kTextLimit = 256;

// The formatted text, or nothing when it is kTextLimit characters or longer or the
// format fails.
[[nodiscard]] std::optional<std::string> format_text(const char* format, ...)
    TQ_PRINTF_FORMAT(1, 2);
[[nodiscard]] std::optional<std::string> format_text_v(const char* format, std::va_list args);

}  // namespace tq
