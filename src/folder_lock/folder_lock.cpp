#include "folder_lock/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <thread>
#include <utility>

namespace quorvia::folder_lock {
namespace {

constexpr std::chrono::milliseconds kPollInterval{100};

bool TryLock(int descriptor) {
  while (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EWOULDBLOCK) return false;
    if (errno != EINTR) throw std::system_error(errno, std::generic_category(), "flock");
  }
  return true;
}

}  // namespace

std::optional<FolderLock> FolderLock::Take(const std::string& folder, std::chrono::milliseconds bound,
                                           const std::function<void()>& waiting) {
  const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor < 0) throw std::system_error(errno, std::generic_category(), "Open " + folder);
  FolderLock lock(descriptor);  // closes the descriptor on every way out
  if (TryLock(descriptor)) return std::optional<FolderLock>(std::move(lock));
  if (waiting) waiting();
  // Polled rather than a blocking flock, so that the wait has a bound without signals or threads.
  const auto deadline = std::chrono::steady_clock::now() + bound;
  while (std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(kPollInterval);
    if (TryLock(descriptor)) return std::optional<FolderLock>(std::move(lock));
  }
  return std::nullopt;
}

FolderLock::FolderLock(FolderLock&& other) noexcept : descriptor_(std::exchange(other.descriptor_, -1)) {}

FolderLock& FolderLock::operator=(FolderLock&& other) noexcept {
  if (this != &other) {
    if (descriptor_ >= 0) ::close(descriptor_);
    descriptor_ = std::exchange(other.descriptor_, -1);
  }
  return *this;
}

// Closing the last descriptor of the open folder releases the lock.
FolderLock::~FolderLock() {
  if (descriptor_ >= 0) ::close(descriptor_);
}

}  // namespace quorvia::folder_lock
