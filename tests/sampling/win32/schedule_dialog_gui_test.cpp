// The schedule dialog, opened from the Configure menu and driven as an operator does,
// against the simulated instrument: it opens on the instrument's schedule, saves the rows
// checked (compacted and sorted, then read back), copies the instrument's clock into the
// pickers, and closes with its message when the schedule cannot be read.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "link/commands.h"
#include "sampling/schedule_dialog.h"
#include "tests/app/win32/dialog_steps_win32.h"
#include "tests/app/win32/gui_harness_win32.h"
#include "tests/app/win32/simulated_instrument_win32.h"
#include "ui/resource.h"

namespace tq::test {
namespace {

using Step = DialogSteps::Step;

// Closes the dialog as Escape does.
bool leave(HWND dialog) {
  PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  return true;
}

struct RowShown {
  bool enabled;
  std::string offset, samples, volume, timeout;
  bool clean;
  bool edits_enabled;

  bool operator==(const RowShown&) const = default;
};

std::ostream& operator<<(std::ostream& out, const RowShown& row) {
  return out << (row.enabled ? "[x] " : "[ ] ") << row.offset << " " << row.samples << " "
             << row.volume << " " << row.timeout << (row.clean ? " clean" : "")
             << (row.edits_enabled ? " (editable)" : " (disabled)");
}

RowShown row_shown(HWND dialog, std::size_t k) {
  const WaypointRowIds& ids = kWaypointRows[k];
  const bool edits = enabled(dialog, ids.offset) && enabled(dialog, ids.samples) &&
                     enabled(dialog, ids.volume) && enabled(dialog, ids.timeout) &&
                     enabled(dialog, ids.clean);
  const bool none = !enabled(dialog, ids.offset) && !enabled(dialog, ids.samples) &&
                    !enabled(dialog, ids.volume) && !enabled(dialog, ids.timeout) &&
                    !enabled(dialog, ids.clean);
  EXPECT_TRUE(edits || none) << "row " << k + 1 << " is partly enabled";
  EXPECT_TRUE(enabled(dialog, ids.enable));
  return {checked(dialog, ids.enable),
          GuiHarness::item_text(dialog, ids.offset),
          GuiHarness::item_text(dialog, ids.samples),
          GuiHarness::item_text(dialog, ids.volume),
          GuiHarness::item_text(dialog, ids.timeout),
          checked(dialog, ids.clean),
          edits};
}

const RowShown kEmptyRow = {false, "0", "0", "0.0", "0", false, false};

class ScheduleGui : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(post_connected_and_wait(gui_, instrument_.connection)); }

  void store(const ScheduleRecord& record) {
    instrument_.simulator.server->WithInstrument(
        [&](sim::Instrument& in) { EncodeScheduleRecord(record, in.schedule); });
  }
  ScheduleRecord stored() {
    ScheduleRecord record;
    instrument_.simulator.server->WithInstrument(
        [&](sim::Instrument& in) { DecodeScheduleRecord(in.schedule, record); });
    return record;
  }
  void fail_next(std::uint8_t command) {
    sim::FaultRule rule;
    rule.action.result = 3;
    rule.command = command;
    rule.times = 1;
    instrument_.simulator.server->AddFault(rule);
  }
  // Opens the dialog from the menu and runs the steps; returns once it has closed.
  DialogSteps& run(std::vector<Step> steps) {
    steps_ = std::make_unique<DialogSteps>(std::move(steps));
    gui_.command(IDM_SCHEDULE);
    return *steps_;
  }

  SimulatedInstrument instrument_ = start_simulated_instrument({});
  GuiHarness gui_{HarnessOptions{nullptr, std::vector<std::string>{}}};
  std::unique_ptr<DialogSteps> steps_;
};

