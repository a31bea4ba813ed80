// The Run view as a technician meets it in the field: a long log read at the line's real
// speed, a cable pulled and moved to another unit, older rows read while the list fills, and
// the rules of Start and Clear Log that the instrument depends on.
// windows.h must come before every other Windows header.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "link/commands.h"
#include "tests/sampling/win32/run_view_rig_win32.h"
#include "ui/epoch.h"
#include "ui/resource.h"

namespace tq::test {
namespace {

RunViewRigOptions long_log(std::uint16_t entries, bool paced) {
  RunViewRigOptions options;
  options.paced = paced;
  for (std::uint16_t i = 0; i < entries; ++i) options.log.push_back(sample_entry(100 + i, 1.0F));
  return options;
}

int top_row(RunViewRig& rig) {
  return static_cast<int>(
      SendDlgItemMessageA(rig.view(), IDC_SAMPLE_LOG_LIST, LVM_GETTOPINDEX, 0, 0));
}

TEST(RunViewRealUseGui, SaveLogWhileTheLogIsStillReadAsksAndWritesNothingWithoutAYes) {
  RunViewRig rig(long_log(500, true));
  ASSERT_TRUE(rig.gui().pump_until([&] { return rig.rows() >= 10; }, 20000ms));
  const std::string file = temp_file("tarnquill-partial-log.log");
  DeleteFileA(file.c_str());

  // Enter answers the question with its default: No. A save dialog is cancelled.
  ModalScript refuse([](HWND modal) {
    if (GetDlgItem(modal, 0xFFFF) == nullptr)
      return PostMessageA(modal, WM_COMMAND, IDCANCEL, 0), true;
    post_key(GetFocus() != nullptr ? GetFocus() : modal, VK_RETURN);
    return true;
  });
  rig.gui().command(IDM_SAVE_LOG);
  ASSERT_EQ(refuse.seen().size(), 1u);  // the question, and no save dialog after it
  EXPECT_EQ(refuse.seen()[0].caption, "Save Sample Log");
  EXPECT_NE(refuse.seen()[0].text.find("the sampler holds more"), std::string::npos)
      << refuse.seen()[0].text;
  EXPECT_LT(rig.rows(), 500);
  EXPECT_EQ(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(RunViewRealUseGui, ALostLinkShowsAndAnotherInstrumentOnThePortIsANewConnection) {
  RunViewRigOptions options;
  options.log = {sample_entry(11, 1.0F), sample_entry(12, 1.0F)};
  RunViewRig rig(options);
  ASSERT_TRUE(rig.gui().pump_until([&] { return rig.rows() == 2; }));
  ASSERT_NE(rig.gui().title().find("Simulated Sampler"), std::string::npos);

  // Unplugged: the status bar says so, the status lines are marked, and both clear again
  // when the same unit answers.
  rig.server().DropLine(2500);
  ASSERT_TRUE(rig.gui().pump_until(
      [&] { return rig.gui().status_text(0) == "Link lost: reconnecting..."; }, 8000ms));
  EXPECT_EQ(rig.text(IDC_STATUS_FRAME).rfind("Link lost: last known values, read at ", 0), 0u);
  ASSERT_TRUE(rig.gui().pump_until(
      [&] { return rig.gui().status_text(0) == "Connected to Simulated Sampler"; }, 10000ms));
  EXPECT_EQ(rig.text(IDC_STATUS_FRAME), "");
  EXPECT_EQ(rig.rows(), 2);

  // The cable moved to another unit: its name, and its rows only.
  sim::InstrumentOptions other;
  other.name = "Second Sampler";
  other.serial_number = 2002;
  rig.replace_instrument(other, {sample_entry(77, 2.0F)});
  ASSERT_TRUE(rig.gui().pump_until(
      [&] { return rig.gui().title().find("Second Sampler") != std::string::npos; }, 10000ms))
      << rig.gui().title();
  ASSERT_TRUE(rig.gui().pump_until([&] { return rig.rows() == 1 && rig.cell(0, 1) == "77"; }));
  EXPECT_EQ(rig.gui().status_text(0), "Connected to Second Sampler");
  rig.gui().pump_until([] { return false; }, 2500ms);  // more cycles on the new unit
  EXPECT_EQ(rig.rows(), 1);
}

TEST(RunViewRealUseGui, AnotherInstrumentFoundFromTheDiagnosticsViewGetsANewView) {
  RunViewRig rig;
  rig.gui().command(IDM_VIEW_DIAGNOSTICS);
  const HWND first = rig.view();
  sim::InstrumentOptions other;
  other.name = "Second Sampler";
  other.serial_number = 2002;
  rig.replace_instrument(other, {});
  ASSERT_TRUE(rig.gui().pump_until(
      [&] { return rig.gui().title().find("Second Sampler") != std::string::npos; }, 10000ms));
  EXPECT_EQ(rig.gui().view_id(), IDD_DIAGNOSTICS_VIEW);
  EXPECT_NE(rig.view(), first);  // with nothing of the unit that went
}

TEST(RunViewRealUseGui, AListScrolledToItsTopStaysThereAndClearLogDefaultsToNo) {
  RunViewRig rig(long_log(60, false));
  ASSERT_TRUE(rig.gui().pump_until([&] { return rig.rows() == 60; }));
  ASSERT_TRUE(rig.wait_for_requests(3));
  ASSERT_GT(top_row(rig), 0);  // it followed the newest row
  SetFocus(GetDlgItem(rig.view(), IDC_SAMPLE_LOG_LIST));
  rig.gui().press_key(VK_HOME);
  ASSERT_EQ(top_row(rig), 0);
  ASSERT_TRUE(rig.wait_for_requests(6));  // two cycles, each rewriting the newest row
  EXPECT_EQ(top_row(rig), 0);

  ModalScript enter([](HWND modal) {
    post_key(GetFocus() != nullptr ? GetFocus() : modal, VK_RETURN);
    return true;
  });
  rig.press(IDC_CLEAR_LOG);
  ASSERT_EQ(enter.seen().size(), 1u);
  EXPECT_EQ(enter.seen()[0].caption, "Clear Log");
  EXPECT_EQ(rig.with_instrument([](const sim::Instrument& in) { return in.sample_log.size(); }),
            60u);
}

TEST(RunViewRealUseGui, ClearLogStopsTheRoutineBeforeItClears) {
  RunViewRig rig(long_log(500, true));
  ASSERT_TRUE(rig.gui().pump_until([&] { return rig.rows() >= 5; }, 20000ms));
  std::mutex mutex;
  std::vector<std::uint8_t> codes;
  rig.server().WatchRequests([&](std::uint8_t code) {
    std::lock_guard lock(mutex);
    codes.push_back(code);
  });
  ModalScript yes([](HWND modal) { return PostMessageA(modal, WM_COMMAND, IDYES, 0), true; });
  rig.press(IDC_CLEAR_LOG);
  ASSERT_TRUE(rig.wait_for_requests(3));
  rig.server().WatchRequests({});
  const auto clear = std::find(codes.begin(), codes.end(), kCmdClearSampleLog);
  ASSERT_LT(clear + 1, codes.end());
  // No read of the old routine after the clear: the next command is the new routine's first.
  EXPECT_EQ(*(clear + 1), kCmdGetIdentity);
}

// Run with TZ set to a zone east of UTC too (the *InAnotherZone ctest case), where a
// local time would be hours off.
TEST(RunViewRealUseGui, StartSendsThePcsUtcTimeInAnotherZone) {
  SYSTEMTIME utc{};
  SYSTEMTIME local{};
  GetSystemTime(&utc);
  GetLocalTime(&local);
  if (std::getenv("TARNQUILL_TEST_ZONE") != nullptr) {
    ASSERT_NE(utc.wHour * 60 + utc.wMinute, local.wHour * 60 + local.wMinute)
        << "the zone run needs a local time other than UTC";
  }
  const auto utc_now = [] {
    SYSTEMTIME now{};
    GetSystemTime(&now);
    return calendar_to_epoch(
        {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond});
  };
  RunViewRig rig;
  ASSERT_TRUE(rig.gui().pump_until([&] { return rig.enabled(IDC_START); }));
  rig.type_into(IDC_CARTRIDGES, "1");  // Load/Unload
  ModalAnswerer answer(IDOK);          // none expected
  const std::uint32_t before = utc_now();
  rig.press(IDC_START);
  const std::uint32_t after = utc_now();
  EXPECT_TRUE(answer.seen().empty());
  const std::uint32_t sent =
      rig.with_instrument([](const sim::Instrument& in) { return in.run.request.start_time; });
  EXPECT_GE(sent, before);
  EXPECT_LE(sent, after);
}

}  // namespace
}  // namespace tq::test
