// The guard of the workbook file on a real folder: a write replaces the file only when complete, with the
// permissions of an ordinary file, and what a killed run left is cleaned up; a file that is no spreadsheet
// is refused before anything could open it for writing.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include "file_mode/process_umask.h"
#include "office_test_support.h"
#include "workbook/office/workbook_file/workbook_file_guard.h"
#include "workbook/refresh_workbook.h"
#include "workbook/spreadsheet_application.h"

namespace quorvia::workbook::office::testing {
namespace {

namespace fs = std::filesystem;

std::string Contents(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::size_t FilesIn(const fs::path& folder) {
  return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

pid_t PidOfAnEndedProcess() {
  const pid_t child = fork();
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);
  return child;
}

TEST(WriteThroughTemporary, ReplacesTheFileOnlyWhenCompleteWithTheModeOfAnOrdinaryFile) {
  const TempFolder folder("quorvia-guard");
  const fs::path target = folder.Path() / "copy.xls";
  std::ofstream(target) << "before";

  EXPECT_THROW(WriteThroughTemporary("SaveCopyAs", target,
                                     [](const std::string& temporary) {
                                       std::ofstream(temporary) << "half";
                                       throw std::runtime_error("the office ended");
                                     }),
               std::runtime_error);
  EXPECT_EQ(Contents(target), "before");
  EXPECT_EQ(FilesIn(folder.Path()), 1u) << "no temporary file stays after a failed write";

  WriteThroughTemporary("SaveCopyAs", target,
                        [](const std::string& temporary) { std::ofstream(temporary) << "after"; });
  EXPECT_EQ(Contents(target), "after");
  EXPECT_EQ(FilesIn(folder.Path()), 1u);
  struct stat status {};
  ASSERT_EQ(stat(target.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, file_mode::OrdinaryFileMode())
      << "not the private mode of a temporary file";
}

TEST(WriteThroughTemporary, RemovesTheTemporaryFileOfAKilledRunAndKeepsThoseOfRunningOnes) {
  const TempFolder folder("quorvia-guard");
  const fs::path leftover =
      folder.Path() / (".~quorvia-copy-" + std::to_string(PidOfAnEndedProcess()) + "-abc");
  const fs::path underWay = folder.Path() / (".~quorvia-copy-" + std::to_string(getppid()) + "-abc");
  std::ofstream(leftover) << "killed";
  std::ofstream(underWay) << "running";
  WriteThroughTemporary("SaveCopyAs", folder.Path() / "copy.xls",
                        [](const std::string& temporary) { std::ofstream(temporary) << "copy"; });
  EXPECT_FALSE(fs::exists(leftover));
  EXPECT_TRUE(fs::exists(underWay));
}

TEST(RequireSpreadsheetFile, RefusesEmptyAndTextFilesAndLeavesThemAsTheyAre) {
  const TempFolder folder("quorvia-guard");
  const fs::path empty = folder.Path() / "empty.xls";
  const fs::path text = folder.Path() / "text.xls";
  const fs::path compound = folder.Path() / "compound.xls";
  std::ofstream{empty};
  std::ofstream(text) << "Country;Area\nAT;12\n";
  std::ofstream(compound, std::ios::binary) << std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) << "rest";

  try {
    RequireSpreadsheetFile(empty);
    ADD_FAILURE() << "an empty file is no workbook";
  } catch (const AutomationError& error) {
    EXPECT_EQ(std::string(error.what()), "empty.xls is empty; it is left as it is");
  }
  try {
    RequireSpreadsheetFile(text);
    ADD_FAILURE() << "a text file is no workbook";
  } catch (const AutomationError& error) {
    EXPECT_EQ(std::string(error.what()), "text.xls is not a spreadsheet file; it is left as it is");
  }
  EXPECT_EQ(Contents(text), "Country;Area\nAT;12\n");
  EXPECT_NO_THROW(RequireSpreadsheetFile(compound));
}

// What a run asks before it rewrites FILTERED: each answer names the whole path and what to do.
TEST(WorkbookFileProblem, NamesAWorkbookThatCannotBeRefreshedAndSaved) {
  const TempFolder folder("quorvia-guard");
  const fs::path book = folder.Path() / "MOSA_QUERY.xls";
  const auto problem = [&] { return WorkbookFileProblem(book); };
  EXPECT_EQ(problem(), "the workbook " + book.string() + " does not exist; " + kWriteTemplateAgain);
  fs::create_directory(book);
  EXPECT_TRUE(problem().starts_with("the workbook " + book.string() + " is a folder, not a file;"))
      << problem();
  fs::remove(book);
  for (const std::string& content : {std::string(), std::string("Country;Area\n")}) {
    std::ofstream(book, std::ios::trunc) << content;
    EXPECT_TRUE(problem().starts_with("the workbook " + book.string() + " is not a spreadsheet file;"))
        << problem();
  }
  std::ofstream(book, std::ios::binary | std::ios::trunc)
      << std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
  EXPECT_EQ(problem(), "");
  // Read-only for everyone: refused even for a user whom the system would let write it.
  fs::permissions(book, fs::perms::owner_read | fs::perms::group_read);
  EXPECT_EQ(problem(), "the workbook " + book.string() + " is read-only; make it writable (chmod u+w \"" +
                           book.string() + "\") and try again");
}

}  // namespace
}  // namespace quorvia::workbook::office::testing
