// The Reset Cartridge ID dialog, opened as the operator opens it: a double-click on the Run
// view's state banner.
#include <gtest/gtest.h>
#include <windows.h>

#include <optional>

#include "link/commands.h"
#include "tests/sampling/win32/run_view_rig_win32.h"
#include "ui/resource.h"

namespace tq::test {
namespace {

constexpr const char* kDialogTitle = "Reset Cartridge ID";

CartridgeRecord marked_record(std::uint16_t id) {
  CartridgeRecord record;
  record.unused0 = {0x5A, 0xA5};
  for (std::uint8_t i = 0; i < record.unused4.size(); ++i) {
    record.unused4[i] = static_cast<std::uint8_t>(0xC0 + i);
  }
  record.cartridge_id = id;
  return record;
}

// A rig whose instrument holds a recognisable cartridge record, idle and shown.
struct IdleRig {
  explicit IdleRig(RunViewRigOptions options = {}) : rig(options) {
    rig.with_instrument([](sim::Instrument& in) { in.cartridge = marked_record(42); });
    EXPECT_TRUE(
        rig.gui().pump_until([&] { return rig.text(IDC_STATE_BANNER) == "Top Cartridge: 42"; }));
  }
  CartridgeRecord record() {
    return rig.with_instrument([](const sim::Instrument& in) { return in.cartridge; });
  }
  RunViewRig rig;
};

// Types `text` into the dialog's ID edit and presses Enter there (OK is the default).
bool type_id_and_enter(HWND dialog, const std::string& text) {
  const HWND edit = GetDlgItem(dialog, IDC_CARTRIDGE_ID);
  SendMessageA(edit, EM_SETSEL, 0, -1);
  post_key(edit, VK_DELETE);
  post_text(edit, text);
  post_key(edit, VK_RETURN);
  return true;
}

TEST(ResetCartridgeGui, TheBannerLetsDoubleClicksThroughToTheView) {
  IdleRig idle;
  const HWND view = idle.rig.view();
  // The view's class takes double-clicks, and the banner is transparent to the mouse.
  EXPECT_NE(GetClassLongPtrA(view, GCL_STYLE) & CS_DBLCLKS, 0u);
  POINT centre = idle.rig.banner_centre();
  ClientToScreen(view, &centre);
  EXPECT_EQ(SendMessageA(GetDlgItem(view, IDC_STATE_BANNER), WM_NCHITTEST, 0,
                         MAKELPARAM(centre.x, centre.y)),
            HTTRANSPARENT);
}

TEST(ResetCartridgeGui, OkWritesTheRecordBackWithOnlyTheIdChanged) {
  IdleRig idle;
  std::vector<ModalSeen> seen;
  std::optional<std::uint64_t> first;
  ModalScript script([&](HWND modal) {
    if (seen.empty()) seen.push_back(describe_modal(modal));
    // OK just after a poll cycle (a status and a log read, the log being empty), so that
    // without a wake the next status would be a second away.
    const std::uint64_t count = idle.rig.requests();
    if (!first) first = count;
    if (count < *first + 2) return false;
    return type_id_and_enter(modal, "777");
  });
  idle.rig.double_click(idle.rig.banner_centre());
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].caption, kDialogTitle);
  EXPECT_EQ(seen[0].items[IDC_CARTRIDGE_ID], "42");
  EXPECT_EQ(seen[0].items[IDC_CARTRIDGE_ID_LABEL], "&Cartridge ID In Sample Slot:");
  EXPECT_EQ(idle.record(), marked_record(777));
  // The view wakes its routine when the dialog has closed: the new number shows at once.
  EXPECT_TRUE(idle.rig.gui().pump_until(
      [&] { return idle.rig.text(IDC_STATE_BANNER) == "Top Cartridge: 777"; }, 400ms));
}

TEST(ResetCartridgeGui, OkWithoutAChangeOrWithAnEmptyEntry) {
  IdleRig idle;
  {
    // Gone before the second dialog opens, which it would otherwise answer first.
    ModalScript unchanged(
        [&](HWND modal) { return PostMessageA(modal, WM_COMMAND, IDOK, 0), true; });
    idle.rig.double_click(idle.rig.banner_centre());
    EXPECT_EQ(idle.record(), marked_record(42));
  }

  ModalScript empty([&](HWND modal) { return type_id_and_enter(modal, ""); });
  idle.rig.double_click(idle.rig.banner_centre());
  EXPECT_EQ(idle.record(), marked_record(0));
}

