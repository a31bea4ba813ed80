// Opening the archive a command names (--archive) or the user's own.
#pragma once

#include <optional>
#include <string>

#include "archive/archive.h"
#include "cli/commands.h"

namespace tq::cli {

struct OpenedArchive {
  archive::Archive archive;
  std::string path;
};

// Nothing, with *error saying what to do, when it cannot be opened; a missing file is
// made only when `create` (collect and merge write; the others only read).
[[nodiscard]] std::optional<OpenedArchive> open_archive_for(const CommandContext& context,
                                                            bool create, std::string* error);

}  // namespace tq::cli
