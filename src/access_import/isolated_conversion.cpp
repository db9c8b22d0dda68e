#include "access_import/isolated_conversion.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <optional>
#include <sstream>

#include "access_import/library_output.h"
#include "import_rows/import_error.h"

namespace quorvia::access_import {
namespace {

constexpr int kPollMilliseconds = 50;

void WriteAll(int fd, const std::string& text) {
  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) _exit(3);  // the parent has gone
    written += static_cast<std::size_t>(n);
  }
}

std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return text;
}

// The child: converts and reports over `fd`, then ends without running the parent's exit handlers.
[[noreturn]] void RunChild(const std::string& source, const std::string& target, int fd) {
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  int status = 1;
  try {
    const import_rows::ImportSummary summary =
        ConvertAccessFile(source, target, [fd](const import_rows::ImportProgress& p) {
          std::ostringstream line;
          line << "P " << p.tableIndex << ' ' << p.tableCount << ' ' << p.rowsDone << ' ' << p.tableRows
               << ' ' << p.rowsDoneInAll << ' ' << p.rowsInAll << ' ' << OneLine(p.table) << '\n';
          WriteAll(fd, line.str());
        });
    std::ostringstream line;
    line << "S " << summary.tables << ' ' << summary.rows << ' ' << summary.storedQueries << ' '
         << summary.seconds << '\n';
    WriteAll(fd, line.str());
    status = 0;
  } catch (const std::exception& error) {
    WriteAll(fd, "E " + OneLine(error.what()) + "\n");
  } catch (...) {
    WriteAll(fd, "E Cannot convert " + OneLine(source) + ": unexpected failure\n");
  }
  _exit(status);
}

import_rows::ImportProgress ParseProgress(const std::string& line) {
  std::istringstream in(line.substr(2));
  import_rows::ImportProgress p;
  in >> p.tableIndex >> p.tableCount >> p.rowsDone >> p.tableRows >> p.rowsDoneInAll >> p.rowsInAll;
  in.get();
  std::getline(in, p.table);
  return p;
}

import_rows::ImportSummary ParseSummary(const std::string& line) {
  std::istringstream in(line.substr(2));
  import_rows::ImportSummary s;
  in >> s.tables >> s.rows >> s.storedQueries >> s.seconds;
  return s;
}

class Pipe {
 public:
  Pipe() {
    if (::pipe2(fds_.data(), O_CLOEXEC) != 0)
      throw import_rows::ImportError(std::string("Cannot start the conversion: ") + std::strerror(errno));
  }
  ~Pipe() {
    CloseRead();
    CloseWrite();
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
  int Read() const { return fds_[0]; }
  int Write() const { return fds_[1]; }
  void CloseRead() { Close(fds_[0]); }
  void CloseWrite() { Close(fds_[1]); }

 private:
  static void Close(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
  std::array<int, 2> fds_{-1, -1};
};

// Ends and reaps the child unless it has been reaped already.
class Child {
 public:
  explicit Child(pid_t pid) : pid_(pid) {}
  ~Child() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      Wait();
    }
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  int Wait() {
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    return status;
  }

 private:
  pid_t pid_;
};

// Reads whatever is ready; false at end of file.
bool Drain(int fd, std::string& into) {
  char buffer[4096];
  const ssize_t n = ::read(fd, buffer, sizeof buffer);
  if (n < 0) return errno == EINTR || errno == EAGAIN;
  into.append(buffer, static_cast<std::size_t>(n));
  return n > 0;
}

std::string Where(const std::optional<import_rows::ImportProgress>& last) {
  if (!last) return "before the first table";
  return "in table " + last->table + " after row " + std::to_string(last->rowsDone);
}

}  // namespace

import_rows::ImportSummary ConvertInChildProcess(const std::string& source, const std::string& target,
                                                 const import_rows::ProgressFn& progress,
                                                 const import_rows::CancelFn& cancelled) {
  Pipe messages;
  const pid_t pid = ::fork();
  if (pid < 0)
    throw import_rows::ImportError(std::string("Cannot start the conversion: ") + std::strerror(errno));
  if (pid == 0) {
    // The child's standard output and error carry only libmdb's diagnostics (warnings, hex dumps of
    // damaged pages): what the user reads is our message, made from the child's report over `messages`.
    SilenceLibraryOutput();
    RunChild(source, target, messages.Write());
  }
  Child child(pid);
  messages.CloseWrite();

  std::string pending;
  std::optional<import_rows::ImportProgress> last;
  std::optional<import_rows::ImportSummary> summary;
  std::string error;
  bool messagesOpen = true;
  while (messagesOpen) {
    if (cancelled())
      throw import_rows::ImportCancelled("The conversion of " + source +
                                         " was cancelled; nothing was changed.");
    pollfd fd{messages.Read(), POLLIN, 0};
    if (::poll(&fd, 1, kPollMilliseconds) < 0 && errno != EINTR) break;
    if (fd.revents != 0) messagesOpen = Drain(messages.Read(), pending);
    for (std::size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1)) {
      const std::string line = pending.substr(0, end);
      if (line.starts_with("P ")) {
        last = ParseProgress(line);
        progress(*last);
      } else if (line.starts_with("S ")) {
        summary = ParseSummary(line);
      } else if (line.starts_with("E ")) {
        error = line.substr(2);
      }
    }
  }
  const int status = child.Wait();
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0 && summary) return *summary;
  if (!error.empty()) throw import_rows::ImportError(error);
  std::string detail = WIFSIGNALED(status)
                           ? "the reader stopped on signal " + std::to_string(WTERMSIG(status))
                           : "the reader ended with status " + std::to_string(WEXITSTATUS(status));
  const bool sizeLimit = WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ;
  throw import_rows::ImportError("Cannot convert " + source + ": " + detail + " " + Where(last) +
                                 (sizeLimit ? "; the converted database reached the file-size limit"
                                            : "; the file is probably damaged"));
}

}  // namespace quorvia::access_import
