// archive push --to CONNINFO [--init-only]: the archive into the lab's fleet database.
#include <ostream>

#include "cli/archive_open.h"
#include "cli/report.h"
#include "fleet/push.h"
#include "fleet/schema.h"

namespace tq::cli {
namespace {

using Json = nlohmann::ordered_json;

Json counts_json(const fleet::KindCounts& counts) {
  return {{"new", counts.added}, {"updated", counts.updated}, {"present", counts.present}};
}

void print_counts(const CommandContext& context, const std::string& archive_path,
                  const std::string& destination, const fleet::PushResult& result) {
  const fleet::PushCounts& c = result.counts;
  if (context.invocation.json) {
    print_json(context.console.out, {{"archive", archive_path},
                                     {"destination", destination},
                                     {"completed", result.status == fleet::PushStatus::kDone},
                                     {"instruments", counts_json(c.instruments)},
                                     {"downloads", counts_json(c.downloads)},
                                     {"samples", counts_json(c.samples)},
                                     {"diagnostics", counts_json(c.diagnostics)},
                                     {"batches", result.batches},
                                     {"retries", result.retries}});
    return;
  }
  context.console.out << "Pushed " << archive_path << " to " << destination << "\n";
  for (const auto& [label, counts] :
       {std::pair{"Instruments", &c.instruments}, std::pair{"Downloads", &c.downloads},
        std::pair{"Sample entries", &c.samples}, std::pair{"Diagnostic entries", &c.diagnostics}}) {
    char line[160];
    std::snprintf(line, sizeof line, "%-19s %7lld new, %7lld updated, %7lld already present\n",
                  (std::string(label) + ":").c_str(), static_cast<long long>(counts->added),
                  static_cast<long long>(counts->updated), static_cast<long long>(counts->present));
    context.console.out << line;
  }
}

fleet::ConnectOutcome connect(const CommandContext& context, int* status) {
  fleet::ConnectOutcome outcome = fleet::Connect(context.invocation.archive.to);
  if (!outcome.connected) {
    context.console.err << "tarnquill-cli: " << outcome.message << "\n";
    *status = outcome.problem == fleet::ConnectProblem::kBadConnectionString ? kExitUsage
                                                                             : kExitInstrument;
  }
  return outcome;
}

int init_only(const CommandContext& context) {
  int status = kExitOk;
  fleet::ConnectOutcome to = connect(context, &status);
  if (!to.connected) return status;
  std::string error;
  if (!fleet::PrepareFleet(to.connected->conn.get(), &error)) {
    context.console.err << "tarnquill-cli: " << error << "\n";
    return kExitInstrument;
  }
  if (context.invocation.json) {
    print_json(context.console.out, {{"destination", to.connected->destination},
                                     {"schema_version", fleet::kFleetSchemaVersion}});
  } else {
    context.console.out << "The fleet database " << to.connected->destination
                        << " is ready (schema version " << fleet::kFleetSchemaVersion << ")\n";
  }
  return kExitOk;
}

}  // namespace

int run_archive_push(const CommandContext& context) {
  if (context.invocation.archive.init_only) return init_only(context);
  std::string error;
  std::optional<OpenedArchive> opened = open_archive_for(context, /*create=*/false, &error);
  if (!opened) {
    context.console.err << "tarnquill-cli: " << error << "\n";
    return kExitUsage;
  }
  int status = kExitOk;
  fleet::ConnectOutcome to = connect(context, &status);
  if (!to.connected) return status;
  fleet::PushOptions options;
  options.now_utc = context.platform.utc_now();
  options.go_on = [&context] { return context.platform.wait_ms(0); };
  const fleet::PushResult result = fleet::PushArchive(opened->archive, *to.connected, options);
  if (result.status == fleet::PushStatus::kFailed) {
    context.console.err << "tarnquill-cli: " << result.error << "\n";
    return kExitInstrument;
  }
  print_counts(context, opened->path, to.connected->destination, result);
  if (result.status == fleet::PushStatus::kInterrupted) {
    context.console.err << "tarnquill-cli: interrupted; what was sent is kept in the fleet "
                           "database, and the next push sends the rest\n";
    return kExitInterrupted;
  }
  return kExitOk;
}

}  // namespace tq::cli
