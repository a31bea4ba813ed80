// Large text panels and invalid entries.
#include "shell/paint_win32.h"

#include <array>

namespace tq {
namespace {

constexpr int kLargeTextHeight = 38;
constexpr COLORREF kDisabledText = RGB(150, 150, 150);
constexpr COLORREF kInvalidText = RGB(255, 0, 0);

}  // namespace

void paint_large_text(HWND dialog, const DRAWITEMSTRUCT& item) {
  std::array<char, 40> text{};
  GetWindowTextA(item.hwndItem, text.data(), static_cast<int>(text.size()));
  RECT area = item.rcItem;
  const auto brush = reinterpret_cast<HBRUSH>(
      SendMessageA(dialog, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(item.hDC),
                   reinterpret_cast<LPARAM>(item.hwndItem)));
  if (brush != nullptr) FillRect(item.hDC, &area, brush);
  const COLORREF colour = (item.itemState & ODS_DISABLED) != 0 ? kDisabledText : RGB(0, 0, 0);
  const HFONT font =
      CreateFontA(kLargeTextHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                  OUT_OUTLINE_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH, "Arial");
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
