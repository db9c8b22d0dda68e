#include "data_indexes/add_indexes_command.h"

#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "data_indexes/data_indexes.h"
#include "db/db_error.h"

namespace quorvia::data_indexes {
namespace {

constexpr char kSqliteHeader[] = "SQLite format 3";

bool IsSqliteFile(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  char header[sizeof kSqliteHeader] = {};
  in.read(header, sizeof header);
  return in.gcount() == static_cast<std::streamsize>(sizeof header) &&
         std::equal(header, header + sizeof header, kSqliteHeader);
}

std::string Megabytes(std::int64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
  return text;
}

std::string ColumnList(const IndexDefinition& index) {
  std::string list;
  for (const auto& column : index.columns) list += (list.empty() ? "" : ", ") + column;
  return list;
}

// The indexes stand whatever happens here: a failed rewrite leaves the file as the indexes left it.
void RewriteOnLargePages(db::SqliteConnection& connection, const std::string& file, std::ostream& out,
                         std::ostream& err) {
  try {
    if (const auto former = RewriteWithLargePages(connection)) {
      out << "Rewrote " << file << " with 64 KB pages (they were " << *former / 1024
          << " KB), so that the queries' long reads go faster.\n";
    }
  } catch (const db::DbError& failure) {
    err << "Could not rewrite " << file << " with larger pages: " << failure.Description()
        << ". The file keeps its pages; the rewrite needs as much free space in the temporary folder as "
           "the file takes.\n";
  }
}

}  // namespace

int AddIndexesCommand(const std::string& file, std::ostream& out, std::ostream& err) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(file, error)) {
    err << "Cannot add indexes: " << file << " is not a file. Give the path of an SQLite MOSA_DB.mdb.\n";
    return 1;
  }
  if (!IsSqliteFile(file)) {
    err << "Cannot add indexes: " << file
        << " is not an SQLite database. Convert an Access database first (quorvia-import SOURCE TARGET); "
           "nothing was changed.\n";
    return 1;
  }
  try {
    db::SqliteConnection connection(file, SQLITE_OPEN_READWRITE);
    connection.ShareWithOtherProcesses();
    const AddedIndexes result = AddDataIndexes(connection);
    if (result.added.empty()) {
      out << file << " has every index already; nothing was added.\n";
    } else {
      for (const auto& index : result.added)
        out << "Added index " << index.name << " on " << index.table << " (" << ColumnList(index) << ")\n";
      out << "The indexes and the planner's statistics take "
          << Megabytes(result.bytesAfter - result.bytesBefore) << ": " << file << " grew from "
          << Megabytes(result.bytesBefore) << " to " << Megabytes(result.bytesAfter) << ".\n";
    }
    RewriteOnLargePages(connection, file, out, err);
    return 0;
  } catch (const db::DbError& failure) {
    err << "Cannot add indexes to " << file << ": " << failure.Description()
        << ". Nothing was changed; the file may be in use or read-only.\n";
    return 1;
  }
}

}  // namespace quorvia::data_indexes
