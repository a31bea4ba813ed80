// The save-file dialog and the writing of a list.
#include "ui/list_save_win32.h"

#include <commdlg.h>

#include <array>
#include <cstdio>
#include <functional>

#include "ui/dialog_helpers_win32.h"

namespace tq {
namespace {

// Pairs of display text and pattern, ended by an empty pair.
constexpr char kLogFilters[] = "LOG Files (*.log)\0*.log\0All Files (*.*)\0*.*\0";

using WriteRows = std::function<int(std::FILE*)>;

void save_to_file(HWND owner, const WriteRows& write_rows, const ListSaveTexts& texts,
                  std::string& path) {
  std::array<char, MAX_PATH> name{};
  path.copy(name.data(), name.size() - 1);
  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = kLogFilters;
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = name.data();
  dialog.nMaxFile = static_cast<DWORD>(name.size());
  dialog.lpstrTitle = texts.dialog_title;
  dialog.lpstrDefExt = "log";
  dialog.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT;
  if (!GetSaveFileNameA(&dialog)) return;
  // A window destroyed while the dialog was open took its rows with it: nothing to write.
  if (!IsWindow(owner)) return;
  path = name.data();

  SaveOutcome outcome;
  // Binary: the export writes its own CR LF line ends.
  std::FILE* file = std::fopen(path.c_str(), "wb");
  outcome.opened = file != nullptr;
  if (file != nullptr) {
    outcome.rows = write_rows(file);
    outcome.closed_ok = std::fclose(file) == 0;
  }
  if (const auto message = save_message(texts, outcome, path)) {
    MessageBoxA(owner, message->c_str(), texts.caption, MB_OK);
  }
}

}  // namespace

void save_list_to_file(HWND owner, int list_id, int column_count, const ListSaveTexts& texts,
                       std::string& path) {
  save_to_file(
      owner, [&](std::FILE* file) { return write_list_csv(owner, list_id, column_count, file); },
      texts, path);
}

void save_table_to_file(HWND owner, const CellTable& table, int column_count,
                        const ListSaveTexts& texts, std::string& path) {
  save_to_file(
      owner, [&](std::FILE* file) { return write_csv(table, column_count, file); }, texts, path);
}

}  // namespace tq
