#include "platform/SingleInstance.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <future>
#include <thread>

#include "base/Dispatcher.h"
#include "base/Utils.h"
#include "platform/InstanceHelper.h"
#include "platform/TempFolder.h"
#include "platform/UserFolders.h"

extern char** environ;

namespace vlmr {
namespace test {
namespace {

constexpr const char* kLockName = "vlmrclient";
// Descriptors a helper process finds its pipes on.
constexpr int kStatusFd = 100;
constexpr int kControlFd = 101;
// Bound on any wait for another process; only a broken build ever reaches it.
constexpr int kGuardMs = 30000;

void Report(char c) {
  while (write(kStatusFd, &c, 1) < 0 && errno == EINTR) {
  }
}

// The first instance: takes the lock, listens, reports 'R', then drives its UI queue until
// the test closes the control pipe. Each activation reports 'A' (on the UI thread) or 'X'.
int RunHolder() {
  TScopedQueueDispatcher ui;
  TSingleInstance instance(kLockName);
  if (!instance.Acquire() || !instance.Held()) {
    Report('B');
    return 3;
  }
  if (!instance.Listen([] { Report(IsUiThread() ? 'A' : 'X'); })) {
    Report('L');
    return 4;
  }
  Report('R');
  ui->ProcessUntil(
      [] {
        pollfd p{kControlFd, POLLIN, 0};
        return poll(&p, 1, 0) > 0;
      },
      kGuardMs);
  return 0;
}

// A second start: 50 when it got the lock after all, else 100 + the holder's answer.
int RunAsker() {
  TSingleInstance instance(kLockName);
  if (instance.Acquire()) {
    return 50;
  }
  return 100 + instance.ActivateRunningInstance();
}

}  // namespace

int RunInstanceHelper(int argc, char** argv) {
  if (argc < 4)
    return 2;
  SetUserFoldersRootForTesting(argv[3]);
  std::string role = argv[2];
  if (role == "holder")
    return RunHolder();
  if (role == "asker")
    return RunAsker();
  return 2;
}

namespace {

class THelperProcess {
 public:
  THelperProcess(const std::string& program, const std::string& role, const std::string& home) {
    int status[2], control[2];
    if (pipe2(status, O_CLOEXEC) != 0 || pipe2(control, O_CLOEXEC) != 0)
      return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, status[1], kStatusFd);
    posix_spawn_file_actions_adddup2(&actions, control[0], kControlFd);
    char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(kInstanceHelperFlag),
                    const_cast<char*>(role.c_str()), const_cast<char*>(home.c_str()), nullptr};
    if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, environ) != 0)
      pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(status[1]);
    close(control[0]);
    status_ = status[0];
    control_ = control[1];
  }
  ~THelperProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (status_ >= 0)
      close(status_);
    if (control_ >= 0)
      close(control_);
  }
  THelperProcess(const THelperProcess&) = delete;
  THelperProcess& operator=(const THelperProcess&) = delete;

  pid_t Pid() const { return pid_; }

  // The next status character; '\0' at the end of the stream. With `waitMs` 0 it only looks.
  char NextStatus(int waitMs = kGuardMs) {
    pollfd p{status_, POLLIN, 0};
    if (poll(&p, 1, waitMs) <= 0)
      return '\0';
    char c = '\0';
    return read(status_, &c, 1) == 1 ? c : '\0';
  }

  // Exit code, or -signal when a signal ended it.
  int Wait() {
    int status = 0;
    pid_t waited = waitpid(pid_, &status, 0);
    pid_ = -1;
    if (waited < 0)
      return -1000;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  }
  // Closing the control pipe tells a holder to end.
  int Quit() {
    close(control_);
    control_ = -1;
    return Wait();
  }
  void Kill() { kill(pid_, SIGKILL); }

 private:
  pid_t pid_ = -1;
  int status_ = -1;
  int control_ = -1;
};

int RunAskerProcess(const std::string& home) {
  THelperProcess asker(ExePath(), "asker", home);
  return asker.Wait();
}

class SingleInstanceTest : public ::testing::Test {
 protected:
  void SetUp() override { SetUserFoldersRootForTesting(home_.Path()); }
  void TearDown() override { SetUserFoldersRootForTesting(""); }
  TTempFolder home_;
};