TEST(ResetCartridgeGui, CancelSendsNothing) {
  IdleRig idle;
  ModalScript script([&](HWND modal) {
    post_text(GetDlgItem(modal, IDC_CARTRIDGE_ID), "9");
    post_key(GetDlgItem(modal, IDC_CARTRIDGE_ID), VK_ESCAPE);
    return true;
  });
  idle.rig.double_click(idle.rig.banner_centre());
  ASSERT_EQ(script.seen().size(), 1u);
  EXPECT_EQ(idle.record(), marked_record(42));
  EXPECT_EQ(idle.rig.text(IDC_STATE_BANNER), "Top Cartridge: 42");
}

TEST(ResetCartridgeGui, AnIdAbove65535IsRefusedAndCanBeCorrected) {
  IdleRig idle;
  int step = 0;
  std::vector<ModalSeen> boxes;
  ModalScript script([&](HWND modal) {
    const ModalSeen seen = describe_modal(modal);
    if (seen.caption == kDialogTitle) {
      // First a number that does not fit; once it has been refused, one that does. The
      // dialog is driven again after the first entry, so the step is not done yet.
      if (step == 0) {
        ++step;
        type_id_and_enter(modal, "70000");
        return false;
      }
      if (boxes.empty()) return false;
      ++step;
      return type_id_and_enter(modal, "65535");
    }
    boxes.push_back(seen);
    PostMessageA(modal, WM_COMMAND, IDOK, 0);
    return true;
  });
  idle.rig.double_click(idle.rig.banner_centre());
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Reset");
  EXPECT_EQ(boxes[0].text, "A cartridge ID is a number from 0 to 65535.");
  EXPECT_EQ(step, 2);  // the dialog stayed open for the second entry
  EXPECT_EQ(idle.record(), marked_record(65535));
}

TEST(ResetCartridgeGui, TheIdEditTakesFiveDigitsAtMost) {
  IdleRig idle;
  std::string shown;
  ModalScript script([&](HWND modal) {
    const HWND edit = GetDlgItem(modal, IDC_CARTRIDGE_ID);
    if (shown.empty()) {
      SendMessageA(edit, EM_SETSEL, 0, -1);
      post_text(edit, "1234567");
      shown = "typed";
      return false;  // read it back at the next step
    }
    shown = describe_modal(modal).items[IDC_CARTRIDGE_ID];
    PostMessageA(modal, WM_COMMAND, IDCANCEL, 0);
    return true;
  });
  idle.rig.double_click(idle.rig.banner_centre());
  EXPECT_EQ(shown, "12345");
}

TEST(ResetCartridgeGui, ADoubleClickWhileBusyOrBesideTheBannerOpensNothing) {
  RunViewRigOptions options;
  options.scenarios = {"running"};
  RunViewRig rig(options);
  ASSERT_TRUE(rig.gui().pump_until(
      [&] { return rig.text(IDC_STATE_LINE).rfind("Sampler State: Pumping Sample", 0) == 0; }));
  ModalScript script([](HWND modal) { return PostMessageA(modal, WM_COMMAND, IDCANCEL, 0), true; });
  rig.double_click(rig.banner_centre());
  EXPECT_FALSE(rig.gui().pump_until([&] { return !script.seen().empty(); }, 300ms));

  IdleRig idle;
  ModalScript idle_script(
      [](HWND modal) { return PostMessageA(modal, WM_COMMAND, IDCANCEL, 0), true; });
  idle.rig.double_click({3, 300});  // the left panel, below the banner
  EXPECT_FALSE(idle.rig.gui().pump_until([&] { return !idle_script.seen().empty(); }, 300ms));
}

TEST(ResetCartridgeGui, AFailedReadClosesTheDialogBeforeAnyEntry) {
  RunViewRigOptions options;
  options.failing_command = kCmdGetCartridgeId;
  IdleRig idle(options);
  ModalScript script([](HWND modal) { return PostMessageA(modal, WM_COMMAND, IDOK, 0), true; });
  idle.rig.double_click(idle.rig.banner_centre());
  ASSERT_EQ(script.seen().size(), 1u);  // the message, and no dialog after it
  EXPECT_EQ(script.seen()[0].caption, "Reset");
  EXPECT_EQ(script.seen()[0].text, "Failed to read existing ID from sampler");
}

TEST(ResetCartridgeGui, AFailedWriteIsReportedOnce) {
  RunViewRigOptions options;
  options.failing_command = kCmdSetCartridgeId;
  IdleRig idle(options);
  std::vector<ModalSeen> boxes;
  ModalScript script([&](HWND modal) {
    const ModalSeen seen = describe_modal(modal);
    if (seen.caption == kDialogTitle) return type_id_and_enter(modal, "5");
    boxes.push_back(seen);
    PostMessageA(modal, WM_COMMAND, IDOK, 0);
    return true;
  });
  idle.rig.double_click(idle.rig.banner_centre());
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Failed to reset cartridge ID");
  EXPECT_EQ(idle.record(), marked_record(42));
}

}  // namespace
}  // namespace tq::test
