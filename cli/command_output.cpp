// What commands share about the operator: the output file they may write, and a question.
#include <string>

#include "cli/commands.h"

namespace tq::cli {

std::optional<OutputTarget> output_target(const CommandContext& context, const std::string& path,
                                          int* status) {
  OutputCheck check = check_output_file(path, context.invocation.force);
  if (!check.target && check.exists && context.console.in_is_terminal &&
      ask(context, path + " exists. Replace it? [y/N] ")) {
    check = check_output_file(path, true);
  }
  if (!check.target) {
    context.console.err << "tarnquill-cli: " << check.error << "\n";
    *status = kExitUsage;
  }
  return check.target;
}

bool ask(const CommandContext& context, const std::string& question) {
  if (!context.console.in_is_terminal) return false;
  context.console.err << question << std::flush;
  std::string answer;
  std::getline(context.console.in, answer);
  if (context.platform.stop_requested()) return false;
  return answer == "y" || answer == "Y" || answer == "yes";
}

}  // namespace tq::cli
