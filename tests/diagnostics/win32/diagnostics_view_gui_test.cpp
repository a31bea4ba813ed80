// The Diagnostics view under Wine against the simulated instrument, driven as the operator
// does: the log filling in colour, the 201-row window, Pause Display, Clear..., Save...
// and Toggle LED.
// windows.h must come before every other Windows header.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "diagnostics/diagnostics_view.h"
#include "link/commands.h"
#include "sim/diagnostic_log.h"
#include "tests/diagnostics/win32/diagnostics_rig_win32.h"
#include "ui/resource.h"
#include "ui/text_format.h"

namespace tq::test {
namespace {

using namespace std::chrono_literals;

int counter_of(const LogListRow& row) { return std::atoi(row.cells.at(0).c_str()); }

// Counters of consecutive entries, oldest first, and nothing twice.
void expect_consecutive(const std::vector<LogListRow>& rows) {
  for (std::size_t i = 1; i < rows.size(); ++i) {
    EXPECT_EQ(counter_of(rows[i]), counter_of(rows[i - 1]) + 1) << "row " << i;
  }
}

std::string temp_file(const char* name) {
  char folder[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, folder);
  return std::string(folder) + name;
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// One CSV line into its fields (quoted fields may hold commas and doubled quotes).
std::vector<std::string> csv_fields(const std::string& line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
      fields.back() += '"';
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find("\r\n", at);
    EXPECT_NE(end, std::string::npos) << "every line ends in CR LF";
    if (end == std::string::npos) break;
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

// Saves the list through the view's Save... button into `file`; returns the message
// boxes that followed.
std::vector<ModalSeen> save_to(DiagnosticsRig& rig, const std::string& file) {
  std::vector<ModalSeen> boxes;
  ModalScript script([&](HWND modal) {
    if (answer_save_dialog(modal, file)) return true;
    boxes.push_back(describe_modal(modal));
    PostMessageA(modal, WM_COMMAND, IDOK, 0);
    return true;
  });
  rig.press(IDC_SAVE_DIAG);
  return boxes;
}

// Presses Clear..., answers its question Yes and any message after it OK; returns every
// message box shown.
std::vector<ModalSeen> clear_answering_yes(DiagnosticsRig& rig) {
  std::vector<ModalSeen> boxes;
  ModalScript script([&](HWND modal) {
    boxes.push_back(describe_modal(modal));
    PostMessageA(modal, WM_COMMAND, boxes.back().text == kClearQuestion ? IDYES : IDOK, 0);
    return true;
  });
  rig.press(IDC_CLEAR_LOG_DIAG);
  return boxes;
}

void log_entries(sim::Instrument& in, int count, std::uint8_t severity = kSeverityInformation) {
  for (int i = 0; i < count; ++i) {
    sim::LogEvent(in, {sim::kTaskMain, "test_entry", 100 + i}, severity,
                  sim::Printf("test entry %d", i));
  }
}

TEST(DiagnosticsViewGui, TheLogFillsInColourAndTheReadOutsShowTheHealth) {
  DiagnosticsRig rig;
  ASSERT_TRUE(rig.wait_for_whole_log());
  const std::vector<LogListRow> rows = rig.rows();
  ASSERT_GE(rows.size(), 4u);
  EXPECT_EQ(rows[0].cells, (std::vector<std::string>{"00000001", "01", "I", "main", "57",
                                                     "Restarted after reset"}))
      << "as the simulator logs its power-up";
  EXPECT_EQ(rows[0].colour, kRowBlue);
  bool red = false;
  bool black = false;
  for (const LogListRow& row : rows) {
    if (row.cells[2] == "E") {
      EXPECT_EQ(row.colour, kRowRed) << row.cells[5];
      red = true;
    } else if (row.cells[5] != "Restarted after reset") {
      EXPECT_EQ(row.colour, kRowBlack) << row.cells[5];
      black = true;
    }
  }
  EXPECT_TRUE(red && black);
  expect_consecutive(rows);

  const SystemStatus status =
      rig.server().WithInstrument([](const sim::Instrument& in) { return sim::StatusOf(in); });
  ASSERT_TRUE(
      rig.gui.pump_until([&] { return control_text(rig.view(), IDC_RUN_STATE) == "IDLE"; }));
  EXPECT_EQ(control_text(rig.view(), IDC_VOLTAGE),
            *format_text("%.2f V", static_cast<double>(status.supply_voltage)));
  EXPECT_EQ(control_text(rig.view(), IDC_TEMP),
            *format_text("%.2f \xB0"
                         "C",
                         static_cast<double>(status.board_temperature)));
  EXPECT_EQ(control_text(rig.view(), IDC_RH),
            *format_text("%.2f%%", static_cast<double>(status.board_humidity)));
}

TEST(DiagnosticsViewGui, EachRowIsDrawnInItsOwnColour) {
  DiagnosticsRig rig;
  ASSERT_TRUE(rig.wait_for_whole_log());
  const std::vector<LogListRow> rows = rig.rows();
  const HWND list = GetDlgItem(rig.view(), IDC_DIAG_LOG_LIST);
  NMLVCUSTOMDRAW draw{};
  draw.nmcd.hdr.hwndFrom = list;
  draw.nmcd.hdr.idFrom = IDC_DIAG_LOG_LIST;
  draw.nmcd.hdr.code = NM_CUSTOMDRAW;
  const auto notify = [&] {
    return SendMessageA(rig.view(), WM_NOTIFY, IDC_DIAG_LOG_LIST, reinterpret_cast<LPARAM>(&draw));
  };
  draw.nmcd.dwDrawStage = CDDS_PREPAINT;
  EXPECT_EQ(notify(), CDRF_NOTIFYITEMDRAW);
  // The list names the row it draws by its index.
  draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
  std::set<std::uint32_t> drawn;
  for (std::size_t row = 0; row < rows.size(); ++row) {
    draw.nmcd.dwItemSpec = row;
    draw.clrText = 0x00123456;
    EXPECT_EQ(notify(), CDRF_NEWFONT);
    EXPECT_EQ(draw.clrText, rows[row].colour) << rows[row].cells[5];
    drawn.insert(static_cast<std::uint32_t>(draw.clrText));
  }
  EXPECT_EQ(drawn, (std::set<std::uint32_t>{kRowBlack, kRowRed, kRowBlue}));
  draw.nmcd.dwDrawStage = CDDS_ITEMPOSTPAINT;
  EXPECT_EQ(notify(), CDRF_DODEFAULT);
}

TEST(DiagnosticsViewGui, MoreThan201EntriesKeepTheNewest201InOrder) {
  DiagnosticsRig rig([](sim::Instrument& in) { log_entries(in, 300); });
  const auto newest = [&] {
    return rig.server().WithInstrument(
        [](const sim::Instrument& in) { return in.diagnostic_log.entries.back().counter; });
  };
  ASSERT_TRUE(rig.gui.pump_until(
      [&] { return rig.row_count() == 201 && counter_of(rig.rows().back()) == newest(); }));
  const std::vector<LogListRow> rows = rig.rows();
  EXPECT_EQ(counter_of(rows.front()), newest() - 200);
  expect_consecutive(rows);

  // More arrive later: each pushes the oldest row out, and the newest is in view.
  rig.server().WithInstrument([](sim::Instrument& in) { log_entries(in, 5); });
  ASSERT_TRUE(rig.gui.pump_until([&] { return counter_of(rig.rows().back()) == newest(); }));
  EXPECT_EQ(rig.row_count(), 201u);
  EXPECT_EQ(counter_of(rig.rows().front()), newest() - 200);
  const HWND list = GetDlgItem(rig.view(), IDC_DIAG_LOG_LIST);
  const auto top = SendMessageA(list, LVM_GETTOPINDEX, 0, 0);
  const auto per_page = SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0);
  EXPECT_GE(top + per_page, 201);
}

TEST(DiagnosticsViewGui, PauseDisplaySendsNothingWhileChecked) {
  DiagnosticsRig rig;
  ASSERT_TRUE(rig.wait_for_whole_log());
  ASSERT_TRUE(rig.gui.pump_until([&] { return !control_text(rig.view(), IDC_VOLTAGE).empty(); }));
  rig.press(IDC_PAUSE_DISPLAY);
  ASSERT_TRUE(checked(rig.view(), IDC_PAUSE_DISPLAY));
  const std::string voltage = control_text(rig.view(), IDC_VOLTAGE);
  // A pass already under way may finish its command.
  rig.gui.pump_until([] { return false; }, 100ms);
  const std::size_t before = rig.commands().size();
  rig.server().WithInstrument([](sim::Instrument& in) {
    log_entries(in, 1);
    in.env.supply_volts += 1.5;
  });
  EXPECT_FALSE(rig.gui.pump_until([&] { return rig.commands().size() != before; }, 1200ms));
  EXPECT_EQ(rig.row_count() + 1, rig.log_size());
  EXPECT_EQ(control_text(rig.view(), IDC_VOLTAGE), voltage);

  // Unchecked, fetching goes on with the entry the instrument gives next.
  rig.press(IDC_PAUSE_DISPLAY);
  ASSERT_FALSE(checked(rig.view(), IDC_PAUSE_DISPLAY));
  ASSERT_TRUE(rig.wait_for_whole_log());
  EXPECT_EQ(rig.rows().back().cells[5], "test entry 0");
  EXPECT_TRUE(rig.gui.pump_until([&] { return control_text(rig.view(), IDC_VOLTAGE) != voltage; }));
}

TEST(DiagnosticsViewGui, ClearAnsweredYesEmptiesTheListAndReadsAgainFromTheStart) {
  DiagnosticsRig rig;
  ASSERT_TRUE(rig.wait_for_whole_log());
  ASSERT_GT(rig.row_count(), 0u);
  const auto boxes = clear_answering_yes(rig);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Clear");
  EXPECT_EQ(boxes[0].text, kClearQuestion);
  EXPECT_EQ(rig.row_count(), 0u);
  EXPECT_EQ(rig.log_size(), 0u);

  // The new reading begins with StartDiagnosticLogRead, and entries logged after the
  // clear come in.
  ASSERT_TRUE(rig.gui.pump_until([&] { return rig.count(kCmdStartDiagnosticLogRead) == 2; }));
  const std::vector<std::uint8_t> sent = rig.commands();
  const auto clear = std::find(sent.begin(), sent.end(), kCmdClearDiagnosticLog);
  ASSERT_NE(clear, sent.end());
  ASSERT_NE(clear + 1, sent.end());
  EXPECT_EQ(*(clear + 1), kCmdStartDiagnosticLogRead);
  rig.server().WithInstrument([](sim::Instrument& in) { log_entries(in, 2); });
  ASSERT_TRUE(rig.gui.pump_until([&] { return rig.row_count() == 2; }));
  EXPECT_EQ(rig.rows()[0].cells[5], "test entry 0");
}

TEST(DiagnosticsViewGui, ClearAnsweredNoChangesNothing) {
  DiagnosticsRig rig;
  ASSERT_TRUE(rig.wait_for_whole_log());
  const std::size_t shown = rig.row_count();
  ModalScript script([](HWND modal) {
    PostMessageA(modal, WM_COMMAND, IDNO, 0);
    return true;
  });
  rig.press(IDC_CLEAR_LOG_DIAG);
  ASSERT_EQ(script.seen().size(), 1u);
  EXPECT_EQ(rig.count(kCmdClearDiagnosticLog), 0u);
  EXPECT_EQ(rig.row_count(), shown);
}

TEST(DiagnosticsViewGui, ARefusedClearSaysSoAndShowsEachEntryOnce) {
  DiagnosticsRig rig;
  sim::FaultRule refuse;
  refuse.action.result = 3;
  refuse.command = kCmdClearDiagnosticLog;
  rig.server().AddFault(refuse);
  ASSERT_TRUE(rig.wait_for_whole_log());
  const std::vector<LogListRow> before = rig.rows();

  const auto boxes = clear_answering_yes(rig);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1].caption, "Clear");
  EXPECT_EQ(boxes[1].text, "Unable to clear log");

