#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace quorvia::testing {

// What a shell command printed on standard output, and its exit status (-1 when it did not exit).
struct CommandResult {
  std::string output;
  int status = -1;
};

inline CommandResult RunCommand(const std::string& command) {
  CommandResult result;
  FILE* pipe = ::popen(command.c_str(), "r");
  char buffer[65536];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) result.output.append(buffer, n);
  const int status = ::pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

// One word for the shell, whatever the text holds.
inline std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace quorvia::testing
