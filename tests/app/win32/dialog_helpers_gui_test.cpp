// The shared dialog helpers on real controls.
// windows.h must come before every other Windows header.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on
#include <gtest/gtest.h>

#include <array>
#include <cstdio>

#include "tests/app/win32/gui_harness_win32.h"
#include "tests/app/win32/list_view_reader_win32.h"
#include "ui/dialog_helpers_win32.h"
#include "ui/epoch.h"
#include "ui/resource.h"

namespace tq::test {
namespace {

constexpr int kList = 100;
constexpr int kEdit = 101;
constexpr int kCheck = 102;
constexpr int kCombo = 103;

// A window holding one control of each kind the helpers serve.
class ControlHost : public testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX),
                                 ICC_WIN95_CLASSES | ICC_DATE_CLASSES};
    InitCommonControlsEx(&classes);
    host_ = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW, 0, 0, 600, 400, nullptr,
                            nullptr, GetModuleHandleA(nullptr), nullptr);
    add(WC_LISTVIEWA, LVS_REPORT, kList);
    add("EDIT", ES_AUTOHSCROLL, kEdit);
    add("BUTTON", BS_AUTO3STATE, kCheck);
    add("COMBOBOX", CBS_DROPDOWNLIST, kCombo);
    add(DATETIMEPICK_CLASSA, DTS_SHORTDATEFORMAT, IDC_SCHEDULE_DATE);
    add(DATETIMEPICK_CLASSA, DTS_TIMEFORMAT, IDC_SCHEDULE_TIME);
  }
  void TearDown() override { DestroyWindow(host_); }

  void add(const char* window_class, DWORD style, int id) {
    CreateWindowExA(0, window_class, "", WS_CHILD | WS_VISIBLE | style, 0, 0, 200, 100, host_,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr),
                    nullptr);
  }
  [[nodiscard]] HWND item(int id) const { return GetDlgItem(host_, id); }

  [[nodiscard]] std::string cell(int row, int column) const {
    return list_cell_text(item(kList), row, column);
  }
  [[nodiscard]] LPARAM row_colour(int row) const { return list_item_data(item(kList), row); }

  void set_pickers(SYSTEMTIME date, SYSTEMTIME time) {
    SendMessageA(item(IDC_SCHEDULE_DATE), DTM_SETSYSTEMTIME, GDT_VALID,
                 reinterpret_cast<LPARAM>(&date));
    SendMessageA(item(IDC_SCHEDULE_TIME), DTM_SETSYSTEMTIME, GDT_VALID,
                 reinterpret_cast<LPARAM>(&time));
  }
  [[nodiscard]] SYSTEMTIME picker(int id) const {
    SYSTEMTIME value{};
    SendMessageA(item(id), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&value));
    return value;
  }

  HWND host_ = nullptr;
};

constexpr std::array<ListColumn, 3> kColumns = {{{"Counter", 10}, {"Name, short", 7}, {"M", 20}}};

std::string file_bytes(std::FILE* file) {
  std::rewind(file);
  std::string bytes;
  for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) bytes += static_cast<char>(c);
  return bytes;
}

