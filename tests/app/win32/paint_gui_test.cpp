// The large owner-drawn text panels: a text keeps the large font when it fits and gets a
// smaller one rather than being cut off when it does not.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "ui/paint_win32.h"

namespace tq::test {
namespace {

int width_at(HDC dc, const std::string& text, int height) {
  const HFONT font =
      CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                  OUT_OUTLINE_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH, "Arial");
  const HGDIOBJ previous = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, previous);
  DeleteObject(font);
  return size.cx;
}

TEST(LargeText, KeepsTheLargeFontWhenTheTextFits) {
  const HDC dc = GetDC(nullptr);
  EXPECT_EQ(large_text_height(dc, "12:10", 2000), 38);
  ReleaseDC(nullptr, dc);
}

TEST(LargeText, ShrinksATextThatWouldBeCutOff) {
  const HDC dc = GetDC(nullptr);
  const std::string text = "Top Cartridge: 65535";
  const int width = width_at(dc, text, 38) / 2;
  const int height = large_text_height(dc, text, width);
  EXPECT_LT(height, 38);
  EXPECT_LE(width_at(dc, text, height), width);
  // The largest that fits: one step up would not.
  EXPECT_GT(width_at(dc, text, height + 1), width);
  // Never below a readable size, however narrow the panel.
  EXPECT_EQ(large_text_height(dc, text, 1), 8);
  ReleaseDC(nullptr, dc);
}

}  // namespace
}  // namespace tq::test
