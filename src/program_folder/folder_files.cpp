#include "program_folder/folder_files.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <system_error>

#include "db/pg/server_connection.h"
#include "file_mode/move_no_replace.h"
#include "file_mode/process_umask.h"
#include "file_mode/temporary_file.h"
#include "vocabulary/file_names.h"

namespace quorvia::program_folder {
namespace {

namespace fs = std::filesystem;

// Anything under the name counts, a dangling link included: it is never written over.
bool NameTaken(const fs::path& path) {
  std::error_code error;
  return fs::symlink_status(path, error).type() != fs::file_type::not_found;
}

std::string Quoted(const fs::path& path) { return "\"" + path.string() + "\""; }

void CheckBundled(const fs::path& file) {
  std::error_code error;
  if (!fs::is_regular_file(file, error)) {
    throw FolderError("The file " + Quoted(file) +
                      " that Quorvia brings along is missing. Install Quorvia again.");
  }
}

// A new file beside its target, removed again unless it has been moved into place.
file_mode::TemporaryFile PartFileBeside(const fs::path& target) {
  try {
    return file_mode::TemporaryFile(
        (target.parent_path() / ("." + target.filename().string() + ".writing-XXXXXX")).string());
  } catch (const std::system_error& error) {
    throw FolderError("Cannot write in the folder " + Quoted(target.parent_path()) + ": " +
                      std::strerror(error.code().value()) + ". Choose a folder you can write to.");
  }
}

// Copies a bundled file to `target` in full, then moves it into place without replacing anything there.
void CopyNoReplace(const fs::path& source, const fs::path& target) {
  if (NameTaken(target))
    throw FolderError(Quoted(target) + " is there already; Quorvia does not write over it.");
  file_mode::TemporaryFile part = PartFileBeside(target);
  std::error_code error;
  fs::copy_file(source, part.Path(), fs::copy_options::overwrite_existing, error);
  if (error) {
    throw FolderError("Cannot write " + Quoted(target) + ": " + error.message() + ". Nothing was written.");
  }
  // mkstemp makes the file private; the copy gets the permissions an ordinary new file would.
  ::chmod(part.Path().c_str(), file_mode::OrdinaryFileMode());
  if (!file_mode::MoveNoReplace(part.Path(), target.string())) {
    if (errno == EEXIST)
      throw FolderError(Quoted(target) + " is there already; Quorvia does not write over it.");
    throw FolderError("Cannot write " + Quoted(target) + ": " + std::strerror(errno) +
                      ". Nothing was written.");
  }
  part.Keep();
}

}  // namespace

fs::path NormalFolder(const fs::path& folder) {
  std::error_code error;
  fs::path normal = fs::weakly_canonical(fs::absolute(folder, error), error);
  if (error) normal = fs::absolute(folder, error).lexically_normal();
  if (!normal.has_filename() && normal != normal.root_path()) normal = normal.parent_path();
  return normal;
}

fs::path FolderOfArgument(const fs::path& argument) {
  std::error_code error;
  const auto type = fs::status(argument, error).type();
  if (type == fs::file_type::not_found || type == fs::file_type::directory || error) return argument;
  return fs::absolute(argument, error).parent_path();
}

BundledFiles BundledFilesBeside(const fs::path& programsFolder) {
  const fs::path share = programsFolder.parent_path() / "share" / "quorvia";
  return {share / vocabulary::kReportFileName, share / "demo" / vocabulary::kDatabaseFileName};
}

std::string DatabaseFileIn(const fs::path& folder) {
  const fs::path database = folder / vocabulary::kDatabaseFileName;
  std::error_code error;
  const std::string connection = db::pg::ServerConnectionFileFor(database.string());
  if (fs::is_regular_file(connection, error)) return fs::path(connection).filename().string();
  if (fs::is_regular_file(database, error)) return vocabulary::kDatabaseFileName;
  return {};
}

bool HoldsDatabase(const fs::path& folder) { return !DatabaseFileIn(folder).empty(); }

bool LacksReportWorkbook(const fs::path& folder) {
  return HoldsDatabase(folder) && !NameTaken(folder / vocabulary::kReportFileName);
}

void WriteReportTemplate(const BundledFiles& bundled, const fs::path& folder) {
  CheckBundled(bundled.reportTemplate);
  CopyNoReplace(bundled.reportTemplate, folder / vocabulary::kReportFileName);
}

void MakeDemoFolder(const BundledFiles& bundled, const fs::path& folder) {
  CheckBundled(bundled.demoDatabase);
  CheckBundled(bundled.reportTemplate);
  std::error_code error;
  fs::create_directories(folder, error);
  if (error || !fs::is_directory(folder, error)) {
    throw FolderError("Cannot make the folder " + Quoted(folder) + (error ? ": " + error.message() : "") +
                      ". Choose another name.");
  }
  std::string held = DatabaseFileIn(folder);
  if (held.empty() && NameTaken(folder / vocabulary::kDatabaseFileName)) held = vocabulary::kDatabaseFileName;
  if (held.empty() && NameTaken(folder / vocabulary::kReportFileName)) held = vocabulary::kReportFileName;
  if (!held.empty()) {
    throw FolderError("The folder " + Quoted(folder) + " already holds " + held +
                      ". A demo folder needs a new or empty folder; nothing was written.");
  }
  CopyNoReplace(bundled.demoDatabase, folder / vocabulary::kDatabaseFileName);
  try {
    CopyNoReplace(bundled.reportTemplate, folder / vocabulary::kReportFileName);
  } catch (const FolderError&) {
    // The database was written a moment ago by this call: the folder goes back to what it was.
    fs::remove(folder / vocabulary::kDatabaseFileName, error);
    throw;
  }
}

}  // namespace quorvia::program_folder
