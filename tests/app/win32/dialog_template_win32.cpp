// Reading DLGTEMPLATEEX resources and menus back.
#include "tests/app/win32/dialog_template_win32.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <span>

namespace tq::test {
namespace {

// Walks the template's bytes: words, double words and zero-terminated UTF-16 strings,
// each item aligned on a double word.
class TemplateReader {
 public:
  explicit TemplateReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  bool ok() const { return ok_; }
  std::uint16_t word() {
    if (at_ + 2 > bytes_.size()) return fail();
    const auto value = static_cast<std::uint16_t>(bytes_[at_] | bytes_[at_ + 1] << 8);
    at_ += 2;
    return value;
  }
  std::uint32_t dword() {
    const std::uint32_t low = word();
    return low | static_cast<std::uint32_t>(word()) << 16;
  }
  short signed_word() { return static_cast<short>(word()); }
  // A string or, after 0xFFFF, an ordinal (given back as "#n").
  std::string string_or_ordinal() {
    if (at_ + 2 <= bytes_.size() && bytes_[at_] == 0xFF && bytes_[at_ + 1] == 0xFF) {
      word();
      std::string ordinal(1, '#');
      ordinal += std::to_string(word());
      return ordinal;
    }
    return text();
  }
  std::string text() {
    std::string out;
    for (;;) {
      const std::uint16_t unit = word();
      if (!ok_ || unit == 0) return out;
      out.push_back(unit < 0x80 ? static_cast<char>(unit) : '?');
    }
  }
  void align() { at_ = (at_ + 3) & ~static_cast<std::size_t>(3); }
  void skip(std::size_t n) {
    if (at_ + n > bytes_.size()) fail();
    at_ += n;
  }

 private:
  std::uint16_t fail() {
    ok_ = false;
    at_ = bytes_.size();
    return 0;
  }
  std::span<const std::uint8_t> bytes_;
  std::size_t at_ = 0;
  bool ok_ = true;
};

std::string predefined_class(const std::string& name) {
  static constexpr std::array<const char*, 6> kClasses = {"Button",  "Edit",      "Static",
                                                          "ListBox", "ScrollBar", "ComboBox"};
  if (name.size() > 1 && name[0] == '#') {
    const int atom = std::stoi(name.substr(1));
    if (atom >= 0x80 && atom <= 0x85) return kClasses[static_cast<std::size_t>(atom - 0x80)];
  }
  return name;
}

}  // namespace

std::optional<DialogTemplateInfo> read_dialog_template(int id) {
  const HMODULE module = GetModuleHandleA(nullptr);
  const HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));
  if (found == nullptr) return std::nullopt;
  const HGLOBAL loaded = LoadResource(module, found);
  const auto* data = static_cast<const std::uint8_t*>(LockResource(loaded));
  if (data == nullptr) return std::nullopt;
  TemplateReader in({data, SizeofResource(module, found)});
  if (in.word() != 1 || in.word() != 0xFFFF) return std::nullopt;
  DialogTemplateInfo info;
  in.dword();  // help id
  info.ex_style = in.dword();
  info.style = in.dword();
  const std::uint16_t count = in.word();
  in.signed_word();
  in.signed_word();
  info.width = in.signed_word();
  info.height = in.signed_word();
  in.string_or_ordinal();  // menu
  in.string_or_ordinal();  // class
  info.title = in.text();
  if ((info.style & (DS_SETFONT | DS_SHELLFONT)) != 0) {
    info.font_points = in.word();
    in.word();   // weight
    in.skip(2);  // italic, character set
    info.font_face = in.text();
  }
  for (std::uint16_t i = 0; i < count && in.ok(); ++i) {
    in.align();
    TemplateControl control;
    in.dword();  // help id
    control.ex_style = in.dword();
    control.style = in.dword();
    control.x = in.signed_word();
    control.y = in.signed_word();
    control.width = in.signed_word();
    control.height = in.signed_word();
    control.id = static_cast<int>(static_cast<std::int32_t>(in.dword()));
    control.window_class = predefined_class(in.string_or_ordinal());
    control.text = in.string_or_ordinal();
    in.skip(in.word());  // creation data
    info.controls.push_back(control);
  }
  if (!in.ok()) return std::nullopt;
  return info;
}

namespace {

std::vector<MenuEntry> read_entries(HMENU menu) {
  std::vector<MenuEntry> entries;
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    std::array<char, 256> text{};
    MENUITEMINFOA item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_STRING | MIIM_SUBMENU;
    item.dwTypeData = text.data();
    item.cch = static_cast<UINT>(text.size());
    GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &item);
    MenuEntry entry;
    entry.separator = (item.fType & MFT_SEPARATOR) != 0;
    entry.text = entry.separator ? std::string() : std::string(text.data());
    entry.grayed = (item.fState & MFS_GRAYED) != 0;
    if (item.hSubMenu != nullptr) {
      entry.items = read_entries(item.hSubMenu);
    } else if (!entry.separator) {
      entry.id = static_cast<int>(item.wID);
    }
    entries.push_back(entry);
  }
  return entries;
}

}  // namespace

std::vector<MenuEntry> read_menu(int id) {
  const HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
  if (menu == nullptr) return {};
  std::vector<MenuEntry> entries = read_entries(menu);
  DestroyMenu(menu);
  return entries;
}

}  // namespace tq::test
