// Where the archive lives on Linux, and this computer's name.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "cli/archive_options.h"

namespace tq::cli {

std::string default_archive_path(std::string* error) {
  // Read once, on the command's thread, before anything else runs: nothing sets the
  // environment meanwhile.
  const char* data = std::getenv("XDG_DATA_HOME");  // NOLINT(concurrency-mt-unsafe)
  const char* home = std::getenv("HOME");           // NOLINT(concurrency-mt-unsafe)
  std::filesystem::path folder;
  if (data != nullptr && *data == '/') {
    folder = data;
  } else if (home != nullptr && *home != '\0') {
    folder = std::filesystem::path(home) / ".local" / "share";
  } else {
    *error = "no home folder for the archive; give --archive PATH";
    return {};
  }
  folder /= "tarnquill";
  std::error_code failed;
  std::filesystem::create_directories(folder, failed);
  if (failed) {
    *error = "cannot make " + folder.string() + ": " + failed.message() + "; give --archive PATH";
    return {};
  }
  return (folder / "archive.sqlite").string();
}

std::string last_connected_port() { return {}; }

std::string host_name() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return "unknown";
  return name;
}

}  // namespace tq::cli
