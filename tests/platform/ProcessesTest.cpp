#include "platform/Processes.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <future>
#include <thread>

#include "base/Text.h"
#include "base/Utils.h"
#include "platform/Shell.h"
#include "platform/TempFolder.h"

extern char** environ;

namespace vlmr {
namespace {

// A child that waits until it is killed. Should the kill fail, it ends by itself after a
// while, so that the test fails instead of hanging.
pid_t SpawnWaiter(const std::string& program) {
  pid_t pid = -1;
  char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("30"), nullptr};
  if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0)
    return -1;
  return pid;
}

// Exit of a child that SIGKILL ended; the signal number, or -1 for anything else.
int KilledBy(pid_t pid) {
  int status = 0;
  if (waitpid(pid, &status, 0) != pid)
    return -1;
  return WIFSIGNALED(status) ? WTERMSIG(status) : -1;
}

bool InSnapshot(pid_t pid, const std::string& name) {
  for (const TProcessEntry& e : ProcessSnapshot()) {
    if (e.pid == pid)
      return e.exeName == name;
  }
  return false;
}

std::string SleepProgram() {
  for (const char* p : {"/bin/sleep", "/usr/bin/sleep"}) {
    if (access(p, X_OK) == 0)
      return p;
  }
  return {};
}

TEST(ProcessesTest, SnapshotFindsAChildAndKillByIdEndsIt) {
  const std::string sleep = SleepProgram();
  ASSERT_FALSE(sleep.empty());
  pid_t child = SpawnWaiter(sleep);
  ASSERT_GT(child, 0);
  EXPECT_TRUE(InSnapshot(child, "sleep"));
  EXPECT_TRUE(InSnapshot(getpid(), ExeFileName()));
  EXPECT_TRUE(KillProcessById(child));
  EXPECT_EQ(KilledBy(child), SIGKILL);
}

TEST(ProcessesTest, KillByNameEndsEveryMatchIgnoringCase) {
  const std::string sleep = SleepProgram();
  ASSERT_FALSE(sleep.empty());
  test::TTempFolder folder;
  const std::string name = "vlmrwaiter" + std::to_string(getpid());
  const std::string copy = folder / name;
  std::filesystem::copy_file(sleep, copy);
  ASSERT_EQ(chmod(copy.c_str(), 0755), 0);
  pid_t a = SpawnWaiter(copy), b = SpawnWaiter(copy);
  ASSERT_GT(a, 0);
  ASSERT_GT(b, 0);
  // Deleting the image marks its link " (deleted)": the name must still be found.
  ASSERT_EQ(unlink(copy.c_str()), 0);
  EXPECT_TRUE(InSnapshot(a, name));

  EXPECT_TRUE(KillProcessByName(GbkUpper(name)));
  EXPECT_EQ(KilledBy(a), SIGKILL);
  EXPECT_EQ(KilledBy(b), SIGKILL);
  EXPECT_FALSE(KillProcessByName(name));  // nothing left to match
  EXPECT_FALSE(KillProcessByName(""));
}

// A hard link shares the file's inode but is another copy of the program: ending "the program
// at this path" leaves a process started through the link alone.
TEST(ProcessesTest, KillByPathEndsOnlyWhatWasStartedThroughThatPath) {
  const std::string sleep = SleepProgram();
  ASSERT_FALSE(sleep.empty());
  test::TTempFolder here, elsewhere;
  const std::string mine = here / "update";
  const std::string linked = elsewhere / "update";
  std::filesystem::copy_file(sleep, mine);
  ASSERT_EQ(chmod(mine.c_str(), 0755), 0);
  std::error_code ec;
  std::filesystem::create_hard_link(mine, linked, ec);
  if (ec)
    GTEST_SKIP() << "no hard links here: " << ec.message();
  pid_t other = SpawnWaiter(linked);
  ASSERT_GT(other, 0);
  EXPECT_FALSE(AnyProcessOfImage(mine));
  EXPECT_FALSE(KillProcessByPath(mine));
  pid_t own = SpawnWaiter(mine);
  ASSERT_GT(own, 0);
  EXPECT_TRUE(AnyProcessOfImage(mine));
  EXPECT_TRUE(KillProcessByPath(mine));
  EXPECT_EQ(KilledBy(own), SIGKILL);
  EXPECT_EQ(waitpid(other, nullptr, WNOHANG), 0);  // still running
  EXPECT_TRUE(KillProcessByPath(linked));
  EXPECT_EQ(KilledBy(other), SIGKILL);
}

TEST(ProcessesTest, IdsThatAreNotProcessesAreRefused) {
  // A thread of this process: signalling its id would end the whole process.
  std::promise<pid_t> tid;
  std::promise<void> done;
  std::thread thread([&] {
    tid.set_value(static_cast<pid_t>(syscall(SYS_gettid)));
    done.get_future().wait();
  });
  const pid_t threadId = tid.get_future().get();

  long pidMax = 4194304;
  std::ifstream("/proc/sys/kernel/pid_max") >> pidMax;
  for (long id : {0L, -1L, static_cast<long>(INT_MIN), pidMax + 1, static_cast<long>(threadId)}) {
    EXPECT_FALSE(KillProcessById(static_cast<int>(id))) << id;
  }
  done.set_value();
  thread.join();
}

// Reads what a started program writes into the FIFO, or "" when nothing comes.
std::string ReadFifo(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK);
  if (fd < 0)
    return {};
  std::string text;
  char buffer[512];
  while (true) {
    // Generous bound: only a broken start makes this wait run out.
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 20000) <= 0)
      break;
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EAGAIN)
      continue;
    if (n <= 0)
      break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  close(fd);
  return text;
}

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fifo_ = folder_ / "out";
    ASSERT_EQ(mkfifo(fifo_.c_str(), 0600), 0);
    script_ = folder_ / "opener";
    // Reports its argument and where its stdin comes from.
    test::WriteFileText(
        script_,
        "#!/bin/sh\nprintf '%s|%s' \"$1\" \"$(readlink /proc/$$/fd/0)\" > '" + fifo_ + "'\n");
    ASSERT_EQ(chmod(script_.c_str(), 0755), 0);
  }
  void TearDown() override { SetShellOpenProgramForTesting(""); }
  test::TTempFolder folder_;
  std::string fifo_, script_;
};

TEST_F(ShellTest, StartProgramPassesArgumentsDetached) {
  ASSERT_TRUE(StartProgram(script_, {"a b"}));
  EXPECT_EQ(ReadFifo(fifo_), "a b|/dev/null");
  EXPECT_FALSE(StartProgram(folder_ / "missing", {}));
  EXPECT_FALSE(StartProgram("", {}));
}

TEST_F(ShellTest, ShellOpenHandsTheTargetToTheOpener) {
  SetShellOpenProgramForTesting(script_);
  struct Case {
    std::string target, received;
  } cases[] = {
      {"http://www.example.com/a?b=1&c=2", "http://www.example.com/a?b=1&c=2"},
      {"/home/u/export.csv", "/home/u/export.csv"},
      {"--help", "./--help"},  // never taken as an option
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(ShellOpen(c.target)) << c.target;
    EXPECT_EQ(ReadFifo(fifo_), c.received + "|/dev/null") << c.target;
  }
  EXPECT_FALSE(ShellOpen(""));
}

}  // namespace
}  // namespace vlmr
