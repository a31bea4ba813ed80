// The schedule dialog's template as built into the program, against its documented
// layout: the fixed controls in their places, fifteen rows 18 units apart, the pickers'
// formats.
// windows.h must come before every other Windows header.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "sampling/schedule_dialog.h"
#include "tests/app/win32/dialog_template_win32.h"

namespace tq::test {
namespace {

struct Place {
  short x, y, width, height;
  bool operator==(const Place&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Place& place) {
  return out << place.x << ", " << place.y << ", " << place.width << ", " << place.height;
}

TEST(ScheduleTemplate, TheFixedControlsStandWhereTheyAreDocumented) {
  const auto info = read_dialog_template(8);
  ASSERT_TRUE(info.has_value());
  EXPECT_EQ(info->title, "Sampling Schedule");
  std::map<int, TemplateControl> controls;
  for (const TemplateControl& control : info->controls) controls[control.id] = control;
  const std::map<int, Place> places = {
      {2434, {7, 7, 47, 10}},      // Autostart
      {2440, {7, 25, 19, 8}},      // "Start:"
      {2435, {37, 25, 172, 10}},   // from the next start
      {2436, {37, 39, 46, 10}},    // at or after
      {2437, {91, 37, 54, 15}},    // date picker
      {2438, {150, 37, 48, 15}},   // time picker
      {2439, {203, 40, 9, 9}},     // clock button
      {2441, {119, 365, 50, 14}},  // Save
  };
  for (const auto& [id, place] : places) {
    ASSERT_EQ(controls.count(id), 1u) << id;
    const TemplateControl& c = controls[id];
    EXPECT_EQ((Place{c.x, c.y, c.width, c.height}), place) << id;
  }
  EXPECT_EQ(controls[2439].text, "");
  // Short date (neither the long date nor the time bits), right-aligned; time with spin
  // buttons, right-aligned.
  constexpr DWORD kFormat = DTS_LONGDATEFORMAT | DTS_TIMEFORMAT | DTS_RIGHTALIGN;
  EXPECT_EQ(controls[2437].style & kFormat, static_cast<DWORD>(DTS_RIGHTALIGN));
  EXPECT_EQ(controls[2438].style & kFormat, static_cast<DWORD>(DTS_TIMEFORMAT | DTS_RIGHTALIGN));
  // The radio pair is one group that the pickers end.
  EXPECT_NE(controls[2435].style & WS_GROUP, 0u);
  EXPECT_EQ(controls[2436].style & WS_GROUP, 0u);
  EXPECT_NE(controls[2437].style & WS_GROUP, 0u);
}

TEST(ScheduleTemplate, FifteenRowsEighteenUnitsApartFromY89) {
  const auto info = read_dialog_template(8);
  ASSERT_TRUE(info.has_value());
  std::map<int, TemplateControl> controls;
  for (const TemplateControl& control : info->controls) controls[control.id] = control;
  for (std::size_t k = 0; k < kWaypointRows.size(); ++k) {
    SCOPED_TRACE(k + 1);
    const WaypointRowIds& ids = kWaypointRows[k];
    const int row_y = 89 + 18 * static_cast<int>(k);
    int previous_x = -1;
    for (const int id : {ids.enable, ids.offset, ids.samples, ids.volume, ids.timeout, ids.clean}) {
      ASSERT_EQ(controls.count(id), 1u) << id;
      const TemplateControl& c = controls[id];
      EXPECT_GE(c.y, row_y - 2);
      EXPECT_LE(c.y + c.height, row_y + 16);
      EXPECT_GT(c.x, previous_x);  // left to right in row order
      previous_x = c.x + c.width;
    }
    EXPECT_EQ(controls[ids.enable].text, std::to_string(k + 1));
    EXPECT_EQ(controls[ids.clean].text, "clean");
    // Offset, samples and timeout take digits only; the volume takes any characters.
    EXPECT_NE(controls[ids.offset].style & ES_NUMBER, 0u);
    EXPECT_NE(controls[ids.samples].style & ES_NUMBER, 0u);
    EXPECT_NE(controls[ids.timeout].style & ES_NUMBER, 0u);
    EXPECT_EQ(controls[ids.volume].style & ES_NUMBER, 0u);
  }
}

}  // namespace
}  // namespace tq::test
