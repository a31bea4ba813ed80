// The volume entries of the sampling windows (the Run view's and each schedule row's): a
// volume held in tenths of a litre, shown and typed as a decimal number of litres.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tq {

// The entry's text for a volume in tenths ("2.5" for 25). A hundredth is added so that
// the text read back gives the same tenths.
[[nodiscard]] std::string volume_text(std::uint8_t tenths);

// Tenths of a litre for an entry: the longest leading number as VolumeToTenths converts it
// (a text that is not a number gives 0).
[[nodiscard]] std::uint8_t volume_tenths(std::string_view text);

}  // namespace tq
