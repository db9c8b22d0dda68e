#include "access_import/library_output.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>

namespace quorvia::access_import {
namespace {

constexpr std::array<int, 2> kStreams = {STDOUT_FILENO, STDERR_FILENO};

void FlushOurOutput() {
  std::cout.flush();
  std::cerr.flush();
  std::fflush(stdout);
  std::fflush(stderr);
}

}  // namespace

LibraryOutputMuted::LibraryOutputMuted() : null_(::open("/dev/null", O_WRONLY | O_CLOEXEC)) {
  // Without /dev/null the diagnostics show; the reading goes on all the same.
  if (null_ < 0) return;
  for (std::size_t i = 0; i < kStreams.size(); ++i) saved_[i] = ::fcntl(kStreams[i], F_DUPFD_CLOEXEC, 0);
  Pause();
}

LibraryOutputMuted::~LibraryOutputMuted() {
  Resume();
  for (const int fd : saved_) {
    if (fd >= 0) ::close(fd);
  }
  if (null_ >= 0) ::close(null_);
}

void LibraryOutputMuted::Pause() {
  if (null_ < 0) return;
  FlushOurOutput();
  for (std::size_t i = 0; i < kStreams.size(); ++i) {
    if (saved_[i] >= 0) ::dup2(null_, kStreams[i]);
  }
}

void LibraryOutputMuted::Resume() {
  if (null_ < 0) return;
  std::fflush(stdout);
  std::fflush(stderr);
  for (std::size_t i = 0; i < kStreams.size(); ++i) {
    if (saved_[i] >= 0) ::dup2(saved_[i], kStreams[i]);
  }
}

void SilenceLibraryOutput() {
  const int null = ::open("/dev/null", O_WRONLY);
  if (null < 0) return;
  for (const int fd : kStreams) ::dup2(null, fd);
  ::close(null);
}

}  // namespace quorvia::access_import
