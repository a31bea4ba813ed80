// The frame every dialog and view procedure runs in. It makes the window's state record
// when WM_INITDIALOG arrives and frees it with WM_NCDESTROY, the last message the window
// receives; it holds every other message back from the window until `init` has filled the
// controls (filling a control makes it notify its window, and those notifications are not
// the operator's); and it hands Escape and the close box (IDCANCEL) to one handler.
//
//   constexpr DialogFrame<FooState> kFooFrame{on_init, on_message, end_cancelled};
//
//   INT_PTR CALLBACK foo_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
//     return run_dialog_frame(kFooFrame, dialog, message, wparam, lparam);
//   }
//
// User-interface thread only.
#pragma once

#include <windows.h>

#include <memory>

namespace tq {

template <class State>
struct DialogFrame {
  // Fills the controls; the creation parameter is the WindowContext (context_of) for every
  // window but the main one. False ends a modal dialog with IDCANCEL: the window has said
  // why it cannot open, and its handlers never run. After a message box of its own, init
  // returns false at once: the state may have gone with the window.
  bool (*init)(HWND dialog, State& state, LPARAM creation_parameter);
  // Every later message but WM_NCDESTROY, answered as a dialog procedure answers it.
  INT_PTR (*handle)(HWND dialog, State& state, UINT message, WPARAM wparam, LPARAM lparam);
  // Escape and the close box. Null hands IDCANCEL to `handle` as any other command (a
  // view's Escape is the main window's).
  void (*cancel)(HWND dialog, State& state) = nullptr;
};

namespace dialog_frame_detail {

template <class State>
struct Attached {
  State state;
  bool ready = false;  // init has filled the controls
};

// Null before WM_INITDIALOG, after WM_NCDESTROY and once the window is destroyed.
template <class State>
Attached<State>* attached(HWND dialog) {
  return reinterpret_cast<Attached<State>*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

}  // namespace dialog_frame_detail

// The cancel of a dialog that leaves without writing anything.
template <class State>
void end_cancelled(HWND dialog, State& /*state*/) {
  EndDialog(dialog, IDCANCEL);
}

// The window's state, or null when the window has gone. A handler that opened a modal box
// (a message box, another dialog) asks again before it touches its state: the window may
// have been destroyed while the box was open, and its state with it.
template <class State>
[[nodiscard]] State* state_after_modal(HWND dialog) {
  auto* attached = dialog_frame_detail::attached<State>(dialog);
  return attached != nullptr && attached->ready ? &attached->state : nullptr;
}

template <class State>
INT_PTR run_dialog_frame(const DialogFrame<State>& frame, HWND dialog, UINT message, WPARAM wparam,
                         LPARAM lparam) {
  using Attached = dialog_frame_detail::Attached<State>;
  if (message == WM_INITDIALOG) {
    auto owned = std::make_unique<Attached>();
    Attached* attached = owned.get();
    SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(owned.release()));
    const bool filled = frame.init(dialog, attached->state, lparam);
    // A message box that init opened may have outlived the window.
    if (dialog_frame_detail::attached<State>(dialog) == nullptr) return TRUE;
    if (filled) {
      attached->ready = true;
    } else {
      EndDialog(dialog, IDCANCEL);
    }
    return TRUE;
  }
  if (message == WM_NCDESTROY) {
    const std::unique_ptr<Attached> owned(dialog_frame_detail::attached<State>(dialog));
    SetWindowLongPtrA(dialog, DWLP_USER, 0);
    return FALSE;
  }
  State* state = state_after_modal<State>(dialog);
  if (state == nullptr) return FALSE;
  if (message == WM_COMMAND && LOWORD(wparam) == IDCANCEL && frame.cancel != nullptr) {
    frame.cancel(dialog, *state);
    return TRUE;
  }
  return frame.handle(dialog, *state, message, wparam, lparam);
}

}  // namespace tq
