// Large text panels and invalid entries.
#include "ui/paint_win32.h"

#include <algorithm>
#include <array>
#include <string>

namespace tq {
namespace {

constexpr int kLargeTextHeight = 38;
constexpr int kSmallestLargeText = 8;
// Room left at each side, so that a text that only just fits does not touch the edge.
constexpr int kLargeTextMargin = 2;
constexpr COLORREF kDisabledText = RGB(150, 150, 150);
constexpr COLORREF kInvalidText = RGB(255, 0, 0);

HFONT large_font(int height) {
  return CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_OUTLINE_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH,
                     "Arial");
}

// The text's width at a height; -1 without the font.
int text_width(HDC dc, std::string_view text, int height) {
  const HFONT font = large_font(height);
  if (font == nullptr) return -1;
  const HGDIOBJ previous = SelectObject(dc, font);
  SIZE size{};
  const std::string copy(text);
  GetTextExtentPoint32A(dc, copy.c_str(), static_cast<int>(copy.size()), &size);
  SelectObject(dc, previous);
  DeleteObject(font);
  return size.cx;
}

}  // namespace

int large_text_height(HDC dc, std::string_view text, int width) {
  const int needed = text_width(dc, text, kLargeTextHeight);
  if (needed <= width) return kLargeTextHeight;  // also without a font: the paint then stops
  // Widths scale about with the height: start from that estimate, then settle on the
  // largest height that fits.
  int height = std::clamp(kLargeTextHeight * std::max(width, 0) / needed, kSmallestLargeText,
                          kLargeTextHeight - 1);
  while (height > kSmallestLargeText && text_width(dc, text, height) > width) --height;
  while (height + 1 < kLargeTextHeight && text_width(dc, text, height + 1) <= width) ++height;
  return height;
}

void paint_large_text(HWND dialog, const DRAWITEMSTRUCT& item) {
  std::array<char, 40> text{};
  GetWindowTextA(item.hwndItem, text.data(), static_cast<int>(text.size()));
  RECT area = item.rcItem;
  const auto brush = reinterpret_cast<HBRUSH>(
      SendMessageA(dialog, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(item.hDC),
                   reinterpret_cast<LPARAM>(item.hwndItem)));
  if (brush != nullptr) FillRect(item.hDC, &area, brush);
  const COLORREF colour = (item.itemState & ODS_DISABLED) != 0 ? kDisabledText : RGB(0, 0, 0);
  const int width = area.right - area.left - 2 * kLargeTextMargin;
  const HFONT font = large_font(large_text_height(item.hDC, text.data(), width));
  if (font == nullptr) return;
  const HGDIOBJ previous = SelectObject(item.hDC, font);
  SetTextColor(item.hDC, colour);
  DrawTextA(item.hDC, text.data(), -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(item.hDC, previous);
  DeleteObject(font);
}

HBRUSH paint_invalid_edit(HDC dc) {
  SetTextColor(dc, kInvalidText);
  SetBkMode(dc, OPAQUE);
  return static_cast<HBRUSH>(GetStockObject(DC_BRUSH));
}

}  // namespace tq
