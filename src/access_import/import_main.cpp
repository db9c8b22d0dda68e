// quorvia-import SOURCE TARGET: converts an Access database (Jet 3, Jet 4, ACE) into an SQLite database
// that Quorvia opens.
#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>

#include "access_import/file_placement.h"
#include "access_import/import_error.h"

namespace {

using quorvia::access_import::ImportProgress;

// Ctrl-C or a termination request cancels like the window's Cancel button: the temporary file goes too.
volatile std::sig_atomic_t stopRequested = 0;
extern "C" void RequestStop(int /*signal*/) { stopRequested = 1; }

std::string Count(long long number, const char* one, const char* many) {
  return std::to_string(number) + " " + (number == 1 ? one : many);
}

// One line per table; its row counter is rewritten in place while the table is copied.
class StderrProgress {
 public:
  void operator()(const ImportProgress& p) {
    if (p.tableIndex != table_) {
      if (table_ >= 0) std::cerr << '\n';
      table_ = p.tableIndex;
    }
    std::cerr << "\rTable " << p.tableIndex + 1 << "/" << p.tableCount << " " << p.table << ": " << p.rowsDone
              << " of " << p.tableRows << " rows" << std::flush;
  }
  void Finish() {
    if (table_ >= 0) std::cerr << '\n';
    table_ = -1;
  }

 private:
  int table_ = -1;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr
        << "Usage: quorvia-import SOURCE TARGET\n"
           "Converts the Access database SOURCE (.mdb or .accdb: Jet 3, Jet 4 or ACE) into the new SQLite\n"
           "database TARGET, which must not exist. Exit status 0 on success, 1 on any failure.\n";
    return 1;
  }
  std::signal(SIGINT, RequestStop);
  std::signal(SIGTERM, RequestStop);
  StderrProgress progress;
  try {
    const auto summary = quorvia::access_import::ImportAccessFile(
        argv[1], argv[2], [&progress](const ImportProgress& p) { progress(p); },
        [] { return stopRequested != 0; });
    progress.Finish();
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f", summary.seconds);
    std::cerr << "Converted " << Count(summary.tables, "table", "tables") << ", "
              << Count(summary.rows, "row", "rows") << " in " << seconds << " s";
    if (summary.storedQueries > 0) {
      std::cerr << "; " << Count(summary.storedQueries, "stored query", "stored queries")
                << " not converted (the next update writes FILTERED anew)";
    }
    std::cerr << ".\n";
    return 0;
  } catch (const quorvia::access_import::ImportError& error) {
    progress.Finish();
    std::cerr << error.what() << '\n';
    return 1;
  }
}
