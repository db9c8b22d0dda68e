// quorvia-import SOURCE TARGET: converts an Access database (Jet 3, Jet 4, ACE) into an SQLite database
// that Quorvia opens.
// quorvia-import --to "CONNECTION STRING" [--replace] SOURCE: loads an Access database or an SQLite
// MOSA_DB.mdb into a PostgreSQL database, for a team to share.
#include <csignal>
#include <cstdio>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "access_import/access_header.h"
#include "access_import/file_placement.h"
#include "data_indexes/add_indexes_command.h"
#include "import_rows/import_error.h"
#include "server_import/access_row_source.h"
#include "server_import/server_loader.h"
#include "server_import/sqlite_row_source.h"

namespace {

using quorvia::import_rows::ImportProgress;

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

void PrintSummary(const quorvia::import_rows::ImportSummary& summary, const char* done, const char* notDone) {
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

constexpr const char* kUsage =
    "Usage: quorvia-import SOURCE TARGET\n"
    "Converts the Access database SOURCE (.mdb or .accdb: Jet 3, Jet 4 or ACE) into the new SQLite\n"
    "database TARGET, which must not exist.\n"
    "       quorvia-import --to \"CONNECTION STRING\" [--replace] SOURCE\n"
    "Loads the Access database or SQLite MOSA_DB.mdb SOURCE into the PostgreSQL database of the libpq\n"
    "connection string, in one transaction; tables that exist there already are an error unless\n"
    "--replace.\n"
    "       quorvia-import --add-indexes FILE\n"
    "Gives the change tables of the SQLite MOSA_DB.mdb FILE the indexes that Quorvia's queries use\n"
    "(the converter adds them to every file it writes) and says how much space they take; a file with\n"
    "pages smaller than 64 KB is then rewritten with 64 KB pages. It refuses when the file's disk or\n"
    "the temporary folder lacks the room, and exits 1 when anything was not done.\n"
    "Options may stand anywhere; after \"--\" every argument is a file.\n"
    "Exit status: 0 on success (or --help); 1 on any failure; 2 on a bad command line.\n";

struct Arguments {
  bool help = false;
  std::optional<std::string> conninfo;  // --to
  bool replace = false;
  bool addIndexes = false;
  std::vector<std::string> files;
};

// Options in any position; std::invalid_argument saying what is wrong with the command line.
Arguments Parse(int argc, char** argv) {
  Arguments parsed;
  bool filesOnly = false;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (filesOnly || argument == "-" || !argument.starts_with("-")) {
      parsed.files.push_back(argument);
    } else if (argument == "--") {
      filesOnly = true;
    } else if (argument == "--help" || argument == "-h") {
      parsed.help = true;
    } else if (argument == "--add-indexes") {
      parsed.addIndexes = true;
    } else if (argument == "--replace") {
      parsed.replace = true;
    } else if (argument == "--to") {
      if (i + 1 >= argc) throw std::invalid_argument("--to needs a connection string after it");
      parsed.conninfo = argv[++i];
    } else {
      throw std::invalid_argument("unknown option " + argument);
    }
  }
  if (parsed.help) return parsed;
  if (parsed.addIndexes) {
    if (parsed.conninfo || parsed.replace) throw std::invalid_argument("--add-indexes takes no other option");
    if (parsed.files.size() != 1) {
      throw std::invalid_argument("--add-indexes works on one FILE; " + std::to_string(parsed.files.size()) +
                                  " files were given");
    }
  } else if (parsed.conninfo) {
    if (parsed.files.size() != 1) {
      throw std::invalid_argument("--to loads one SOURCE file; " + std::to_string(parsed.files.size()) +
                                  " files were given");
    }
  } else {
    if (parsed.replace) throw std::invalid_argument("--replace works only with --to");
    if (parsed.files.size() != 2) {
      throw std::invalid_argument("a conversion needs SOURCE and TARGET; " +
                                  std::to_string(parsed.files.size()) +
                                  (parsed.files.size() == 1 ? " file was" : " files were") + " given");
    }
  }
  return parsed;
}

}  // namespace

int main(int argc, char** argv) {
  std::signal(SIGINT, RequestStop);
  std::signal(SIGTERM, RequestStop);
  Arguments arguments;
  try {
    arguments = Parse(argc, argv);
  } catch (const std::invalid_argument& error) {
    std::cerr << "quorvia-import: " << error.what() << "\n\n" << kUsage;
    return 2;
  }
  if (arguments.help) {
    std::cout << kUsage;
    return 0;
  }
  if (arguments.addIndexes) {
    return quorvia::data_indexes::AddIndexesCommand(arguments.files[0], std::cout, std::cerr);
  }
  if (arguments.conninfo) return LoadIntoServer(*arguments.conninfo, arguments.files[0], arguments.replace);
  StderrProgress progress;
  try {
    const auto summary = quorvia::access_import::ImportAccessFile(
        arguments.files[0], arguments.files[1], [&progress](const ImportProgress& p) { progress(p); },
        [] { return stopRequested != 0; });
    progress.Finish();
    PrintSummary(summary, "Converted", "not converted");
    return 0;
  } catch (const quorvia::import_rows::ImportError& error) {
    progress.Finish();
    std::cerr << error.what() << '\n';
    return 1;
  }
}
