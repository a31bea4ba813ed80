// Rows in PostgreSQL's COPY text format: fields separated by tabs, rows ended by a newline,
// backslash escapes for the characters that would break them, \N for nothing, bytea as hex.
// Pure, so each escape can be tested without a server.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tq::fleet {

class CopyRows {
 public:
  CopyRows& integer(std::int64_t value);
  CopyRows& integer(const std::optional<std::int64_t>& value);
  CopyRows& real(double value);  // shortest text that reads back as the same double
  CopyRows& text(std::string_view value);
  CopyRows& bytes(std::span<const std::uint8_t> value);
  CopyRows& boolean(bool value);
  CopyRows& null();
  void end_row();

  [[nodiscard]] const std::string& data() const { return data_; }
  [[nodiscard]] std::size_t rows() const { return rows_; }

 private:
  void separate();
  std::string data_;
  std::size_t rows_ = 0;
  bool row_open_ = false;
};

}  // namespace tq::fleet
