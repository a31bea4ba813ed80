// archive push in the Windows build: it carries no PostgreSQL client, so it says how the
// archive reaches the fleet database instead.
#include <ostream>

#include "cli/commands.h"

namespace tq::cli {

int run_archive_push(const CommandContext& context) {
  context.console.err
      << "tarnquill-cli: this Windows build cannot push to a fleet database; copy the archive "
         "to the lab's Linux server, take it in there with 'tarnquill-cli archive merge "
         "LAPTOP.sqlite', and push from there (see docs/fleet.md)\n";
  return kExitUsage;
}

}  // namespace tq::cli
