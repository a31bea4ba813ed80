// Volume entries.
#include "sampling/volume_entry.h"

#include "link/encodings.h"
#include "ui/entry_parse.h"
#include "ui/text_format.h"

namespace tq {

std::string volume_text(std::uint8_t tenths) {
  return format_text("%.1f", TenthsToLitres(tenths) + 0.01).value_or("0.0");
}

std::uint8_t volume_tenths(std::string_view text) {
  return VolumeToTenths(parse_double_entry(text));
}

}  // namespace tq
