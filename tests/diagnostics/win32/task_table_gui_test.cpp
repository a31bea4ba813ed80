// The task table under Wine, opened from the Diagnostics view's Tasks... button against the
// simulated instrument: the rows it shows for each task count, the header boxes, Save and
// every failure message.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "diagnostics/task_table.h"
#include "link/commands.h"
#include "sim/diagnostic_log.h"
#include "tests/diagnostics/win32/diagnostics_rig_win32.h"
#include "ui/resource.h"

namespace tq::test {
namespace {

struct TaskTableRun {
  bool dialog_shown = false;
  std::vector<ModalSeen> boxes;  // the message boxes, in order
};

// Presses Tasks... in the view. `drive` is called with the task table about every 20 ms
// until it returns true, by when it must have closed it; message boxes are noted and
// answered OK.
TaskTableRun run_task_table(DiagnosticsRig& rig, const std::function<bool(HWND)>& drive) {
  TaskTableRun run;
  ModalScript script([&](HWND modal) {
    if (GetDlgItem(modal, IDC_TASK_SAVE) != nullptr) {
      run.dialog_shown = true;
      return drive(modal);
    }
    run.boxes.push_back(describe_modal(modal));
    PostMessageA(modal, WM_COMMAND, IDOK, 0);
    return true;
  });
  rig.press(IDC_TASKS);
  return run;
}

// Presses the space bar into a control of the dialog, as the keyboard does.
void press_in(HWND dialog, int control_id) {
  const HWND control = GetDlgItem(dialog, control_id);
  SetFocus(control);
  post_key(control, VK_SPACE);
}

void close_with_escape(HWND dialog) {
  const HWND focus = GetFocus();
  post_key(focus != nullptr ? focus : dialog, VK_ESCAPE);
}

// The instrument reports `count` tasks: indices 0 .. count.
void set_task_count(sim::Instrument& in, std::size_t count) {
  while (in.tasks.size() < count + 1) {
    sim::Task task = in.tasks.back();
    task.name = sim::Printf("worker%zu", in.tasks.size());
    in.tasks.push_back(task);
  }
  in.tasks.resize(count + 1);
}

bool enabled(HWND dialog, int control_id) {
  return IsWindowEnabled(GetDlgItem(dialog, control_id)) != FALSE;
}

sim::FaultRule refusal(std::uint8_t command) {
  sim::FaultRule rule;
  rule.action.result = 3;
  rule.command = command;
  return rule;
}

TEST(TaskTableGui, ACountOf15ShowsAllSixteenRows) {
  DiagnosticsRig rig([](sim::Instrument& in) { set_task_count(in, 15); });
  std::vector<std::string> ids;
  std::vector<std::string> names;
  bool all_enabled = true;
  std::string state0;
  std::string state15;
  const TaskTableRun run = run_task_table(rig, [&](HWND dialog) {
    for (int row = 0; row < kTaskRowCount; ++row) {
      ids.push_back(control_text(dialog, task_row_id(IDC_TASK_ROW0_ID, row)));
      names.push_back(control_text(dialog, task_row_id(IDC_TASK_ROW0_NAME, row)));
      for (const int id : task_row_controls(row)) all_enabled = all_enabled && enabled(dialog, id);
    }
    state0 = control_text(dialog, IDC_TASK_ROW0_STATE);
    state15 = control_text(dialog, task_row_id(IDC_TASK_ROW0_STATE, 15));
    close_with_escape(dialog);
    return true;
  });
  ASSERT_TRUE(run.dialog_shown);
  EXPECT_TRUE(run.boxes.empty());
  ASSERT_EQ(ids.size(), 16u);
  for (int row = 0; row < kTaskRowCount; ++row) {
    EXPECT_EQ(ids[static_cast<std::size_t>(row)], std::to_string(row));
  }
  EXPECT_EQ(names[0], "ISR");
  EXPECT_EQ(names[15], "worker15");
  EXPECT_TRUE(all_enabled);
  EXPECT_EQ(state0, "Not a task");
  EXPECT_EQ(state15, "Active");
  EXPECT_EQ(rig.count(kCmdGetTaskCount), 2u);
  EXPECT_EQ(rig.count(kCmdGetTaskDetails), 16u);
}

TEST(TaskTableGui, SixteenTasksAreRefusedWithoutAskingForTheirDetails) {
  DiagnosticsRig rig([](sim::Instrument& in) { set_task_count(in, 16); });
  const TaskTableRun run = run_task_table(rig, [](HWND dialog) {
    close_with_escape(dialog);
    return true;
  });
  EXPECT_FALSE(run.dialog_shown);
  ASSERT_EQ(run.boxes.size(), 1u);
  EXPECT_EQ(run.boxes[0].caption, "Tasks");
  EXPECT_EQ(run.boxes[0].text, "Your firmware has 16 tasks and this GUI can only display 15");
  EXPECT_EQ(rig.count(kCmdGetTaskDetails), 0u);
}

TEST(TaskTableGui, ACountOf0ShowsRowZeroOnly) {
  DiagnosticsRig rig([](sim::Instrument& in) { set_task_count(in, 0); });
  const sim::Task isr =
      rig.server().WithInstrument([](sim::Instrument& in) { return in.tasks[0]; });
  std::map<int, std::string> texts;
  bool row0_enabled = false;
  bool row1_enabled = true;
  const TaskTableRun run = run_task_table(rig, [&](HWND dialog) {
    for (int row = 0; row < 2; ++row) {
      for (const int id : task_row_controls(row)) texts[id] = control_text(dialog, id);
    }
    row0_enabled = enabled(dialog, IDC_TASK_ROW0_STATE);
    row1_enabled = enabled(dialog, task_row_id(IDC_TASK_ROW0_ID, 1));
    close_with_escape(dialog);
    return true;
  });
  ASSERT_TRUE(run.dialog_shown);
  EXPECT_EQ(texts[IDC_TASK_ROW0_ID], "0");
  EXPECT_EQ(texts[IDC_TASK_ROW0_STATE], "Not a task");
  EXPECT_EQ(texts[IDC_TASK_ROW0_STACK_USAGE],
            "----/" + std::to_string(isr.stack_end - isr.stack_start + 1));
  EXPECT_EQ(texts[IDC_TASK_ROW0_STACK_START], sim::Printf("%X", isr.stack_start));
  EXPECT_TRUE(row0_enabled);
  EXPECT_FALSE(row1_enabled);
  EXPECT_EQ(texts[task_row_id(IDC_TASK_ROW0_ID, 1)], "");
  EXPECT_EQ(texts[task_row_id(IDC_TASK_ROW0_NAME, 1)], "");
}

TEST(TaskTableGui, TheDebugHeaderSetsEveryShownRowAndFollowsItsColumn) {
  DiagnosticsRig rig;  // tasks 0 .. 8, debug logged by two of them
  const int last = rig.server().WithInstrument(
      [](const sim::Instrument& in) { return static_cast<int>(in.tasks.size()) - 1; });
  ASSERT_LT(last, kLastShownTask);
  int step = 0;
  bool header_before = true;
  std::vector<bool> debug_boxes;
  bool header_after_click = false;
  bool header_after_row_unchecked = true;
  const TaskTableRun run = run_task_table(rig, [&](HWND dialog) {
    switch (step++) {
      case 0:
        header_before = checked(dialog, IDC_TASK_HEADER_DEBUG);
        press_in(dialog, IDC_TASK_HEADER_DEBUG);
        return false;
      case 1:
        for (int row = 0; row < kTaskRowCount; ++row) {
          debug_boxes.push_back(checked(dialog, task_row_id(IDC_TASK_ROW0_DEBUG, row)));
        }
        header_after_click = checked(dialog, IDC_TASK_HEADER_DEBUG);
        press_in(dialog, task_row_id(IDC_TASK_ROW0_DEBUG, 3));
        return false;
      default:
        header_after_row_unchecked = checked(dialog, IDC_TASK_HEADER_DEBUG);
        close_with_escape(dialog);
        return true;
    }
  });
  ASSERT_TRUE(run.dialog_shown);
  EXPECT_FALSE(header_before);
  ASSERT_EQ(debug_boxes.size(), 16u);
  for (int row = 0; row < kTaskRowCount; ++row) {
    EXPECT_EQ(debug_boxes[static_cast<std::size_t>(row)], row <= last) << "row " << row;
  }
  EXPECT_TRUE(header_after_click);
  EXPECT_FALSE(header_after_row_unchecked);
  EXPECT_EQ(rig.count(kCmdSetTaskConfig), 0u);  // nothing reaches the instrument but by Save
}

TEST(TaskTableGui, SaveSendsTheFiltersAndTheInstrumentLogsByThem) {
  DiagnosticsRig rig;
  int step = 0;
  bool info_header_before = false;
  const TaskTableRun run = run_task_table(rig, [&](HWND dialog) {
    switch (step++) {
      case 0:
        info_header_before = checked(dialog, IDC_TASK_HEADER_INFO);
        press_in(dialog, IDC_TASK_HEADER_INFO);  // every task stops logging information
        return false;
      case 1:
        press_in(dialog, task_row_id(IDC_TASK_ROW0_DEBUG, sim::kTaskHousekeeping));
        return false;
      case 2:
        // Save is a plain button: Enter saves once Tab has taken the focus to it.
        SendMessageA(dialog, WM_NEXTDLGCTL,
                     reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDC_TASK_SAVE)), TRUE);
        post_key(GetFocus(), VK_RETURN);
        return false;
      default:
        close_with_escape(dialog);
        return true;
    }
  });
  ASSERT_TRUE(run.dialog_shown);
  EXPECT_TRUE(info_header_before);
  ASSERT_EQ(run.boxes.size(), 1u);
  EXPECT_EQ(run.boxes[0].caption, "Save");
  EXPECT_EQ(run.boxes[0].text, "Settings saved");

