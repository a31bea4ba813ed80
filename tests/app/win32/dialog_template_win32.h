// Dialog templates and menus read back from the built program's resources, so tests can
// hold them against the documented tables (sizes in dialog units, fonts, control ids,
// menu texts and ids).
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace tq::test {

struct TemplateControl {
  int id = 0;
  DWORD style = 0;
  DWORD ex_style = 0;
  short x = 0, y = 0, width = 0, height = 0;
  std::string window_class;  // "Button", "Edit", "Static", ... or the class name given
  std::string text;
};

struct DialogTemplateInfo {
  DWORD style = 0;
  DWORD ex_style = 0;
  short width = 0, height = 0;
  std::string title;
  int font_points = 0;
  std::string font_face;
  std::vector<TemplateControl> controls;  // in template (tab) order
};

// The extended dialog template `id` of this executable; nothing when it is missing or is
// not an extended template.
[[nodiscard]] std::optional<DialogTemplateInfo> read_dialog_template(int id);

struct MenuEntry {
  std::string text;  // with its "&" marks; empty for a separator
  int id = 0;        // 0 for separators and popups
  bool separator = false;
  bool grayed = false;
  std::vector<MenuEntry> items;  // a popup's entries
};

// The menu resource `id` of this executable, popup by popup.
[[nodiscard]] std::vector<MenuEntry> read_menu(int id);

}  // namespace tq::test
