// Where a command may write its output file, checked before anything is read from the
// instrument: a wrong path, a file in the way or a device costs no download. Only regular
// files are ever written (through a temporary name and a rename, files.h); a symbolic
// link is written through to the file it leads to and stays a link.
//
//   const OutputCheck check = check_output_file(path, force);
//   if (!check.target) { refuse with check.error (exit 2), or ask when check.exists }
//   ... download ...
//   write_file_atomically(check.target->write_path, text, &error);
#pragma once

#include <optional>
#include <string>

namespace tq::cli {

struct OutputTarget {
  std::string path;        // as the operator named it, for messages
  std::string write_path;  // the regular file to create or replace (a link's target)
  bool replaces = false;   // a file is there already
};

struct OutputCheck {
  std::optional<OutputTarget> target;  // nothing: refused
  std::string error;                   // why, and what to do
  // Refused only because a regular file is there and `force` was not given: a terminal
  // may ask instead (then check again with force).
  bool exists = false;
};

// Checks `path` as a place for a new file, or, with `force`, for replacing a regular one.
// The folder is tried for writing, so a read-only or missing folder is refused now.
[[nodiscard]] OutputCheck check_output_file(const std::string& path, bool force);

}  // namespace tq::cli
