// The file-creation mask is read once at start-up: asking for it later neither changes the mask nor sees
// a change made since.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "file_mode/process_umask.h"

namespace quorvia::file_mode {
namespace {

mode_t CurrentMask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

TEST(ProcessUmask, IsTheMaskAtStartUpAndAskingForItLeavesTheMaskAlone) {
  const mode_t atStart = CurrentMask();  // nothing in this test program changes it before
  EXPECT_EQ(ProcessUmask(), atStart);
  EXPECT_EQ(OrdinaryFileMode(), 0666 & ~atStart);

  const mode_t changed = atStart == 027 ? 077 : 027;
  ::umask(changed);
  EXPECT_EQ(ProcessUmask(), atStart) << "read once: a later change is not seen";
  EXPECT_EQ(CurrentMask(), changed) << "asking for the mask must not change it";
  ::umask(atStart);
}

}  // namespace
}  // namespace quorvia::file_mode