TEST_F(SingleInstanceTest, ASecondStartActivatesTheFirstAndEnds) {
  THelperProcess holder(ExePath(), "holder", home_.Path());
  ASSERT_EQ(holder.NextStatus(), 'R');
  EXPECT_EQ(RunAskerProcess(home_.Path()), 101);  // answer 1
  EXPECT_EQ(holder.NextStatus(), 'A');            // its handler ran, on its UI thread
  EXPECT_EQ(RunAskerProcess(home_.Path()), 101);  // and again for a third start
  EXPECT_EQ(holder.NextStatus(), 'A');
  EXPECT_EQ(holder.Quit(), 0);

  TSingleInstance probe(kLockName);
  EXPECT_FALSE(Exists(probe.SocketPath()));      // the holder removed its socket
  EXPECT_EQ(RunAskerProcess(home_.Path()), 50);  // and released the lock
}

TEST_F(SingleInstanceTest, AKilledFirstInstanceDoesNotBlockTheNext) {
  TSingleInstance probe(kLockName);
  {
    THelperProcess first(ExePath(), "holder", home_.Path());
    ASSERT_EQ(first.NextStatus(), 'R');
    first.Kill();
    EXPECT_EQ(first.Wait(), -SIGKILL);
  }
  ASSERT_TRUE(Exists(probe.SocketPath()));       // left behind by the dead holder
  EXPECT_EQ(RunAskerProcess(home_.Path()), 50);  // the lock died with it

  THelperProcess next(ExePath(), "holder", home_.Path());
  ASSERT_EQ(next.NextStatus(), 'R');
  EXPECT_EQ(RunAskerProcess(home_.Path()), 101);
  EXPECT_EQ(next.NextStatus(), 'A');
  EXPECT_EQ(next.Quit(), 0);
}

TEST_F(SingleInstanceTest, AHolderFromAnotherPathIsNotActivated) {
  TTempFolder elsewhere;
  const std::string copy = elsewhere / "vlmr-copy";
  std::filesystem::copy_file(ExePath(), copy);
  ASSERT_EQ(chmod(copy.c_str(), 0755), 0);

  THelperProcess holder(copy, "holder", home_.Path());
  ASSERT_EQ(holder.NextStatus(), 'R');
  EXPECT_EQ(RunAskerProcess(home_.Path()), 100);  // answer 0; the asker still ends
  EXPECT_EQ(holder.NextStatus(0), '\0');          // the answer comes after the decision
  EXPECT_EQ(holder.Quit(), 0);
  EXPECT_EQ(holder.NextStatus(), '\0');
}

TEST_F(SingleInstanceTest, TheLockIsExclusiveAndItsFilesPrivate) {
  auto first = std::make_unique<TSingleInstance>(kLockName);
  TSingleInstance second(kLockName);
  ASSERT_TRUE(first->Acquire());
  EXPECT_TRUE(first->Held());
  EXPECT_TRUE(first->Acquire());  // again: still ours
  EXPECT_FALSE(second.Acquire());
  EXPECT_FALSE(second.Held());
  EXPECT_FALSE(second.Listen([] {}));  // only a holder listens

  EXPECT_EQ(first->LockPath(), home_ / ".run/vlmrclient.lock");
  EXPECT_EQ(ModeOf(home_ / ".run"), 0700u);
  EXPECT_EQ(ModeOf(first->LockPath()), 0600u);
  ASSERT_TRUE(first->Listen([] {}));
  EXPECT_FALSE(first->Listen([] {}));  // once
  EXPECT_EQ(ModeOf(first->SocketPath()) & 0777, 0600u);

  first.reset();
  EXPECT_FALSE(Exists(second.SocketPath()));
  EXPECT_TRUE(second.Acquire());
}

