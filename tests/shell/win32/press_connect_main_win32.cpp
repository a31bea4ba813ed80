// tarnquill-press-connect: for demonstrations and screenshots, waits for the running
// program's Connect view, presses Connect on the preselected port and waits until the
// title names the instrument. Then it chooses the given menu commands one after the other
// (a modal dialog they open stays open). Prints the title; exit code 1 on a time-out.
//
//   tarnquill-press-connect [DESKTOP [COMMAND...]]
//     DESKTOP: the Wine virtual desktop the program runs in
//     COMMAND: a menu command id (24 opens the motor dialog, 372 the Diagnostics view), or
//              ID=TEXT: TEXT typed over the entry of control ID in the dialog on top
#include <windows.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "shell/main_window.h"
#include "shell/resource.h"

namespace {

constexpr DWORD kTimeoutMs = 30000;
constexpr DWORD kPollMs = 100;
constexpr DWORD kCommandGapMs = 1500;  // lets a view fill before the next command

std::string title_of(HWND window) {
  std::array<char, 256> text{};
  GetWindowTextA(window, text.data(), static_cast<int>(text.size()));
  return text.data();
}

HWND find_connect_button(HWND main_window) {
  struct Search {
    HWND button = nullptr;
  } search;
  EnumChildWindows(
      main_window,
      [](HWND child, LPARAM data) -> BOOL {
        if (GetDlgCtrlID(child) != IDC_CONNECT) return TRUE;
        reinterpret_cast<Search*>(data)->button = child;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.button;
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
  for (int i = 2; i < argc; ++i) {
    Sleep(kCommandGapMs);
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
