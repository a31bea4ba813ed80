// Win32 side of the shared dialog helpers.
#include "ui/dialog_helpers_win32.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <cstdarg>
#include <string>
#include <vector>

#include "ui/csv_export.h"
#include "ui/entry_parse.h"
#include "ui/epoch.h"
#include "ui/resource.h"

namespace tq {
namespace {

// List-view texts are read through a buffer of this size (255 characters and a NUL).
constexpr int kCellBuffer = 256;
// Room the header needs around a column title.
constexpr int kHeaderPadding = 16;

class ListViewTable final : public CellTable {
 public:
  explicit ListViewTable(HWND list) : list_(list) {}

  std::string column_title(int column) const override {
    std::array<char, kCellBuffer> text{};
    LVCOLUMNA col{};
    col.mask = LVCF_TEXT;
    col.pszText = text.data();
    col.cchTextMax = kCellBuffer;
    SendMessageA(list_, LVM_GETCOLUMNA, static_cast<WPARAM>(column),
                 reinterpret_cast<LPARAM>(&col));
    return text.data();
  }

  int row_count() const override {
    return static_cast<int>(SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0));
  }

  std::string cell(int row, int column) const override {
    std::array<char, kCellBuffer> text{};
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.iSubItem = column;
    item.pszText = text.data();
    item.cchTextMax = kCellBuffer;
    SendMessageA(list_, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    // The list may answer with a pointer of its own instead of filling the buffer.
    return item.pszText != nullptr ? std::string(item.pszText) : std::string();
  }

 private:
  HWND list_;
};

}  // namespace

std::string window_text(HWND window) {
  const int length = GetWindowTextLengthA(window);
  if (length <= 0) return {};
  std::vector<char> text(static_cast<std::size_t>(length) + 1);
  const int copied = GetWindowTextA(window, text.data(), length + 1);
  return std::string(text.data(), static_cast<std::size_t>(copied > 0 ? copied : 0));
}

void set_item_text_f(HWND dialog, int control_id, const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  const auto text = format_text_v(format, args);
  va_end(args);
  if (text) SetDlgItemTextA(dialog, control_id, text->c_str());
}

void set_status_text_f(HWND status_bar, int part, const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  const auto text = format_text_v(format, args);
  va_end(args);
  if (text) {
    SendMessageA(status_bar, SB_SETTEXTA, static_cast<WPARAM>(part),
                 reinterpret_cast<LPARAM>(text->c_str()));
  }
}

int message_box_f(HWND owner, const char* caption, UINT style, const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  const auto text = format_text_v(format, args);
  va_end(args);
  if (!text) return 0;
  return MessageBoxA(owner, text->c_str(), caption, style);
}

void add_list_columns(HWND dialog, int list_id, std::span<const ListColumn> columns) {
  const HWND list = GetDlgItem(dialog, list_id);
  const int base_unit = LOWORD(GetDialogBaseUnits());
  int index = 0;
  for (const ListColumn& column : columns) {
    std::string title = column.title;
    LVCOLUMNA col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH;
    col.pszText = title.data();
    // At least as wide as the title and the widest cell, so that nothing is cut off.
    const auto text_width = [list](const char* text) {
      return static_cast<int>(
          SendMessageA(list, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(text)));
    };
    int needed = text_width(title.c_str());
    if (column.widest != nullptr) needed = std::max(needed, text_width(column.widest));
    col.cx = std::max(column.width_chars * base_unit, needed + kHeaderPadding);
    SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&col));
    ++index;
  }
}

int set_list_cell_f(HWND dialog, int list_id, int row, int column, COLORREF colour,
                    const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  auto text = format_text_v(format, args);
  va_end(args);
  if (!text) return row;
  const HWND list = GetDlgItem(dialog, list_id);
  LVITEMA item{};
  item.iItem = row;
  item.pszText = text->data();
  if (column == 0 || column == -1) {
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iSubItem = 0;
    item.lParam = static_cast<LPARAM>(colour);
    const UINT message = column == 0 ? LVM_INSERTITEMA : LVM_SETITEMA;
    return static_cast<int>(SendMessageA(list, message, 0, reinterpret_cast<LPARAM>(&item)));
  }
  item.mask = LVIF_TEXT;
  item.iSubItem = column;
  return static_cast<int>(SendMessageA(list, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

int write_list_csv(HWND dialog, int list_id, int column_count, std::FILE* file) {
  const ListViewTable table(GetDlgItem(dialog, list_id));
  return write_csv(table, column_count, file);
}

HWND add_tooltip(int control_id, HWND dialog, const char* text) {
  const HWND control = GetDlgItem(dialog, control_id);
  if (control == nullptr) return nullptr;
  const HWND tooltip =
      CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOANIMATE | TTS_NOFADE,
                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr,
                      GetModuleHandleA(nullptr), nullptr);
  if (tooltip == nullptr) return nullptr;
  TTTOOLINFOA tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = dialog;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = const_cast<char*>(text);  // the tooltip only reads it
  if (SendMessageA(tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool)) == FALSE) {
    DestroyWindow(tooltip);
    return nullptr;
  }
  return tooltip;
}

void fill_combo(HWND dialog, int combo_id, std::span<const ComboValue> table) {
  for (const ComboValue& entry : table) {
    SendDlgItemMessageA(dialog, combo_id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.text));
  }
}