  // The new reading has drained the whole log again: one entry request past the last.
  const std::size_t entries = rig.log_size();
  const auto drained = [&] {
    const std::vector<std::uint8_t> sent = rig.commands();
    const auto restart = std::find(std::find(sent.begin(), sent.end(), kCmdClearDiagnosticLog),
                                   sent.end(), kCmdStartDiagnosticLogRead);
    return static_cast<std::size_t>(std::count(restart, sent.end(), kCmdGetDiagnosticLogEntry)) >
           entries;
  };
  ASSERT_TRUE(rig.gui.pump_until(drained));
  rig.gui.pump_pending();
  const std::vector<LogListRow> after = rig.rows();
  EXPECT_EQ(after.size(), entries);
  ASSERT_EQ(after.size(), before.size());
  for (std::size_t i = 0; i < after.size(); ++i) EXPECT_EQ(after[i].cells, before[i].cells);
}

TEST(DiagnosticsViewGui, SaveWritesTheListAsCsvWithItsSixHeaders) {
  DiagnosticsRig rig;
  ASSERT_TRUE(rig.wait_for_whole_log());
  const std::vector<LogListRow> rows = rig.rows();
  const std::string file = temp_file("tarnquill-diagnostics.log");
  DeleteFileA(file.c_str());
  const auto boxes = save_to(rig, file);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Save Diagnostics");
  EXPECT_EQ(boxes[0].text, "Diagnostics saved to " + file);

  const std::vector<std::string> lines = lines_of(read_file(file));
  ASSERT_EQ(lines.size(), rows.size() + 1);
  EXPECT_EQ(lines[0], "Counter,Task ID,Severity,Function,Line,Message");
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(csv_fields(lines[i + 1]), rows[i].cells) << lines[i + 1];
  }
  DeleteFileA(file.c_str());
}

