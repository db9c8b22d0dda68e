#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "db/sqlite_connection.h"
#include "temp_folder.h"
#include "workbook/office/libreoffice_system.h"

namespace quorvia::workbook::office::testing {

using quorvia::testing::TempFolder;

// Options for an office of our own: a pipe nobody else uses and a profile and HOME under `root`.
OfficeOptions PrivateOfficeOptions(const std::filesystem::path& root, const std::string& tag);

// One change type and its area, as FILTERED returns them.
using AreaRows = std::vector<std::pair<std::string, double>>;

// Creates the database file with a table DATA_AT of change records (one per row given: change1 and
// AREAHA) and the view FILTERED summing AREAHA by change1 over the records with the given tag.
void WriteDatabase(const std::filesystem::path& file, const std::map<std::string, AreaRows>& rowsByTag,
                   const std::string& selectedTag);
// Re-creates FILTERED so that it selects the records with another tag, as an update run does.
void RewriteFiltered(const std::filesystem::path& file, const std::string& selectedTag);
// The rows FILTERED of the database file returns now, as a run hands them to the refresh.
QueryTable FilteredRows(const std::filesystem::path& file);
// Runs plain SQLite SQL on a file, creating it when missing.
using db::ExecuteSql;

// The sums a pivot table shows, by row label ("Total Result" included).
using PivotFigures = std::map<std::string, double>;

// Read-only looks into a workbook, through an office connection.
class WorkbookProbe {
 public:
  explicit WorkbookProbe(LibreOfficeApplication& office) : office_(office) {}
  // Opens a file of its own (closed again when the probe is destroyed) and returns its name.
  std::string Load(const std::filesystem::path& file);
  ~WorkbookProbe();

  PivotFigures PivotOutput(const std::string& workbook, const std::string& sheet, int pivotIndex = 0);
  std::string CellText(const std::string& workbook, const std::string& sheet, const std::string& cell);
  bool CellIsFormula(const std::string& workbook, const std::string& sheet, const std::string& cell);
  int UsedRows(const std::string& workbook,
               const std::string& sheet);  // last filled row of column A, 1-based
  // Data rows (without header) that the chart of the sheet reads, from its ranges.
  int ChartRows(const std::string& workbook, const std::string& sheet);

 private:
  LibreOfficeApplication& office_;
  std::vector<std::string> loaded_;
};

// Every suite that drives the office shares one office of its own, started once for the suite, and one
// template built by it. Each test works in a fresh program folder.
class OfficeSuite : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();

  // A fresh program folder with MOSA_QUERY.xls (the template) and MOSA_DB.mdb selecting `selectedTag`.
  std::filesystem::path MakeProgramFolder(const std::map<std::string, AreaRows>& rowsByTag,
                                          const std::string& selectedTag);

  static LibreOfficeSystem& System() { return *system_; }
  static LibreOfficeApplication& Office() { return *office_; }
  static const std::filesystem::path& Root() { return root_->Path(); }
  static const std::filesystem::path& TemplatePath() { return template_; }

  void TearDown() override;

 private:
  static std::unique_ptr<TempFolder> root_;
  static std::unique_ptr<LibreOfficeSystem> system_;
  static std::unique_ptr<LibreOfficeApplication> office_;
  static std::filesystem::path template_;
  std::vector<std::unique_ptr<TempFolder>> programFolders_;
};

// Close every workbook named `name` in the office (ignoring letter case), so a test leaves nothing open.
void CloseAllNamed(LibreOfficeApplication& office, const std::string& name);

// Data used across the suites.
inline const std::map<std::string, AreaRows> kTwoSelections{
    {"first", {{"urban", 10.0}, {"urban", 5.5}, {"forest", 20.0}, {"water", 1.25}}},
    {"second", {{"urban", 3.0}, {"arable", 40.0}, {"arable", 2.0}, {"forest", 7.0}, {"wetland", 0.5}}}};

// Gone: no such process, or only a zombie nobody has reaped yet.
bool ProcessGone(pid_t pid);

}  // namespace quorvia::workbook::office::testing
