// The report page.
#include "archive/report.h"

namespace tq::archive {

std::string ReportHtml(Archive&, std::optional<std::int64_t>, std::int64_t) {
  return "<!DOCTYPE html>\n<html><body></body></html>\n";
}

}  // namespace tq::archive
