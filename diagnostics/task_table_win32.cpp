// The task table's dialog procedure: the tasks read once when it opens, the log-filter
// boxes with their header boxes, and Save.
#include "diagnostics/task_table_win32.h"

#include <string>

#include "diagnostics/task_table.h"
#include "link/commands.h"
#include "ui/dialog_frame_win32.h"
#include "ui/dialog_helpers_win32.h"
#include "ui/resource.h"
#include "ui/window_kit_win32.h"

namespace tq {
namespace {

constexpr std::uint8_t kFilterBits = kLogFilterError | kLogFilterInformation | kLogFilterDebug;

struct TaskTableState {
  WindowContext context;
  int last_row = 0;  // the task count N: rows 0 .. N are shown
};

TaskFilterGrid read_filter_grid(HWND dialog, int last_row) {
  TaskFilterGrid grid;
  grid.last_row = last_row;
  for (int row = 0; row <= last_row; ++row) {
    for (const FilterColumn& column : kFilterColumns) {
      if (is_checked(dialog, task_row_id(column.row0_id, row))) {
        grid.filters[static_cast<std::size_t>(row)] |= column.bit;
      }
    }
  }
  return grid;
}

// The task count, or nothing after telling the operator why the table cannot be shown.
std::optional<std::uint8_t> read_task_count(HWND dialog, Connection* connection,
                                            const char* failure_text, const char* caption) {
  std::uint8_t count = 0;
  if (GetTaskCount(connection, &count) != kResultOk) {
    MessageBoxA(dialog, failure_text, caption, MB_OK);
    return std::nullopt;
  }
  if (const auto refusal = too_many_tasks_message(count)) {
    MessageBoxA(dialog, refusal->c_str(), kTasksCaption, MB_OK);
    return std::nullopt;
  }
  return count;
}

bool fill_task_rows(HWND dialog, Connection* connection, int last_row) {
  TaskFilterGrid grid;
  grid.last_row = last_row;
  for (int row = 0; row <= last_row; ++row) {
    set_item_text(dialog, task_row_id(IDC_TASK_ROW0_ID, row), std::to_string(row));
    TaskDetails task;
    if (GetTaskDetails(connection, static_cast<std::uint8_t>(row), &task) != kResultOk) {
      return false;
    }
    apply_texts(dialog, task_row_texts(row, task));
    grid.filters[static_cast<std::size_t>(row)] = task.log_filters & kFilterBits;
  }
  apply_checked(dialog, filter_checks(grid));
  return true;
}

// Reads and shows the tasks; false (the dialog then ends) when they cannot be shown.
bool on_init(HWND dialog, TaskTableState& state, LPARAM lparam) {
  state.context = *context_of(lparam);
  Connection* connection = state.context.connection.get();
  if (!read_task_count(dialog, connection, kTaskCountFailedText, kTasksCaption)) return false;
  // Read again right before the rows: the count that goes with them.
  const auto count =
      read_task_count(dialog, connection, kTaskDetailsFailedText, kTaskDetailsCaption);
  if (!count) return false;
  state.last_row = *count;
  if (!fill_task_rows(dialog, connection, state.last_row)) {
    MessageBoxA(dialog, kTaskDetailsFailedText, kTaskDetailsCaption, MB_OK);
    return false;
  }
  apply_enabled(dialog, shown_rows_enabled(state.last_row));
  return true;
}

void on_save(HWND dialog, const TaskTableState& state) {
  const TaskLogFilters filters = task_log_filters(read_filter_grid(dialog, state.last_row));
  const bool saved = SetTaskConfig(state.context.connection.get(), filters) == kResultOk;
  MessageBoxA(dialog, saved ? kTaskSavedText : kTaskSaveFailedText, kTaskSaveCaption, MB_OK);
}

bool on_command(HWND dialog, const TaskTableState& state, int id, int code) {
  if (is_header_filter_box(id)) {
    if (code != BN_CLICKED) return true;
    const TaskFilterGrid grid =
        with_header(read_filter_grid(dialog, state.last_row), id, is_checked(dialog, id));
    apply_checked(dialog, filter_checks(grid));
  } else if (is_row_filter_box(id)) {
    if (code == BN_CLICKED) {
      apply_checked(dialog, header_checks(read_filter_grid(dialog, state.last_row)));
    }
  } else if (id == IDC_TASK_SAVE) {
    on_save(dialog, state);
  } else {
    return false;
  }
  return true;
}

INT_PTR on_message(HWND dialog, TaskTableState& state, UINT message, WPARAM wparam,
                   LPARAM /*lparam*/) {
  if (message != WM_COMMAND) return FALSE;
  return on_command(dialog, state, LOWORD(wparam), HIWORD(wparam)) ? TRUE : FALSE;
}

constexpr DialogFrame<TaskTableState> kTaskTableFrame{on_init, on_message, end_cancelled};

INT_PTR CALLBACK task_table_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  return run_dialog_frame(kTaskTableFrame, dialog, message, wparam, lparam);
}

}  // namespace

INT_PTR open_task_table_dialog(HWND owner, const WindowContext& context) {
  return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_TASKS), owner,
                         task_table_proc, as_creation_parameter(context));
}

}  // namespace tq
