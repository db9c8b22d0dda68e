// A report is saved whole or not at all: a refresh that cannot read its data writes no cover page and
// saves nothing, and a workbook that cannot show its data is never reported as refreshed. Against a real
// headless office, with the workbook on disk compared byte for byte.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "file_bytes.h"
#include "office_test_support.h"
#include "report_template.h"
#include "workbook/office/process/office_processes.h"
#include "workbook/office/uno/uno_properties.h"
#include "workbook/office/uno/uno_text.h"
#include "workbook/refresh_workbook.h"

namespace quorvia::workbook::office::testing {
namespace {

namespace fs = std::filesystem;
using css::uno::Any;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

const CoverPageSource kCover{"--> FINAL Data", "change1"};

RefreshOutcome RefreshFor(SpreadsheetSystem& system, const fs::path& folder, const std::string& country,
                          const QueryTable& rows) {
  return RefreshWorkbook(system, folder.string(), "", RefreshMode::refresh,
                         CoverPage{{{"B13", country}, {"B15", "All"}}, kCover}, &rows);
}

// With the rows FILTERED returns now, as a run hands them over.
RefreshOutcome RefreshFor(SpreadsheetSystem& system, const fs::path& folder, const std::string& country) {
  return RefreshFor(system, folder, country, FilteredRows(folder / "MOSA_DB.mdb"));
}

// Rows the data sheet cannot take: one more than an .xls sheet holds.
QueryTable RowsNoSheetHolds() {
  QueryTable rows{{"CHANGE", "AREA"}, {}};
  rows.rows.assign(65536, {std::string("forest"), 1.0});
  return rows;
}

using quorvia::testing::FileBytes;

void RemoveSheet(LibreOfficeApplication& office, const fs::path& file, const char* sheet) {
  const auto arguments = Properties({Property("Hidden", Any(true))});
  const auto component =
      office.Desktop()->loadComponentFromURL(FileUrlFromPath(file.string()), "_blank", 0, arguments);
  const Reference<css::sheet::XSpreadsheetDocument> document(component, UNO_QUERY_THROW);
  document->getSheets()->removeByName(rtl::OUString::createFromAscii(sheet));
  Reference<css::frame::XStorable>(document, UNO_QUERY_THROW)->store();
  Reference<css::util::XCloseable>(document, UNO_QUERY_THROW)->close(true);
}

class WholeReportTest : public OfficeSuite {};

TEST_F(WholeReportTest, ARefreshThatCannotReadItsDataLeavesTheFileAsItWas) {
  const auto folder = MakeProgramFolder(kTwoSelections, "first");
  ASSERT_TRUE(RefreshFor(System(), folder, "AT Oesterreich").FiguresSaved());
  const std::string before = FileBytes(folder / "MOSA_QUERY.xls");

  const auto outcome = RefreshFor(System(), folder, "FR France", RowsNoSheetHolds());

  EXPECT_FALSE(outcome.saved);
  EXPECT_FALSE(outcome.FiguresSaved());
  EXPECT_TRUE(outcome.coverPageFailure.empty()) << "the cover page is not even tried";
  EXPECT_TRUE(outcome.Reason().starts_with("cannot show FILTERED in")) << outcome.Reason();
  EXPECT_TRUE(FileBytes(folder / "MOSA_QUERY.xls") == before) << "the file changed";
}

TEST_F(WholeReportTest, TheReportOpenInARunningOfficeGetsNoCoverWhenItsDataCannotBeRead) {
  const auto folder = MakeProgramFolder(kTwoSelections, "first");
  Office().OpenWorkbook((folder / "MOSA_QUERY.xls").string(), 3);
  ASSERT_TRUE(RefreshFor(System(), folder, "AT Oesterreich").FiguresSaved());
  const std::string before = FileBytes(folder / "MOSA_QUERY.xls");

  const auto outcome = RefreshFor(System(), folder, "FR France", RowsNoSheetHolds());

  EXPECT_FALSE(outcome.saved);
  EXPECT_TRUE(FileBytes(folder / "MOSA_QUERY.xls") == before) << "the file changed";
  WorkbookProbe probe(Office());
  EXPECT_EQ(probe.CellText("MOSA_QUERY.xls", "CoverPage", "B13"), "AT Oesterreich");
  EXPECT_EQ(probe.PivotOutput("MOSA_QUERY.xls", "Report").at("Total Result"), 36.75);
}

TEST_F(WholeReportTest, ATemplateWithoutItsDataSheetIsNotUpdated) {
  const auto folder = MakeProgramFolder(kTwoSelections, "first");
  RemoveSheet(Office(), folder / "MOSA_QUERY.xls", tools::kDataSheetName);
  const std::string before = FileBytes(folder / "MOSA_QUERY.xls");

  const auto outcome = RefreshFor(System(), folder, "AT Oesterreich");

  EXPECT_FALSE(outcome.FiguresSaved());
  EXPECT_FALSE(outcome.saved);
  EXPECT_NE(outcome.Reason().find("quorvia-run --make-template"), std::string::npos) << outcome.Reason();
  EXPECT_TRUE(FileBytes(folder / "MOSA_QUERY.xls") == before) << "the file changed";
}

TEST_F(WholeReportTest, AWorkbookPathThatIsAFolderIsSaidToBeOne) {
  const auto folder = MakeProgramFolder(kTwoSelections, "first");
  fs::remove(folder / "MOSA_QUERY.xls");
  fs::create_directory(folder / "MOSA_QUERY.xls");

  const auto outcome = RefreshFor(System(), folder, "AT Oesterreich");

  EXPECT_FALSE(outcome.saved);
  EXPECT_TRUE(outcome.Reason().starts_with("the workbook " + (folder / "MOSA_QUERY.xls").string() +
                                           " is a folder, not a file"))
      << outcome.Reason();
}

// Whether the office lock file names the profile `profileDir` (an office writes its profile's URL in it).
bool LockNames(const fs::path& lock, const std::string& profileDir) {
  std::ifstream in(lock);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return text.find(profileDir) != std::string::npos;
}

// An office that had the workbook open is killed outright and leaves its lock file; the office was ours
// (this host, this user) and no process runs on its profile any more, so the lock holds nothing.
TEST_F(WholeReportTest, TheLockOfAKilledOfficeIsRemovedAndTheUpdateGoesOn) {
  const auto folder = MakeProgramFolder(kTwoSelections, "first");
  const fs::path lock = folder / ".~lock.MOSA_QUERY.xls#";
  const auto victimOptions = PrivateOfficeOptions(Root(), "victim");
  LibreOfficeSystem victim(victimOptions);
  const auto office = victim.ConnectOrStartOffice();
  office->OpenWorkbook((folder / "MOSA_QUERY.xls").string(), 3);
  ASSERT_TRUE(fs::exists(lock));
  for (const auto& process : OfficeProcessesOfUser()) {
    if (process.HasArgumentContaining(victimOptions.profileDir)) ::kill(process.pid, SIGKILL);
  }
  for (int wait = 0; wait < 100; ++wait) {
    bool running = false;
    for (const auto& process : OfficeProcessesOfUser())
      running = running || process.HasArgumentContaining(victimOptions.profileDir);
    if (!running) break;
    usleep(50'000);
  }
  ASSERT_TRUE(fs::exists(lock));
  RewriteFiltered(folder / "MOSA_DB.mdb", "second");

  const auto outcome = RefreshFor(System(), folder, "AT Oesterreich");

  EXPECT_TRUE(outcome.FiguresSaved()) << outcome.Reason();
  // The killed office's lock is gone; a lock still there is our own office's, which may keep the
  // workbook it just saved.
  EXPECT_FALSE(fs::exists(lock) && LockNames(lock, victimOptions.profileDir))
      << "the killed office's lock stayed";
  WorkbookProbe probe(Office());
  EXPECT_EQ(probe.PivotOutput(probe.Load(folder / "MOSA_QUERY.xls"), "Report").at("Total Result"), 52.5);
}

}  // namespace
}  // namespace quorvia::workbook::office::testing
