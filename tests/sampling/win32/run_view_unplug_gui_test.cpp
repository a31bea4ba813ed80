// The Run view through an unplugged and replugged line: the window keeps answering, and
// the view fills again by itself once the line is back.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <thread>

#include "tests/sampling/win32/run_view_rig_win32.h"
#include "ui/resource.h"

namespace tq::test {
namespace {

TEST(RunViewUnplugGui, TheViewFillsAgainByItselfOnceTheLineIsBack) {
  RunViewRigOptions options;
  options.instrument.clock = 1783418400;  // 07/07/2026 10:00:00
  RunViewRig rig(options);
  ASSERT_TRUE(rig.gui().pump_until(
      [&] { return rig.text(IDC_STATE_LINE) == "Sampler State: Idle"; }, 1500ms));
  ASSERT_EQ(rig.text(IDC_TIME_LINE), "Sampler Clock Time Now: 07/07/2026 10:00");

  // Another thread keeps asking the main window for an answer throughout.
  std::atomic<bool> asking{true};
  std::atomic<int> unanswered{0};
  std::atomic<int> answered{0};
  std::thread asker([&, main = rig.gui().main()] {
    while (asking) {
      DWORD_PTR result = 0;
      if (SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &result) == 0) {
        ++unanswered;
      } else {
        ++answered;
      }
      std::this_thread::sleep_for(20ms);
    }
  });

  const std::uint64_t plugged = rig.server().Reconnections();
  rig.server().DropLine(1500);
  // While the line is out the instrument's clock moves on two minutes; only a view that
  // talks to it again can show that.
  rig.server().AdvanceTime(120000);
  const bool refilled = rig.gui().pump_until(
      [&] { return rig.text(IDC_TIME_LINE) == "Sampler Clock Time Now: 07/07/2026 10:02"; },
      10000ms);
  asking = false;
  // The asker may be waiting for an answer: keep pumping until it is done.
  std::atomic<bool> joined{false};
  std::thread joiner([&] {
    asker.join();
    joined = true;
  });
  rig.gui().pump_until([&] { return joined.load(); }, 5000ms);
  joiner.join();

  EXPECT_TRUE(refilled) << rig.text(IDC_TIME_LINE);
  EXPECT_GT(rig.server().Reconnections(), plugged);  // the line really went and came back
  EXPECT_EQ(rig.text(IDC_STATE_LINE), "Sampler State: Idle");
  EXPECT_EQ(unanswered.load(), 0);
  EXPECT_GT(answered.load(), 0);
}

}  // namespace
}  // namespace tq::test
