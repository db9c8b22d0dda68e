#pragma once

#include <filesystem>
#include <stdexcept>

namespace quorvia::program_folder {

// A folder step that could not be done; the message names the file or folder and says what to do.
class FolderError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The files Quorvia brings along, in share/quorvia beside the folder of its programs (bin/), so that
// every install prefix works, an unpacked package included.
struct BundledFiles {
  std::filesystem::path reportTemplate;  // the report workbook template, MOSA_QUERY.xls
  std::filesystem::path demoDatabase;    // the demo database, MOSA_DB.mdb
};
BundledFiles BundledFilesBeside(const std::filesystem::path& programsFolder);

// The one spelling of a folder that every program uses for it (the report office's pipe is named after
// it): absolute, symbolic links resolved, no trailing separator.
std::filesystem::path NormalFolder(const std::filesystem::path& folder);

// The folder that a command-line argument names: the argument itself, or, for a file (MOSA_DB.mdb,
// MOSA_DB.pgconn, MOSA_QUERY.xls: what a file dropped on a desktop entry gives), the folder holding it.
std::filesystem::path FolderOfArgument(const std::filesystem::path& argument);

// True when the folder holds a database: MOSA_DB.mdb, or MOSA_DB.pgconn naming one on a server.
bool HoldsDatabase(const std::filesystem::path& folder);
// "MOSA_DB.pgconn" or "MOSA_DB.mdb" as the folder holds them (the connection file first, as the database
// engine takes it first); empty when it holds neither.
std::string DatabaseFileIn(const std::filesystem::path& folder);

// True when the folder lacks the report workbook but has a database that it would report on.
bool LacksReportWorkbook(const std::filesystem::path& folder);

// Writes the report template into the folder as MOSA_QUERY.xls. Never replaces a file: FolderError when
// one of that name is there, or when the template cannot be written (then nothing is left behind).
void WriteReportTemplate(const BundledFiles& bundled, const std::filesystem::path& folder);

// Makes a demo folder: creates the folder when needed and writes the demo database and the report
// template into it. FolderError, with nothing written, when the folder already holds a database or a
// report workbook, or when a file cannot be written.
void MakeDemoFolder(const BundledFiles& bundled, const std::filesystem::path& folder);

}  // namespace quorvia::program_folder
