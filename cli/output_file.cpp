// Checking an output path.
#include "cli/output_file.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace tq::cli {
namespace {

namespace fs = std::filesystem;

// Follows symbolic links to the path they finally name (which may not exist yet). Nothing
// for a loop of links.
std::optional<fs::path> final_path(fs::path path) {
  constexpr int kMaxLinks = 40;  // as the system's own limit on link chains
  for (int links = 0; links < kMaxLinks; ++links) {
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(path, error))) return path;
    const fs::path target = fs::read_symlink(path, error);
    if (error) return std::nullopt;
    path = target.is_absolute() ? target : path.parent_path() / target;
  }
  return std::nullopt;
}

// Names Windows keeps for its devices, in any folder and with any extension ("nul.csv"
// is the null device there): refused everywhere, so a script moves between systems safely.
bool windows_device_name(const fs::path& path) {
  std::string stem = path.stem().string();
  for (char& c : stem) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL") return true;
  return stem.size() == 4 && (stem.rfind("COM", 0) == 0 || stem.rfind("LPT", 0) == 0) &&
         stem[3] >= '1' && stem[3] <= '9';
}

OutputCheck refused(std::string why) {
  OutputCheck check;
  check.error = std::move(why);
  return check;
}

}  // namespace

OutputCheck check_output_file(const std::string& path, bool force) {
  if (path.empty()) return refused("no file named; give a file name");
  const auto target = final_path(fs::path(path));
  if (!target) return refused(path + " is a loop of symbolic links; give another file name");
  if (windows_device_name(*target)) {
    return refused(path + " is not a regular file (a device or a pipe); give a file name");
  }
  std::error_code error;
  const fs::file_status status = fs::status(*target, error);
  OutputTarget out{path, target->string(), false};
  if (fs::exists(status)) {
    if (fs::is_directory(status)) {
      return refused(path + " is a folder; give the name of a file in it");
    }
    if (!fs::is_regular_file(status)) {
      return refused(path + " is not a regular file (a device or a pipe); give a file name");
    }
    if (!force) {
      OutputCheck check = refused(path + " exists; add --force to replace it");
      check.exists = true;
      return check;
    }
    out.replaces = true;
  } else {
    const fs::path folder = target->parent_path().empty() ? fs::path(".") : target->parent_path();
    if (!fs::is_directory(fs::status(folder, error))) {
      return refused("the folder " + folder.string() +
                     " does not exist; create it or give another file name");
    }
  }
  // The temporary file the write will use, made and removed: the folder takes files.
  const std::string part = out.write_path + ".part";
  std::FILE* probe = std::fopen(part.c_str(), "wb");
  if (probe == nullptr) {
    return refused("cannot write in the folder of " + path + " (" +
                   std::generic_category().message(errno) +
                   "); give a file name in a folder you can write to");
  }
  std::fclose(probe);
  std::remove(part.c_str());
  OutputCheck check;
  check.target = out;
  return check;
}

}  // namespace tq::cli
