// The Run view under Wine against the simulator: live status, run control, the sample log
// with Clear Log and Save Log, and the texts fitting their places.
// windows.h must come before every other Windows header.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <thread>

#include "link/commands.h"
#include "sampling/run_view.h"
#include "sim/run_machine.h"
#include "tests/sampling/win32/run_view_rig_win32.h"
#include "ui/resource.h"

namespace tq::test {
namespace {

bool shows_idle(RunViewRig& rig) { return rig.text(IDC_STATE_LINE) == "Sampler State: Idle"; }

TEST(RunViewGui, StatusLinesAreFilledWithinOneCycleOfConnecting) {
  RunViewRigOptions options;
  options.instrument.clock = 1783418400;  // 07/07/2026 10:00:00
  RunViewRig rig(options);
  ASSERT_TRUE(rig.gui().pump_until([&] { return shows_idle(rig); }, 1500ms));
  const std::uint16_t top =
      rig.with_instrument([](const sim::Instrument& in) { return in.cartridge.cartridge_id; });
  EXPECT_EQ(rig.text(IDC_STATE_BANNER), "Top Cartridge: " + std::to_string(top));
  EXPECT_EQ(rig.text(IDC_TIME_LINE).rfind("Sampler Clock Time Now: 07/07/2026 10:0", 0), 0u)
      << rig.text(IDC_TIME_LINE);
  EXPECT_EQ(rig.text(IDC_TIME_LINE).size(), 40u);  // no seconds
  EXPECT_EQ(rig.text(IDC_CONTROL_LINE), "Control: Manual (GUI or vehicle)");
  EXPECT_EQ(rig.text(IDC_WAYPOINT_LINE), "Current Schedule Waypoint: not running schedule");
  EXPECT_EQ(rig.text(IDC_RUN_STATUS_LINE), "Run Status: OK");
  EXPECT_EQ(rig.text(IDC_FLOW_LINE), "Flow volume: 0.000 litre");
  EXPECT_EQ(rig.text(IDC_PRESSURE_LINE), "Max pressure: 0.000 bar");
  // Idle and manual, "Load/Unload" remembered by nobody yet: Start and the count only.
  EXPECT_EQ(rig.text(IDC_MODE), "Load/Unload");
  EXPECT_TRUE(rig.enabled(IDC_START));
  EXPECT_TRUE(rig.enabled(IDC_CARTRIDGES));
  EXPECT_FALSE(rig.enabled(IDC_VOLUME));
  EXPECT_FALSE(rig.enabled(IDC_STOP));
  EXPECT_TRUE(rig.gui().pump_until([&] { return rig.gui().menu_enabled(IDM_DISCONNECT); }));
}

TEST(RunViewGui, UnpoweredInstrumentShowsBareLabels) {
  RunViewRigOptions options;
  options.instrument.powered = false;
  RunViewRig rig(options);
  ASSERT_TRUE(rig.gui().pump_until([&] { return rig.text(IDC_STATE_BANNER) == "unpowered"; }));
  EXPECT_EQ(rig.text(IDC_STATE_LINE), "Sampler State:");
  EXPECT_EQ(rig.text(IDC_FLOW_LINE), "Flow volume:");
  // Parameters and Clear Log editable, neither Start nor Stop.
  EXPECT_TRUE(rig.enabled(IDC_MODE));
  EXPECT_TRUE(rig.enabled(IDC_CLEAR_LOG));
  EXPECT_FALSE(rig.enabled(IDC_START));
  EXPECT_FALSE(rig.enabled(IDC_STOP));
}

TEST(RunViewGui, ASampleRunStartedFromTheViewWalksThroughItsStates) {
  RunViewRig rig;
  ASSERT_TRUE(rig.gui().pump_until([&] { return shows_idle(rig); }));
  rig.server().SetSpeed(4);
  rig.choose_mode(1);
  EXPECT_EQ(rig.text(IDC_MODE), "Sample");
  ASSERT_TRUE(rig.enabled(IDC_VOLUME));  // the mode change enables the sample fields at once
  rig.type_into(IDC_CARTRIDGES, "1");
  rig.type_into(IDC_VOLUME, "0.3");
  rig.type_into(IDC_TIMEOUT, "5");
  rig.press(IDC_START);

  std::vector<std::string> states;
  std::set<std::string> volumes_while_pumping;
  bool stop_seen_enabled = false;
  bool menu_seen_busy = false;
  const bool ended = rig.gui().pump_until(
      [&] {
        const std::string state = rig.text(IDC_STATE_LINE);
        if (states.empty() || states.back() != state) states.push_back(state);
        if (state.rfind("Sampler State: Pumping Sample", 0) == 0 && rig.rows() == 1) {
          volumes_while_pumping.insert(rig.cell(0, 5));
          stop_seen_enabled =
              stop_seen_enabled || (rig.enabled(IDC_STOP) && !rig.enabled(IDC_START));
          menu_seen_busy = menu_seen_busy || !rig.gui().menu_enabled(IDM_DISCONNECT);
        }
        return states.size() > 2 && state == "Sampler State: Idle";
      },
      90s);
  ASSERT_TRUE(ended) << "last state: " << states.back();
  std::string seen;
  for (const std::string& state : states) seen += state + "; ";
  EXPECT_NE(seen.find("Loading Cartridge"), std::string::npos) << seen;
  EXPECT_NE(seen.find("Pumping Sample ID="), std::string::npos) << seen;
  // One row, rewritten in place while the instrument wrote its entry.
  EXPECT_EQ(rig.rows(), 1);
  EXPECT_GE(volumes_while_pumping.size(), 2u);
  EXPECT_TRUE(stop_seen_enabled);
  EXPECT_TRUE(menu_seen_busy);
  const SampleLogEntry entry =
      rig.with_instrument([](const sim::Instrument& in) { return in.sample_log.at(0); });
  ASSERT_TRUE(rig.gui().pump_until([&] { return rig.cell(0, 4) == "complete"; }));
  EXPECT_EQ(rig.cell(0, 1), std::to_string(entry.cartridge_id));
  EXPECT_EQ(rig.cell(0, 2), std::to_string(entry.duration));
  EXPECT_TRUE(rig.enabled(IDC_START));
}

TEST(RunViewGui, StartRemembersTheFiveValuesEvenWhenTheStartFails) {
  RunViewRigOptions options;
  options.failing_command = kCmdStartRun;
  RunViewRig rig(options);
  ASSERT_TRUE(rig.gui().pump_until([&] { return shows_idle(rig); }));
  rig.choose_mode(1);
  rig.type_into(IDC_CARTRIDGES, "300");  // limited to 255
  rig.type_into(IDC_VOLUME, "2.55");
  rig.type_into(IDC_TIMEOUT, "12");
  rig.press(IDC_CLEAN);
  ModalScript answer([](HWND modal) { return PostMessageA(modal, WM_COMMAND, IDOK, 0), true; });
  rig.press(IDC_START);
  ASSERT_EQ(answer.seen().size(), 1u);
  EXPECT_EQ(answer.seen()[0].caption, "Start");
  EXPECT_EQ(answer.seen()[0].text, "Unable to start device - check power supply");
  MemorySettingsStore& settings = rig.gui().settings();
  EXPECT_EQ(settings.read_dword("RUN_MODE"), 1u);
  EXPECT_EQ(settings.read_dword("NUM_SAMPLES"), 255u);
  EXPECT_EQ(settings.read_dword("SAMPLE_VOLUME"), 25u);
  EXPECT_EQ(settings.read_dword("SAMPLE_TIMEOUT"), 12u);
  EXPECT_EQ(settings.read_dword("CLEAN"), 1u);
  // The controls keep what the operator typed.
  EXPECT_EQ(rig.text(IDC_CARTRIDGES), "300");
}

TEST(RunViewGui, TheNextViewShowsTheRememberedValues) {
  RunViewRig rig;
  MemorySettingsStore& settings = rig.gui().settings();
  ASSERT_TRUE(settings.write_dword("RUN_MODE", 1));
  ASSERT_TRUE(settings.write_dword("NUM_SAMPLES", 3));
  ASSERT_TRUE(settings.write_dword("SAMPLE_VOLUME", 25));
  ASSERT_TRUE(settings.write_dword("SAMPLE_TIMEOUT", 10));
  ASSERT_TRUE(settings.write_dword("CLEAN", 1));
  rig.gui().command(IDM_VIEW_RUN);  // a fresh Run view reads them
  EXPECT_EQ(rig.text(IDC_MODE), "Sample");
  EXPECT_EQ(rig.text(IDC_CARTRIDGES), "3");
  EXPECT_EQ(rig.text(IDC_VOLUME), "2.5");
  EXPECT_EQ(rig.text(IDC_TIMEOUT), "10");
  EXPECT_EQ(SendDlgItemMessageA(rig.view(), IDC_CLEAN, BM_GETCHECK, 0, 0), BST_CHECKED);
}

TEST(RunViewGui, ScheduleModeStartsTheScheduleAndStopFollowsTheControlSource) {
  RunViewRigOptions options;
  options.failing_command = kCmdStartSchedule;
  RunViewRig refused(options);
  ASSERT_TRUE(refused.gui().pump_until([&] { return shows_idle(refused); }));
  refused.choose_mode(3);
  EXPECT_FALSE(refused.enabled(IDC_CARTRIDGES));  // the schedule brings its own parameters
  ModalScript answer([](HWND modal) { return PostMessageA(modal, WM_COMMAND, IDOK, 0), true; });
  refused.press(IDC_START);
  ASSERT_EQ(answer.seen().size(), 1u);
  EXPECT_EQ(answer.seen()[0].text, "Unable to start schedule - check power supply");
  EXPECT_EQ(refused.gui().settings().read_dword("RUN_MODE"), 255u);

  RunViewRigOptions scheduled;
  scheduled.scenarios = {"schedule"};
  RunViewRig rig(scheduled);
  ASSERT_TRUE(rig.gui().pump_until([&] { return rig.enabled(IDC_STOP); }));
  EXPECT_EQ(rig.text(IDC_WAYPOINT_LINE), "Next Schedule Waypoint: 1");
  EXPECT_EQ(rig.text(IDC_CONTROL_LINE).rfind("Control: Schedule (next event: ", 0), 0u);
  EXPECT_FALSE(rig.enabled(IDC_MODE));
  EXPECT_FALSE(rig.enabled(IDC_START));
  rig.press(IDC_STOP);
  EXPECT_FALSE(
      rig.with_instrument([](const sim::Instrument& in) { return in.schedule_run.active; }));
  EXPECT_TRUE(rig.gui().pump_until([&] { return rig.enabled(IDC_START); }));
}

TEST(RunViewGui, StopUnderManualControlStopsTheRun) {
  RunViewRigOptions options;
  options.scenarios = {"running"};
  RunViewRig rig(options);
  ASSERT_TRUE(rig.gui().pump_until([&] { return rig.enabled(IDC_STOP); }));
  rig.press(IDC_STOP);
  EXPECT_TRUE(rig.with_instrument(
      [](const sim::Instrument& in) { return in.run.cancelling || !in.run.active; }));
  EXPECT_TRUE(rig.gui().pump_until([&] { return shows_idle(rig); }, 30s));
}

TEST(RunViewGui, AFailedStopSaysWhatToDo) {
  RunViewRigOptions options;
  options.scenarios = {"running"};
  options.failing_command = kCmdStopRun;
  RunViewRig rig(options);
  ASSERT_TRUE(rig.gui().pump_until([&] { return rig.enabled(IDC_STOP); }));
  ModalScript answer([](HWND modal) { return PostMessageA(modal, WM_COMMAND, IDOK, 0), true; });
  rig.press(IDC_STOP);
  ASSERT_EQ(answer.seen().size(), 1u);
  EXPECT_EQ(answer.seen()[0].caption, "Stop");
  EXPECT_EQ(answer.seen()[0].text, "Unable to stop device - turn off the power");
}

RunViewRigOptions with_log(std::initializer_list<float> litres) {
  RunViewRigOptions options;
  std::uint16_t cartridge = 11;
  for (const float l : litres) options.log.push_back(sample_entry(cartridge++, l));
  return options;
}

void expect_rows_match_log(RunViewRig& rig) {
  const auto log = rig.with_instrument([](const sim::Instrument& in) { return in.sample_log; });
  ASSERT_EQ(rig.rows(), static_cast<int>(log.size()));
  for (std::size_t i = 0; i < log.size(); ++i) {
    EXPECT_EQ(rig.cell(static_cast<int>(i), 1), std::to_string(log[i].cartridge_id)) << i;
  }
}

TEST(RunViewGui, TheLogIsListedAndANewEntryAppended) {
  RunViewRig rig(with_log({2.5F, 0.412F, 1.0F}));
  ASSERT_TRUE(rig.gui().pump_until([&] { return rig.rows() == 3; }));
  EXPECT_EQ(rig.cell(0, 0), "07/12/2026 21:00:00");
  EXPECT_EQ(rig.cell(1, 5), "0.412");
  EXPECT_EQ(rig.cell(2, 3), "stabilized full sample");
  rig.with_instrument([](sim::Instrument& in) { in.sample_log.push_back(sample_entry(14, 0.1F)); });
  ASSERT_TRUE(rig.gui().pump_until([&] { return rig.rows() == 4; }));
  expect_rows_match_log(rig);
  EXPECT_EQ(rig.cell(3, 5), "0.100");
}

TEST(RunViewGui, RowsThatArriveTogetherAreAllListedWithTheNewestInView) {
  RunViewRigOptions options;
  for (std::uint16_t i = 0; i < 60; ++i) options.log.push_back(sample_entry(100 + i, 1.0F));
  RunViewRig rig(options);
  // The window busy elsewhere while its routine reads: the rows wait for it together.
  std::this_thread::sleep_for(800ms);
  ASSERT_TRUE(rig.gui().pump_until([&] { return rig.rows() == 60; }));
  expect_rows_match_log(rig);
  const HWND list = GetDlgItem(rig.view(), IDC_SAMPLE_LOG_LIST);
  rig.gui().pump_until([] { return false; }, 200ms);  // the list has drawn itself
  const auto top = SendMessageA(list, LVM_GETTOPINDEX, 0, 0);
  const auto per_page = SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0);
  EXPECT_GT(top, 0);
  EXPECT_GE(top + per_page, 60);
}

TEST(RunViewGui, FiveThousandEntriesAreListedInOrderWithTheNewestInView) {
  constexpr int kEntries = 5000;
  RunViewRigOptions options;
  for (int i = 0; i < kEntries; ++i) {
    options.log.push_back(sample_entry(static_cast<std::uint16_t>(1 + i), 1.0F));
  }
  RunViewRig rig(options);
  ASSERT_TRUE(rig.gui().pump_until([&] { return rig.rows() == kEntries; }, 120s)) << rig.rows();
  EXPECT_EQ(rig.cell(0, 1), "1");
  EXPECT_EQ(rig.cell(0, 0), "07/12/2026 11:00:00");
  EXPECT_EQ(rig.cell(kEntries / 2, 1), "2501");
  EXPECT_EQ(rig.cell(kEntries - 1, 1), "5000");
  EXPECT_EQ(rig.cell(kEntries - 1, 5), "1.000");
  rig.gui().pump_until([] { return false; }, 200ms);  // the list has drawn itself
  const HWND list = GetDlgItem(rig.view(), IDC_SAMPLE_LOG_LIST);
  const auto top = SendMessageA(list, LVM_GETTOPINDEX, 0, 0);
  const auto per_page = SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0);
  EXPECT_GE(top + per_page, kEntries);
}

