// The task table's logic: the control ids of its sixteen rows, the texts of a task's row,
// the count check, the log-filter check boxes (each header box follows its column and
// sets it) and the TaskLogFilters record that Save sends.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "link/records.h"
#include "ui/resource.h"
#include "ui/window_face.h"

namespace tq {

inline constexpr const char* kTasksCaption = "Tasks";
inline constexpr const char* kTaskCountFailedText = "Failed to get number of tasks from device";
inline constexpr const char* kTooManyTasksFormat =
    "Your firmware has %u tasks and this GUI can only display %d";
inline constexpr const char* kTaskDetailsCaption = "Task Details";
inline constexpr const char* kTaskDetailsFailedText = "Failed to get task details from device";
inline constexpr const char* kTaskSaveCaption = "Save";
inline constexpr const char* kTaskSaveFailedText = "Failed to save settings";
inline constexpr const char* kTaskSavedText = "Settings saved";

inline constexpr int kTaskRowCount = IDC_TASK_ROWS;
// Task indices 0 .. kLastShownTask have a row; a firmware with more cannot be shown.
inline constexpr int kLastShownTask = kTaskRowCount - 1;
static_assert(kTaskRowCount <= static_cast<int>(kMaxTaskFilters));

// A row's control: the row-0 id moved down by the row stride.
[[nodiscard]] constexpr int task_row_id(int row0_id, int row) {
  return row0_id + IDC_TASK_ROW_STRIDE * row;
}

// The ten controls of row `row`, texts first, then the Error, Info and Debug boxes.
[[nodiscard]] std::array<int, 10> task_row_controls(int row);

// The message refusing a task count the table cannot show; nothing when it fits.
[[nodiscard]] std::optional<std::string> too_many_tasks_message(std::uint8_t task_count);

// A task's stack in bytes, in the firmware's unsigned 32-bit address arithmetic: its size
// (end - start + 1; a stack spanning the whole address space wraps to 0) and the part used
// (end - top + 1).
struct StackUsage {
  std::uint32_t used = 0;
  std::uint32_t size = 0;
};
[[nodiscard]] StackUsage stack_usage(const TaskDetails& task);

// Task ID, name, the three stack addresses as "%X", the usage ("----/size" for row 0,
// "used/size" for the others) and the state ("Not a task", "Active", "Inactive").
[[nodiscard]] std::vector<ControlText> task_row_texts(int row, const TaskDetails& task);

// One log-filter column: the severity bit, its header box and its row-0 box.
struct FilterColumn {
  std::uint8_t bit;
  int header_id;
  int row0_id;
};
inline constexpr std::array<FilterColumn, 3> kFilterColumns = {{
    {kLogFilterError, IDC_TASK_HEADER_ERROR, IDC_TASK_ROW0_ERROR},
    {kLogFilterInformation, IDC_TASK_HEADER_INFO, IDC_TASK_ROW0_INFO},
    {kLogFilterDebug, IDC_TASK_HEADER_DEBUG, IDC_TASK_ROW0_DEBUG},
}};

// Whether `id` is one of the three header boxes, or a row's Error, Info or Debug box.
[[nodiscard]] bool is_header_filter_box(int id);
[[nodiscard]] bool is_row_filter_box(int id);

// The filter bits of rows 0 .. last_row as their boxes show them.
struct TaskFilterGrid {
  int last_row = 0;
  std::array<std::uint8_t, kTaskRowCount> filters{};
};

// Every shown row's boxes, then each header box checked exactly when its whole column is.
[[nodiscard]] std::vector<ControlFlag> filter_checks(const TaskFilterGrid& grid);
[[nodiscard]] std::vector<ControlFlag> header_checks(const TaskFilterGrid& grid);

// The grid after the header box `header_id` was set to `checked`: that column of every
// shown row follows it; rows beyond the last stay as they are. Any other id changes nothing.
[[nodiscard]] TaskFilterGrid with_header(TaskFilterGrid grid, int header_id, bool checked);

// Enables the ten controls of each shown row.
[[nodiscard]] std::vector<ControlFlag> shown_rows_enabled(int last_row);

// Byte 1 + i holds row i's bits for the shown rows; every other byte is 0.
[[nodiscard]] TaskLogFilters task_log_filters(const TaskFilterGrid& grid);

}  // namespace tq