TEST_F(SingleInstanceTest, ActivationRunsTheHandlerOnTheUiThread) {
  TScopedQueueDispatcher ui;
  TSingleInstance holder(kLockName);
  ASSERT_TRUE(holder.Acquire());
  int ran = 0;
  bool onUi = false;
  ASSERT_TRUE(holder.Listen([&] {
    ++ran;
    onUi = IsUiThread();
  }));
  auto answer = std::async(std::launch::async, [] {
    TSingleInstance asker(kLockName);
    return asker.ActivateRunningInstance();
  });
  ASSERT_TRUE(ui->ProcessUntil(
      [&] { return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
      kGuardMs));
  EXPECT_EQ(answer.get(), 1);
  EXPECT_EQ(ran, 1);
  EXPECT_TRUE(onUi);
}

int Connect(const std::string& path) {
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

TEST_F(SingleInstanceTest, BadClientsDoNotStopTheListener) {
  TScopedQueueDispatcher ui;
  TSingleInstance holder(kLockName);
  ASSERT_TRUE(holder.Acquire());
  holder.SetRequestTimeoutMs(50);
  int ran = 0;
  ASSERT_TRUE(holder.Listen([&] { ++ran; }));

  int closedAtOnce = Connect(holder.SocketPath());
  ASSERT_GE(closedAtOnce, 0);
  close(closedAtOnce);
  int garbage = Connect(holder.SocketPath());
  std::string junk(1000, '\x7f');
  ASSERT_EQ(send(garbage, junk.data(), junk.size(), MSG_NOSIGNAL), 1000);
  int hugeLength = Connect(holder.SocketPath());
  unsigned char header[20] = {'V', 'L', 'M', 'R', 0xDF, 0x87, 0,    0,    1,    0,
                              0,   0,   1,   0,   0,    0,    0xFF, 0xFF, 0xFF, 0xFF};
  ASSERT_EQ(send(hugeLength, header, sizeof header, MSG_NOSIGNAL), 20);
  int silent = Connect(holder.SocketPath());  // connects and never sends a byte
  ASSERT_GE(silent, 0);

  auto answer = std::async(std::launch::async, [] {
    TSingleInstance asker(kLockName);
    return asker.ActivateRunningInstance(kGuardMs);
  });
  ASSERT_TRUE(ui->ProcessUntil(
      [&] { return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
      kGuardMs));
  EXPECT_EQ(answer.get(), 1);
  EXPECT_EQ(ran, 1);
  for (int fd : {garbage, hugeLength, silent})
    close(fd);
}

TEST_F(SingleInstanceTest, DestroyingTheHolderWhileItWaitsForTheUiThreadEndsCleanly) {
  TScopedQueueDispatcher ui;
  auto holder = std::make_unique<TSingleInstance>(kLockName);
  ASSERT_TRUE(holder->Acquire());
  std::atomic<int> ran{0};
  ASSERT_TRUE(holder->Listen([&] { ++ran; }));
  auto answer = std::async(std::launch::async, [] {
    TSingleInstance asker(kLockName);
    return asker.ActivateRunningInstance(kGuardMs);
  });
  // The listener has handed the activation to this (UI) thread, which does not run it but
  // destroys the holder: that must neither hang nor run the handler later.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kGuardMs);
  while (ui->Pending() == 0 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::yield();
  }
  ASSERT_EQ(ui->Pending(), 1u);
  holder.reset();
  EXPECT_EQ(answer.get(), 0);
  ui->ProcessEvents();
  EXPECT_EQ(ran, 0);
}

TEST_F(SingleInstanceTest, NoUiThreadMeansNoActivation) {
  TSingleInstance holder(kLockName);
  ASSERT_TRUE(holder.Acquire());
  bool ran = false;
  ASSERT_TRUE(holder.Listen([&] { ran = true; }));
  TSingleInstance asker(kLockName);
  EXPECT_EQ(asker.ActivateRunningInstance(), 0);
  EXPECT_FALSE(ran);
}

TEST_F(SingleInstanceTest, NoHolderAnswersZero) {
  TSingleInstance asker(kLockName);
  EXPECT_EQ(asker.ActivateRunningInstance(), 0);  // no socket at all
  // A socket file nobody listens on any more.
  int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, asker.SocketPath().c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  close(fd);
  EXPECT_EQ(asker.ActivateRunningInstance(), 0);
  EXPECT_EQ(asker.ActivateRunningInstance(0), 0);

  // ...and the next holder is not stopped by it.
  TSingleInstance holder(kLockName);
  ASSERT_TRUE(holder.Acquire());
  EXPECT_TRUE(holder.Listen([] {}));
}

TEST_F(SingleInstanceTest, WithoutARuntimeFolderTheProgramStillStarts) {
  TTempFolder elsewhere;
  ASSERT_EQ(symlink(elsewhere.Path().c_str(), (home_ / ".run").c_str()), 0);
  TSingleInstance instance(kLockName);
  EXPECT_TRUE(instance.Acquire());
  EXPECT_FALSE(instance.Held());
  EXPECT_FALSE(instance.Listen([] {}));
  EXPECT_EQ(instance.ActivateRunningInstance(), 0);
  EXPECT_EQ(EntryCount(elsewhere.Path()), 0u);
}

}  // namespace
}  // namespace test
}  // namespace vlmr