TEST_F(ScheduleGui, OpensOnTheInstrumentsScheduleWithEverySlotShown) {
  ScheduleRecord record;
  record.autostart = 1;
  record.start_time = 1783418400;  // 07/07/2026 10:00:00
  record.rows[0] = {kScheduleRowInUse | kScheduleRowClean, 4, 25, 60, 300};
  record.rows[1] = {0, 7, 3, 9, 10000};  // not in use, but shown as it is
  store(record);
  std::vector<RowShown> rows;
  SYSTEMTIME date{};
  SYSTEMTIME time{};
  bool pickers_enabled = false;
  std::string tooltip;
  DialogSteps& steps = run({[&](HWND dialog) {
                              EXPECT_TRUE(checked(dialog, IDC_SCHEDULE_AUTOSTART));
                              EXPECT_TRUE(checked(dialog, IDC_SCHEDULE_AT_OR_AFTER));
                              EXPECT_FALSE(checked(dialog, IDC_SCHEDULE_NEXT_START));
                              date = picker_time(dialog, IDC_SCHEDULE_DATE);
                              time = picker_time(dialog, IDC_SCHEDULE_TIME);
                              pickers_enabled = enabled(dialog, IDC_SCHEDULE_DATE) &&
                                                enabled(dialog, IDC_SCHEDULE_TIME);
                              for (std::size_t k = 0; k < kScheduleRows; ++k) {
                                rows.push_back(row_shown(dialog, k));
                              }
                              tooltip = tooltip_text(dialog, IDC_SCHEDULE_CLOCK);
                              return true;
                            },
                            leave});
  ASSERT_EQ(steps.dialogs(), std::vector<std::string>{"Sampling Schedule"});
  EXPECT_TRUE(steps.messages().empty());
  EXPECT_EQ(date.wYear, 2026);
  EXPECT_EQ(date.wMonth, 7);
  EXPECT_EQ(date.wDay, 7);
  EXPECT_EQ(time.wHour, 10);
  EXPECT_EQ(time.wMinute, 0);
  EXPECT_TRUE(pickers_enabled);
  ASSERT_EQ(rows.size(), kScheduleRows);
  EXPECT_EQ(rows[0], (RowShown{true, "300", "4", "2.5", "60", true, true}));
  EXPECT_EQ(rows[1], (RowShown{false, "10000", "7", "0.3", "9", false, false}));
  for (std::size_t k = 2; k < kScheduleRows; ++k) EXPECT_EQ(rows[k], kEmptyRow) << k + 1;
  EXPECT_EQ(tooltip, "reset to PC time");
}

TEST_F(ScheduleGui, TheStartChoiceEnablesThePickersAndNextStartSavesZero) {
  std::vector<bool> pickers;  // enabled state after each change
  SYSTEMTIME shown{};
  auto pickers_now = [&](HWND dialog) {
    pickers.push_back(enabled(dialog, IDC_SCHEDULE_DATE) && enabled(dialog, IDC_SCHEDULE_TIME));
  };
  DialogSteps& steps = run({
      [&](HWND dialog) {
        EXPECT_TRUE(checked(dialog, IDC_SCHEDULE_NEXT_START));
        shown = picker_time(dialog, IDC_SCHEDULE_DATE);
        pickers_now(dialog);
        click_button(dialog, IDC_SCHEDULE_AT_OR_AFTER);
        return true;
      },
      [&](HWND dialog) {
        pickers_now(dialog);
        set_picker(dialog, IDC_SCHEDULE_DATE, {2030, 5, 0, 17, 0, 0, 0, 0});
        click_button(dialog, IDC_SCHEDULE_NEXT_START);
        return true;
      },
      [&](HWND dialog) {
        pickers_now(dialog);
        click_button(dialog, IDC_SCHEDULE_SAVE);
        return true;
      },
      leave,
  });
  EXPECT_EQ(shown.wYear, 1970);
  EXPECT_EQ(shown.wMonth, 1);
  EXPECT_EQ(shown.wDay, 1);
  EXPECT_EQ(pickers, (std::vector<bool>{false, true, false}));
  EXPECT_EQ(steps.messages(), (std::vector<MessageSeen>{{"Save", "Schedule saved"}}));
  EXPECT_EQ(stored().start_time, 0u);
}

TEST_F(ScheduleGui, SavingRowsThreeAndSevenReadsThemBackAsRowsOneAndTwo) {
  std::vector<RowShown> after;
  DialogSteps& steps = run({
      [](HWND dialog) {
        click_button(dialog, kWaypointRows[2].enable);
        click_button(dialog, kWaypointRows[6].enable);
        return true;
      },
      [](HWND dialog) {
        type_into(dialog, kWaypointRows[2].offset, "120");
        type_into(dialog, kWaypointRows[2].samples, "300");
        type_into(dialog, kWaypointRows[2].volume, "2.5");
        type_into(dialog, kWaypointRows[2].timeout, "45");
        type_into(dialog, kWaypointRows[6].offset, "30");
        type_into(dialog, kWaypointRows[6].samples, "2");
        type_into(dialog, kWaypointRows[6].volume, "1");
        type_into(dialog, kWaypointRows[6].timeout, "10");
        click_button(dialog, kWaypointRows[6].clean);
        return true;
      },
      [](HWND dialog) {
        click_button(dialog, IDC_SCHEDULE_SAVE);
        return true;
      },
      [&](HWND dialog) {
        for (std::size_t k = 0; k < kScheduleRows; ++k) after.push_back(row_shown(dialog, k));
        return true;
      },
      leave,
  });
  EXPECT_EQ(steps.messages(), (std::vector<MessageSeen>{{"Save", "Schedule saved"}}));
  ASSERT_EQ(after.size(), kScheduleRows);
  EXPECT_EQ(after[0], (RowShown{true, "30", "2", "1.0", "10", true, true}));
  EXPECT_EQ(after[1], (RowShown{true, "120", "255", "2.5", "45", false, true}));
  for (std::size_t k = 2; k < kScheduleRows; ++k) EXPECT_EQ(after[k], kEmptyRow) << k + 1;
  const ScheduleRecord record = stored();
  EXPECT_EQ(record.rows[0], (ScheduleEntry{kScheduleRowInUse | kScheduleRowClean, 2, 10, 10, 30}));
  EXPECT_EQ(record.rows[1], (ScheduleEntry{kScheduleRowInUse, 255, 25, 45, 120}));
  for (std::size_t k = 2; k < kScheduleRows; ++k) EXPECT_EQ(record.rows[k], ScheduleEntry{});
}

