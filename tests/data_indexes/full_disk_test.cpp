// --add-indexes on a disk that fills: before it starts it refuses when the room is plainly not there, and a
// disk that fills half way (a small tmpfs, or SQLite's page limit) leaves the file byte for byte as it was,
// whole, with no journal beside it.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/mount.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "data_indexes/add_indexes_command.h"
#include "data_indexes/data_indexes.h"
#include "disk_room/disk_room.h"
#include "file_bytes.h"
#include "sqlite_fixture.h"

namespace quorvia::data_indexes {
namespace {

using disk_room::DiskThatFilled;
using disk_room::Shortfall;
using disk_room::SqliteTemporaryFolder;

using quorvia::testing::FileBytes;

// A country without indexes whose change table takes about `rows` × 80 bytes.
void WriteUnindexedCountry(const std::string& file, int rows) {
  testing::ExecuteSql(
      file, testing::CountryTablesSql("AT") +
                "INSERT INTO UNITS_AT (STATUS, N1, N2, N3) VALUES ('FINAL', 'AT1', 'AT11', "
                "'AT111');"
                "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                std::to_string(rows) + ") INSERT INTO DATA_AT (" + testing::RecordColumns() +
                ") SELECT i * 0.25, 'AT', printf('%03d-%03d', i % 41, i % 37), "
                "printf('%03d-%03d', i % 43, i % 31), printf('AT%d', i % 9), printf('AT%02d', "
                "i % 97), printf('AT%04d', i % 997), printf('E%d', i % 7), printf('E%02d', i % 71), "
                "printf('W%d', i % 5), printf('D%d', i % 3), printf('C%d', i % 11) FROM n;");
}

void ExpectWholeAndAlone(const std::string& file, const std::string& before) {
  EXPECT_TRUE(FileBytes(file) == before) << file << " differs from the original";
  EXPECT_FALSE(std::filesystem::exists(file + "-journal"));
  EXPECT_FALSE(std::filesystem::exists(file + "-wal"));
  EXPECT_EQ(testing::QueryText(file, "PRAGMA integrity_check"), "ok");
}

// A tmpfs of `megabytes` on an empty folder, unmounted with the object; skips the test where this process
// may not mount one.
class SmallDisk {
 public:
  SmallDisk(const std::string& folder, int megabytes) : folder_(folder) {
    std::filesystem::create_directories(folder);
    const std::string options = "size=" + std::to_string(megabytes) + "m";
    mounted_ = mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) == 0;
    if (!mounted_) why_ = std::strerror(errno);
  }
  ~SmallDisk() {
    if (mounted_) umount2(folder_.c_str(), MNT_DETACH);
  }
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;
  bool Mounted() const { return mounted_; }
  const std::string& Why() const { return why_; }

