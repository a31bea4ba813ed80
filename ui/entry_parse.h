// Reading numbers typed by the operator. Entries never fail: text that is not a number
// reads as 0 and values are limited silently to the field they go into.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tq {

// Decimal fractions use at most this many characters of the entry.
inline constexpr std::size_t kDoubleEntryLimit = 23;

// An unsigned decimal integer, surrounding blanks allowed, limited to `max`. Anything
// else (a sign, a letter, a fraction, an empty entry) reads as 0.
[[nodiscard]] std::uint32_t parse_unsigned_entry(std::string_view text, std::uint32_t max);

// The longest leading decimal number of the first kDoubleEntryLimit characters (leading
// blanks skipped, optional sign, point as decimal separator, optional exponent); 0.0 when
// nothing converts.
[[nodiscard]] double parse_double_entry(std::string_view text);

// parse_double_entry for a 32-bit float field: values beyond the float range are held
// to its largest finite value, so a long row of digits never becomes an infinity.
[[nodiscard]] float parse_float_entry(std::string_view text);

}  // namespace tq
