// tarnquill-bench-responder: the benchmark's responder on a pseudo-terminal, for runs of
// the Windows benchmark under Wine (tools/sim-com-port gives the terminal a COM port).
//
//   tarnquill-bench-responder --link PATH [--paced]
//
// Prints the terminal's name, links PATH to it, serves until SIGINT or SIGTERM.
#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <system_error>

#include "bench/responder.h"
#include "link/serial_port_posix.h"

namespace {

std::atomic<bool> g_stop{false};  // set from the signal handler only

void OnSignal(int) { g_stop.store(true); }

std::string ErrorText() { return std::error_code(errno, std::generic_category()).message(); }

int Usage() {
  std::fputs("usage: tarnquill-bench-responder --link PATH [--paced]\n", stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string link;
  tq::bench::ResponderOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--paced") {
      options.paced = true;
    } else if (arg == "--link" && i + 1 < argc) {
      link = argv[++i];
    } else {
      return Usage();
    }
  }
  if (link.empty()) return Usage();

  const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  std::array<char, 128> name_buffer{};
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 ||
      ptsname_r(master, name_buffer.data(), name_buffer.size()) != 0) {
    std::fprintf(stderr, "tarnquill-bench-responder: no pseudo-terminal: %s\n",
                 ErrorText().c_str());
    return 1;
  }
  const std::string name = name_buffer.data();
  // Holding the terminal open ourselves keeps the line up while no program has the port
  // open; otherwise every read on the master would report a hang-up at once.
  const int keep_open = open(name.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  auto port = tq::AdoptPosixSerialFd(master);
  if (keep_open < 0 || !port) {
    std::fprintf(stderr, "tarnquill-bench-responder: cannot set up %s\n", name.c_str());
    return 1;
  }
  unlink(link.c_str());
  if (symlink(name.c_str(), link.c_str()) != 0) {
    std::fprintf(stderr, "tarnquill-bench-responder: cannot link %s: %s\n", link.c_str(),
                 ErrorText().c_str());
    return 1;
  }
  std::printf("%s\n", name.c_str());
  std::fflush(stdout);

  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  const std::uint64_t answered = tq::bench::ServeRequests(*port, options, g_stop);

  unlink(link.c_str());
  close(keep_open);
  std::fprintf(stderr, "tarnquill-bench-responder: answered %llu requests\n",
               static_cast<unsigned long long>(answered));
  return 0;
}
