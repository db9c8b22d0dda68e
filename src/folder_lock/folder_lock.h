#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace quorvia::folder_lock {

// One run at a time per program folder: an advisory lock (flock) on the folder itself. No file is created
// for it, and the kernel lets go of it when the holding process ends, however it ends, so a killed run
// leaves nothing that could stop the next one. The lock is not handed to child processes (an office
// started during the run must not keep it after the run has ended).
class FolderLock {
 public:
  // Takes the folder's lock, waiting up to `bound` while another run holds it; `waiting` is called once
  // when the wait begins. Nothing when the bound passed. Raises std::system_error when the folder cannot
  // be opened.
  static std::optional<FolderLock> Take(const std::string& folder, std::chrono::milliseconds bound,
                                        const std::function<void()>& waiting);

  FolderLock(FolderLock&& other) noexcept;
  FolderLock& operator=(FolderLock&& other) noexcept;
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  ~FolderLock();

 private:
  explicit FolderLock(int descriptor) noexcept : descriptor_(descriptor) {}
  int descriptor_ = -1;
};

}  // namespace quorvia::folder_lock