TEST(RunViewGui, ClearLogAnsweredNoSendsNothing) {
  RunViewRig rig(with_log({1, 2}));
  ASSERT_TRUE(rig.gui().pump_until([&] { return rig.rows() == 2; }));
  ModalScript answer([](HWND modal) { return PostMessageA(modal, WM_COMMAND, IDNO, 0), true; });
  rig.press(IDC_CLEAR_LOG);
  ASSERT_EQ(answer.seen().size(), 1u);
  EXPECT_EQ(answer.seen()[0].caption, "Clear Log");
  EXPECT_EQ(answer.seen()[0].text,
            "This will clear the log on the sampler. Do you want to continue?");
  EXPECT_EQ(rig.with_instrument([](const sim::Instrument& in) { return in.sample_log.size(); }),
            2u);
  EXPECT_EQ(rig.rows(), 2);
  EXPECT_TRUE(rig.wait_for_requests(4));  // still polling
}

TEST(RunViewGui, ClearLogEmptiesTheListAndReadsFromTheStart) {
  RunViewRig rig(with_log({1, 2}));
  ASSERT_TRUE(rig.gui().pump_until([&] { return rig.rows() == 2; }));
  ModalScript answer([](HWND modal) { return PostMessageA(modal, WM_COMMAND, IDYES, 0), true; });
  rig.press(IDC_CLEAR_LOG);
  EXPECT_EQ(answer.seen().size(), 1u);  // the question only
  EXPECT_EQ(rig.rows(), 0);
  EXPECT_TRUE(rig.with_instrument([](const sim::Instrument& in) { return in.sample_log.empty(); }));
  rig.with_instrument([](sim::Instrument& in) { in.sample_log.push_back(sample_entry(40, 1)); });
  ASSERT_TRUE(rig.gui().pump_until([&] { return rig.rows() == 1; }));
  EXPECT_EQ(rig.cell(0, 1), "40");
}