 private:
  std::string folder_;
  bool mounted_ = false;
  std::string why_;
};

// SQLite's temporary folder for the test's duration (SQLite reads SQLITE_TMPDIR only once, at start).
class TemporaryFolderSetting {
 public:
  explicit TemporaryFolderSetting(const std::string& folder) {
    sqlite3_temp_directory = sqlite3_mprintf("%s", folder.c_str());
  }
  ~TemporaryFolderSetting() {
    sqlite3_free(sqlite3_temp_directory);
    sqlite3_temp_directory = nullptr;
  }
  TemporaryFolderSetting(const TemporaryFolderSetting&) = delete;
  TemporaryFolderSetting& operator=(const TemporaryFolderSetting&) = delete;
};

int pageLimit = 0;
extern "C" int LimitPages(sqlite3* handle, const char** /*message*/, const sqlite3_api_routines* /*api*/) {
  return sqlite3_exec(handle, ("PRAGMA max_page_count = " + std::to_string(pageLimit)).c_str(), nullptr,
                      nullptr, nullptr);
}

TEST(FullDisk, AFileThatMayNotGrowIsLeftAsItWasAndTheFailureSaysTheDiskIsFull) {
  testing::TempFolder folder;
  const TemporaryFolderSetting temporary(folder.str());
  const std::string file = folder.File("MOSA_DB.mdb");
  WriteUnindexedCountry(file, 20'000);
  const std::string before = FileBytes(file);
  // Every connection the command opens meets a "full disk" a few pages on.
  pageLimit = static_cast<int>(testing::QueryNumber(file, "PRAGMA page_count")) + 8;
  sqlite3_auto_extension(reinterpret_cast<void (*)()>(LimitPages));
  std::ostringstream out, err;
  const int status = AddIndexesCommand(file, out, err);
  sqlite3_cancel_auto_extension(reinterpret_cast<void (*)()>(LimitPages));

  EXPECT_EQ(status, 1);
  EXPECT_NE(err.str().find("Cannot add indexes to " + file + ": the disk holding " + folder.str()),
            std::string::npos)
      << err.str();
  EXPECT_NE(err.str().find(" is full: "), std::string::npos) << err.str();
  EXPECT_NE(err.str().find("Nothing was changed."), std::string::npos) << err.str();
  EXPECT_EQ(err.str().find("cannot rollback"), std::string::npos) << err.str();
  ExpectWholeAndAlone(file, before);
}

TEST(FullDisk, TheFilesOwnDiskFillingHalfWayLeavesItWholeWithNoJournalAndIsRefusedBeforeHand) {
  testing::TempFolder folder;
  const TemporaryFolderSetting temporary(folder.str());  // another disk than the file's
  const std::string diskFolder = folder.File("disk");
  const SmallDisk disk(diskFolder, 8);
  if (!disk.Mounted()) GTEST_SKIP() << "cannot mount a tmpfs here (" << disk.Why() << ")";
  const std::string file = diskFolder + "/MOSA_DB.mdb";
  WriteUnindexedCountry(file, 60'000);
  const std::string before = FileBytes(file);

  // The command sees the indexes cannot fit and says so before it writes anything.
  std::ostringstream out, err;
  EXPECT_EQ(AddIndexesCommand(file, out, err), 1);
  EXPECT_NE(err.str().find("Cannot add indexes to " + file + ": the disk holding " + diskFolder +
                           " has too little room: "),
            std::string::npos)
      << err.str();
  EXPECT_NE(err.str().find(" MB more are needed for the indexes"), std::string::npos) << err.str();
  ExpectWholeAndAlone(file, before);

  // Past that check, the disk fills while an index is built: SQLite cannot roll back at once and leaves a
  // hot journal beside a damaged file, until the file is read again.
  {
    db::SqliteConnection connection(file, SQLITE_OPEN_READWRITE);
    connection.ShareWithOtherProcesses();
    try {
      AddDataIndexes(connection);
      ADD_FAILURE() << "the indexes fitted on the small disk";
    } catch (const db::DbError& failure) {
      EXPECT_EQ(failure.Number() & 0xff, SQLITE_FULL) << failure.what();
      const Shortfall filled = DiskThatFilled(diskFolder, SqliteTemporaryFolder());
      EXPECT_EQ(filled.holds, Shortfall::Holds::file);
      EXPECT_EQ(filled.disk.folder, diskFolder);
    }
    EXPECT_TRUE(RestoreAfterFailedWrite(connection));
    EXPECT_FALSE(std::filesystem::exists(file + "-journal"));
  }
  ExpectWholeAndAlone(file, before);
}

TEST(FullDisk, AFullTemporaryFolderIsNamedAndAnIndexSortFailingThereLeavesTheFileAsItWas) {
  testing::TempFolder folder;
  const std::string temporaryFolder = folder.File("tmp");
  const SmallDisk disk(temporaryFolder, 1);
  if (!disk.Mounted()) GTEST_SKIP() << "cannot mount a tmpfs here (" << disk.Why() << ")";
  const TemporaryFolderSetting temporary(temporaryFolder);
  const std::string file = folder.File("MOSA_DB.mdb");
  WriteUnindexedCountry(file, 80'000);
  const std::string before = FileBytes(file);

  std::ostringstream out, err;
  EXPECT_EQ(AddIndexesCommand(file, out, err), 1);
  EXPECT_NE(
      err.str().find("the disk holding the temporary folder " + temporaryFolder + " has too little room: "),
      std::string::npos)
      << err.str();
  ExpectWholeAndAlone(file, before);

  // An index is sorted in the temporary folder, which fills.
  {
    db::SqliteConnection connection(file, SQLITE_OPEN_READWRITE);
    try {
      AddDataIndexes(connection);
      ADD_FAILURE() << "the sort fitted in the small temporary folder";
    } catch (const db::DbError& failure) {
      EXPECT_EQ(failure.Number() & 0xff, SQLITE_FULL) << failure.what();
      const Shortfall filled = DiskThatFilled(folder.str(), SqliteTemporaryFolder());
      EXPECT_EQ(filled.holds, Shortfall::Holds::temporaryFolder);
    }
    EXPECT_TRUE(RestoreAfterFailedWrite(connection));
  }
  ExpectWholeAndAlone(file, before);
}

TEST(FullDisk, AFileOnADiskMountedReadOnlyIsRefusedInWords) {
  testing::TempFolder folder;
  const std::string diskFolder = folder.File("disk");
  const SmallDisk disk(diskFolder, 4);
  if (!disk.Mounted()) GTEST_SKIP() << "cannot mount a tmpfs here (" << disk.Why() << ")";
  const std::string file = diskFolder + "/MOSA_DB.mdb";
  WriteUnindexedCountry(file, 100);
  const std::string before = FileBytes(file);
  ASSERT_EQ(mount("tmpfs", diskFolder.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=4m"), 0);

  std::ostringstream out, err;
  EXPECT_EQ(AddIndexesCommand(file, out, err), 1);
  EXPECT_EQ(err.str(),
            "Cannot add indexes: " + file +
                " is on a disk that is mounted read-only. Copy it to a disk you can write to and run "
                "the command on the copy, or have the disk mounted for writing; nothing was changed.\n");
  EXPECT_TRUE(FileBytes(file) == before);
}

// Every connection refuses to set a page size, so the rewrite fails after the indexes were added.
int DenyPageSize(void* /*data*/, int action, const char* pragma, const char* value, const char*,
                 const char*) {
  return action == SQLITE_PRAGMA && value != nullptr && sqlite3_stricmp(pragma, "page_size") == 0
             ? SQLITE_DENY
             : SQLITE_OK;
}
extern "C" int RefusePageSizes(sqlite3* handle, const char** /*message*/,
                               const sqlite3_api_routines* /*api*/) {
  return sqlite3_set_authorizer(handle, DenyPageSize, nullptr);
}

TEST(AddIndexesCommand, ARewriteThatFailsAfterTheIndexesExitsOneAndSaysTheIndexesStand) {
  testing::TempFolder folder;
  const std::string file = folder.File("MOSA_DB.mdb");
  WriteUnindexedCountry(file, 1'000);
  sqlite3_auto_extension(reinterpret_cast<void (*)()>(RefusePageSizes));
  std::ostringstream out, err;
  const int status = AddIndexesCommand(file, out, err);
  sqlite3_cancel_auto_extension(reinterpret_cast<void (*)()>(RefusePageSizes));

  EXPECT_EQ(status, 1);
  EXPECT_NE(out.str().find("Added index DATA_AT_by_change1"), std::string::npos) << out.str();
  EXPECT_NE(err.str().find("Could not rewrite " + file + " with larger pages: "), std::string::npos)
      << err.str();
  EXPECT_NE(err.str().find("The file keeps its pages and the indexes added."), std::string::npos)
      << err.str();
  EXPECT_EQ(testing::QueryNumber(file, "SELECT count(*) FROM sqlite_master WHERE type = 'index'"), 3);
  EXPECT_EQ(testing::QueryNumber(file, "PRAGMA page_size"), 4096);
  EXPECT_FALSE(std::filesystem::exists(file + "-journal"));
  EXPECT_EQ(testing::QueryText(file, "PRAGMA integrity_check"), "ok");
}

}  // namespace
}  // namespace quorvia::data_indexes
