// The stabilization and cleaning dialog against the simulated instrument: it opens on the
// instrument's values, saves the entries limited to their fields, reads them back, and
// reports each outcome.
#include <gtest/gtest.h>

#include <array>
#include <map>

#include "config/cleaning_dialog.h"
#include "link/commands.h"
#include "tests/config/win32/config_gui_fixture_win32.h"
#include "ui/resource.h"

namespace tq::test {
namespace {

using Record = std::array<std::uint8_t, kCleaningConfigSize>;

std::map<int, std::string> shown(HWND dialog) {
  std::map<int, std::string> texts;
  for (const auto& field : kCleaningFields) {
    texts[field.id] = GuiHarness::item_text(dialog, field.id);
  }
  return texts;
}

class CleaningGui : public ConfigGui {
 protected:
  void hold(const Record& record) {
    server().WithInstrument([&](sim::Instrument& in) { in.cleaning = record; });
  }
  Record held() {
    return server().WithInstrument([](sim::Instrument& in) { return in.cleaning; });
  }
  // The entries the tests type: flow time 70000 and speed 150, beyond their fields.
  static void type_entries(HWND dialog) {
    type_into(dialog, IDC_CLEANING_FLOW_TIME, "70000");
    type_into(dialog, IDC_CLEANING_BLEACH_SPEED, "150");
    type_into(dialog, IDC_CLEANING_BLEACH_TIME, "90");
    type_into(dialog, IDC_CLEANING_DWELL, "600");
    type_into(dialog, IDC_CLEANING_FLUSH, "45");
    click_button(dialog, IDC_CLEANING_THROUGH_CARTRIDGE);
  }
};

TEST_F(CleaningGui, OpensOnTheInstrumentsValues) {
  std::map<int, std::string> texts;
  bool through_cartridge = true;
  DialogSteps& steps =
      run(IDM_STABILIZATION_CLEANING, {
                                          [&](HWND dialog) {
                                            texts = shown(dialog);
                                            through_cartridge =
                                                checked(dialog, IDC_CLEANING_THROUGH_CARTRIDGE);
                                            return true;
                                          },
                                          leave,
                                      });
  EXPECT_EQ(steps.dialogs(), std::vector<std::string>{"Configure Stabilization & Cleaning"});
  EXPECT_TRUE(steps.messages().empty());
  EXPECT_EQ(texts, (std::map<int, std::string>{{IDC_CLEANING_FLOW_TIME, "30"},
                                               {IDC_CLEANING_BLEACH_SPEED, "60"},
                                               {IDC_CLEANING_BLEACH_TIME, "60"},
                                               {IDC_CLEANING_DWELL, "120"},
                                               {IDC_CLEANING_FLUSH, "60"}}));
  EXPECT_FALSE(through_cartridge);
}

TEST_F(CleaningGui, SavesTheEntriesLimitedAndShowsWhatTheInstrumentNowHolds) {
  hold({0xAB, 0xCD, 30, 0, 0, 60, 60, 0, 120, 0, 60, 0});  // the first two bytes not zero
  std::map<int, std::string> after;
  DialogSteps& steps =
      run(IDM_STABILIZATION_CLEANING, {
                                          [](HWND dialog) {
                                            type_entries(dialog);
                                            return true;
                                          },
                                          [](HWND dialog) {
                                            click_button(dialog, IDC_CLEANING_SAVE);
                                            return true;
                                          },
                                          [&](HWND dialog) {
                                            after = shown(dialog);
                                            return true;
                                          },
                                          leave,
                                      });
  EXPECT_EQ(steps.messages(), (std::vector<MessageSeen>{{"Save", "Cleaning confugration saved"}}));
  EXPECT_EQ(held(),
            (Record{0x00, 0x00, 0xFF, 0xFF, 0x01, 100, 0x5A, 0x00, 0x58, 0x02, 0x2D, 0x00}));
  EXPECT_EQ(after.at(IDC_CLEANING_FLOW_TIME), "65535");
  EXPECT_EQ(after.at(IDC_CLEANING_BLEACH_SPEED), "100");
}

TEST_F(CleaningGui, AFailedWriteOrReadBackIsReportedAndTheEntriesStay) {
  std::vector<std::map<int, std::string>> after;
  Record after_read_back_failure{};
  DialogSteps& steps =
      run(IDM_STABILIZATION_CLEANING, {
                                          [this](HWND dialog) {
                                            type_entries(dialog);
                                            fail_next(kCmdSetCleaningConfig);
                                            return true;
                                          },
                                          [](HWND dialog) {
                                            click_button(dialog, IDC_CLEANING_SAVE);
                                            return true;
                                          },
                                          [&, this](HWND dialog) {
                                            after.push_back(shown(dialog));
                                            fail_next(kCmdGetCleaningConfig);
                                            click_button(dialog, IDC_CLEANING_SAVE);
                                            return true;
                                          },
                                          [&](HWND dialog) {
                                            after.push_back(shown(dialog));
                                            after_read_back_failure = held();
                                            return true;
                                          },
                                          leave,
                                      });
  EXPECT_EQ(steps.messages(),
            (std::vector<MessageSeen>{{"Save", "Failed to save cleaning configuration"},
                                      {"Save", "Failed to save cleaning configuration"}}));
  ASSERT_EQ(after.size(), 2u);
  for (const auto& texts : after) {
    EXPECT_EQ(texts.at(IDC_CLEANING_FLOW_TIME), "70000");
    EXPECT_EQ(texts.at(IDC_CLEANING_BLEACH_SPEED), "150");
  }
  // The write itself went through the second time.
  EXPECT_EQ(after_read_back_failure[5], 100);
}

TEST(CleaningGuiFailure, AConfigurationThatCannotBeReadClosesTheDialogWithItsMessage) {
  std::vector<std::string> dialogs;
  EXPECT_EQ(messages_of_failed_opening(IDM_STABILIZATION_CLEANING, kCmdGetCleaningConfig, &dialogs),
            (std::vector<MessageSeen>{{"Cleaning Configuration",
                                       "Unable to retrieve cleaning configuration from device"}}));
  EXPECT_TRUE(dialogs.empty());
}

}  // namespace
}  // namespace tq::test
