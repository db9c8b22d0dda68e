#pragma once

#include <sys/types.h>

namespace quorvia::file_mode {

// The process's file-creation mask as it was when the program started. The system has no call that only
// reads the mask: setting it to read it would, for that instant, give the files that other threads create
// the wrong permissions. So it is read once, at start-up, and every later question gets that answer.
mode_t ProcessUmask() noexcept;

// The permissions an ordinary new file gets under that mask; a private temporary file (mkstemp) is given
// them before it takes the place of a file the user sees.
inline mode_t OrdinaryFileMode() noexcept { return 0666 & ~ProcessUmask(); }

}  // namespace quorvia::file_mode
