// The cleaning dialog's texts and the record Save builds, against bytes written by hand.
#include "config/cleaning_dialog.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <map>

namespace tq {
namespace {

using Record = std::array<std::uint8_t, kCleaningConfigSize>;

Record encoded(const CleaningConfig& config) {
  Record bytes{};
  bytes.fill(0xEE);
  EncodeCleaningConfig(config, bytes);
  return bytes;
}

CleaningEntries entries(std::array<std::string, 5> texts, bool through_cartridge) {
  return {texts, through_cartridge};
}

TEST(CleaningSave, EachFieldIsLimitedToWhatItHolds) {
  const Record bytes =
      encoded(cleaning_for_save(entries({"70000", "150", "65535", "65536", "4294967296"}, true)));
  EXPECT_EQ(bytes, (Record{0x00, 0x00,  // not used, always 0
                           0xFF, 0xFF,  // flow time 70000 -> 65535
                           0x01,        // waste through a cartridge
                           100,         // bleach speed 150 -> 100
                           0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(CleaningSave, EntriesWithinRangeGoAsTyped) {
  const Record bytes =
      encoded(cleaning_for_save(entries({"300", "100", "90", "600", "45"}, false)));
  EXPECT_EQ(bytes, (Record{0x00, 0x00, 0x2C, 0x01, 0x00, 100, 0x5A, 0x00, 0x58, 0x02, 0x2D, 0x00}));
}

TEST(CleaningSave, EmptyOrNonNumericEntriesAreZero) {
  const Record bytes = encoded(cleaning_for_save(entries({"", "abc", "-5", " ", "1e3"}, false)));
  EXPECT_EQ(bytes, Record{});
}

TEST(CleaningLoad, ShowsEveryFieldAndTheWasteBox) {
  // The first two bytes are whatever the instrument keeps there; they are not shown.
  const Record read = {0xAB, 0xCD, 0x2C, 0x01, 0x01, 80, 0x5A, 0x00, 0x58, 0x02, 0xFF, 0xFF};
  CleaningConfig config;
  DecodeCleaningConfig(read, config);
  const WindowFace face = cleaning_face(config);
  std::map<int, std::string> texts;
  for (const ControlText& text : face.texts) texts[text.id] = text.text;
  EXPECT_EQ(texts, (std::map<int, std::string>{{IDC_CLEANING_FLOW_TIME, "300"},
                                               {IDC_CLEANING_BLEACH_SPEED, "80"},
                                               {IDC_CLEANING_BLEACH_TIME, "90"},
                                               {IDC_CLEANING_DWELL, "600"},
                                               {IDC_CLEANING_FLUSH, "65535"}}));
  ASSERT_EQ(face.checked.size(), 1u);
  EXPECT_EQ(face.checked[0], (ControlFlag{IDC_CLEANING_THROUGH_CARTRIDGE, true}));
  // Saved again, it sends the same fields with the first two bytes cleared.
  CleaningEntries again;
  for (std::size_t i = 0; i < kCleaningFields.size(); ++i) {
    again.texts[i] = texts[kCleaningFields[i].id];
  }
  again.through_cartridge = true;
  Record expected = read;
  expected[0] = expected[1] = 0;
  EXPECT_EQ(encoded(cleaning_for_save(again)), expected);
}

}  // namespace
}  // namespace tq
