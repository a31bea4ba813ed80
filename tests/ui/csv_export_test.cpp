// Comma-separated export: layout, quoting and reporting of failed writes.
#include "ui/csv_export.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace tq {
namespace {

class FakeTable final : public CellTable {
 public:
  FakeTable(std::vector<std::string> titles, std::vector<std::vector<std::string>> rows)
      : titles_(std::move(titles)), rows_(std::move(rows)) {}
  std::string column_title(int column) const override {
    return titles_[static_cast<std::size_t>(column)];
  }
  int row_count() const override { return static_cast<int>(rows_.size()); }
  std::string cell(int row, int column) const override {
    return rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
  }

 private:
  std::vector<std::string> titles_;
  std::vector<std::vector<std::string>> rows_;
};

std::string read_back(std::FILE* file) {
  std::rewind(file);
  std::string bytes;
  for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) bytes += static_cast<char>(c);
  return bytes;
}

TEST(CsvExport, EmptyListStillWritesTheHeaderLine) {
  const FakeTable table({"Counter", "Task ID", "Severity"}, {});
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(write_csv(table, 3, file), 0);
  EXPECT_EQ(read_back(file), "Counter,Task ID,Severity\r\n");
  std::fclose(file);
}

TEST(CsvExport, PlainCellsAreWrittenAsTheyAreWithCrLfLineEnds) {
  const FakeTable table({"A", "B"}, {{"00000042", "03"}, {"x y", "-1.500"}});
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(write_csv(table, 2, file), 2);
  EXPECT_EQ(read_back(file), "A,B\r\n00000042,03\r\nx y,-1.500\r\n");
  std::fclose(file);
}

TEST(CsvExport, CellsWithSeparatorsQuotesOrLineBreaksAreQuoted) {
  const FakeTable table({"Name, long", "M"},
                        {{"motor 2, stalled", "say \"hi\""}, {"two\r\nlines", "a\nb"}});
  EXPECT_EQ(format_csv(table, 2),
            "\"Name, long\",M\r\n"
            "\"motor 2, stalled\",\"say \"\"hi\"\"\"\r\n"
            "\"two\r\nlines\",\"a\nb\"\r\n");
  EXPECT_EQ(csv_field("\""), "\"\"\"\"");
  EXPECT_EQ(csv_field("plain text; nothing to quote"), "plain text; nothing to quote");
}

TEST(CsvExport, OnlyTheRequestedColumnsAreWritten) {
  const FakeTable table({"A", "B", "C"}, {{"1", "2", "3"}});
  EXPECT_EQ(format_csv(table, 2), "A,B\r\n1,2\r\n");
}

TEST(CsvExport, AFailedWriteIsReportedNotCountedAsSaved) {
  EXPECT_EQ(write_csv(FakeTable({"A"}, {{"1"}}), 1, nullptr), -1);
  // A full disk: the bytes are buffered first, so the failure shows when they are flushed.
  std::FILE* full = std::fopen("/dev/full", "wb");
  if (full == nullptr) GTEST_SKIP() << "no /dev/full here";
  EXPECT_EQ(write_csv(FakeTable({"A"}, {{"1"}, {"2"}}), 1, full), -1);
  std::fclose(full);
}

}  // namespace
}  // namespace tq
