// Reading and writing the tool's files.
#include "cli/files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string_view>
#include <system_error>
#include <vector>

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
  // A file replaced keeps who may read it.
  const auto replaced = std::filesystem::status(path_, failure);
  if (!failure && std::filesystem::is_regular_file(replaced)) {
    std::filesystem::permissions(part_, replaced.permissions(), failure);
  }
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

std::optional<nlohmann::ordered_json> parse_json_text(std::string_view text, std::string* error) {
  using Json = nlohmann::ordered_json;
  std::vector<std::set<std::string>> keys;  // of each object open at the moment
  std::optional<std::string> twice;
  const Json::parser_callback_t note_keys = [&](int, Json::parse_event_t event, Json& parsed) {
    if (event == Json::parse_event_t::object_start) {
      keys.emplace_back();
    } else if (event == Json::parse_event_t::object_end && !keys.empty()) {
      keys.pop_back();
    } else if (event == Json::parse_event_t::key && !keys.empty() && parsed.is_string()) {
      if (!keys.back().insert(parsed.get<std::string>()).second && !twice) {
        twice = parsed.get<std::string>();
      }
    }
    return true;
  };
  try {
    Json document = Json::parse(text, note_keys);
    if (twice) {
      *error = "holds the key \"" + *twice + "\" twice in one object";
      return std::nullopt;
    }
    return document;
  } catch (const nlohmann::json::parse_error& mistake) {
    // The place, counted as an editor counts it; the parser's own wording helps nobody.
    std::size_t line = 1;
    std::size_t column = 1;
    const std::size_t end =
        std::min<std::size_t>(mistake.byte > 0 ? mistake.byte - 1 : 0, text.size());
    for (std::size_t i = 0; i < end; ++i) {
      if (text[i] == '\n') {
        ++line;
        column = 1;
      } else {
        ++column;
      }
    }
    *error =
        "is not valid JSON at line " + std::to_string(line) + ", column " + std::to_string(column);
  } catch (const nlohmann::json::out_of_range&) {
    *error = "holds a number too large for any field";
  } catch (const nlohmann::json::exception&) {
    *error = "is not valid JSON";
  }
  return std::nullopt;
}

std::optional<nlohmann::ordered_json> read_json_file(const std::string& path, std::string* error) {
  const auto text = read_file(path, error);
  if (!text) return std::nullopt;
  std::string mistake;
  auto document = parse_json_text(*text, &mistake);
  if (!document) *error = path + " " + mistake + "; fix the file and try again";
  return document;
}

}  // namespace tq::cli
