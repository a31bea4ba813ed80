// Rows, filter boxes and the filter record of the task table.
#include "diagnostics/task_table.h"

#include <algorithm>

#include "ui/text_format.h"

namespace tq {
namespace {

std::string formatted(std::optional<std::string> text) { return text ? *text : std::string(); }

bool whole_column_has(const TaskFilterGrid& grid, std::uint8_t bit) {
  for (int row = 0; row <= grid.last_row; ++row) {
    if ((grid.filters[static_cast<std::size_t>(row)] & bit) == 0) return false;
  }
  return true;
}

int clamped_last_row(int last_row) { return std::clamp(last_row, 0, kLastShownTask); }

}  // namespace

std::array<int, 10> task_row_controls(int row) {
  return {
      task_row_id(IDC_TASK_ROW0_ID, row),          task_row_id(IDC_TASK_ROW0_NAME, row),
      task_row_id(IDC_TASK_ROW0_STACK_START, row), task_row_id(IDC_TASK_ROW0_STACK_END, row),
      task_row_id(IDC_TASK_ROW0_STACK_TOP, row),   task_row_id(IDC_TASK_ROW0_STACK_USAGE, row),
      task_row_id(IDC_TASK_ROW0_STATE, row),       task_row_id(IDC_TASK_ROW0_ERROR, row),
      task_row_id(IDC_TASK_ROW0_INFO, row),        task_row_id(IDC_TASK_ROW0_DEBUG, row),
  };
}

std::optional<std::string> too_many_tasks_message(std::uint8_t task_count) {
  if (task_count <= kLastShownTask) return std::nullopt;
  return format_text(kTooManyTasksFormat, static_cast<unsigned>(task_count), kLastShownTask);
}

StackUsage stack_usage(const TaskDetails& task) {
  return {task.stack_end - task.stack_top + 1, task.stack_end - task.stack_start + 1};
}

std::vector<ControlText> task_row_texts(int row, const TaskDetails& task) {
  const auto [used, size] = stack_usage(task);
  const bool is_task = row != 0;
  return {
      {task_row_id(IDC_TASK_ROW0_ID, row), formatted(format_text("%d", row))},
      {task_row_id(IDC_TASK_ROW0_NAME, row), FieldText(task.name)},
      {task_row_id(IDC_TASK_ROW0_STACK_START, row),
       formatted(format_text("%X", static_cast<unsigned>(task.stack_start)))},
      {task_row_id(IDC_TASK_ROW0_STACK_END, row),
       formatted(format_text("%X", static_cast<unsigned>(task.stack_end)))},
      {task_row_id(IDC_TASK_ROW0_STACK_TOP, row),
       formatted(format_text("%X", static_cast<unsigned>(task.stack_top)))},
      {task_row_id(IDC_TASK_ROW0_STACK_USAGE, row),
       is_task ? formatted(
                     format_text("%u/%u", static_cast<unsigned>(used), static_cast<unsigned>(size)))
               : formatted(format_text("----/%u", static_cast<unsigned>(size)))},
      {task_row_id(IDC_TASK_ROW0_STATE, row),
       !is_task ? "Not a task" : (task.state != 0 ? "Active" : "Inactive")},
  };
}

bool is_header_filter_box(int id) {
  return std::any_of(kFilterColumns.begin(), kFilterColumns.end(),
                     [id](const FilterColumn& column) { return column.header_id == id; });
}

bool is_row_filter_box(int id) {
  for (int row = 0; row < kTaskRowCount; ++row) {
    for (const FilterColumn& column : kFilterColumns) {
      if (task_row_id(column.row0_id, row) == id) return true;
    }
  }
  return false;
}

std::vector<ControlFlag> filter_checks(const TaskFilterGrid& grid) {
  std::vector<ControlFlag> checks;
  for (int row = 0; row <= clamped_last_row(grid.last_row); ++row) {
    for (const FilterColumn& column : kFilterColumns) {
      checks.push_back({task_row_id(column.row0_id, row),
                        (grid.filters[static_cast<std::size_t>(row)] & column.bit) != 0});
    }
  }
  const std::vector<ControlFlag> headers = header_checks(grid);
  checks.insert(checks.end(), headers.begin(), headers.end());
  return checks;
}

std::vector<ControlFlag> header_checks(const TaskFilterGrid& grid) {
  TaskFilterGrid shown = grid;
  shown.last_row = clamped_last_row(grid.last_row);
  std::vector<ControlFlag> checks;
  checks.reserve(kFilterColumns.size());
  for (const FilterColumn& column : kFilterColumns) {
    checks.push_back({column.header_id, whole_column_has(shown, column.bit)});
  }
  return checks;
}

TaskFilterGrid with_header(TaskFilterGrid grid, int header_id, bool checked) {
  for (const FilterColumn& column : kFilterColumns) {
    if (column.header_id != header_id) continue;
    for (int row = 0; row <= clamped_last_row(grid.last_row); ++row) {
      std::uint8_t& bits = grid.filters[static_cast<std::size_t>(row)];
      bits = static_cast<std::uint8_t>(checked ? bits | column.bit : bits & ~column.bit);
    }
  }
  return grid;
}

std::vector<ControlFlag> shown_rows_enabled(int last_row) {
  std::vector<ControlFlag> enabled;
  for (int row = 0; row <= clamped_last_row(last_row); ++row) {
    for (const int id : task_row_controls(row)) enabled.push_back({id, true});
  }
  return enabled;
}

TaskLogFilters task_log_filters(const TaskFilterGrid& grid) {
  TaskLogFilters filters;
  for (int row = 0; row <= clamped_last_row(grid.last_row); ++row) {
    const auto index = static_cast<std::size_t>(row);
    filters.filters[index] = grid.filters[index];
  }
  return filters;
}

}  // namespace tq
