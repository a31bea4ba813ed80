// The Connect view driven in-process: the port list, preselection, the Connect button's
// failures and remembering, and connecting to the simulator on its COM port.
#include <gtest/gtest.h>

#include "tests/app/win32/gui_harness_win32.h"
#include "tests/app/win32/simulated_instrument_win32.h"
#include "ui/resource.h"

namespace tq::test {
namespace {

// Port names no device answers to.
constexpr const char* kMissingPort = "COM200";
constexpr const char* kOtherMissingPort = "COM201";

std::vector<std::string> listed_ports(HWND view) {
  std::vector<std::string> ports;
  const auto count = SendDlgItemMessageA(view, IDC_PORT_LIST, CB_GETCOUNT, 0, 0);
  for (WPARAM i = 0; i < static_cast<WPARAM>(count); ++i) {
    std::array<char, 64> text{};
    SendDlgItemMessageA(view, IDC_PORT_LIST, CB_GETLBTEXT, i,
                        reinterpret_cast<LPARAM>(text.data()));
    ports.emplace_back(text.data());
  }
  return ports;
}

int selected_index(HWND view) {
  return static_cast<int>(SendDlgItemMessageA(view, IDC_PORT_LIST, CB_GETCURSEL, 0, 0));
}

// Settings as one run of the program leaves them for the next.
std::shared_ptr<MemorySettingsStore> settings_with_port(const char* name) {
  auto settings = std::make_shared<MemorySettingsStore>();
  if (name != nullptr) static_cast<void>(settings->write_string("port_name", name));
  return settings;
}

std::optional<std::string> stored_port(const MemorySettingsStore& settings) {
  const auto found = settings.values().find("port_name");
  if (found == settings.values().end() || found->second.type != SettingType::kString) {
    return std::nullopt;
  }
  return std::string(found->second.bytes.begin(), found->second.bytes.end());
}

class ConnectViewGui : public testing::Test {};

// The device map is enumerated sorted by value name here, so the names give the order.
TEST_F(ConnectViewGui, ListsPortsInEnumerationOrderAndPreselectsTheStoredOneExactly) {
  const SerialCommList ports(
      {serial_port_entry("Serial0", "COM1"), serial_port_entry("Serial1", "COM3")});
  const struct {
    const char* stored;
    int selected;
  } cases[] = {{nullptr, 0}, {"COM3", 1}, {"com3", 0}, {"COM9", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored != nullptr ? c.stored : "nothing stored");
    GuiHarness gui({settings_with_port(c.stored), std::nullopt});
    EXPECT_EQ(listed_ports(gui.view()), (std::vector<std::string>{"COM1", "COM3"}));
    EXPECT_EQ(selected_index(gui.view()), c.selected);
  }
}

TEST_F(ConnectViewGui, AnOversizedOrNonTextEntryDoesNotHideThePortsAfterIt) {
  const SerialCommList ports({serial_port_entry("Serial0", "COM1"),
                              serial_port_entry("Serial1", "COM_NAMED_FAR_TOO_LONG"),
                              {"Serial2", REG_DWORD, {7, 0, 0, 0}},
                              serial_port_entry("Serial3", "COM4")});
  GuiHarness gui;
  EXPECT_EQ(listed_ports(gui.view()), (std::vector<std::string>{"COM1", "COM4"}));
}

TEST_F(ConnectViewGui, ConnectWithNoPortsSaysSo) {
  const SerialCommList ports({});
  GuiHarness gui;
  ModalAnswerer answer(IDOK);
  GuiHarness::click(gui.view(), IDC_CONNECT);
  ASSERT_EQ(answer.seen().size(), 1u);
  EXPECT_EQ(answer.seen()[0].caption, "Connect");
  EXPECT_EQ(answer.seen()[0].text, "No ports available");
  EXPECT_FALSE(stored_port(gui.settings()).has_value());
  EXPECT_EQ(gui.view_id(), IDD_CONNECT_VIEW);
}

TEST_F(ConnectViewGui, AFailedConnectStillRemembersThePortAndCanBeRetried) {
  const SerialCommList ports({serial_port_entry("Serial0", kOtherMissingPort),
                              serial_port_entry("Serial1", kMissingPort)});
  const auto settings = settings_with_port(kMissingPort);
  {
    GuiHarness gui({settings, std::nullopt});
    ASSERT_EQ(selected_index(gui.view()), 1);
    ModalAnswerer answer(IDOK);
    settings->clear();  // whatever is stored now comes from this press
    GuiHarness::click(gui.view(), IDC_CONNECT);
    ASSERT_EQ(answer.seen().size(), 1u);
    EXPECT_EQ(answer.seen()[0].caption, "Connect");
    EXPECT_EQ(answer.seen()[0].text, std::string("Can't connect to ") + kMissingPort +
                                         ", check it's not open in another application.");
    EXPECT_EQ(stored_port(*settings), std::string("COM200") + '\0');
    gui.pump_pending();
    EXPECT_EQ(gui.view_id(), IDD_CONNECT_VIEW);
    EXPECT_EQ(gui.title(), "tarnquill_rs232ui (not connected)");

    // A second press tries again, with whatever entry is selected then.
    SendDlgItemMessageA(gui.view(), IDC_PORT_LIST, CB_SETCURSEL, 0, 0);
    GuiHarness::click(gui.view(), IDC_CONNECT);
    gui.pump_pending();
    EXPECT_EQ(stored_port(*settings), std::string("COM201") + '\0');
    ASSERT_EQ(answer.seen().size(), 2u);
    EXPECT_EQ(answer.seen()[1].text, std::string("Can't connect to ") + kOtherMissingPort +
                                         ", check it's not open in another application.");
  }
  // ... and the port is preselected at the next start.
  static_cast<void>(settings->write_string("port_name", kMissingPort));
  GuiHarness next({settings, std::nullopt});
  EXPECT_EQ(selected_index(next.view()), 1);
}

TEST_F(ConnectViewGui, ConnectsToTheSimulatorOnItsComPort) {
  const auto port = simulator_com_port();
  ASSERT_TRUE(port.has_value()) << "the test needs the simulator's COM port";
  const SerialCommList ports(
      {serial_port_entry("Serial0", "COM1"), serial_port_entry("Serial1", *port)});
  GuiHarness gui({settings_with_port(port->c_str()), std::nullopt});
  ASSERT_EQ(selected_index(gui.view()), 1);
  ModalAnswerer answer(IDOK);  // none expected; a failure must not hang the test
  GuiHarness::click(gui.view(), IDC_CONNECT);
  ASSERT_TRUE(gui.pump_until([&] { return gui.view_id() == IDD_RUN_VIEW; }));
  EXPECT_TRUE(answer.seen().empty());
  EXPECT_EQ(gui.title(), "A4301 Vessel Sampler (Quay Sampler 12)");
  EXPECT_EQ(gui.status_text(0), "Connected to Quay Sampler 12");
  EXPECT_EQ(stored_port(gui.settings()), *port + '\0');
  ASSERT_TRUE(gui.pump_until([&] { return gui.menu_enabled(IDM_DISCONNECT); }));
  gui.command(IDM_DISCONNECT);
  EXPECT_EQ(gui.view_id(), IDD_CONNECT_VIEW);
  EXPECT_EQ(gui.status_text(0), "Not connected");
}

}  // namespace
}  // namespace tq::test
