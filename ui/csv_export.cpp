// Comma-separated export with CSV quoting of the cells that need it.
#include "ui/csv_export.h"

namespace tq {

std::string csv_field(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

namespace {

std::string format_rows(const CellTable& table, int column_count, int rows) {
  std::string out;
  for (int column = 0; column < column_count; ++column) {
    if (column > 0) out += ',';
    out += csv_field(table.column_title(column));
  }
  out += "\r\n";
  for (int row = 0; row < rows; ++row) {
    for (int column = 0; column < column_count; ++column) {
      if (column > 0) out += ',';
      out += csv_field(table.cell(row, column));
    }
    out += "\r\n";
  }
  return out;
}

// A list that reports a negative count has no rows to write.
int rows_of(const CellTable& table) {
  const int count = table.row_count();
  return count < 0 ? 0 : count;
}

}  // namespace

std::string format_csv(const CellTable& table, int column_count) {
  return format_rows(table, column_count, rows_of(table));
}

int write_csv(const CellTable& table, int column_count, std::FILE* file) {
  if (file == nullptr) return -1;
  const int rows = rows_of(table);
  const std::string text = format_rows(table, column_count, rows);
  if (std::fwrite(text.data(), 1, text.size(), file) != text.size()) return -1;
  if (std::fflush(file) != 0 || std::ferror(file) != 0) return -1;
  return rows;
}

}  // namespace tq
