// The cartridge ID entry and its record.
#include "sampling/reset_cartridge.h"

#include <limits>

#include "ui/entry_parse.h"

namespace tq {

std::optional<std::uint16_t> parse_cartridge_id(std::string_view text) {
  // Read without a limit, so that a larger number is seen as one and not as 65535.
  const std::uint32_t value = parse_unsigned_entry(text, std::numeric_limits<std::uint32_t>::max());
  if (value > std::numeric_limits<std::uint16_t>::max()) return std::nullopt;
  return static_cast<std::uint16_t>(value);
}

std::string cartridge_id_text(const CartridgeRecord& record) {
  return std::to_string(record.cartridge_id);
}

CartridgeRecord with_cartridge_id(CartridgeRecord as_read, std::uint16_t id) {
  as_read.cartridge_id = id;
  return as_read;
}

}  // namespace tq
