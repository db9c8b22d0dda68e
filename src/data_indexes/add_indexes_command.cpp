#include "data_indexes/add_indexes_command.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>

#include "data_indexes/data_indexes.h"
#include "db/db_error.h"
#include "disk_room/disk_room.h"

namespace quorvia::data_indexes {
namespace {

using disk_room::Disk;
using disk_room::DiskHolding;
using disk_room::DiskName;
using disk_room::DiskThatFilled;
using disk_room::MegabytesUp;
using disk_room::MissingRoom;
using disk_room::RoomNeeded;
using disk_room::Shortfall;
using disk_room::SqliteTemporaryFolder;

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

std::string FolderOf(const std::string& file) {
  const auto folder = std::filesystem::absolute(file).parent_path();
  return folder.empty() ? "." : folder.string();
}

// SQLite writes a journal beside the file, so the folder must take new files too.
std::optional<std::string> NotWritable(const std::string& file) {
  const std::string whole = std::filesystem::absolute(file).string();
  const std::string nothing = "; nothing was changed.\n";
  switch (disk_room::WhatIsReadOnly(file)) {
    case disk_room::ReadOnlyPart::disk:
      return "Cannot add indexes: " + whole + " is on a disk that is mounted read-only. Copy it to a disk " +
             "you can write to and run the command on the copy, or have the disk mounted for writing" +
             nothing;
    case disk_room::ReadOnlyPart::file:
      return "Cannot add indexes: " + whole + " is read-only. Make it writable (chmod u+w " + whole +
             ") and run the command again" + nothing;
    case disk_room::ReadOnlyPart::folder:
      return "Cannot add indexes: the folder " + FolderOf(file) + " is read-only, and " + whole +
             " cannot be changed safely without writing its journal there. Make the folder writable, or " +
             "copy the file to a folder of your own, and run the command again" + nothing;
    case disk_room::ReadOnlyPart::none:
      break;
  }
  return std::nullopt;
}

// What the indexes and the page rewrite write, and where: the indexes grow the file and are sorted in the
// temporary folder one at a time; the rewrite builds a whole copy there and journals every page of the
// file on its own disk while it copies it back.
struct Plan {
  std::vector<IndexDefinition> indexes;
  bool rewrite = false;
  RoomNeeded forIndexes;
  RoomNeeded forRewrite;
  RoomNeeded Total() const {
    return {forIndexes.onFileDisk + forRewrite.onFileDisk,
            std::max(forIndexes.inTemporaryFolder, forRewrite.inTemporaryFolder)};
  }
};

Plan PlanFor(db::SqliteConnection& connection, std::int64_t fileBytes) {
  constexpr std::int64_t kJournalAndStatistics = 2 * 1000 * 1000;
  Plan plan;
  plan.indexes = MissingIndexes(connection);
  plan.rewrite = WantsLargePages(connection);
  std::int64_t indexBytes = 0;
  std::map<std::string, std::int64_t> byTable;  // measuring a table reads all its pages
  for (const auto& index : plan.indexes) {
    // An index took a few per cent more than its table (1,000,000 records: 138 MB against 135 MB).
    if (!byTable.contains(index.table)) byTable[index.table] = EstimatedBytes(connection, index) * 11 / 10;
    const std::int64_t bytes = byTable[index.table];
    indexBytes += bytes;
    plan.forIndexes.inTemporaryFolder = std::max(plan.forIndexes.inTemporaryFolder, bytes);
  }
  if (!plan.indexes.empty()) plan.forIndexes.onFileDisk = indexBytes + kJournalAndStatistics;
  if (plan.rewrite) {
    const std::int64_t after = fileBytes + indexBytes;
    plan.forRewrite = {after + after / 20, after};
  }
  return plan;
}

// "<disk> is full: N MB more are needed" (`state` "is full", or "has too little room" before a step).
std::string ShortOfRoom(const Shortfall& shortfall, const std::string& state = "is full") {
  return DiskName(shortfall) + " " + state + ": " +
         std::to_string(std::max<std::int64_t>(1, MegabytesUp(shortfall.missingBytes))) +
         " MB more are needed";
}

// After SQLite met a full disk or another write failure: which disk, judged before the file is restored
// (which frees what the failed step took), then the file put back from its journal.
struct FailedStep {
  std::string problem;
  bool restored = true;
};

FailedStep PutBack(db::SqliteConnection& connection, const db::DbError& failure, const std::string& file,
                   const RoomNeeded& needed) {
  FailedStep step;
  std::optional<Shortfall> filled;
  if ((failure.Number() & 0xff) == SQLITE_FULL)
    filled = DiskThatFilled(FolderOf(file), SqliteTemporaryFolder());
  step.restored = RestoreAfterFailedWrite(connection);
  if (!filled) {
    step.problem = failure.Description();
    return step;
  }
  const Disk now = DiskHolding(filled->disk.folder);
  const std::int64_t need = filled->holds == Shortfall::Holds::temporaryFolder ? needed.inTemporaryFolder
                            : filled->holds == Shortfall::Holds::file
                                ? needed.onFileDisk
                                : needed.onFileDisk + needed.inTemporaryFolder;
  filled->missingBytes = need - now.freeBytes;
  step.problem = filled->missingBytes > 0
                     ? ShortOfRoom(*filled)
                     : DiskName(*filled) + " is full: it ran out of room although about " +
                           Megabytes(now.freeBytes) +
                           " are free now (another program may have been writing there)";
  return step;
}

// The journal SQLite leaves when it could not restore the file: it holds the file's former content. One
// that is empty or whose header is zeroed (the journal modes that keep the file) holds nothing. (In WAL mode
// a failed step's pages are never part of the file, and the WAL goes when the file is closed.)
std::optional<std::string> HotJournalOf(const std::string& file) {
  const std::string journal = file + "-journal";
  std::ifstream in(journal, std::ios::binary);
  char header[8] = {};
  in.read(header, sizeof header);
  if (in.gcount() < static_cast<std::streamsize>(sizeof header)) return std::nullopt;
  if (std::all_of(std::begin(header), std::end(header), [](char c) { return c == 0; })) return std::nullopt;
  return journal;
}

std::string AfterFailure(const std::string& file, bool restored) {
  const auto journal = HotJournalOf(file);
  if (restored && !journal) return "";
  return " The file could not be put back yet: " + journal.value_or(file + "-journal") +
         " holds its former content. Do not delete it; close every program that uses " + file +
         " and open the file once (quorvia-import --add-indexes " + file + " does), which puts it back.";
}

void ReportAdded(const AddedIndexes& result, const std::string& file, std::ostream& out) {
  if (result.added.empty()) {
    out << file << " has every index already; nothing was added.\n";
    return;
  }
  for (const auto& index : result.added)
    out << "Added index " << index.name << " on " << index.table << " (" << ColumnList(index) << ")\n";
  out << "The indexes and the planner's statistics take " << Megabytes(result.bytesAfter - result.bytesBefore)
      << ": " << file << " grew from " << Megabytes(result.bytesBefore) << " to "
      << Megabytes(result.bytesAfter) << ".\n";
}

// The indexes stand whatever happens here: a failed rewrite leaves the file as the indexes left it.
bool RewriteOnLargePages(db::SqliteConnection& connection, const Plan& plan, const std::string& file,
                         std::ostream& out, std::ostream& err) {
  try {
    if (const auto former = RewriteWithLargePages(connection)) {
      out << "Rewrote " << file << " with 64 KB pages (they were " << *former / 1024
          << " KB), so that the queries' long reads go faster.\n";
    }
    return true;
  } catch (const db::DbError& failure) {
    const FailedStep step = PutBack(connection, failure, file, plan.forRewrite);
    err << "Could not rewrite " << file << " with larger pages: " << step.problem << ". "
        << (plan.indexes.empty() ? "The file is as it was."
                                 : "The file keeps its pages and the indexes added.")
        << AfterFailure(file, step.restored) << '\n';
    return false;
  }
}

int AddIndexes(const std::string& file, std::ostream& out, std::ostream& err) {
  db::SqliteConnection connection(file, SQLITE_OPEN_READWRITE);
  connection.ShareWithOtherProcesses();
  const Plan plan = PlanFor(connection, static_cast<std::int64_t>(std::filesystem::file_size(file)));
  if (const auto missing =
          MissingRoom(DiskHolding(FolderOf(file)), DiskHolding(SqliteTemporaryFolder()), plan.Total())) {
    err << "Cannot add indexes to " << file << ": " << ShortOfRoom(*missing, "has too little room") << " for "
        << (plan.indexes.empty() ? "the rewrite with larger pages"
            : plan.rewrite       ? "the indexes and the rewrite with larger pages"
                                 : "the indexes")
        << (missing->holds == Shortfall::Holds::file
                ? ". Free that room"
                : ". Free that room, or name a temporary folder on a roomier disk in SQLITE_TMPDIR,")
        << " and run the command again; nothing was changed.\n";
    return 1;
  }
  try {
    ReportAdded(AddDataIndexes(connection), file, out);
  } catch (const db::DbError& failure) {
    const FailedStep step = PutBack(connection, failure, file, plan.forIndexes);
    err << "Cannot add indexes to " << file << ": " << step.problem << ". "
        << (step.restored ? "Nothing was changed." : "") << AfterFailure(file, step.restored) << '\n';
    return 1;
  }
  return RewriteOnLargePages(connection, plan, file, out, err) ? 0 : 1;
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
  if (const auto refusal = NotWritable(file)) {
    err << *refusal;
    return 1;
  }
  try {
    return AddIndexes(file, out, err);
  } catch (const db::DbError& failure) {
    err << "Cannot add indexes to " << file << ": " << failure.Description()
        << ". Nothing was changed; the file may be in use by another program.\n";
    return 1;
  }
}

}  // namespace quorvia::data_indexes
