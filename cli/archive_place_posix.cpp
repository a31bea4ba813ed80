// Where the archive lives on Linux, and this computer's name.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "cli/archive_options.h"

namespace tq::cli {

std::string default_archive_path(std::string* error) {
  std::filesystem::path folder;
  if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && *data == '/') {
    folder = data;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
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