TEST(RunViewGui, ARefusedClearLogLeavesEachEntryExactlyOnce) {
  RunViewRigOptions options = with_log({1, 2, 3});
  options.failing_command = kCmdClearSampleLog;
  RunViewRig rig(options);
  ASSERT_TRUE(rig.gui().pump_until([&] { return rig.rows() == 3; }));
  ModalScript answer([](HWND modal) {
    const bool question = describe_modal(modal).text.find("continue?") != std::string::npos;
    PostMessageA(modal, WM_COMMAND, question ? IDYES : IDOK, 0);
    return true;
  });
  rig.press(IDC_CLEAR_LOG);
  ASSERT_EQ(answer.seen().size(), 2u);
  EXPECT_EQ(answer.seen()[1].caption, "Clear Log");
  EXPECT_EQ(answer.seen()[1].text, "Failed to clear log");
  // Several cycles of the new routine later the list still shows each entry once, in order.
  ASSERT_TRUE(rig.wait_for_requests(8));
  expect_rows_match_log(rig);
  rig.with_instrument([](sim::Instrument& in) { in.sample_log.push_back(sample_entry(50, 1)); });
  ASSERT_TRUE(rig.gui().pump_until([&] { return rig.rows() == 4; }));
  ASSERT_TRUE(rig.wait_for_requests(4));
  expect_rows_match_log(rig);
}

