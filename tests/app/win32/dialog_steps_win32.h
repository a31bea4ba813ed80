// Driving one modal dialog the way an operator does, from inside its own loop: a list of
// steps, each run with the dialog until it says it is done, while every message box the
// dialog opens is noted and answered with OK. Plus what a dialog shows that its controls'
// texts do not: check states, enabled states, tooltips, picker values, edit colours.
#pragma once

// windows.h must come before every other Windows header.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tests/app/win32/gui_harness_win32.h"

namespace tq::test {

struct MessageSeen {
  std::string caption;
  std::string text;

  bool operator==(const MessageSeen&) const = default;
};

class DialogSteps {
 public:
  // A step sees the dialog every 20 ms until it returns true; the dialog's loop carries out
  // whatever the step posted in between. The last step usually closes the dialog. A step
  // that has not finished within `step_deadline` fails the test and closes the dialog.
  using Step = std::function<bool(HWND dialog)>;

  explicit DialogSteps(std::vector<Step> steps,
                       std::chrono::milliseconds step_deadline = std::chrono::seconds(8))
      : steps_(std::move(steps)),
        step_deadline_(step_deadline),
        script_([this](HWND modal) { return on_modal(modal); }) {}

  // Message boxes in the order they were shown.
  [[nodiscard]] const std::vector<MessageSeen>& messages() const { return messages_; }
  // How many steps have finished.
  [[nodiscard]] std::size_t steps_done() const { return next_; }
  // Dialogs (not message boxes) seen, with their captions.
  [[nodiscard]] const std::vector<std::string>& dialogs() const { return dialogs_; }

 private:
  bool on_modal(HWND modal) {
    const ModalSeen seen = describe_modal(modal);
    if (GetDlgItem(modal, 0xFFFF) != nullptr) {  // a message box's text static
      messages_.push_back({seen.caption, seen.text});
      PostMessageA(modal, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      return true;
    }
    if (dialogs_.empty() || dialog_ != modal) {
      dialog_ = modal;
      dialogs_.push_back(seen.caption);
    }
    if (next_ >= steps_.size()) return true;
    const auto now = std::chrono::steady_clock::now();
    if (next_ != started_step_) {
      started_step_ = next_;
      step_started_ = now;
    }
    if (!steps_[next_](modal)) {
      if (now - step_started_ < step_deadline_) return false;
      ADD_FAILURE() << "step " << next_ + 1 << " of dialog \"" << seen.caption
                    << "\" did not finish in time";
      next_ = steps_.size();
      PostMessageA(modal, WM_COMMAND, IDCANCEL, 0);
      return true;
    }
    ++next_;  // the next step runs at the next tick
    return next_ == steps_.size();
  }

  std::vector<Step> steps_;
  std::chrono::milliseconds step_deadline_;
  std::size_t started_step_ = static_cast<std::size_t>(-1);
  std::chrono::steady_clock::time_point step_started_;
  std::size_t next_ = 0;
  HWND dialog_ = nullptr;
  std::vector<std::string> dialogs_;
  std::vector<MessageSeen> messages_;
  ModalScript script_;  // last: it calls on_modal until it is destroyed
};

// The last step for a dialog that must have closed by itself: it fails the test (and
// closes the dialog) if it is still open for a second after the step before.
inline DialogSteps::Step expect_closed() {
  auto first_seen = std::make_shared<std::chrono::steady_clock::time_point>();
  return [first_seen](HWND dialog) {
    const auto now = std::chrono::steady_clock::now();
    if (*first_seen == std::chrono::steady_clock::time_point{}) *first_seen = now;
    if (now - *first_seen < std::chrono::seconds(1)) return false;
    ADD_FAILURE() << "the dialog is still open";
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    return true;
  };
}

// A click on a button or check box, as the mouse gives it (the button notifies its dialog
// itself; a disabled one does nothing).
inline void click_button(HWND dialog, int id) {
  const HWND button = GetDlgItem(dialog, id);
  if (IsWindowEnabled(button) != FALSE) PostMessageA(button, BM_CLICK, 0, 0);
}

// Puts the caret in an edit, selects its text and types `text` over it.
inline void type_into(HWND dialog, int id, const std::string& text) {
  const HWND edit = GetDlgItem(dialog, id);
  SetFocus(edit);
  SendMessageA(edit, EM_SETSEL, 0, -1);
  post_text(edit, text);
}

inline bool checked(HWND dialog, int id) {
  return SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

inline bool enabled(HWND dialog, int id) {
  return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

inline SYSTEMTIME picker_time(HWND dialog, int id) {
  SYSTEMTIME value{};
  SendDlgItemMessageA(dialog, id, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&value));
  return value;
}

inline void set_picker(HWND dialog, int id, SYSTEMTIME value) {
  SendDlgItemMessageA(dialog, id, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&value));
}

// The text of the tooltip that a dialog registered for one of its controls; empty when
// there is none.
inline std::string tooltip_text(HWND dialog, int control_id) {
  struct Search {
    HWND dialog;
    HWND control;
    std::string text;
  } search{dialog, GetDlgItem(dialog, control_id), {}};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM data) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(data);
        std::array<char, 64> name{};
        GetClassNameA(window, name.data(), static_cast<int>(name.size()));
        if (std::string(name.data()) != TOOLTIPS_CLASSA || GetWindow(window, GW_OWNER) != s.dialog)
          return TRUE;
        std::array<char, 1024> text{};  // the most a tooltip copies out
        TTTOOLINFOA tool{};
        tool.cbSize = sizeof tool;
        tool.hwnd = s.dialog;
        tool.uId = reinterpret_cast<UINT_PTR>(s.control);
        tool.lpszText = text.data();
        SendMessageA(window, TTM_GETTEXTA, text.size(), reinterpret_cast<LPARAM>(&tool));
        if (text[0] != '\0') s.text = text.data();
        return s.text.empty();
      },
      reinterpret_cast<LPARAM>(&search));
  return search.text;
}

// The colour the dialog gives an edit's text when it is painted.
inline COLORREF edit_text_colour(HWND dialog, int id) {
  const HWND edit = GetDlgItem(dialog, id);
  const HDC dc = GetDC(edit);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  SendMessageA(dialog, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
               reinterpret_cast<LPARAM>(edit));
  const COLORREF colour = GetTextColor(dc);
  ReleaseDC(edit, dc);
  return colour;
}

}  // namespace tq::test
