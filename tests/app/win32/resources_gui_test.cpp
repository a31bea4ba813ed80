// The resources as built into the program, held against the documented tables: every
// menu item's text with its access key, id and separator place; every template's size,
// font and control ids; the accelerator; the status bar's parts. The expected values are
// written here as the plain numbers and texts of those tables.
// windows.h must come before every other Windows header.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>

#include "tests/app/win32/dialog_template_win32.h"
#include "tests/app/win32/gui_harness_win32.h"

namespace tq::test {
namespace {

struct Item {
  const char* text;  // nullptr: a separator
  int id;
};

struct Popup {
  const char* text;
  std::vector<Item> items;
};

TEST(Resources, TheMainMenuIsTheDocumentedOne) {
  const std::vector<Popup> expected = {
      {"&File",
       {{"&Disconnect", 60}, {nullptr, 0}, {"&Save Log...", 64}, {nullptr, 0}, {"E&xit", 61}}},
      {"&View", {{"&Run...", 373}, {"&Diagnostics...", 372}}},
      {"&Configure",
       {{"Device &Identification...", 30},
        {"Real &Time Clock...", 27},
        {"&Motors...", 24},
        {"&Pressure Sensor...", 25},
        {"&Flow Meter...", 23},
        {"RS&232...", 29},
        {"Stabilization && &Cleaning...", 22},
        {"&Schedule...", 1375}}},
      {"&Help", {{"&About...", 68}}},
  };
  const std::vector<MenuEntry> menu = read_menu(71);
  ASSERT_EQ(menu.size(), expected.size());
  for (std::size_t p = 0; p < expected.size(); ++p) {
    SCOPED_TRACE(expected[p].text);
    EXPECT_EQ(menu[p].text, expected[p].text);
    ASSERT_EQ(menu[p].items.size(), expected[p].items.size());
    for (std::size_t i = 0; i < expected[p].items.size(); ++i) {
      const Item& want = expected[p].items[i];
      const MenuEntry& got = menu[p].items[i];
      SCOPED_TRACE(i);
      EXPECT_EQ(got.separator, want.text == nullptr);
      if (want.text == nullptr) continue;
      EXPECT_EQ(got.text, want.text);
      EXPECT_EQ(got.id, want.id);
    }
  }
}

struct Template {
  int id;
  short width, height;
  std::set<int> control_ids;  // the ids the documents give; other controls are labels
  bool view;                  // a child view, not a top-level dialog
};

std::set<int> ids_of(const DialogTemplateInfo& info) {
  std::set<int> ids;
  for (const TemplateControl& control : info.controls) ids.insert(control.id);
  return ids;
}

// The task table: the header boxes, Save, and ten controls in each of sixteen rows, the
// row-0 ids moved down by 10 a row.
std::set<int> task_table_ids() {
  std::set<int> ids = {205, 206, 207, 209};
  for (int row = 0; row < 16; ++row) {
    for (const int row0 : {213, 215, 216, 211, 218, 219, 217, 212, 214, 210}) {
      ids.insert(row0 + 10 * row);
    }
  }
  return ids;
}

TEST(Resources, EveryTemplateHasItsSizeFontAndControls) {
  const std::vector<Template> expected = {
      {69, 771, 305, {}, false},
      {32, 621, 273, {34, 33, 31}, true},
      {42, 499, 255, {50, 43, 46, 52, 49, 45, 44, 47, 41, 48, 51}, true},
      {177, 499, 325, {}, true},
      {2, 0, 0, {3, 4, 5, 6}, false},
      // Motors: the motor combo, trackbar, Forwards, Reverse, the saved configuration's
      // combos and edits, Save, the flow edits and the two test buttons.
      {74,
       0,
       0,
       {741, 744, 748, 749, 752, 754, 755, 757, 759, 761, 764, 767, 768, 771, 773, 774, 775},
       false},
      // Pressure sensor: five rows of box, bar, volt and Sample; the line, Calculate, Save,
      // Test and its result.
      {110,
       0,
       0,
       {1110, 1111, 1112, 1113, 1126, 1127, 1128, 1129, 1103, 1104, 1105, 1107, 1108},
       false},
      // Schedule: Autostart, the start choices, the pickers, the clock button, Save, and
      // the first and last waypoint rows (enable, offset, samples, volume, timeout, clean).
      {8,
       289,
       386,
       {2434, 2435, 2436, 2437, 2438, 2439, 2441, 2374, 2375, 2376, 2457, 2377, 2442, 2430, 2431,
        2432, 2471, 2433, 2456},
       false},
      {65, 0, 0, {651, 652}, false},                             // flow meter
      {17, 0, 0, {172, 174, 176, 178, 180, 182, 183}, false},    // stabilization and cleaning
      {164, 0, 0, {1640, 1642, 1643, 1644, 1645, 1646}, false},  // real-time clock
      {201, 0, 0, {2011, 2013, 2014}, false},                    // device identification
      {208, 521, 356, task_table_ids(), false},
      {130, 279, 50, {1, 2}, false},
  };
  for (const Template& want : expected) {
    SCOPED_TRACE(want.id);
    const auto info = read_dialog_template(want.id);
    ASSERT_TRUE(info.has_value());
    if (want.width != 0) {
      EXPECT_EQ(info->width, want.width);
      EXPECT_EQ(info->height, want.height);
    }
    EXPECT_EQ(info->font_face, "MS Shell Dlg");
    EXPECT_EQ(info->font_points, 8);
    const std::set<int> ids = ids_of(*info);
    for (const int id : want.control_ids) EXPECT_EQ(ids.count(id), 1u) << "control " << id;
    if (want.view) {
      EXPECT_NE(info->style & WS_CHILD, 0u);
      EXPECT_EQ(info->style & WS_VISIBLE, 0u);  // a view shows itself once it has its size
      EXPECT_NE(info->ex_style & WS_EX_CONTROLPARENT, 0u);
    }
  }
  const auto main = read_dialog_template(69);
  ASSERT_TRUE(main.has_value());
  EXPECT_TRUE(main->controls.empty());
  EXPECT_EQ(main->title, "tarnquill_main (not connected)");
  const DWORD frame = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
  EXPECT_EQ(main->style & frame, frame);

  // The task table's rows stay grayed until their tasks have been read.
  const auto tasks = read_dialog_template(208);
  ASSERT_TRUE(tasks.has_value());
  EXPECT_EQ(tasks->title, "Tasks");
  for (const TemplateControl& control : tasks->controls) {
    if (control.id >= 210) {
      EXPECT_NE(control.style & WS_DISABLED, 0u) << "control " << control.id;
    }
  }
}

// The banners read as the documents give them, and each view's banner is first.
TEST(Resources, EachViewOpensWithItsBanner) {
  const std::array<std::pair<int, const char*>, 3> banners = {
      {{32, "CONNECT"}, {42, "DIAGNOSTICS"}, {177, "RUN"}}};
  for (const auto& [view, text] : banners) {
    const auto info = read_dialog_template(view);
    ASSERT_TRUE(info.has_value());
    ASSERT_FALSE(info->controls.empty());
    EXPECT_EQ(info->controls.front().text, text);
    EXPECT_EQ(info->controls.front().x, 0);
    EXPECT_EQ(info->controls.front().y, 0);
  }
}

TEST(Resources, TheOnlyAcceleratorIsAltF4) {
  const HACCEL table = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(7));
  std::array<ACCEL, 4> entries{};
  ASSERT_EQ(CopyAcceleratorTableA(table, entries.data(), entries.size()), 1);
  EXPECT_EQ(entries[0].key, VK_F4);
  EXPECT_EQ(entries[0].cmd, 8);
  EXPECT_EQ(entries[0].fVirt & (FALT | FVIRTKEY | FCONTROL | FSHIFT), FALT | FVIRTKEY);
  EXPECT_NE(entries[0].fVirt & FNOINVERT, 0);  // no menu highlighting
}

TEST(Resources, TheStatusBarHasItsTwoParts) {
  GuiHarness gui({nullptr, std::vector<std::string>{}});
  const HWND status = GetDlgItem(gui.main(), 1);
  ASSERT_NE(status, nullptr);
  std::array<int, 4> edges{};
  ASSERT_EQ(SendMessageA(status, SB_GETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data())),
            2);
  EXPECT_EQ(edges[0], 420);
  EXPECT_EQ(edges[1], -1);
}

}  // namespace
}  // namespace tq::test
