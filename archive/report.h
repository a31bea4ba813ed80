// The archive as one self-contained HTML page: charts drawn as inline SVG, no scripts, no
// fonts or images fetched from anywhere, readable on a laptop and on paper.
#pragma once

#include <optional>
#include <string>

#include "archive/archive.h"

namespace tq::archive {

// One section per instrument (or only `serial`'s); `now_utc` is printed as the page's date.
[[nodiscard]] std::string ReportHtml(Archive& archive, std::optional<std::int64_t> serial,
                                     std::int64_t now_utc);

}  // namespace tq::archive
