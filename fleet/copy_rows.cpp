// COPY text format, written field by field.
#include "fleet/copy_rows.h"

#include <charconv>

namespace tq::fleet {

void CopyRows::separate() {
  if (row_open_) data_ += '\t';
  row_open_ = true;
}

CopyRows& CopyRows::integer(std::int64_t value) {
  separate();
  data_ += std::to_string(value);
  return *this;
}

CopyRows& CopyRows::integer(const std::optional<std::int64_t>& value) {
  return value ? integer(*value) : null();
}

CopyRows& CopyRows::real(double value) {
  separate();
  char buffer[32];
  const auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
  data_.append(buffer, written.ptr);
  return *this;
}

CopyRows& CopyRows::text(std::string_view value) {
  separate();
  for (const char c : value) {
    switch (c) {
      case '\\':
        data_ += "\\\\";
        break;
      case '\n':
        data_ += "\\n";
        break;
      case '\r':
        data_ += "\\r";
        break;
      case '\t':
        data_ += "\\t";
        break;
      case '\0':
        break;  // a text column cannot hold it
      default:
        data_ += c;
    }
  }
  return *this;
}

CopyRows& CopyRows::bytes(std::span<const std::uint8_t> value) {
  separate();
  static constexpr char kHex[] = "0123456789abcdef";
  data_ += "\\\\x";  // bytea's hex form, its backslash escaped for COPY
  for (const std::uint8_t b : value) {
    data_ += kHex[b >> 4];
    data_ += kHex[b & 0x0f];
  }
  return *this;
}

CopyRows& CopyRows::boolean(bool value) {
  separate();
  data_ += value ? 't' : 'f';
  return *this;
}

CopyRows& CopyRows::null() {
  separate();
  data_ += "\\N";
  return *this;
}

void CopyRows::end_row() {
  data_ += '\n';
  ++rows_;
  row_open_ = false;
}

}  // namespace tq::fleet
