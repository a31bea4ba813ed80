// Files the tool reads and writes. A file is written under a temporary name beside its
// place and renamed only once complete, so an interrupted command never leaves a file
// that looks whole.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace tq::cli {

// Writes `content` to `path` (replacing it) through "<path>.part"; false, with *error
// saying why, when any step failed (the temporary file is then removed).
[[nodiscard]] bool write_file_atomically(const std::string& path, const std::string& content,
                                         std::string* error);

// A file being written bit by bit: the same temporary name and rename, for a download
// that may fail half-way.
class PartFile {
 public:
  explicit PartFile(std::string path);
  ~PartFile();  // removes the temporary file unless committed
  PartFile(const PartFile&) = delete;
  PartFile& operator=(const PartFile&) = delete;

  [[nodiscard]] bool append(const std::string& text);
  // Flushes, closes and renames; false, with *error, when any of it failed.
  [[nodiscard]] bool commit(std::string* error);

 private:
  std::string path_;
  std::string part_;
  std::FILE* file_ = nullptr;
  bool failed_ = false;
};

// The whole file; nothing, with *error, when it cannot be read.
[[nodiscard]] std::optional<std::string> read_file(const std::string& path, std::string* error);

// The file as JSON; nothing, with *error naming the file and the place of the mistake.
[[nodiscard]] std::optional<nlohmann::ordered_json> read_json_file(const std::string& path,
                                                                   std::string* error);

// `text` as JSON, refusing what the parser would let through silently: a key given twice
// in one object (the parser keeps one of them), a number too large for a double. Never
// throws; *error says where the mistake is (not the parser's own words).
[[nodiscard]] std::optional<nlohmann::ordered_json> parse_json_text(std::string_view text,
                                                                    std::string* error);

}  // namespace tq::cli