TEST_F(ControlHost, ListColumnsAndCellsInsertRewriteAndFillSubItems) {
  add_list_columns(host_, kList, kColumns);
  const int unit = LOWORD(GetDialogBaseUnits());
  EXPECT_EQ(SendMessageA(item(kList), LVM_GETCOLUMNWIDTH, 0, 0), 10 * unit);
  EXPECT_EQ(SendMessageA(item(kList), LVM_GETCOLUMNWIDTH, 2, 0), 20 * unit);
  // A title wider than its column widens the column rather than being cut.
  const ListColumn wide_title[] = {{"Volume Pumped (litre), measured at the outlet", 3}};
  add_list_columns(host_, kList, wide_title);
  EXPECT_GT(SendMessageA(item(kList), LVM_GETCOLUMNWIDTH, 0, 0),
            SendMessageA(item(kList), LVM_GETSTRINGWIDTHA, 0,
                         reinterpret_cast<LPARAM>(wide_title[0].title)));
  SendMessageA(item(kList), LVM_DELETECOLUMN, 0, 0);
  // So does the widest text its cells can show.
  const ListColumn wide_cells[] = {{"T", 3, "stabilized incomplete sample"}};
  add_list_columns(host_, kList, wide_cells);
  EXPECT_GT(SendMessageA(item(kList), LVM_GETCOLUMNWIDTH, 0, 0),
            SendMessageA(item(kList), LVM_GETSTRINGWIDTHA, 0,
                         reinterpret_cast<LPARAM>(wide_cells[0].widest)));
  SendMessageA(item(kList), LVM_DELETECOLUMN, 0, 0);

  EXPECT_EQ(set_list_cell_f(host_, kList, 0, 0, RGB(255, 0, 0), "%08d", 42), 0);
  set_list_cell_f(host_, kList, 0, 1, 0, "%02d", 3);
  EXPECT_EQ(set_list_cell_f(host_, kList, 0, 0, RGB(0, 0, 255), "%s", "newer"), 0);
  EXPECT_EQ(cell(0, 0), "newer");
  EXPECT_EQ(cell(1, 0), "00000042");
  EXPECT_EQ(cell(1, 1), "03");
  EXPECT_EQ(row_colour(1), static_cast<LPARAM>(RGB(255, 0, 0)));

  // Column -1 rewrites the first cell and colour in place; other cells stay.
  EXPECT_TRUE(set_list_cell_f(host_, kList, 1, -1, RGB(0, 0, 0), "%s", "rewritten"));
  EXPECT_EQ(cell(1, 0), "rewritten");
  EXPECT_EQ(cell(1, 1), "03");
  EXPECT_EQ(row_colour(1), static_cast<LPARAM>(RGB(0, 0, 0)));
  EXPECT_EQ(SendMessageA(item(kList), LVM_GETITEMCOUNT, 0, 0), 2);

  // A text of 256 characters or more changes nothing and gives the row back.
  EXPECT_EQ(set_list_cell_f(host_, kList, 1, 1, 0, "%s", std::string(300, 'x').c_str()), 1);
  EXPECT_EQ(cell(1, 1), "03");
  EXPECT_EQ(set_list_cell_f(host_, kList, 5, 0, 0, "%s", std::string(256, 'x').c_str()), 5);
  EXPECT_EQ(SendMessageA(item(kList), LVM_GETITEMCOUNT, 0, 0), 2);
}

TEST_F(ControlHost, ListExportQuotesWhatNeedsItAndReportsFailedWrites) {
  add_list_columns(host_, kList, kColumns);
  set_list_cell_f(host_, kList, 0, 0, 0, "%s", "00000042");
  set_list_cell_f(host_, kList, 0, 1, 0, "%s", "say \"hi\"");
  set_list_cell_f(host_, kList, 0, 2, 0, "%s", "motor 2, stalled");
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(write_list_csv(host_, kList, 3, file), 1);
  EXPECT_EQ(file_bytes(file),
            "Counter,\"Name, short\",M\r\n00000042,\"say \"\"hi\"\"\",\"motor 2, stalled\"\r\n");
  std::fclose(file);

  // A file that cannot be written is a failure, not a saved log.
  std::array<char, MAX_PATH> directory{};
  std::array<char, MAX_PATH> path{};
  GetTempPathA(static_cast<DWORD>(directory.size()), directory.data());
  GetTempFileNameA(directory.data(), "tq", 0, path.data());
  std::FILE* read_only = std::fopen(path.data(), "rb");
  ASSERT_NE(read_only, nullptr);
  EXPECT_EQ(write_list_csv(host_, kList, 3, read_only), -1);
  std::fclose(read_only);
  DeleteFileA(path.data());
}

TEST_F(ControlHost, OverlongTextsLeaveTargetsUnchanged) {
  set_item_text_f(host_, kEdit, "%s and %d", "kept", 1);
  EXPECT_EQ(GuiHarness::item_text(host_, kEdit), "kept and 1");
  set_item_text_f(host_, kEdit, "%s", std::string(300, 'x').c_str());
  EXPECT_EQ(GuiHarness::item_text(host_, kEdit), "kept and 1");

  ModalAnswerer answer(IDOK);
  EXPECT_EQ(message_box_f(host_, "Caption", MB_OK, "%s", std::string(256, 'x').c_str()), 0);
  EXPECT_TRUE(answer.seen().empty());
  EXPECT_EQ(message_box_f(host_, "Save", MB_OK, "Saved to %s", "log.csv"), IDOK);
  ASSERT_EQ(answer.seen().size(), 1u);
  EXPECT_EQ(answer.seen()[0].text, "Saved to log.csv");
  EXPECT_EQ(answer.seen()[0].caption, "Save");
}

