// The tool on Linux as a technician runs it: Ctrl+C (SIGINT) to the real program in the
// middle of a download, and output paths that are no regular file.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/cli/cli_rig.h"
#include "tests/support/scripted_device.h"

extern char** environ;

namespace tq::cli::test {
namespace {

// tarnquill-cli started as a shell starts it, its standard error in a file.
::pid_t start_cli(std::vector<std::string> words, const std::string& err_file) {
  words.insert(words.begin(), TARNQUILL_CLI_PROGRAM);
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err_file.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ::pid_t pid = 0;
  const int failed = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return failed == 0 ? pid : -1;
}

TEST(FieldPosix, SigintDuringLogSaveStopsAtTheNextTransaction) {
  const TempFolder folder;
  std::string why;
  // Each entry answered after 40 ms: the whole log would take 20 s.
  const auto sim = start_sim_process(
      "SLOW", {"--scenario", "log500", "--fault", "delay=40,cmd=GetSampleLogEntry"}, &why);
  ASSERT_TRUE(sim) << why;
  const std::string file = folder.file("log.csv");
  const std::string err_file = folder.file("err.txt");
  for (const int signal_number : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(signal_number);
    const ::pid_t pid =
        start_cli({"--port", sim->port(), "--trace", "log", "save", file}, err_file);
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(tq::test::WaitFor([&] { return read_text(err_file).size() > 2000; }));
    ::kill(pid, signal_number);
    int status = 0;
    // Far less than the 20 s the rest of the log would take; a hang fails here.
    ASSERT_TRUE(tq::test::WaitFor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }))
        << read_text(err_file);
    ASSERT_TRUE(WIFEXITED(status)) << read_text(err_file);
    EXPECT_EQ(WEXITSTATUS(status), 130);
    EXPECT_NE(read_text(err_file).find("tarnquill-cli: interrupted\n"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_FALSE(std::filesystem::exists(file + ".part"));
  }
}

// Devices, pipes and links: refused, or written through, and never replaced by a file.
// The device is the system's full device, made afresh in the test's folder (as root, as
// the CI runs): were the check ever lost, the machine's own /dev/full would stay whole.
TEST(FieldPosix, SpecialFilesAreNeverReplaced) {
  const TempFolder folder;
  const FakePlatform platform;
  const std::string fifo = folder.file("pipe");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string full = folder.file("full");
  if (::mknod(full.c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0) {
    GTEST_SKIP() << "making a device needs root";
  }
  const std::string target = folder.file("target.csv");
  write_text(target, "old\n");
  const std::string link = folder.file("link.csv");
  std::filesystem::create_symlink(target, link);
  struct Case {
    std::string path;
    std::vector<std::string> options;
    int status;
    std::string says;
  };
  const Case cases[] = {
      {full, {"--force"}, 2, full + " is not a regular file"},
      {fifo, {"--force"}, 2, fifo + " is not a regular file"},
      {link, {}, 2, link + " exists; add --force"},
      {link, {"--force"}, 0, ""},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"--sim", "--speed", "0", "--stats", "diag", "save", c.path};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const CliRun save = run(args, platform);
    EXPECT_EQ(save.status, c.status) << save.err;
    if (c.status != 0) {
      EXPECT_EQ(save.err.rfind("tarnquill-cli: " + c.says, 0), 0u) << save.err;
      EXPECT_EQ(transactions_in(save.err), 0) << save.err;
    }
  }
  EXPECT_TRUE(std::filesystem::is_character_file(full));
  EXPECT_TRUE(std::filesystem::is_fifo(fifo));
  // Written through the link, which is still a link.
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(read_text(target).rfind("Counter,", 0), 0u);
}

}  // namespace
}  // namespace tq::cli::test