// Saves the log through File > Save Log..., typing `file` into the save-file dialog;
// returns the message boxes that followed and, in *title, the save dialog's title.
std::vector<ModalSeen> save_log(RunViewRig& rig, const std::string& file,
                                std::string* title = nullptr, std::string* offered = nullptr) {
  std::vector<ModalSeen> boxes;
  bool dialog_seen = false;
  ModalScript script([&](HWND modal) {
    const ModalSeen seen = describe_modal(modal);
    if (!dialog_seen) {
      dialog_seen = true;
      if (title != nullptr) *title = seen.caption;
      if (offered != nullptr) *offered = seen.items.count(0x47C) ? seen.items.at(0x47C) : "";
      return answer_save_dialog(modal, file);
    }
    boxes.push_back(seen);
    PostMessageA(modal, WM_COMMAND, IDOK, 0);
    return true;
  });
  rig.gui().command(IDM_SAVE_LOG);
  return boxes;
}

TEST(RunViewGui, SaveLogWritesTheHeaderAndEveryRow) {
  RunViewRig rig(with_log({2.5F, 0.412F}));
  ASSERT_TRUE(rig.gui().pump_until([&] { return rig.rows() == 2; }));
  ASSERT_TRUE(rig.wait_for_requests(3));  // the end of the log reached: no question
  const std::string file = temp_file("tarnquill-sample-log.log");
  std::string title;
  const auto boxes = save_log(rig, file, &title);
  EXPECT_EQ(title, "Sample Log File");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Save Sample Log");
  EXPECT_EQ(boxes[0].text, "Sample log saved to " + file);
  const std::vector<std::string> lines = read_lines(file);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(
      parse_csv_line(lines[0]),
      (std::vector<std::string>{"Start Time", "Cartridge ID", "Duration (sec)", "Treatment",
                                "Stop Reason", "Volume Pumped (litre)", "Max Pressure (bar)"}));
  EXPECT_EQ(parse_csv_line(lines[1]),
            (std::vector<std::string>{"07/12/2026 21:00:00", "11", "600", "stabilized full sample",
                                      "complete", "2.500", "0.350"}));
  EXPECT_EQ(parse_csv_line(lines[2])[1], "12");
  EXPECT_EQ(parse_csv_line(lines[2])[5], "0.412");

  // The name chosen is offered again at the next save.
  std::string offered;
  save_log(rig, file, nullptr, &offered);
  EXPECT_EQ(offered, "tarnquill-sample-log.log");  // in the folder chosen last
  DeleteFileA(file.c_str());
}

