// Reading and writing the tool's files.
#include "cli/files.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace tq::cli {
namespace {

// The system's words for the last failure (thread-safe, unlike strerror).
std::string reason() { return std::generic_category().message(errno); }

}  // namespace

PartFile::PartFile(std::string path) : path_(std::move(path)), part_(path_ + ".part") {
  file_ = std::fopen(part_.c_str(), "wb");
  failed_ = file_ == nullptr;
}

PartFile::~PartFile() {
  if (file_ != nullptr) std::fclose(file_);
  if (!part_.empty()) std::remove(part_.c_str());
}

bool PartFile::append(const std::string& text) {
  if (failed_) return false;
  failed_ = std::fwrite(text.data(), 1, text.size(), file_) != text.size();
  return !failed_;
}

bool PartFile::commit(std::string* error) {
  if (file_ == nullptr) {
    *error = "cannot write " + part_ + ": " + reason();
    return false;
  }
  const bool flushed = std::fflush(file_) == 0 && !failed_;
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (!flushed || !closed) {
    *error = "cannot write " + part_ + " (is the disk full?)";
    return false;
  }
  std::error_code failure;
  std::filesystem::rename(part_, path_, failure);
  if (failure) {
    *error = "cannot rename " + part_ + " to " + path_ + ": " + failure.message();
    return false;
  }
  part_.clear();  // nothing left to remove
  return true;
}

bool write_file_atomically(const std::string& path, const std::string& content,
                           std::string* error) {
  PartFile file(path);
  static_cast<void>(file.append(content));
  return file.commit(error);
}

std::optional<std::string> read_file(const std::string& path, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = "cannot read " + path + ": " + reason();
    return std::nullopt;
  }
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::optional<nlohmann::ordered_json> read_json_file(const std::string& path, std::string* error) {
  const auto text = read_file(path, error);
  if (!text) return std::nullopt;
  try {
    return nlohmann::ordered_json::parse(*text);
  } catch (const nlohmann::json::parse_error& mistake) {
    *error = path + " is not valid JSON (" + mistake.what() + "); fix the file and try again";
    return std::nullopt;
  }
}

}  // namespace tq::cli
