// Whether a standard stream is a terminal (progress lines and questions need one).
#pragma once

#include <cstdio>

namespace tq::cli {

[[nodiscard]] bool is_terminal(std::FILE* stream);

}  // namespace tq::cli
