// The program used from the keyboard alone: keys pressed into whatever control has the
// focus, through the program's own message loop, with no click into the window first.
#include <gtest/gtest.h>

#include "tests/app/win32/gui_harness_win32.h"
#include "tests/app/win32/simulated_instrument_win32.h"
#include "ui/connection_message_win32.h"
#include "ui/resource.h"

namespace tq::test {
namespace {

// The control of the current view with this id has the focus.
bool focus_is(const GuiHarness& gui, int control_id) {
  const HWND focus = GuiHarness::focused();
  return focus != nullptr && focus == GetDlgItem(gui.view(), control_id);
}

void connect(GuiHarness& gui, const ConnectionRef& connection) {
  ASSERT_TRUE(post_connected(gui.main(), connection));
  ASSERT_TRUE(gui.pump_until([&] { return gui.view_id() == IDD_RUN_VIEW; }));
}

void expect_escape_ends_the_program(GuiHarness& gui) {
  gui.press_key(VK_ESCAPE);
  EXPECT_FALSE(gui.alive());
  EXPECT_EQ(gui.quit_code(), 0);
}

TEST(KeyboardGui, TheConnectViewHasTheFocusAtStart) {
  GuiHarness gui({nullptr, std::vector<std::string>{"COM1"}});
  EXPECT_TRUE(focus_is(gui, IDC_PORT_LIST));
}

TEST(KeyboardGui, EscapeEndsTheProgramAfterConnecting) {
  SimulatedInstrument instrument = start_simulated_instrument({});
  GuiHarness gui;
  connect(gui, instrument.connection);
  expect_escape_ends_the_program(gui);
}

TEST(KeyboardGui, EscapeEndsTheProgramAfterAViewSwap) {
  SimulatedInstrument instrument = start_simulated_instrument({});
  for (const int view : {IDM_VIEW_DIAGNOSTICS, IDM_VIEW_RUN}) {
    SCOPED_TRACE(view);
    GuiHarness gui;
    connect(gui, instrument.connection);
    gui.command(view);
    expect_escape_ends_the_program(gui);
  }
}

TEST(KeyboardGui, EscapeEndsTheProgramAfterDisconnect) {
  SimulatedInstrument instrument = start_simulated_instrument({});
  GuiHarness gui;
  connect(gui, instrument.connection);
  gui.command(IDM_DISCONNECT);
  EXPECT_TRUE(focus_is(gui, IDC_PORT_LIST));
  expect_escape_ends_the_program(gui);
}

TEST(KeyboardGui, TabAndShiftTabMoveThroughTheConnectView) {
  GuiHarness gui({nullptr, std::vector<std::string>{"COM1", "COM2"}});
  ASSERT_TRUE(focus_is(gui, IDC_PORT_LIST));
  gui.press_key(VK_TAB);
  EXPECT_TRUE(focus_is(gui, IDC_CONNECT));
  gui.press_key(VK_TAB);
  EXPECT_TRUE(focus_is(gui, IDC_PORT_LIST));
  gui.press_key(VK_TAB, kShift);
  EXPECT_TRUE(focus_is(gui, IDC_CONNECT));
  // The access key of the port list's label takes the focus back to the list.
  gui.press_key('S', kAlt);
  EXPECT_TRUE(focus_is(gui, IDC_PORT_LIST));
  EXPECT_TRUE(gui.alive());
}

TEST(KeyboardGui, EnterConnectsToTheSelectedPort) {
  const auto port = simulator_com_port();
  ASSERT_TRUE(port.has_value()) << "the test needs the simulator's COM port";
  GuiHarness gui({nullptr, std::vector<std::string>{*port}});
  ModalAnswerer answer(IDOK);  // none expected; a failure must not hang the test
  ASSERT_TRUE(focus_is(gui, IDC_PORT_LIST));
  gui.press_key(VK_RETURN);
  ASSERT_TRUE(gui.pump_until([&] { return gui.view_id() == IDD_RUN_VIEW; }));
  EXPECT_TRUE(answer.seen().empty());
  // The Run view has the focus in turn: Escape still closes.
  gui.pump_pending();
  expect_escape_ends_the_program(gui);
}

TEST(KeyboardGui, EnterOnTheConnectButtonConnectsToo) {
  const auto port = simulator_com_port();
  ASSERT_TRUE(port.has_value()) << "the test needs the simulator's COM port";
  GuiHarness gui({nullptr, std::vector<std::string>{*port}});
  gui.press_key(VK_TAB);
  ASSERT_TRUE(focus_is(gui, IDC_CONNECT));
  gui.press_key(VK_RETURN);
  ASSERT_TRUE(gui.pump_until([&] { return gui.view_id() == IDD_RUN_VIEW; }));
  gui.command(IDM_DISCONNECT);
}

TEST(KeyboardGui, AltF4DoesNothingWhereverTheFocusIs) {
  SimulatedInstrument instrument = start_simulated_instrument({});
  GuiHarness gui;
  gui.press_key(VK_F4, kAlt);
  EXPECT_TRUE(gui.alive());
  connect(gui, instrument.connection);
  gui.press_key(VK_F4, kAlt);
  EXPECT_TRUE(gui.alive());
  EXPECT_FALSE(gui.quit_code().has_value());
}

}  // namespace
}  // namespace tq::test

namespace tq::test {
namespace {

// Escape and Enter close the About dialog, pressed into whatever has its focus.
TEST(KeyboardGui, EscapeAndEnterCloseTheAboutDialog) {
  for (const UINT key : {UINT{VK_ESCAPE}, UINT{VK_RETURN}}) {
    SCOPED_TRACE(key);
    GuiHarness gui({nullptr, std::vector<std::string>{}});
    bool focus_in_dialog = false;
    ModalScript script([&](HWND dialog) {
      const HWND focus = GetFocus();
      focus_in_dialog = focus != nullptr && IsChild(dialog, focus);
      post_key(focus != nullptr ? focus : dialog, key);
      return true;
    });
    gui.command(IDM_ABOUT);  // returns once the dialog has ended
    ASSERT_EQ(script.seen().size(), 1u);
    EXPECT_EQ(script.seen()[0].caption, "About Tarnquill");
    EXPECT_TRUE(focus_in_dialog);
    EXPECT_TRUE(gui.alive());
  }
}

}  // namespace
}  // namespace tq::test
