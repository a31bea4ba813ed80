// The kit's apply helpers on real controls.
// windows.h must come before every other Windows header.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "tests/app/win32/list_view_reader_win32.h"
#include "ui/dialog_helpers_win32.h"
#include "ui/window_kit_win32.h"

namespace tq::test {
namespace {

constexpr int kList = 200;
constexpr int kFirst = 201;
constexpr int kSecond = 202;
constexpr int kCheck = 203;

class KitHost : public testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&classes);
    host_ = CreateWindowExA(WS_EX_CONTROLPARENT, "STATIC", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                            0, 0, 600, 400, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    add(WC_LISTVIEWA, LVS_REPORT | WS_TABSTOP, kList);
    add("EDIT", WS_TABSTOP, kFirst);
    add("EDIT", WS_TABSTOP, kSecond);
    add("BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, kCheck);
    for (const char* title : {"A", "B", "C"}) {
      std::string text = title;
      LVCOLUMNA column{};
      column.mask = LVCF_TEXT | LVCF_WIDTH;
      column.pszText = text.data();
      column.cx = 60;
      const auto count = SendMessageA(header(), HDM_GETITEMCOUNT, 0, 0);
      SendMessageA(item(kList), LVM_INSERTCOLUMNA, static_cast<WPARAM>(count),
                   reinterpret_cast<LPARAM>(&column));
    }
  }
  void TearDown() override { DestroyWindow(host_); }

  void add(const char* window_class, DWORD style, int id) {
    CreateWindowExA(0, window_class, "", WS_CHILD | WS_VISIBLE | style, 0, 0, 200, 100, host_,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr),
                    nullptr);
  }
  [[nodiscard]] HWND item(int id) const { return GetDlgItem(host_, id); }
  [[nodiscard]] HWND header() const {
    return reinterpret_cast<HWND>(SendMessageA(item(kList), LVM_GETHEADER, 0, 0));
  }
  [[nodiscard]] int rows() const {
    return static_cast<int>(SendMessageA(item(kList), LVM_GETITEMCOUNT, 0, 0));
  }
  [[nodiscard]] std::string cell(int row, int column) const {
    return list_cell_text(item(kList), row, column);
  }
  [[nodiscard]] LPARAM colour(int row) const { return list_item_data(item(kList), row); }

  HWND host_ = nullptr;
};

TEST_F(KitHost, ListRowsAreInsertedAndRewrittenInPlace) {
  apply_list_row(host_, kList, {ListRow::Change::kInsert, 0, {"a0", "b0", "c0"}, 0});
  apply_list_row(host_, kList, {ListRow::Change::kInsert, 1, {"a1", "b1", "c1"}, 0xFF0000});
  ASSERT_EQ(rows(), 2);
  EXPECT_EQ(cell(1, 2), "c1");
  EXPECT_EQ(colour(1), 0xFF0000);
  apply_list_row(host_, kList, {ListRow::Change::kRewrite, 1, {"A1", "b1", "C1"}, 0x0000FF});
  ASSERT_EQ(rows(), 2);
  EXPECT_EQ(cell(1, 0), "A1");
  EXPECT_EQ(cell(1, 1), "b1");
  EXPECT_EQ(cell(1, 2), "C1");
  EXPECT_EQ(colour(1), 0x0000FF);
  // A row inserted above moves the others down.
  apply_list_row(host_, kList, {ListRow::Change::kInsert, 0, {"top", "", ""}, 0});
  EXPECT_EQ(cell(0, 0), "top");
  EXPECT_EQ(cell(2, 0), "A1");
  delete_list_rows(host_, kList);
  EXPECT_EQ(rows(), 0);
}

TEST_F(KitHost, PlainTextsHaveNoLengthLimit) {
  const std::string long_text(300, 'x');
  set_item_text(host_, kFirst, long_text);
  EXPECT_EQ(window_text(item(kFirst)), long_text);
  apply_texts(host_, std::vector<ControlText>{{kFirst, "short"}, {kSecond, "%s is not a format"}});
  EXPECT_EQ(window_text(item(kFirst)), "short");
  EXPECT_EQ(window_text(item(kSecond)), "%s is not a format");
}

TEST_F(KitHost, EnablingAndCheckingFollowTheFace) {
  WindowFace face;
  face.enabled = {{kFirst, false}, {kSecond, true}};
  face.checked = {{kCheck, true}};
  apply_face(host_, face);
  EXPECT_FALSE(IsWindowEnabled(item(kFirst)));
  EXPECT_TRUE(IsWindowEnabled(item(kSecond)));
  EXPECT_TRUE(is_checked(host_, kCheck));
  face.checked = {{kCheck, false}};
  apply_face(host_, face);
  EXPECT_FALSE(is_checked(host_, kCheck));
}

TEST_F(KitHost, ADisabledControlHandsTheFocusOn) {
  SetFocus(item(kFirst));
  ASSERT_EQ(GetFocus(), item(kFirst));
  apply_enabled(host_, std::vector<ControlFlag>{{kFirst, false}});
  EXPECT_EQ(GetFocus(), item(kSecond));
}

}  // namespace
}  // namespace tq::test
