// What the window says when the database cannot take an update: the file's whole path and what to do when
// its disk is read-only or full, and the server's own reason when it refuses the login.
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "run_control/error_text.h"
#include "app/form1.h"
#include "db/pg/pg_connection.h"
#include "no_office.h"
#include "pg_test_server.h"
#include "recording_modal_host.h"
#include "sqlite_fixture.h"

namespace quorvia::app {
namespace {

namespace fs = std::filesystem;

const std::string kOneCountry =
    testing::InsertUnits("AT") +
    "('FINAL', 'N1', 'Forests', '> 50 Km', 'AT1', 'AT11', 'AT111', 'Low', 'Low a');" +
    testing::InsertRecords("AT") +
    "(10.5, 'AT', '211-112', '211-112', 'AT1', 'AT11', 'AT111', 'Low', 'Low a', 'N1', 'Forests', '> 50 Km');";

// A program folder on a tmpfs of its own, so that the test can make its disk read-only or full.
class FolderOnItsOwnDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = root_.Path() / "landcover";
    fs::create_directories(folder_);
    if (mount("tmpfs", folder_.c_str(), "tmpfs", 0, "size=4m") != 0)
      GTEST_SKIP() << "cannot mount a tmpfs here (" << std::strerror(errno) << ")";
    mounted_ = true;
    testing::ExecuteSql(Database(), testing::CountryTablesSql("AT") + kOneCountry);
  }
  void TearDown() override {
    form_.reset();
    if (mounted_) umount2(folder_.c_str(), MNT_DETACH);
  }
  std::string Database() const { return (folder_ / "MOSA_DB.mdb").string(); }

  // Loads the window on the folder and runs one update with every filter on "All".
  void Update() {
    form_ = std::make_unique<Form1>(folder_.string(), modals_, office_);
    ASSERT_TRUE(form_->Form_Load()) << modals_.messages.join("\n").toStdString();
    form_->Command1()->click();
    form_->WaitForRun();
  }
  std::string Label() const { return form_->Label1()->text().toStdString(); }

  testing::TempFolder root_;
  fs::path folder_;
  bool mounted_ = false;
  RecordingModalHost modals_;
  workbook::testing::NoOffice office_;
  std::unique_ptr<Form1> form_;
};

TEST_F(FolderOnItsOwnDisk, AReadOnlyDiskIsNamedWithTheFileAndWhatToDo) {
  ASSERT_EQ(mount("tmpfs", folder_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=4m"), 0)
      << std::strerror(errno);
  Update();
  EXPECT_EQ(
      Label().find("Update not done: The database " + Database() + " is on a disk that is mounted read-only"),
      0u)
      << Label();
  ASSERT_FALSE(modals_.messages.isEmpty());
  const std::string message = modals_.messages.last().toStdString();
  EXPECT_NE(message.find("Copy the program folder " + folder_.string()), std::string::npos) << message;
  EXPECT_EQ(message.find("The database reported an error"), std::string::npos) << message;
}

TEST_F(FolderOnItsOwnDisk, AFullDiskIsNamed) {
  // Whatever room is left goes to a file beside the database.
  {
    std::ofstream filler(folder_ / "filler", std::ios::binary);
    const std::string block(64 * 1024, 'x');
    while (filler.write(block.data(), block.size())) {
    }
  }
  Update();
  EXPECT_EQ(Label().find("Update not done: The disk holding " + folder_.string() +
                         " is full. Free some room there"),
            0u)
      << Label();
  EXPECT_FALSE(fs::exists(Database() + "-journal"));
}

TEST(RefusedLogin, NoFreeConnectionSlotIsSaidInWords) {
  QUORVIA_REQUIRE_TEST_SERVER();
  testing::ServerDatabase server;
  const std::string role = server.AddRole("full");
  server.Execute("ALTER ROLE " + role + " CONNECTION LIMIT 0");
  try {
    db::pg::PgConnection refused(server.Conninfo(role));
    FAIL() << "the server let the role in";
  } catch (const db::DbError& error) {
    EXPECT_EQ(run_control::PlainDbProblem(error).toStdString(),
              "The server refused the login: the server has no free connection slots; try again, or ask its "
              "administrator.")
        << error.Description();
  }
}

}  // namespace
}  // namespace quorvia::app
