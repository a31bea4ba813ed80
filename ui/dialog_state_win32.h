// A window's per-instance state record, owned by the window itself: attached in
// WM_INITDIALOG and freed in WM_NCDESTROY, the last message the window receives.
#pragma once

#include <windows.h>

#include <memory>

namespace tq {

template <class State>
State* attach_dialog_state(HWND dialog, std::unique_ptr<State> state) {
  State* raw = state.release();
  SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(raw));
  return raw;
}

// Null before WM_INITDIALOG and after WM_NCDESTROY.
template <class State>
State* dialog_state(HWND dialog) {
  return reinterpret_cast<State*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

template <class State>
void free_dialog_state(HWND dialog) {
  const std::unique_ptr<State> owned(dialog_state<State>(dialog));
  SetWindowLongPtrA(dialog, DWLP_USER, 0);
}

}  // namespace tq