TEST_F(ScheduleGui, AFailedSaveOrReadBackKeepsTheOperatorsEntries) {
  std::vector<std::string> offsets;
  DialogSteps& steps = run({
      [](HWND dialog) {
        click_button(dialog, kWaypointRows[4].enable);
        return true;
      },
      [this](HWND dialog) {
        type_into(dialog, kWaypointRows[4].offset, "99");
        fail_next(kCmdSetSchedule);
        click_button(dialog, IDC_SCHEDULE_SAVE);
        return true;
      },
      [&, this](HWND dialog) {
        offsets.push_back(GuiHarness::item_text(dialog, kWaypointRows[4].offset));
        fail_next(kCmdGetSchedule);  // the write goes through, the read after it does not
        click_button(dialog, IDC_SCHEDULE_SAVE);
        return true;
      },
      [&](HWND dialog) {
        offsets.push_back(GuiHarness::item_text(dialog, kWaypointRows[4].offset));
        EXPECT_TRUE(checked(dialog, kWaypointRows[4].enable));
        return true;
      },
      leave,
  });
  EXPECT_EQ(steps.messages(), (std::vector<MessageSeen>{{"Save", "Failed to save schedule"},
                                                        {"Save", "Failed to save schedule"}}));
  EXPECT_EQ(offsets, (std::vector<std::string>{"99", "99"}));
  EXPECT_EQ(stored().rows[0].offset_minutes, 99);  // the second write reached the instrument
}

TEST_F(ScheduleGui, TheClockButtonCopiesTheInstrumentsClockNotThePcs) {
  instrument_.simulator.server->SetSpeed(0);  // the instrument's clock stands at 07/07/2026 10:00
  SYSTEMTIME date{};
  SYSTEMTIME time{};
  SYSTEMTIME after_failure{};
  bool still_next_start = false;
  DialogSteps& steps = run({
      [](HWND dialog) {
        click_button(dialog, IDC_SCHEDULE_CLOCK);
        return true;
      },
      [&, this](HWND dialog) {
        date = picker_time(dialog, IDC_SCHEDULE_DATE);
        time = picker_time(dialog, IDC_SCHEDULE_TIME);
        still_next_start = checked(dialog, IDC_SCHEDULE_NEXT_START);
        fail_next(kCmdGetClock);
        click_button(dialog, IDC_SCHEDULE_CLOCK);
        return true;
      },
      [&](HWND dialog) {
        after_failure = picker_time(dialog, IDC_SCHEDULE_DATE);
        return true;
      },
      leave,
  });
  EXPECT_EQ(date.wYear, 2026);
  EXPECT_EQ(date.wMonth, 7);
  EXPECT_EQ(date.wDay, 7);
  EXPECT_EQ(time.wHour, 10);
  EXPECT_EQ(time.wMinute, 0);
  EXPECT_EQ(time.wSecond, 0);
  EXPECT_TRUE(still_next_start);
  EXPECT_EQ(steps.messages(), (std::vector<MessageSeen>{{"NOW", "Can't get time from sample."}}));
  EXPECT_EQ(after_failure.wYear, 2026);  // the pickers keep their values
}

TEST_F(ScheduleGui, EscapeLeavesWithoutWriting) {
  ScheduleRecord record;
  record.rows[0] = {kScheduleRowInUse, 1, 5, 5, 5};
  store(record);
  DialogSteps& steps = run({
      [](HWND dialog) {
        click_button(dialog, kWaypointRows[0].enable);
        return true;
      },
      [](HWND dialog) {
        const HWND focus = GetFocus();
        post_key(focus != nullptr ? focus : dialog, VK_ESCAPE);
        return true;
      },
  });
  EXPECT_EQ(steps.steps_done(), 2u);
  EXPECT_TRUE(steps.messages().empty());
  EXPECT_EQ(stored(), record);
}

TEST(ScheduleGuiFailure, AScheduleThatCannotBeReadClosesTheDialogWithItsMessage) {
  SimulatedInstrument instrument = start_simulated_instrument({}, kCmdGetSchedule);
  GuiHarness gui({nullptr, std::vector<std::string>{}});
  ASSERT_TRUE(post_connected_and_wait(gui, instrument.connection));
  DialogSteps steps({leave});
  gui.command(IDM_SCHEDULE);
  EXPECT_EQ(steps.messages(),
            (std::vector<MessageSeen>{{"Schedule", "Unable to retrieve schedule from device"}}));
  EXPECT_TRUE(steps.dialogs().empty());
  EXPECT_TRUE(gui.alive());
}

}  // namespace
}  // namespace tq::test
