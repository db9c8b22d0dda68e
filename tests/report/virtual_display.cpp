#include "virtual_display.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

namespace quorvia::report::testing {

VirtualDisplay::VirtualDisplay() {
  int ready[2];
  if (pipe(ready) != 0) throw std::runtime_error("cannot create a pipe for Xvfb");
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("cannot start Xvfb");
  if (pid_ == 0) {
    close(ready[0]);
    const std::string fd = std::to_string(ready[1]);
    // -displayfd: the server picks a free display number and writes it to the pipe once it accepts clients.
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
           static_cast<char*>(nullptr));
    _exit(127);
  }
  close(ready[1]);
  std::string number;
  pollfd waiting{ready[0], POLLIN, 0};
  char c;
  while (poll(&waiting, 1, 20000) > 0 && read(ready[0], &c, 1) == 1 && c != '\n') number += c;
  close(ready[0]);
  if (number.empty()) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    throw std::runtime_error("Xvfb did not start (is the xvfb package installed? run scripts/setup.sh)");
  }
  name_ = ":" + number;
  setenv("DISPLAY", name_.c_str(), 1);
}

VirtualDisplay::~VirtualDisplay() {
  unsetenv("DISPLAY");
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
}

}  // namespace quorvia::report::testing
