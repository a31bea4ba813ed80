// The instrument's single-byte texts to UTF-8 and back, for the terminal and JSON; the
// conversion itself is the shell's (the archive needs it too).
#pragma once

#include "ui/text_encoding.h"

namespace tq::cli {

using tq::utf8_from_windows_1252;
using tq::windows_1252_from_utf8;

}  // namespace tq::cli
