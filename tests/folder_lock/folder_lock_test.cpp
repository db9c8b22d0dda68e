#include "folder_lock/folder_lock.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

namespace quorvia::folder_lock {
namespace {

using namespace std::chrono_literals;

// A run killed while it holds the folder leaves nothing behind that stops the next run, and the lock
// never shows as a file in the folder.
TEST(FolderLock, AHolderBlocksUntilItEndsEvenWhenKilled) {
  char pattern[] = "/tmp/quorvia-lock-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string folder = pattern;
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t holder = fork();
  ASSERT_GE(holder, 0);
  if (holder == 0) {
    const auto lock = FolderLock::Take(folder, 0ms, {});
    const char signal = lock ? 'y' : 'n';
    if (write(ready[1], &signal, 1) != 1) _exit(1);
    pause();
    _exit(0);
  }
  char signal = 0;
  ASSERT_EQ(read(ready[0], &signal, 1), 1);
  ASSERT_EQ(signal, 'y');

  int waits = 0;
  EXPECT_FALSE(FolderLock::Take(folder, 250ms, [&] { ++waits; }));
  EXPECT_EQ(waits, 1);

  kill(holder, SIGKILL);
  waitpid(holder, nullptr, 0);
  EXPECT_TRUE(FolderLock::Take(folder, 0ms, {}));
  EXPECT_TRUE(std::filesystem::is_empty(folder));
  close(ready[0]);
  close(ready[1]);
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace quorvia::folder_lock
