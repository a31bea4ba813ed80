// The About dialog's texts: the maker's address, the program's version and what the
// connected instrument reports about itself.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "link/records.h"
#include "ui/window_face.h"

namespace tq {

inline constexpr std::array<const char*, 4> kMakerAddress = {
    "Velmora Instruments Ltd",
    "Unit 7, Tarn Mill Business Park",
    "Quill Lane, Easterholm",
    "EH4 2QT, United Kingdom",
};

struct AboutTexts {
  std::string gui;       // "GUI Version: ..."
  std::string firmware;  // empty when the instrument did not answer
  std::string device;    // empty when the instrument did not answer
};

// Pass nothing for a command that failed (or when not connected).
[[nodiscard]] AboutTexts about_texts(std::optional<std::uint16_t> device_type,
                                     const std::optional<FirmwareVersion>& firmware);

// Every line of the dialog: the address lines, then the version and instrument lines.
[[nodiscard]] std::vector<ControlText> about_face(const AboutTexts& texts);

}  // namespace tq