TEST(RunViewGui, SaveLogOfAnEmptyListWritesTheHeaderOnly) {
  RunViewRig rig;
  ASSERT_TRUE(rig.gui().pump_until([&] { return shows_idle(rig); }));
  ASSERT_TRUE(rig.wait_for_requests(3));  // the end of the log reached: no question
  const std::string file = temp_file("tarnquill-sample-log-empty.log");
  EXPECT_TRUE(save_log(rig, file).empty());
  const std::vector<std::string> lines = read_lines(file);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(parse_csv_line(lines[0]).size(), 7u);
  DeleteFileA(file.c_str());
}

TEST(RunViewGui, SaveLogToAnUnwritableFileSaysSo) {
  RunViewRig rig(with_log({1}));
  ASSERT_TRUE(rig.gui().pump_until([&] { return rig.rows() == 1; }));
  ASSERT_TRUE(rig.wait_for_requests(3));  // the end of the log reached: no question
  const char* full = std::getenv("TARNQUILL_FULL_FILE");
  ASSERT_NE(full, nullptr);
  const auto boxes = save_log(rig, full);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Save Sample Log");
  EXPECT_EQ(boxes[0].text, std::string("Unable to write ") + full);
}

TEST(RunViewGui, ResizingGrowsOnlyTheList) {
  RunViewRig rig;
  const auto rect_of = [&](int id) {
    RECT rect{};
    GetWindowRect(GetDlgItem(rig.view(), id), &rect);
    MapWindowPoints(nullptr, rig.view(), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
  };
  const RECT start_before = rect_of(IDC_START);
  const RECT list_before = rect_of(IDC_SAMPLE_LOG_LIST);
  const RECT banner = rect_of(IDC_RUN_BANNER);
  RECT status{};
  GetWindowRect(GetDlgItem(rig.gui().main(), IDC_STATUS_BAR), &status);
  for (const auto& [width, height] : {std::pair{900, 600}, std::pair{1250, 760}}) {
    SetWindowPos(rig.gui().main(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
    rig.gui().pump_pending();
    RECT client{};
    GetClientRect(rig.gui().main(), &client);
    const RECT list = rect_of(IDC_SAMPLE_LOG_LIST);
    EXPECT_EQ(list.left, list_before.left);
    EXPECT_EQ(list.top, list_before.top);
    EXPECT_EQ(list.right - list.left, client.right - (banner.right - banner.left + 1) + 1);
    EXPECT_EQ(list.bottom - list.top, client.bottom - (status.bottom - status.top + 1) + 1);
    const RECT start = rect_of(IDC_START);
    EXPECT_TRUE(EqualRect(&start, &start_before));
  }
}

// Every text a status line can show fits its line: nothing is cut off.
TEST(RunViewGui, TheLongestStatusTextsFitTheirLines) {
  RunViewRig rig;
  SystemStatus longest;
  longest.sampler_state = 7;
  longest.control_source = kControlSourceSchedule;
  longest.error_flag = 1;
  longest.clock = 4294924095U;
  longest.next_event_time = 4294924095U;
  longest.flow_volume = 999.999F;
  longest.max_pressure = 99.999F;
  longest.cartridge_id = 0;
  SystemStatus manual = longest;
  manual.control_source = 0;
  const HWND view = rig.view();
  const HDC dc = GetDC(view);
  const HGDIOBJ previous =
      SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(view, WM_GETFONT, 0, 0)));
  for (const SystemStatus& status : {longest, manual}) {
    for (const ControlText& line : run_status_face(run_status_texts(status))) {
      if (line.id == IDC_STATE_BANNER) continue;  // painted large, shrunk to fit
      RECT client{};
      GetClientRect(GetDlgItem(view, line.id), &client);
      SIZE size{};
      GetTextExtentPoint32A(dc, line.text.c_str(), static_cast<int>(line.text.size()), &size);
      EXPECT_LE(size.cx, client.right) << line.text;
    }
  }
  SelectObject(dc, previous);
  ReleaseDC(view, dc);
}

}  // namespace
}  // namespace tq::test
