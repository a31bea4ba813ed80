// Painting shared by several windows: the large owner-drawn text panels (the Run view's
// state banner, the clock dialog's clock) and the red text of an entry out of range (the
// motor and identification dialogs).
#pragma once

#include <windows.h>

#include <string_view>

namespace tq {

// Paints an owner-drawn static's own text (at most 39 characters) large and centred on one
// line: the background with the brush the dialog gives behind buttons, the text grey
// (150, 150, 150) when the control is drawn disabled and black otherwise, in an Arial 38
// font made for this paint only. A text too wide for the control at that size is drawn
// with the largest smaller height that fits (large_text_height), never cut off. Without
// the font, only the background is drawn.
void paint_large_text(HWND dialog, const DRAWITEMSTRUCT& item);

// The cell height of the large font at which `text` fits `width` pixels on `dc`: 38 when
// it fits at that size, otherwise the largest smaller height that fits (at least 8).
[[nodiscard]] int large_text_height(HDC dc, std::string_view text, int width);

// For WM_CTLCOLOREDIT of an edit whose entry is out of range: red text on an opaque
// background. Returns the brush the dialog procedure gives back (the stock DC brush).
[[nodiscard]] HBRUSH paint_invalid_edit(HDC dc);

}  // namespace tq