TEST_F(ControlHost, EntriesChecksCombosAndTooltips) {
  SetWindowTextA(item(kEdit), "0.0000000000000000000001");  // the 1 is the 24th character
  EXPECT_EQ(get_item_double(host_, kEdit), 0.0);
  SetWindowTextA(item(kEdit), "  12.5e1 litres");
  EXPECT_DOUBLE_EQ(get_item_double(host_, kEdit), 125.0);
  SetWindowTextA(item(kEdit), "300");
  EXPECT_EQ(get_item_unsigned(host_, kEdit, 255), 255u);

  set_checked(host_, kCheck, true);
  EXPECT_TRUE(is_checked(host_, kCheck));
  SendMessageA(item(kCheck), BM_SETCHECK, BST_INDETERMINATE, 0);
  EXPECT_FALSE(is_checked(host_, kCheck));
  set_checked(host_, kCheck, false);
  EXPECT_FALSE(is_checked(host_, kCheck));

  constexpr std::array<ComboValue, 2> kValues = {{{10, "ten"}, {255, "all"}}};
  fill_combo(host_, kCombo, kValues);
  EXPECT_EQ(get_combo_value(host_, kCombo, kValues), 0u);  // nothing selected
  select_combo(host_, kCombo, kValues, 255);
  EXPECT_EQ(get_combo_value(host_, kCombo, kValues), 255u);

  EXPECT_EQ(add_tooltip(999, host_, "nowhere"), nullptr);
  EXPECT_NE(add_tooltip(kEdit, host_, "Supply voltage (V)"), nullptr);
}

TEST_F(ControlHost, PickersConvertWithUtcArithmeticWithinTheValidRange) {
  set_pickers({1970, 1, 4, 1, 0, 0, 0, 0}, {2000, 6, 0, 15, 0, 0, 0, 0});
  EXPECT_EQ(pickers_to_epoch(host_), 0u);
  set_pickers({2038, 1, 2, 19, 0, 0, 0, 0}, {2000, 6, 0, 15, 3, 14, 7, 0});
  EXPECT_EQ(pickers_to_epoch(host_), 2147483647u);
  set_pickers({2038, 1, 2, 19, 0, 0, 0, 0}, {2000, 6, 0, 15, 3, 14, 8, 0});
  EXPECT_EQ(pickers_to_epoch(host_), kEpochInvalid);
  set_pickers({1969, 12, 3, 31, 0, 0, 0, 0}, {2000, 6, 0, 15, 11, 59, 59, 0});
  EXPECT_EQ(pickers_to_epoch(host_), kEpochInvalid);

  EXPECT_EQ(epoch_to_pickers(host_, 1783418400u), 1);  // 07/07/2026 10:00:00
  EXPECT_EQ(picker(IDC_SCHEDULE_DATE).wYear, 2026);
  EXPECT_EQ(picker(IDC_SCHEDULE_DATE).wMonth, 7);
  EXPECT_EQ(picker(IDC_SCHEDULE_DATE).wDay, 7);
  EXPECT_EQ(picker(IDC_SCHEDULE_TIME).wHour, 10);
  EXPECT_EQ(pickers_to_epoch(host_), 1783418400u);

  EXPECT_EQ(epoch_to_pickers(host_, static_cast<std::uint32_t>(-43201)), 0);
  EXPECT_EQ(picker(IDC_SCHEDULE_DATE).wYear, 2026);  // unchanged
}

// Day first and 24-hour, whatever the locale says.
TEST_F(ControlHost, PickersShowTheProgramsOwnFormats) {
  set_picker_formats(host_, IDC_SCHEDULE_DATE, IDC_SCHEDULE_TIME);
  set_pickers({2024, 2, 4, 29, 0, 0, 0, 0}, {2000, 6, 0, 15, 18, 5, 9, 0});
  EXPECT_EQ(window_text(item(IDC_SCHEDULE_DATE)), "29/02/2024");
  EXPECT_EQ(window_text(item(IDC_SCHEDULE_TIME)), "18:05:09");
}

// Each picker gives only its own half of the moment, whatever the other half of its value.
TEST_F(ControlHost, APickerPairGivesTheDateOfOneAndTheTimeOfTheOther) {
  set_pickers({2024, 2, 4, 29, 7, 8, 9, 0}, {1999, 12, 5, 31, 23, 59, 58, 0});
  const CalendarTime moment = pickers_calendar(host_, IDC_SCHEDULE_DATE, IDC_SCHEDULE_TIME);
  EXPECT_EQ(moment.year, 2024);
  EXPECT_EQ(moment.month, 2);
  EXPECT_EQ(moment.day, 29);
  EXPECT_EQ(moment.hour, 23);
  EXPECT_EQ(moment.minute, 59);
  EXPECT_EQ(moment.second, 58);
}

}  // namespace
}  // namespace tq::test
