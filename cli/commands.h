// One function per command. Each returns the exit status and writes its result on the
// console: plain lines, or one JSON document with --json.
#pragma once

#include "cli/app.h"
#include "cli/invocation.h"
#include "cli/session.h"

namespace tq::cli {

struct CommandContext {
  const Invocation& invocation;
  Console& console;
  const Platform& platform;
  Session* session;  // null for the commands that need no instrument (ports)
  [[nodiscard]] Connection* connection() const {
    return session != nullptr ? session->connection.get() : nullptr;
  }
};

int run_ports(const CommandContext& context);
int run_info(const CommandContext& context);
int run_clock_show(const CommandContext& context);
int run_clock_set(const CommandContext& context);
int run_schedule_get(const CommandContext& context);
int run_schedule_set(const CommandContext& context);
int run_run_start(const CommandContext& context);
int run_run_stop(const CommandContext& context);
int run_config_save(const CommandContext& context);
int run_config_diff(const CommandContext& context);
int run_config_load(const CommandContext& context);
int run_status(const CommandContext& context);
int run_log_save(const CommandContext& context);
int run_log_clear(const CommandContext& context);
int run_diag_save(const CommandContext& context);
int run_diag_clear(const CommandContext& context);
int run_check(const CommandContext& context);
int run_collect(const CommandContext& context);
// The archive's commands; `session` is null.
int run_archive(const CommandContext& context);
// archive push: natively through libpq; the Windows build says how to push instead.
int run_archive_push(const CommandContext& context);

}  // namespace tq::cli
