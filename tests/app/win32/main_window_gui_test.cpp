// The main window driven in-process: start-up, connecting, the menu rule, view swaps,
// Disconnect, the ways the program ends, and the About dialog.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "link/commands.h"
#include "tests/app/win32/gui_harness_win32.h"
#include "tests/app/win32/simulated_instrument_win32.h"
#include "ui/connection_message_win32.h"
#include "ui/messages.h"
#include "ui/resource.h"

namespace tq::test {
namespace {

constexpr std::array<int, 7> kConfigureItems = {IDM_DEVICE_IDENTIFICATION,
                                                IDM_REAL_TIME_CLOCK,
                                                IDM_MOTORS,
                                                IDM_PRESSURE_SENSOR,
                                                IDM_FLOW_METER,
                                                IDM_STABILIZATION_CLEANING,
                                                IDM_SCHEDULE};

struct MenuRow {
  bool disconnect, save_log, views, configure;
};

void expect_menu(const GuiHarness& gui, const MenuRow& row) {
  EXPECT_EQ(gui.menu_enabled(IDM_DISCONNECT), row.disconnect);
  EXPECT_EQ(gui.menu_enabled(IDM_SAVE_LOG), row.save_log);
  EXPECT_EQ(gui.menu_enabled(IDM_VIEW_RUN), row.views);
  EXPECT_EQ(gui.menu_enabled(IDM_VIEW_DIAGNOSTICS), row.views);
  for (const int id : kConfigureItems) EXPECT_EQ(gui.menu_enabled(id), row.configure) << id;
  EXPECT_FALSE(gui.menu_enabled(IDM_RS232));
  EXPECT_TRUE(gui.menu_enabled(IDM_ABOUT));
  EXPECT_TRUE(gui.menu_enabled(IDM_EXIT));
}

constexpr MenuRow kConnectViewRow = {false, false, false, false};
constexpr MenuRow kRunIdleRow = {true, true, true, true};
constexpr MenuRow kRunBusyRow = {false, false, true, false};
constexpr MenuRow kDiagnosticsIdleRow = {true, false, true, true};
constexpr MenuRow kDiagnosticsBusyRow = {false, false, true, false};

void expect_not_connected_texts(const GuiHarness& gui) {
  EXPECT_EQ(gui.title(), "tarnquill_rs232ui (not connected)");
  EXPECT_EQ(gui.status_text(0), "Not connected");
  EXPECT_EQ(gui.status_text(1), "");
}

sim::InstrumentOptions harbour_sampler() {
  sim::InstrumentOptions options;
  options.name = "Harbour Sampler 7";
  options.device_type = 1015;
  return options;
}

// Hands the main window a Connection as the Connect view does, and pumps until the Run
// view has replaced the Connect view (its own first state report still queued).
void connect(GuiHarness& gui, const ConnectionRef& connection) {
  ASSERT_TRUE(post_connected(gui.main(), connection));
  ASSERT_TRUE(gui.pump_until([&] { return gui.view_id() == IDD_RUN_VIEW; }));
}

class MainWindowGui : public testing::Test {};

TEST_F(MainWindowGui, StartsNotConnectedWithEveryItemButAboutAndExitGrayed) {
  GuiHarness gui;
  ASSERT_TRUE(gui.alive());
  EXPECT_EQ(gui.view_id(), IDD_CONNECT_VIEW);
  EXPECT_EQ(GuiHarness::item_text(gui.view(), IDC_CONNECT_BANNER), "CONNECT");
  expect_not_connected_texts(gui);
  expect_menu(gui, kConnectViewRow);
  EXPECT_NE(SendMessageA(gui.main(), WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_NE(SendMessageA(gui.main(), WM_GETICON, ICON_SMALL, 0), 0);
}

TEST_F(MainWindowGui, ConnectingShowsTheInstrumentAndGraysUntilTheViewReports) {
  SimulatedInstrument instrument = start_simulated_instrument(harbour_sampler());
  GuiHarness gui;
  connect(gui, instrument.connection);
  EXPECT_EQ(gui.title(), "A1015 Cartridge Sampler 15 (Harbour Sampler 7)");
  EXPECT_EQ(gui.status_text(0), "Connected to Harbour Sampler 7");
  EXPECT_EQ(gui.status_text(1), "");
  EXPECT_EQ(GuiHarness::item_text(gui.view(), IDC_RUN_BANNER), "RUN");
  expect_menu(gui, kRunBusyRow);  // until the Run view's first report
  ASSERT_TRUE(gui.pump_until([&] { return gui.menu_enabled(IDM_DISCONNECT); }));
  expect_menu(gui, kRunIdleRow);
}

TEST_F(MainWindowGui, FailingIdentityOrDeviceTypeLeavesTheNotConnectedTexts) {
  for (const std::uint8_t failing : {kCmdGetIdentity, kCmdGetDeviceType}) {
    SCOPED_TRACE(static_cast<int>(failing));
    SimulatedInstrument instrument = start_simulated_instrument(harbour_sampler(), failing);
    GuiHarness gui;
    connect(gui, instrument.connection);
    expect_not_connected_texts(gui);
    EXPECT_EQ(gui.view_id(), IDD_RUN_VIEW);  // the Run view comes all the same
  }
}

TEST_F(MainWindowGui, MenuRuleFollowsTheViewAndItsRunningFlag) {
  // Without a status to read, the views report only once, when they open: no report of
  // their own comes between the test's and the menu it checks.
  SimulatedInstrument instrument =
      start_simulated_instrument(harbour_sampler(), kCmdGetSystemStatus);
  GuiHarness gui;
  connect(gui, instrument.connection);
  // From here the instrument answers nothing, so the views' own state reports cannot race
  // the ones this test posts.
  sim::FaultRule silence;
  silence.action.silence = true;
  instrument.simulator.server->AddFault(silence);
  gui.pump_pending();
  const auto report = [&](int view_id, int running) {
    PostMessageA(gui.main(), MSG_VIEW_STATE, static_cast<WPARAM>(view_id), running);
    gui.pump_pending();
  };
  report(IDD_RUN_VIEW, 1);
  expect_menu(gui, kRunBusyRow);
  report(IDD_RUN_VIEW, 0);
  expect_menu(gui, kRunIdleRow);

  gui.command(IDM_VIEW_DIAGNOSTICS);
  EXPECT_EQ(gui.view_id(), IDD_DIAGNOSTICS_VIEW);
  expect_menu(gui, kDiagnosticsBusyRow);  // until the Diagnostics view's first report
  gui.pump_pending();
  expect_menu(gui, kDiagnosticsIdleRow);
  report(IDD_DIAGNOSTICS_VIEW, 1);
  expect_menu(gui, kDiagnosticsBusyRow);
  report(IDD_DIAGNOSTICS_VIEW, 0);
  expect_menu(gui, kDiagnosticsIdleRow);

  // A late report from a view that is gone must not decide the menu of the one on show.
  report(IDD_RUN_VIEW, 1);
  expect_menu(gui, kDiagnosticsIdleRow);

  gui.command(IDM_VIEW_RUN);
  gui.pump_pending();
  expect_menu(gui, kRunIdleRow);
}

TEST_F(MainWindowGui, ChoosingTheShownViewAgainReplacesItByAFreshOne) {
  SimulatedInstrument instrument = start_simulated_instrument(harbour_sampler());
  GuiHarness gui;
  connect(gui, instrument.connection);
  const HWND first = gui.view();
  gui.command(IDM_VIEW_RUN);
  EXPECT_FALSE(IsWindow(first));
  EXPECT_EQ(gui.view_id(), IDD_RUN_VIEW);
}

TEST_F(MainWindowGui, DisconnectReturnsToTheConnectViewWithTheConnectionClosed) {
  SimulatedInstrument instrument = start_simulated_instrument(harbour_sampler());
  const std::weak_ptr<Connection> watch = instrument.connection;
  GuiHarness gui;
  connect(gui, instrument.connection);
  instrument.connection.reset();  // only the program holds it now
  ASSERT_TRUE(gui.pump_until([&] { return gui.menu_enabled(IDM_DISCONNECT); }));

  const HWND run_view = gui.view();
  gui.command(IDM_DISCONNECT);
  EXPECT_FALSE(IsWindow(run_view));
  EXPECT_TRUE(watch.expired());
  EXPECT_EQ(gui.view_id(), IDD_CONNECT_VIEW);
  expect_not_connected_texts(gui);
  expect_menu(gui, kConnectViewRow);
}

TEST_F(MainWindowGui, EscapeCloseBoxAndExitEndTheProgramAndCloseTheConnection) {
  const std::array<std::pair<const char*, std::function<void(GuiHarness&)>>, 4> ways = {{
      {"Escape", [](GuiHarness& gui) { gui.command(IDCANCEL); }},
      {"close box", [](GuiHarness& gui) { SendMessageA(gui.main(), WM_SYSCOMMAND, SC_CLOSE, 0); }},
      {"Exit", [](GuiHarness& gui) { gui.command(IDM_EXIT); }},
      {"WM_CLOSE from elsewhere",
       [](GuiHarness& gui) { PostMessageA(gui.main(), WM_CLOSE, 0, 0); }},
  }};
  for (const auto& [name, end] : ways) {
    SCOPED_TRACE(name);
    SimulatedInstrument instrument = start_simulated_instrument(harbour_sampler());
    const std::weak_ptr<Connection> watch = instrument.connection;
    GuiHarness gui;
    connect(gui, instrument.connection);
    instrument.connection.reset();
    end(gui);
    gui.pump_pending();
    EXPECT_FALSE(gui.alive());
    EXPECT_EQ(gui.quit_code(), 0);
    EXPECT_TRUE(watch.expired());
  }
}

TEST_F(MainWindowGui, AltF4DoesNothing) {
  GuiHarness gui;
  std::array<ACCEL, 4> entries{};
  ASSERT_EQ(CopyAcceleratorTableA(gui.accelerators(), entries.data(), entries.size()), 1);
  EXPECT_EQ(entries[0].key, VK_F4);
  EXPECT_EQ(entries[0].cmd, IDM_ALT_F4);
  EXPECT_EQ(entries[0].fVirt & (FALT | FVIRTKEY | FCONTROL | FSHIFT), FALT | FVIRTKEY);

  gui.command(IDM_ALT_F4);
  gui.pump_pending();
  EXPECT_TRUE(gui.alive());

  // The keys as the loop receives them (keyboard input itself depends on focus here):
  // Alt held in the thread's key state, F4 pressed with the Alt context bit.
  const auto press_alt_f4 = [&] {
    std::array<BYTE, 256> state{};
    GetKeyboardState(state.data());
    state[VK_MENU] = state[VK_LMENU] = 0x80;
    SetKeyboardState(state.data());
    const LPARAM alt_down = static_cast<LPARAM>(KF_ALTDOWN) << 16 | 1;
    PostMessageA(gui.main(), WM_SYSKEYDOWN, VK_F4, alt_down);
  };
  const auto release_alt = [] {
    std::array<BYTE, 256> state{};
    GetKeyboardState(state.data());
    state[VK_MENU] = state[VK_LMENU] = 0;
    SetKeyboardState(state.data());
  };
  press_alt_f4();
  gui.pump_pending();
  EXPECT_TRUE(gui.alive());
  EXPECT_FALSE(gui.quit_code().has_value());

  // Without the accelerator table the same keys close the window: they did arrive.
  gui.drop_accelerators();
  press_alt_f4();
  gui.pump_pending();
  release_alt();
  EXPECT_FALSE(gui.alive());
}

TEST_F(MainWindowGui, ViewsFillTheClientAreaAboveTheStatusBar) {
  SimulatedInstrument instrument = start_simulated_instrument(harbour_sampler());
  GuiHarness gui;
  const auto expect_view_fits = [&] {
    RECT client{};
    GetClientRect(gui.main(), &client);
    RECT status{};
    GetWindowRect(GetDlgItem(gui.main(), IDC_STATUS_BAR), &status);
    RECT view{};
    GetWindowRect(gui.view(), &view);
    EXPECT_EQ(view.right - view.left, client.right - 1);
    EXPECT_EQ(view.bottom - view.top, client.bottom - (status.bottom - status.top + 1) + 1);
  };
  for (const auto& [width, height] : {std::pair{900, 600}, std::pair{1200, 700}}) {
    SetWindowPos(gui.main(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
    gui.pump_pending();
    expect_view_fits();
  }
  connect(gui, instrument.connection);
  SetWindowPos(gui.main(), nullptr, 0, 0, 1000, 650, SWP_NOMOVE | SWP_NOZORDER);
  gui.pump_pending();
  expect_view_fits();
  // The sample log list takes the width right of the left panel.
  RECT client{};
  GetClientRect(gui.main(), &client);
  RECT list{};
  GetWindowRect(GetDlgItem(gui.view(), IDC_SAMPLE_LOG_LIST), &list);
  RECT banner{};
  GetWindowRect(GetDlgItem(gui.view(), IDC_RUN_BANNER), &banner);
  EXPECT_EQ(list.right - list.left, client.right - (banner.right - banner.left + 1) + 1);
}

TEST_F(MainWindowGui, StatusHeightAnswersOnlyARealAddress) {
  GuiHarness gui;
  std::int32_t height = 0;
  SendMessageA(gui.main(), MSG_STATUS_HEIGHT, 0, reinterpret_cast<LPARAM>(&height));
  RECT status{};
  GetWindowRect(GetDlgItem(gui.main(), IDC_STATUS_BAR), &status);
  EXPECT_EQ(height, status.bottom - status.top + 1);
  // The number is also the dialog manager's DM_SETDEFID, which carries no address.
  SendMessageA(gui.main(), DM_SETDEFID, IDOK, 0);
  EXPECT_TRUE(gui.alive());
}

TEST_F(MainWindowGui, AboutShowsTheProgramVersionAndWhatTheInstrumentReports) {
  GuiHarness gui;
  {
    ModalAnswerer answer(IDC_ABOUT_OK);
    gui.command(IDM_ABOUT);
    ASSERT_EQ(answer.seen().size(), 1u);
    auto items = answer.seen()[0].items;
    EXPECT_EQ(items[IDC_ABOUT_GUI], "GUI Version: TARNQUILL_2_4_3");
    EXPECT_EQ(items[IDC_ABOUT_DEVICE], "");  // not connected: both lines stay empty
    EXPECT_EQ(items[IDC_ABOUT_FIRMWARE], "");
    EXPECT_EQ(items[IDC_ABOUT_ADDRESS1], "Velmora Instruments Ltd");
  }
  SimulatedInstrument instrument = start_simulated_instrument(harbour_sampler());
  const std::string firmware = instrument.simulator.server->WithInstrument(
      [](const sim::Instrument& state) { return state.firmware_version; });
  connect(gui, instrument.connection);
  ModalAnswerer answer(IDC_ABOUT_OK);
  gui.command(IDM_ABOUT);
  ASSERT_EQ(answer.seen().size(), 1u);
  auto items = answer.seen()[0].items;
  EXPECT_EQ(items[IDC_ABOUT_DEVICE], "Device: A1015 Cartridge Sampler 15");
  EXPECT_EQ(items[IDC_ABOUT_FIRMWARE], "Firmware Version: " + firmware);
  EXPECT_TRUE(gui.alive());
}

TEST_F(MainWindowGui, ConnectionHandOverNeverLeaksAnOpenPort) {
  SimulatedInstrument instrument = start_simulated_instrument(harbour_sampler());
  std::weak_ptr<Connection> watch = instrument.connection;
  // A post that cannot be delivered releases the Connection at once.
  const HWND gone = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, nullptr, nullptr,
                                    GetModuleHandleA(nullptr), nullptr);
  DestroyWindow(gone);
  EXPECT_FALSE(post_connected(gone, std::move(instrument.connection)));
  EXPECT_TRUE(watch.expired());

  // A hand-over still queued when the main window closes is released with it.
  SimulatedInstrument second = start_simulated_instrument(harbour_sampler());
  watch = second.connection;
  GuiHarness gui;
  ASSERT_TRUE(post_connected(gui.main(), std::move(second.connection)));
  DestroyWindow(gui.main());
  EXPECT_TRUE(watch.expired());
}

}  // namespace
}  // namespace tq::test