TEST(DiagnosticsViewGui, AnEmptyListWritesOnlyTheHeaderAndShowsNothing) {
  DiagnosticsRig rig([](sim::Instrument& in) { in.diagnostic_log.entries.clear(); });
  ASSERT_TRUE(rig.gui.pump_until([&] { return rig.count(kCmdGetDiagnosticLogEntry) > 0; }));
  const std::string file = temp_file("tarnquill-diagnostics-empty.log");
  EXPECT_TRUE(save_to(rig, file).empty());
  EXPECT_EQ(read_file(file), "Counter,Task ID,Severity,Function,Line,Message\r\n");
  DeleteFileA(file.c_str());
}

TEST(DiagnosticsViewGui, AFileThatCannotBeWrittenIsNotReportedAsSaved) {
  DiagnosticsRig rig;
  ASSERT_TRUE(rig.wait_for_whole_log());
  const char* full_file = std::getenv("TARNQUILL_FULL_FILE");
  ASSERT_NE(full_file, nullptr) << "the test needs a file on a full device";
  const auto boxes = save_to(rig, full_file);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Save Diagnostics");
  EXPECT_EQ(boxes[0].text, std::string("Unable to write ") + full_file);
}

TEST(DiagnosticsViewGui, ToggleLedSwitchesTheInstrumentsLed) {
  DiagnosticsRig rig;
  const auto led = [&] {
    return rig.server().WithInstrument([](const sim::Instrument& in) { return in.led_on; });
  };
  ASSERT_FALSE(led());
  rig.press(IDC_TOGGLE_LED);
  EXPECT_TRUE(led());
  rig.press(IDC_TOGGLE_LED);
  EXPECT_FALSE(led());
}

}  // namespace
}  // namespace tq::test

