// The windows the main window can create or open, by template: one row per window, its
// factory beside its template id. The portable table of commands (window_table.h) says
// which template a command shows; this one says what makes it.
#pragma once

#include <windows.h>

#include "ui/window_context.h"

namespace tq {

// Creates a view inside the main window (not yet shown: a view shows itself when it sizes
// itself); null on failure.
using ViewFactory = HWND (*)(HWND main_window, const WindowContext& context);
// Runs a modal dialog owned by `owner` and returns its result.
using DialogOpener = INT_PTR (*)(HWND owner, const WindowContext& context);

struct WindowFactory {
  int template_id;
  ViewFactory create_view;   // views only
  DialogOpener open_dialog;  // modal dialogs only
};

// The row for a template; null when no window has it (yet).
[[nodiscard]] const WindowFactory* find_window_factory(int template_id);

}  // namespace tq
