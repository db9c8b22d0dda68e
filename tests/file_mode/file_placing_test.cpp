// A new file is written under a temporary name and moved into place without replacing anything there: the
// temporary file goes away unless kept, and the move refuses a name that is taken, leaving both files as
// they were.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "file_bytes.h"
#include "file_mode/move_no_replace.h"
#include "file_mode/temporary_file.h"
#include "temp_folder.h"

namespace quorvia::file_mode {
namespace {

using quorvia::testing::FileBytes;

namespace fs = std::filesystem;

class FilePlacing : public ::testing::Test {
 protected:
  static void Write(const fs::path& path, const std::string& text) { std::ofstream(path) << text; }

  quorvia::testing::TempFolder temp_{"quorvia-file-mode"};
  const fs::path& folder_ = temp_.Path();
};

TEST_F(FilePlacing, TemporaryFileIsPrivateAndGoesAwayUnlessKept) {
  std::string kept;
  {
    TemporaryFile dropped((folder_ / ".a.writing-XXXXXX").string());
    ASSERT_TRUE(fs::is_regular_file(dropped.Path()));
    EXPECT_TRUE(dropped.Path().starts_with((folder_ / ".a.writing-").string()));
    EXPECT_EQ(fs::status(dropped.Path()).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    TemporaryFile placed((folder_ / ".b.writing-XXXXXX").string());
    kept = placed.Path();
    placed.SetMode(0640);
    EXPECT_EQ(fs::status(kept).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    placed.Keep();
    EXPECT_TRUE(placed.Path().empty());
  }
  EXPECT_TRUE(fs::exists(kept));
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);
}

TEST_F(FilePlacing, TemporaryFileInAMissingFolderThrowsWithTheSystemsReason) {
  try {
    TemporaryFile file((folder_ / "missing" / "x-XXXXXX").string());
    FAIL() << "made " << file.Path();
  } catch (const std::system_error& error) {
    EXPECT_EQ(error.code().value(), ENOENT);
  }
}

TEST_F(FilePlacing, MoveNoReplaceMovesToAFreeNameAndRefusesATakenOne) {
  Write(folder_ / "new", "new");
  Write(folder_ / "taken", "the user's");
  EXPECT_FALSE(MoveNoReplace((folder_ / "new").string(), (folder_ / "taken").string()));
  EXPECT_EQ(errno, EEXIST);
  EXPECT_EQ(FileBytes(folder_ / "taken"), "the user's");
  EXPECT_EQ(FileBytes(folder_ / "new"), "new");

  // A dangling link is a taken name too.
  fs::create_symlink(folder_ / "nowhere", folder_ / "link");
  EXPECT_FALSE(MoveNoReplace((folder_ / "new").string(), (folder_ / "link").string()));
  EXPECT_TRUE(fs::is_symlink(folder_ / "link"));

  EXPECT_TRUE(MoveNoReplace((folder_ / "new").string(), (folder_ / "free").string()));
  EXPECT_EQ(FileBytes(folder_ / "free"), "new");
  EXPECT_FALSE(fs::exists(folder_ / "new"));
}

}  // namespace
}  // namespace quorvia::file_mode
