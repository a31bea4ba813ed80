// The About dialog's texts, the text limit and combo lookups.
#include "app/about_dialog.h"

#include <gtest/gtest.h>

#include "ui/dialog_tables.h"
#include "ui/text_format.h"

namespace tq {
namespace {

TEST(AboutTexts, ShowsWhatTheInstrumentReports) {
  FirmwareVersion firmware;
  const std::string version = "2.17.4-beta";
  std::copy(version.begin(), version.end(), firmware.version.begin());
  const AboutTexts texts = about_texts(std::uint16_t{42}, firmware);
  EXPECT_EQ(texts.gui, "GUI Version: TARNQUILL_2_4_3");
  EXPECT_EQ(texts.device, "Device: A0042 Simulator");
  EXPECT_EQ(texts.firmware, "Firmware Version: 2.17.4-beta");
}

TEST(AboutTexts, FailedCommandsLeaveTheirLinesEmpty) {
  const AboutTexts texts = about_texts(std::nullopt, std::nullopt);
  EXPECT_EQ(texts.device, "");
  EXPECT_EQ(texts.firmware, "");
  EXPECT_EQ(texts.gui, "GUI Version: TARNQUILL_2_4_3");
}

TEST(AboutTexts, UnterminatedFirmwareTextStopsAtItsField) {
  FirmwareVersion firmware;
  firmware.version.fill('9');
  EXPECT_EQ(about_texts(std::nullopt, firmware).firmware,
            "Firmware Version: " + std::string(firmware.version.size(), '9'));
}

TEST(FormatText, TextsOf256CharactersOrMoreAreRefused) {
  EXPECT_EQ(format_text("%s", std::string(255, 'x').c_str()), std::string(255, 'x'));
  EXPECT_FALSE(format_text("%s", std::string(256, 'x').c_str()).has_value());
  EXPECT_FALSE(format_text("%s%s", std::string(200, 'x').c_str(), std::string(100, 'y').c_str())
                   .has_value());
  EXPECT_EQ(format_text("Connected to %s", "Harbour 3"), "Connected to Harbour 3");
}

TEST(ComboValueAt, NoSelectionOrBeyondTheTableGivesZero) {
  constexpr ComboValue kModes[] = {
      {0, "Load/Unload"}, {1, "Sample"}, {2, "Prime"}, {255, "Schedule"}};
  EXPECT_EQ(combo_value_at(kModes, -1), 0u);
  EXPECT_EQ(combo_value_at(kModes, 4), 0u);
  EXPECT_EQ(combo_value_at(kModes, 3), 255u);
}

}  // namespace
}  // namespace tq
