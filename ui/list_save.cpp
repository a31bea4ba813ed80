// Messages after saving a list.
#include "ui/list_save.h"

#include "ui/text_format.h"

namespace tq {
namespace {

std::optional<std::string> with_path(const char* format, const std::string& path) {
  // A path too long for the message still gets a message: a failure must not pass unseen.
  auto text = format_text(format, path.c_str());
  if (!text) text = format_text(format, "the chosen file");
  return text;
}

}  // namespace

std::optional<std::string> save_message(const ListSaveTexts& texts, const SaveOutcome& outcome,
                                        const std::string& path) {
  if (!outcome.opened) return with_path(kUnableToOpenFormat, path);
  if (outcome.rows < 0 || !outcome.closed_ok) return with_path(kUnableToWriteFormat, path);
  if (outcome.rows == 0) return std::nullopt;
  return with_path(texts.saved_format, path);
}

}  // namespace tq