namespace tq::test {
namespace {

TEST(DiagnosticsViewGui, APausedDisplayKeepsItsRowsAfterARefusedClear) {
  DiagnosticsRig rig;
  sim::FaultRule refuse;
  refuse.action.result = 3;
  refuse.command = kCmdClearDiagnosticLog;
  rig.server().AddFault(refuse);
  ASSERT_TRUE(rig.wait_for_whole_log());
  rig.press(IDC_PAUSE_DISPLAY);
  const std::vector<LogListRow> before = rig.rows();
  ASSERT_FALSE(before.empty());

  ASSERT_EQ(clear_answering_yes(rig).size(), 2u);  // the question, then the refusal
  ASSERT_TRUE(rig.gui.pump_until([&] { return rig.count(kCmdStartDiagnosticLogRead) == 2; }));
  rig.gui.pump_until([] { return false; }, 1200ms);  // two passes of the new routine
  EXPECT_EQ(rig.rows().size(), before.size());

  // Resumed, the new reading replaces them: the whole log, once.
  const std::size_t asked = rig.count(kCmdGetDiagnosticLogEntry);
  rig.press(IDC_PAUSE_DISPLAY);
  ASSERT_TRUE(rig.gui.pump_until(
      [&] { return rig.count(kCmdGetDiagnosticLogEntry) > asked + rig.log_size(); }));
  rig.gui.pump_pending();
  EXPECT_EQ(rig.rows().size(), rig.log_size());
}

}  // namespace
}  // namespace tq::test
