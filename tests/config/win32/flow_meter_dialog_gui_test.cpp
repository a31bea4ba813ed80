// The flow meter dialog against the simulated instrument: it opens on the block's pulses
// per litre, writes what is typed with a zero header byte, and reports each outcome.
#include <gtest/gtest.h>

#include <array>

#include "link/commands.h"
#include "tests/config/win32/config_gui_fixture_win32.h"
#include "ui/resource.h"

namespace tq::test {
namespace {

using Block = std::array<std::uint8_t, kFlowMeterConfigSize>;

class FlowMeterGui : public ConfigGui {
 protected:
  void hold(const Block& block) {
    server().WithInstrument([&](sim::Instrument& in) { in.flow_block = block; });
  }
  Block held() {
    return server().WithInstrument([](sim::Instrument& in) { return in.flow_block; });
  }
};

TEST_F(FlowMeterGui, ShowsTheStoredValueAndSavesItWithAZeroHeader) {
  hold({0x7F, 0x10, 0x27, 0x00, 0x00});  // a header byte the program must not send back
  std::string shown;
  std::string tooltip;
  DialogSteps& steps = run(IDM_FLOW_METER, {
                                               [&](HWND dialog) {
                                                 shown =
                                                     GuiHarness::item_text(dialog, IDC_FLOW_PULSES);
                                                 tooltip = tooltip_text(dialog, IDC_FLOW_PULSES);
                                                 click_button(dialog, IDC_FLOW_SAVE);
                                                 return true;
                                               },
                                               leave,
                                           });
  EXPECT_EQ(steps.dialogs(), std::vector<std::string>{"Configure Flow Sensor"});
  EXPECT_EQ(shown, "10000");
  EXPECT_EQ(tooltip, "Datasheet estimates 10000 for water at 25C");
  EXPECT_EQ(steps.messages(), (std::vector<MessageSeen>{{"Save", "Flow Meter Config Saved"}}));
  EXPECT_EQ(held(), (Block{0x00, 0x10, 0x27, 0x00, 0x00}));
}

TEST_F(FlowMeterGui, TheLargestValueIsWrittenWholeAndOneMoreIsZero) {
  std::vector<Block> written;
  DialogSteps& steps =
      run(IDM_FLOW_METER, {
                              [](HWND dialog) {
                                type_into(dialog, IDC_FLOW_PULSES, "4294967295");
                                click_button(dialog, IDC_FLOW_SAVE);
                                return true;
                              },
                              [&](HWND dialog) {
                                written.push_back(held());
                                type_into(dialog, IDC_FLOW_PULSES, "4294967296");
                                click_button(dialog, IDC_FLOW_SAVE);
                                return true;
                              },
                              [&](HWND dialog) {
                                written.push_back(held());
                                type_into(dialog, IDC_FLOW_PULSES, "");
                                SendDlgItemMessageA(dialog, IDC_FLOW_PULSES, WM_CLEAR, 0, 0);
                                hold({0, 1, 2, 3, 4});
                                click_button(dialog, IDC_FLOW_SAVE);
                                return true;
                              },
                              leave,
                          });
  written.push_back(held());
  EXPECT_EQ(steps.messages().size(), 3u);
  EXPECT_EQ(written, (std::vector<Block>{{0x00, 0xFF, 0xFF, 0xFF, 0xFF},
                                         {0x00, 0x00, 0x00, 0x00, 0x00},
                                         {0x00, 0x00, 0x00, 0x00, 0x00}}));
}

TEST_F(FlowMeterGui, AFailedSaveSaysSoAndKeepsTheTypedText) {
  std::string after;
  DialogSteps& steps = run(IDM_FLOW_METER, {
                                               [this](HWND dialog) {
                                                 type_into(dialog, IDC_FLOW_PULSES, "12345");
                                                 fail_next(kCmdSetConfigBlock);
                                                 click_button(dialog, IDC_FLOW_SAVE);
                                                 return true;
                                               },
                                               [&](HWND dialog) {
                                                 after =
                                                     GuiHarness::item_text(dialog, IDC_FLOW_PULSES);
                                                 return true;
                                               },
                                               leave,
                                           });
  EXPECT_EQ(steps.messages(),
            (std::vector<MessageSeen>{{"Save", "Failed to save config to device."}}));
  EXPECT_EQ(after, "12345");
}

TEST(FlowMeterGuiFailure, ABlockThatCannotBeReadClosesTheDialogWithItsMessage) {
  std::vector<std::string> dialogs;
  EXPECT_EQ(messages_of_failed_opening(IDM_FLOW_METER, kCmdGetConfigBlock, &dialogs),
            (std::vector<MessageSeen>{
                {"Configure Flow Meter", "Can't get flow meter config from device."}}));
  EXPECT_TRUE(dialogs.empty());
}

}  // namespace
}  // namespace tq::test
