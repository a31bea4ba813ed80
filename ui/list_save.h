// Saving a list to a file the operator picks (the sample log, the diagnostic log): which
// message follows each outcome. The Win32 side (list_save_win32.h) runs the save-file
// dialog and the writing.
#pragma once

#include <optional>
#include <string>

namespace tq {

// The texts of one list's save, as its window gives them.
struct ListSaveTexts {
  const char* dialog_title;  // the save-file dialog's title
  const char* caption;       // every message box's caption
  const char* saved_format;  // "... saved to %s", shown when rows were written
};

inline constexpr const char* kUnableToOpenFormat = "Unable to open %s for write";
// A file that opened but could not be written completely is never reported as saved.
inline constexpr const char* kUnableToWriteFormat = "Unable to write %s";

struct SaveOutcome {
  bool opened = false;
  int rows = 0;            // what the export returned: rows written, -1 on a failed write
  bool closed_ok = false;  // fclose flushed the last bytes
};

// The message to show for an outcome, with the path put in; nothing for a complete save
// of an empty list (its file holds the header line).
[[nodiscard]] std::optional<std::string> save_message(const ListSaveTexts& texts,
                                                      const SaveOutcome& outcome,
                                                      const std::string& path);

}  // namespace tq
