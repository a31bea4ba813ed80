// Comma-separated export of a table of texts (a list view's columns and rows).
#pragma once

#include <cstdio>
#include <string>

namespace tq {

// What the exporter reads; the Win32 layer serves it from a list view.
class CellTable {
 public:
  CellTable() = default;
  CellTable(const CellTable&) = delete;
  CellTable& operator=(const CellTable&) = delete;
  virtual ~CellTable() = default;

  [[nodiscard]] virtual std::string column_title(int column) const = 0;
  [[nodiscard]] virtual int row_count() const = 0;
  [[nodiscard]] virtual std::string cell(int row, int column) const = 0;
};

// Quotes a cell that contains a comma, a double quote, CR or LF (doubling the quotes
// inside); any other cell comes back unchanged.
[[nodiscard]] std::string csv_field(const std::string& text);

// The header line of `column_count` titles, then one line per row, fields joined by
// commas, every line ended by CR LF.
[[nodiscard]] std::string format_csv(const CellTable& table, int column_count);

// Writes format_csv to `file`, which the caller opened in binary mode ("wb": the line ends
// are already CR LF) and closes. Returns the number of rows written (0 for an empty
// table, whose header line is written all the same), or -1 when the data could not be
// written, so that nobody reports a file as saved that is not. The caller must still
// check fclose, which may fail to write the last buffered bytes.
[[nodiscard]] int write_csv(const CellTable& table, int column_count, std::FILE* file);

}  // namespace tq
