// tarnquill-sim started by the test on a pseudo-terminal of its own.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "tests/cli/sim_process.h"
#include "tests/support/scripted_device.h"

extern char** environ;

namespace tq::cli::test {
namespace {

class PosixSimProcess final : public SimProcess {
 public:
  PosixSimProcess(std::string folder, ::pid_t pid)
      : folder_(std::move(folder)), port_(folder_ + "/line"), pid_(pid) {}
  ~PosixSimProcess() override {
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  PosixSimProcess(const PosixSimProcess&) = delete;
  PosixSimProcess& operator=(const PosixSimProcess&) = delete;

  const std::string& port() const override { return port_; }

 private:
  std::string folder_;
  std::string port_;
  ::pid_t pid_;
};

}  // namespace

std::unique_ptr<SimProcess> start_sim_process(const std::string&,
                                              const std::vector<std::string>& args,
                                              std::string* why) {
  char folder[] = "/tmp/tarnquill-cli-test-XXXXXX";
  if (::mkdtemp(folder) == nullptr) {
    *why = "no temporary folder";
    return nullptr;
  }
  const std::string link = std::string(folder) + "/line";
  std::vector<std::string> words = {TARNQUILL_SIM_PROGRAM, "--link", link};
  words.insert(words.end(), kFrozenClock.begin(), kFrozenClock.end());
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // The terminal's name it prints is not needed: the link is.
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  ::pid_t pid = 0;
  const int failed = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) {
    *why = std::string("cannot start ") + argv[0];
    return nullptr;
  }
  auto process = std::make_unique<PosixSimProcess>(folder, pid);
  if (!tq::test::WaitFor([&] { return std::filesystem::is_symlink(link); })) {
    *why = "tarnquill-sim made no terminal";
    return nullptr;
  }
  return process;
}

}  // namespace tq::cli::test
