// tarnquill-press-connect: for demonstrations and screenshots, waits for the running
// program's Connect view, presses Connect on the preselected port and waits until the
// title names the instrument. Then it chooses the given menu commands one after the other
// (a modal dialog they open stays open). Prints the title; exit code 1 on a time-out.
//
//   tarnquill-press-connect [DESKTOP [COMMAND...]]
//     DESKTOP: the Wine virtual desktop the program runs in
//     COMMAND: a menu command id (24 opens the motor dialog, 372 the Diagnostics view),
//              view:ID to press the button ID of the view on show (view:48 opens the
//              Diagnostics view's task table), dblclick:ID to double-click the middle of
//              the view's control ID (dblclick:1781, the Run view's state banner, opens
//              Reset Cartridge ID while the sampler is idle), or ID=TEXT: TEXT typed over
//              the entry of control ID in the dialog on top
#include <windows.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/main_window.h"
#include "ui/resource.h"

namespace {

constexpr DWORD kTimeoutMs = 30000;
constexpr DWORD kPollMs = 100;
constexpr DWORD kCommandGapMs = 1500;  // lets a view fill before the next command

std::string title_of(HWND window) {
  std::array<char, 256> text{};
  GetWindowTextA(window, text.data(), static_cast<int>(text.size()));
  return text.data();
}

// The first control with this id inside the main window (its view's controls included).
HWND find_control(HWND main_window, int id) {
  struct Search {
    int id;
    HWND control = nullptr;
  } search{id};
  EnumChildWindows(
      main_window,
      [](HWND child, LPARAM data) -> BOOL {
        auto* found = reinterpret_cast<Search*>(data);
        if (GetDlgCtrlID(child) != found->id) return TRUE;
        found->control = child;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.control;
}

HWND find_connect_button(HWND main_window) { return find_control(main_window, IDC_CONNECT); }

// A button of the view pressed as a click would: the command goes to the button's dialog.
void press_view_button(HWND main_window, int id) {
  const HWND button = find_control(main_window, id);
  if (button == nullptr) {
    std::fprintf(stderr, "tarnquill-press-connect: no control %d\n", id);
    return;
  }
  PostMessageA(GetParent(button), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED),
               reinterpret_cast<LPARAM>(button));
}

// A double-click on the middle of a control that lets the mouse through to its view, as
// the view's own handler sees one: at that point of the view's client area.
void double_click_view_control(HWND main_window, int id) {
  const HWND control = find_control(main_window, id);
  if (control == nullptr) {
    std::fprintf(stderr, "tarnquill-press-connect: no control %d\n", id);
    return;
  }
  const HWND view = GetParent(control);
  RECT area{};
  GetWindowRect(control, &area);
  MapWindowPoints(nullptr, view, reinterpret_cast<POINT*>(&area), 2);
  const auto x = static_cast<WORD>((area.left + area.right) / 2);
  const auto y = static_cast<WORD>((area.top + area.bottom) / 2);
  PostMessageA(view, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(x, y));
}

// Types over the entry's text key by key, as the keyboard does.
void type_into(HWND main_window, int control_id, const char* text) {
  const HWND top = GetLastActivePopup(main_window);
  const HWND control = GetDlgItem(top, control_id);
  if (control == nullptr) {
    std::fprintf(stderr, "tarnquill-press-connect: no control %d on top\n", control_id);
    return;
  }
  SendMessageA(control, EM_SETSEL, 0, -1);
  for (const char* c = text; *c != '\0'; ++c) {
    PostMessageA(control, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(*c)), 1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const DWORD start = GetTickCount();
  const auto timed_out = [&] { return GetTickCount() - start > kTimeoutMs; };
  // Windows are found only on the calling thread's desktop, which the program's start may
  // still be creating.
  if (argc > 1) {
    HDESK desktop = nullptr;
    while ((desktop = OpenDesktopA(argv[1], 0, FALSE, GENERIC_ALL)) == nullptr) {
      if (timed_out()) {
        std::fprintf(stderr, "tarnquill-press-connect: no desktop %s\n", argv[1]);
        return 1;
      }
      Sleep(kPollMs);
    }
    if (!SetThreadDesktop(desktop)) return 1;
  }
  HWND main_window = nullptr;
  HWND button = nullptr;
  while (button == nullptr) {
    if (timed_out()) {
      std::fprintf(stderr, "tarnquill-press-connect: no Connect view appeared\n");
      return 1;
    }
    Sleep(kPollMs);
    main_window = FindWindowA(nullptr, tq::kNotConnectedTitle);
    if (main_window != nullptr) button = find_connect_button(main_window);
  }
  PostMessageA(GetParent(button), WM_COMMAND, MAKEWPARAM(IDC_CONNECT, BN_CLICKED),
               reinterpret_cast<LPARAM>(button));
  while (title_of(main_window) == tq::kNotConnectedTitle) {
    if (timed_out() || IsWindow(main_window) == FALSE) {
      std::fprintf(stderr, "tarnquill-press-connect: the program did not connect\n");
      return 1;
    }
    Sleep(kPollMs);
  }
  std::printf("%s\n", title_of(main_window).c_str());
  // The pointer rests in the desktop's corner: over a control it would bring up that
  // control's tooltip in the middle of a screenshot (dialogs open in the middle).
  SetCursorPos(0, 0);
  for (int i = 2; i < argc; ++i) {
    Sleep(kCommandGapMs);
    const std::string argument = argv[i];
    if (argument.rfind("view:", 0) == 0) {
      press_view_button(main_window, static_cast<int>(std::strtol(argv[i] + 5, nullptr, 10)));
      continue;
    }
    if (argument.rfind("dblclick:", 0) == 0) {
      double_click_view_control(main_window,
                                static_cast<int>(std::strtol(argv[i] + 9, nullptr, 10)));
      continue;
    }
    char* end = nullptr;
    const long id = std::strtol(argv[i], &end, 10);
    if (*end == '=') {
      type_into(main_window, static_cast<int>(id), end + 1);
      continue;
    }
    PostMessageA(main_window, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), 0), 0);
  }
  return 0;
}