void fill_combo(HWND dialog, int combo_id, std::span<const std::string> texts) {
  for (const std::string& text : texts) {
    SendDlgItemMessageA(dialog, combo_id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
}

void select_combo(HWND dialog, int combo_id, std::span<const ComboValue> table,
                  std::uint32_t value) {
  SendDlgItemMessageA(dialog, combo_id, CB_SETCURSEL,
                      static_cast<WPARAM>(combo_index_of(table, value)), 0);
}

std::uint32_t get_combo_value(HWND dialog, int combo_id, std::span<const ComboValue> table) {
  const auto index = static_cast<int>(SendDlgItemMessageA(dialog, combo_id, CB_GETCURSEL, 0, 0));
  return combo_value_at(table, index);
}

double get_item_double(HWND dialog, int control_id) {
  std::array<char, kDoubleEntryLimit + 1> text{};
  GetDlgItemTextA(dialog, control_id, text.data(), static_cast<int>(text.size()));
  return parse_double_entry(text.data());
}

std::uint32_t get_item_unsigned(HWND dialog, int control_id, std::uint32_t max) {
  return parse_unsigned_entry(window_text(GetDlgItem(dialog, control_id)), max);
}

bool is_checked(HWND dialog, int button_id) {
  const auto state = SendDlgItemMessageA(dialog, button_id, BM_GETSTATE, 0, 0);
  return (state & BST_CHECKED) != 0 && (state & BST_INDETERMINATE) == 0;
}

void set_checked(HWND dialog, int button_id, bool flag) {
  SendDlgItemMessageA(dialog, button_id, BM_SETCHECK, flag ? BST_CHECKED : BST_UNCHECKED, 0);
}

int epoch_to_pickers(HWND dialog, std::uint32_t value) {
  SYSTEMTIME time{};
  GetSystemTime(&time);
  const auto calendar = epoch_breakdown(value);
  if (!calendar) return 0;
  time.wYear = static_cast<WORD>(calendar->year);
  time.wMonth = static_cast<WORD>(calendar->month);
  time.wDay = static_cast<WORD>(calendar->day);
  time.wHour = static_cast<WORD>(calendar->hour);
  time.wMinute = static_cast<WORD>(calendar->minute);
  time.wSecond = static_cast<WORD>(calendar->second);
  FILETIME file_time{};
  if (!SystemTimeToFileTime(&time, &file_time)) return 0;
  for (const int picker : {IDC_SCHEDULE_DATE, IDC_SCHEDULE_TIME}) {
    SendDlgItemMessageA(dialog, picker, DTM_SETSYSTEMTIME, GDT_VALID,
                        reinterpret_cast<LPARAM>(&time));
  }
  return 1;
}

std::uint32_t pickers_to_epoch(HWND dialog) {
  return calendar_to_epoch(pickers_calendar(dialog, IDC_SCHEDULE_DATE, IDC_SCHEDULE_TIME));
}

void set_picker_formats(HWND dialog, int date_picker_id, int time_picker_id) {
  SendDlgItemMessageA(dialog, date_picker_id, DTM_SETFORMATA, 0,
                      reinterpret_cast<LPARAM>("dd/MM/yyyy"));
  SendDlgItemMessageA(dialog, time_picker_id, DTM_SETFORMATA, 0,
                      reinterpret_cast<LPARAM>("HH:mm:ss"));
}

CalendarTime pickers_calendar(HWND dialog, int date_picker_id, int time_picker_id) {
  SYSTEMTIME date{};
  SYSTEMTIME clock{};
  SendDlgItemMessageA(dialog, date_picker_id, DTM_GETSYSTEMTIME, 0,
                      reinterpret_cast<LPARAM>(&date));
  SendDlgItemMessageA(dialog, time_picker_id, DTM_GETSYSTEMTIME, 0,
                      reinterpret_cast<LPARAM>(&clock));
  CalendarTime moment;
  moment.year = date.wYear;
  moment.month = date.wMonth;
  moment.day = date.wDay;
  moment.hour = clock.wHour;
  moment.minute = clock.wMinute;
  moment.second = clock.wSecond;
  return moment;
}

}  // namespace tq
