// Saving a list to a file the operator picks, as the sample log and the diagnostic log
// are saved.
#pragma once

#include <windows.h>

#include <string>

#include "ui/csv_export.h"
#include "ui/list_save.h"

namespace tq {

// Asks for a file with the save-file dialog (owner `owner`; filters "LOG Files (*.log)"
// and "All Files (*.*)", the first selected; `path` as the offered name, at most 259
// characters; default extension "log"; a question before overwriting), then writes the
// list's `column_count` columns as comma-separated text (write_list_csv) and shows the
// message save_message gives. Cancel does nothing, and so does an owner destroyed while the
// dialog was open. `path` keeps the chosen name for the next save. User-interface thread
// only.
void save_list_to_file(HWND owner, int list_id, int column_count, const ListSaveTexts& texts,
                       std::string& path);

// The same for a list whose rows the window keeps itself: `table` is written.
void save_table_to_file(HWND owner, const CellTable& table, int column_count,
                        const ListSaveTexts& texts, std::string& path);

}  // namespace tq
