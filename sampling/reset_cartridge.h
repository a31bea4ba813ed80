// The Reset Cartridge ID dialog's logic: the ID entry and the record written back.
//
// The instrument holds the ID in 16 bits, but the digits-only edit lets the operator type
// up to five digits. A number above 65535 is neither cut nor wrapped into another valid ID
// that would then be written to the cartridge: it shows in red while typed, and OK
// refuses it with a message, keeping the dialog open so it can be corrected.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "link/records.h"

namespace tq {

inline constexpr const char* kResetCaption = "Reset";
inline constexpr const char* kReadIdFailed = "Failed to read existing ID from sampler";
inline constexpr const char* kResetIdFailed = "Failed to reset cartridge ID";
inline constexpr const char* kIdTooLarge = "A cartridge ID is a number from 0 to 65535.";

// Digits the ID edit takes: every 16-bit ID fits.
inline constexpr int kCartridgeIdDigits = 5;

// The ID the edit's text stands for (empty or not a number: 0); nothing when it is above
// 65535.
[[nodiscard]] std::optional<std::uint16_t> parse_cartridge_id(std::string_view text);

// What the edit shows for the record read.
[[nodiscard]] std::string cartridge_id_text(const CartridgeRecord& record);

// The record as read with only its ID replaced: the other bytes go back unchanged.
[[nodiscard]] CartridgeRecord with_cartridge_id(CartridgeRecord as_read, std::uint16_t id);

}  // namespace tq
