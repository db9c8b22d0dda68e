#pragma once

#include <sys/types.h>

#include <string>

namespace quorvia::report::testing {

// An X server of the test's own (Xvfb on a free display number), stopped with this object. While it
// lives, DISPLAY names it, so every office started by the test shows its windows there.
class VirtualDisplay {
 public:
  VirtualDisplay();
  VirtualDisplay(const VirtualDisplay&) = delete;
  VirtualDisplay& operator=(const VirtualDisplay&) = delete;
  ~VirtualDisplay();

  const std::string& Name() const { return name_; }

 private:
  pid_t pid_ = -1;
  std::string name_;
};

}  // namespace quorvia::report::testing