  const auto filters = rig.server().WithInstrument([](const sim::Instrument& in) {
    std::vector<std::uint8_t> bits;
    for (const sim::Task& task : in.tasks) bits.push_back(task.log_filters);
    return bits;
  });
  for (std::size_t i = 0; i < filters.size(); ++i) {
    EXPECT_EQ(filters[i] & kLogFilterInformation, 0) << "task " << i;
    EXPECT_NE(filters[i] & kLogFilterError, 0) << "task " << i;
  }
  EXPECT_NE(filters[sim::kTaskHousekeeping] & kLogFilterDebug, 0);

  // The LED's entry is information from the housekeeping task: no longer logged.
  const std::size_t logged = rig.log_size();
  rig.press(IDC_TOGGLE_LED);
  EXPECT_TRUE(rig.server().WithInstrument([](const sim::Instrument& in) { return in.led_on; }));
  EXPECT_EQ(rig.log_size(), logged);
}

TEST(TaskTableGui, ARefusedSaveSaysSoAndTheTableStaysOpen) {
  DiagnosticsRig rig;
  rig.server().AddFault(refusal(kCmdSetTaskConfig));
  int step = 0;
  bool open_after = false;
  const TaskTableRun run = run_task_table(rig, [&](HWND dialog) {
    if (step++ == 0) {
      press_in(dialog, IDC_TASK_SAVE);
      return false;
    }
    open_after = IsWindowVisible(dialog) != FALSE;
    close_with_escape(dialog);
    return true;
  });
  ASSERT_EQ(run.boxes.size(), 1u);
  EXPECT_EQ(run.boxes[0].caption, "Save");
  EXPECT_EQ(run.boxes[0].text, "Failed to save settings");
  EXPECT_TRUE(open_after);
}

TEST(TaskTableGui, FailedReadsCloseTheTableWithTheirMessages) {
  const struct {
    std::uint8_t command;
    const char* caption;
    const char* text;
  } cases[] = {
      {kCmdGetTaskCount, "Tasks", "Failed to get number of tasks from device"},
      {kCmdGetTaskDetails, "Task Details", "Failed to get task details from device"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    DiagnosticsRig rig;
    rig.server().AddFault(refusal(c.command));
    const TaskTableRun run = run_task_table(rig, [](HWND dialog) {
      close_with_escape(dialog);
      return true;
    });
    EXPECT_FALSE(run.dialog_shown);
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(run.boxes[0].caption, c.caption);
    EXPECT_EQ(run.boxes[0].text, c.text);
  }
}

}  // namespace
}  // namespace tq::test
