// Archives taken together and checked: `merge` takes in another laptop's archive, `verify`
// looks for anything a file should not hold.
#pragma once

#include <string>
#include <vector>

#include "archive/archive.h"

namespace tq::archive {

struct MergeCounts {
  std::int64_t downloads_new = 0;
  std::int64_t samples_new = 0;
  std::int64_t samples_updated = 0;
  std::int64_t diagnostics_new = 0;
};

// Takes in every instrument, download and entry of the archive at `other_path`, in one
// transaction. Idempotent and independent of order: a sample held by both in two states
// keeps the state of the later download, and the earlier download as the one that first
// saw it. Nothing, with *error, when the other file cannot be read.
[[nodiscard]] std::optional<MergeCounts> MergeArchive(Archive& archive,
                                                      const std::string& other_path,
                                                      std::string* error);

// What is wrong with the archive: SQLite's own integrity check, references between its
// tables, and every entry's raw bytes against its stored fields. Empty when sound.
[[nodiscard]] std::vector<std::string> VerifyArchive(Archive& archive);

}  // namespace tq::archive
