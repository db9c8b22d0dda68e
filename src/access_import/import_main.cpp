// quorvia-import SOURCE TARGET: converts an Access database (Jet 3, Jet 4, ACE) into an SQLite database
// that Quorvia opens.
// quorvia-import --to "CONNECTION STRING" [--replace] SOURCE: loads an Access database or an SQLite
// MOSA_DB.mdb into a PostgreSQL database, for a team to share.
#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>

#include "access_import/access_header.h"
#include "access_import/file_placement.h"
#include "access_import/import_error.h"
#include "data_indexes/add_indexes_command.h"
#include "server_import/access_row_source.h"
#include "server_import/server_loader.h"
#include "server_import/sqlite_row_source.h"

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

void PrintSummary(const quorvia::access_import::ImportSummary& summary, const char* done,
                  const char* notDone) {
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.2f", summary.seconds);
  std::cerr << done << " " << Count(summary.tables, "table", "tables") << ", "
            << Count(summary.rows, "row", "rows") << " in " << seconds << " s";
  if (summary.storedQueries > 0) {
    std::cerr << "; " << Count(summary.storedQueries, "stored query", "stored queries") << " " << notDone
              << " (the next update writes FILTERED anew)";
  }
  std::cerr << ".\n";
}

// Loads SOURCE (Access or SQLite) into the server database of the connection string, with the progress
// and summary of the file conversion.
int LoadIntoServer(const std::string& conninfo, const std::string& source, bool replace) {
  StderrProgress progress;
  try {
    std::unique_ptr<quorvia::server_import::RowSource> rows;
    if (quorvia::access_import::IsAccessFile(source)) {
      rows = std::make_unique<quorvia::server_import::AccessRowSource>(source);
    } else {
      rows = std::make_unique<quorvia::server_import::SqliteRowSource>(source);
    }
    quorvia::server_import::LoadOptions options;
    options.replace = replace;
    options.progress = [&progress](const ImportProgress& p) { progress(p); };
    options.cancelled = [] { return stopRequested != 0; };
    const auto summary = quorvia::server_import::LoadIntoServer(*rows, conninfo, options);
    progress.Finish();
    PrintSummary(summary, "Loaded", "not loaded");
    return 0;
  } catch (const std::runtime_error& error) {
    progress.Finish();
    std::cerr << error.what() << '\n';
    return 1;
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::signal(SIGINT, RequestStop);
  std::signal(SIGTERM, RequestStop);
  if (argc == 3 && std::string(argv[1]) == "--add-indexes")
    return quorvia::data_indexes::AddIndexesCommand(argv[2], std::cout, std::cerr);
  const bool toServer = argc >= 2 && std::string(argv[1]) == "--to";
  const bool replace = toServer && argc == 5 && std::string(argv[3]) == "--replace";
  if (toServer && (argc == 4 || replace)) return LoadIntoServer(argv[2], argv[argc - 1], replace);
  if (argc != 3 || toServer) {
    std::cerr
        << "Usage: quorvia-import SOURCE TARGET\n"
           "Converts the Access database SOURCE (.mdb or .accdb: Jet 3, Jet 4 or ACE) into the new SQLite\n"
           "database TARGET, which must not exist. Exit status 0 on success, 1 on any failure.\n"
           "       quorvia-import --to \"CONNECTION STRING\" [--replace] SOURCE\n"
           "Loads the Access database or SQLite MOSA_DB.mdb SOURCE into the PostgreSQL database of the "
           "libpq\n"
           "connection string, in one transaction; tables that exist there already are an error unless\n"
           "--replace.\n"
           "       quorvia-import --add-indexes FILE\n"
           "Gives the change tables of the SQLite MOSA_DB.mdb FILE the indexes that Quorvia's queries use\n"
           "(the converter adds them to every file it writes) and says how much space they take.\n";
    return 1;
  }
  StderrProgress progress;
  try {
    const auto summary = quorvia::access_import::ImportAccessFile(
        argv[1], argv[2], [&progress](const ImportProgress& p) { progress(p); },
        [] { return stopRequested != 0; });
    progress.Finish();
    PrintSummary(summary, "Converted", "not converted");
    return 0;
  } catch (const quorvia::access_import::ImportError& error) {
    progress.Finish();
    std::cerr << error.what() << '\n';
    return 1;
  }
}
