// Helpers shared by every dialog and view: formatted texts into controls, the status bar
// and message boxes; list-view columns, cells and export; tooltips; combo, edit and
// check-box access; timestamps in date and time pickers.
//
// They keep no state. Call them on the thread of the window they change: a poll routine
// never calls them, it publishes its results through its poll feed (poll_feed.h) and the
// window applies them on its own thread. Formatted texts of 256 characters or more change
// nothing; set_item_text (window_kit_win32.h) sets a plain text of any length.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

#include "ui/dialog_tables.h"
#include "ui/epoch.h"
#include "ui/text_format.h"

namespace tq {

void set_item_text_f(HWND dialog, int control_id, const char* format, ...) TQ_PRINTF_FORMAT(3, 4);
void set_status_text_f(HWND status_bar, int part, const char* format, ...) TQ_PRINTF_FORMAT(3, 4);
// The button pressed, or 0 when nothing was shown.
int message_box_f(HWND owner, const char* caption, UINT style, const char* format, ...)
    TQ_PRINTF_FORMAT(4, 5);

// Inserts the columns in order, each width_chars dialog base units wide, or wider where
// its title or its widest cell text needs it.
void add_list_columns(HWND dialog, int list_id, std::span<const ListColumn> columns);

// Column 0 inserts a new item at `row` (the colour as its parameter) and returns its
// index; column -1 rewrites item `row`'s first cell and parameter in place; any other
// column sets that sub-item's text. Returns the list's answer, or `row` when the text
// was too long and nothing changed.
int set_list_cell_f(HWND dialog, int list_id, int row, int column, COLORREF colour,
                    const char* format, ...) TQ_PRINTF_FORMAT(6, 7);

// Writes the list as comma-separated text (see csv_export.h; open the file with "wb").
// Returns the number of rows written, or -1 when writing failed.
[[nodiscard]] int write_list_csv(HWND dialog, int list_id, int column_count, std::FILE* file);

// A tooltip showing `text` (which must outlive the dialog) over the control; null when the
// control does not exist or the tooltip cannot be made.
HWND add_tooltip(int control_id, HWND dialog, const char* text);

// Adds the table's texts in its order, so an entry's index in the box is its row in the table.
void fill_combo(HWND dialog, int combo_id, std::span<const ComboValue> table);
// The same for a list of plain texts.
void fill_combo(HWND dialog, int combo_id, std::span<const std::string> texts);
// Selects the entry of a box filled from `table` that holds `value` (combo_index_of).
void select_combo(HWND dialog, int combo_id, std::span<const ComboValue> table,
                  std::uint32_t value);
[[nodiscard]] std::uint32_t get_combo_value(HWND dialog, int combo_id,
                                            std::span<const ComboValue> table);
// The control's text as a decimal fraction (parse_double_entry).
[[nodiscard]] double get_item_double(HWND dialog, int control_id);
// The control's text as an unsigned integer limited to `max` (parse_unsigned_entry).
[[nodiscard]] std::uint32_t get_item_unsigned(HWND dialog, int control_id, std::uint32_t max);
[[nodiscard]] bool is_checked(HWND dialog, int button_id);
void set_checked(HWND dialog, int button_id, bool flag);

// The schedule dialog's date picker (IDC_SCHEDULE_DATE) and time picker
// (IDC_SCHEDULE_TIME). 1 when both pickers now show the value, 0 (pickers unchanged) when it is
// invalid.
int epoch_to_pickers(HWND dialog, std::uint32_t value);
// The pickers' moment as EpochSeconds; kEpochInvalid outside the valid range.
[[nodiscard]] std::uint32_t pickers_to_epoch(HWND dialog);
// Shows a pair of pickers in the program's own formats, day first and 24-hour
// ("dd/MM/yyyy", "HH:mm:ss"), whatever the system's locale, as every other time the
// program shows.
void set_picker_formats(HWND dialog, int date_picker_id, int time_picker_id);
// The moment a pair of pickers shows: year, month and day of the date picker, hour, minute
// and second of the time picker (milliseconds dropped). Any dialog's pair.
[[nodiscard]] CalendarTime pickers_calendar(HWND dialog, int date_picker_id, int time_picker_id);

// The text of a window or control (any length).
[[nodiscard]] std::string window_text(HWND window);

}  // namespace tq
