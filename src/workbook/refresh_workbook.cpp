#include "workbook/refresh_workbook.h"

#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "db/ascii_case.h"
#include "vocabulary/file_names.h"
#include "workbook/cover_page.h"
#include "workbook/log.h"
#include "workbook/skip_on_failure.h"

namespace quorvia::workbook {

namespace {

// How every step after the first addresses the workbook: its file name in lower case, which the application
// matches whatever the case.
const std::string kWorkbookItem = db::LowerAscii(vocabulary::kReportFileName);
// Refresh external links without asking: a hidden instance has nobody to answer.
constexpr int kUpdateLinksAlways = 3;
constexpr std::size_t kLongestFileName = 255;
constexpr int kMostLinksFollowed = 40;

std::string SheetStep(int sheet, const std::string& what) {
  return "Sheets(" + std::to_string(sheet) + ")." + what;
}

// Shows the name as the user typed it, with a NUL made visible instead of cutting the message short.
std::string Printable(const std::string& name) {
  std::string shown;
  for (const char c : name) shown += c == '\0' ? std::string("\\0") : std::string(1, c);
  return shown;
}

namespace fs = std::filesystem;

// Follows a chain of symbolic links from `path` (a dangling last link included) to the file that a write
// there would really create. Nothing when the chain cannot be followed.
std::optional<fs::path> WriteTarget(fs::path path) {
  std::error_code error;
  for (int hop = 0; hop < kMostLinksFollowed; ++hop) {
    if (!fs::is_symlink(path, error)) {
      const fs::path folder = fs::weakly_canonical(path.parent_path(), error);
      if (error) return std::nullopt;
      return folder / path.filename();
    }
    const fs::path target = fs::read_symlink(path, error);
    if (error) return std::nullopt;
    path = target.is_absolute() ? target : path.parent_path() / target;
  }
  return std::nullopt;
}

// A copy must land in the program folder and nowhere else: the name comes from the user (batch prefix)
// and from the database (item text), so a separator, a NUL or a dot-only name must not steer the write
// elsewhere, and an existing symbolic link must not carry it out of the folder.
bool IsCopyFileNameInFolder(const std::string& folder, const std::string& copyName, const std::string& path) {
  const std::string fileName = copyName + ".xls";
  if (copyName.find('/') != std::string::npos || copyName.find('\0') != std::string::npos ||
      copyName == "." || copyName == ".." || fileName.size() > kLongestFileName) {
    return false;
  }
  std::error_code error;
  fs::path canonicalFolder = fs::weakly_canonical(folder, error);
  if (!canonicalFolder.has_filename()) canonicalFolder = canonicalFolder.parent_path();  // trailing "/"
  const std::optional<fs::path> target = WriteTarget(path);
  return !error && target && target->parent_path() == canonicalFolder;
}

class WorkbookRefresh {
 public:
  WorkbookRefresh(SpreadsheetSystem& system, const std::string& programFolder, const QueryTable* filteredRows,
                  RefreshOutcome& outcome)
      : system_(system), folder_(programFolder), filteredRows_(filteredRows), outcome_(outcome) {}

  // Finds a running instance holding the workbook, or starts a hidden one and opens the workbook in it.
  // Returns false when no application could be had at all: every later step would fail the same way.
  bool ObtainApplication() {
    try {
      application_ = system_.GetRunningInstance();
    } catch (...) {
      // No running instance is the ordinary case, not a failure.
      application_.reset();
    }
    noInstanceAtEntry_ = application_ == nullptr;
    if (!noInstanceAtEntry_ && UserHasWorkbookOpen()) return true;
    return StartHiddenInstanceWithWorkbook();
  }

  void RefreshRun(const CoverPage& cover) {
    // Every pivot table reads its data before anything of this run is written into the workbook (the
    // cover page, the save). A report whose data could not be read is left as it was on disk: a cover
    // that names this selection above the figures of the one before would be worse than no report.
    const std::size_t failuresBefore = outcome_.failures.size();
    const auto userSheet = SheetInFront();
    FillFilteredSheets();
    const int pivots = outcome_.failures.size() == failuresBefore ? RefreshVisiblePivotTables() : 0;
    const bool pivotsRefreshed = outcome_.failures.size() == failuresBefore && pivots > 0;
    if (pivots == 0 && outcome_.failures.size() == failuresBefore) {
      outcome_.failures.push_back(folder_ + "/" + vocabulary::kReportFileName +
                                  " has no pivot table that shows the data; " + kWriteTemplateAgain);
      outcome_.plainReason = outcome_.failures.back();
    }
    if (!pivotsRefreshed) {
      LeaveFileAsItWas();
      BringBackSheet(userSheet);
      return;
    }
    // Sheet 1 is what the user sees first when opening the saved workbook.
    Step(SheetStep(1, "Select"), [&] { application_->SelectSheet(kWorkbookItem, 1); });
    const std::size_t failuresBeforeCover = outcome_.failures.size();
    const bool coverWritten = WriteCoverPage(*application_, kWorkbookItem, cover, outcome_);
    if (!coverWritten) outcome_.coverPageFailure = outcome_.failures.at(failuresBeforeCover);
    outcome_.pivotsRefreshed = pivotsRefreshed;
    outcome_.refreshed = pivotsRefreshed && coverWritten;
    if (noInstanceAtEntry_) {
      SaveInPlace();
      Step("Close", [&] { application_->Close(kWorkbookItem); });
      Step("Quit", [&] { application_->Quit(); });
    } else {
      Step("RefreshAll", [&] { application_->RefreshAll(kWorkbookItem); });
      SaveInPlace();
      BringBackSheet(userSheet);
    }
  }

  void CopyRun(const std::string& copyName) {
    if (noInstanceAtEntry_) {
      SaveCopy(copyName);
      Step("Close", [&] { application_->Close(kWorkbookItem); });
    } else {
      // A copy opens on its cover, as the report does, whichever sheet the user is reading.
      const auto userSheet = SheetInFront();
      if (userSheet.value_or(1) != 1) ShowSheet(1);
      // A refresh whose data could not be read gives no copy: the copy would not be the item's report.
      if (!FillFilteredSheets() || !Step("RefreshAll", [&] { application_->RefreshAll(kWorkbookItem); })) {
        BringBackSheet(userSheet);
        return;
      }
      SaveCopy(copyName);
      SaveInPlace();
      BringBackSheet(userSheet);
    }
  }

 private:
  template <typename Action>
  bool Step(const std::string& step, Action&& action) {
    return RunStep(outcome_, step, std::forward<Action>(action));
  }

  // A bound or value that cannot be read yields nothing; the caller decides what that means.
  std::optional<int> ReadCount(const std::string& step, auto&& read) {
    std::optional<int> count;
    Step(step, [&] { count = read(); });
    return count;
  }

  // Looks at every open workbook (the count read once, no early exit) for the exact name. A name that
  // cannot be read is no match: betting on an instance that may not hold the workbook would refresh
  // nothing, while a hidden instance of our own opens the file for certain.
  bool UserHasWorkbookOpen() {
    const int count = ReadCount("Workbooks.Count", [&] { return application_->WorkbookCount(); }).value_or(0);
    bool found = false;
    for (int position = 1; position <= count; ++position) {
      Step("Workbooks(" + std::to_string(position) + ").Name", [&] {
        if (application_->WorkbookName(position) == vocabulary::kReportFileName) found = true;
      });
    }
    return found;
  }

  bool StartHiddenInstanceWithWorkbook() {
    // Let go of the user's instance first: if starting our own fails, nothing may be done to theirs.
    application_.reset();
    Step("CreateInstance", [&] {
      application_ = system_.CreateInstance();
      if (!application_) throw AutomationError("the spreadsheet application could not be started");
    });
    if (!application_) return false;
    Step("Visible", [&] { application_->SetVisible(false); });
    const std::string path = folder_ + "/" + vocabulary::kReportFileName;
    Step("Open " + path, [&] { application_->OpenWorkbook(path, kUpdateLinksAlways); });
    return true;
  }

  // The sheet the user has in front in a workbook that was already open, so that it can be shown again
  // once the saved file is set to open on its cover. Only a courtesy to the user: when it cannot be read
  // or selected the run goes on, and its outcome does not change.
  std::optional<int> SheetInFront() {
    if (noInstanceAtEntry_) return std::nullopt;
    try {
      return application_->ActiveSheetPosition(kWorkbookItem);
    } catch (const std::exception& error) {
      qCWarning(lcWorkbookView) << "cannot read the sheet in front:" << error.what();
      return std::nullopt;
    }
  }

  void BringBackSheet(std::optional<int> sheet) {
    if (sheet && *sheet != 1) ShowSheet(*sheet);
  }

  void ShowSheet(int sheet) {
    try {
      application_->SelectSheet(kWorkbookItem, sheet);
    } catch (const std::exception& error) {
      qCWarning(lcWorkbookView) << "cannot show sheet" << sheet << ":" << error.what();
    }
  }

  // The rows handed in go into the data sheets before any pivot table reads them. True when there were
  // none to fill, or they were filled.
  bool FillFilteredSheets() {
    if (filteredRows_ == nullptr) return true;
    return Step("FillFilteredSheets",
                [&] { application_->FillFilteredSheets(kWorkbookItem, *filteredRows_); });
  }

  // Returns how many pivot tables were refreshed.
  int RefreshVisiblePivotTables() {
    const int sheets =
        ReadCount("Sheets.Count", [&] { return application_->SheetCount(kWorkbookItem); }).value_or(0);
    int refreshed = 0;
    for (int sheet = 1; sheet <= sheets; ++sheet) {
      // A visibility that cannot be read counts as visible: the refresh is better done once too often.
      bool visible = true;
      Step(SheetStep(sheet, "Visible"), [&] { visible = application_->SheetVisible(kWorkbookItem, sheet); });
      if (visible) refreshed += RefreshSheetPivotTables(sheet);
    }
    return refreshed;
  }

  int RefreshSheetPivotTables(int sheet) {
    Step(SheetStep(sheet, "Select"), [&] { application_->SelectSheet(kWorkbookItem, sheet); });
    const int pivots = ReadCount(SheetStep(sheet, "PivotTables.Count"), [&] {
                         return application_->ActiveSheetPivotTableCount(kWorkbookItem);
                       }).value_or(0);
    int refreshed = 0;
    for (int index = 1; index <= pivots; ++index) {
      if (Step(SheetStep(sheet, "PivotTables(" + std::to_string(index) + ").RefreshTable"),
               [&] { application_->RefreshActiveSheetPivotTable(kWorkbookItem, index); })) {
        ++refreshed;
      }
    }
    return refreshed;
  }

  // Our hidden instance closes the workbook without saving; a running instance (the user's report
  // window) keeps it open, unsaved, as the user had it.
  void LeaveFileAsItWas() {
    if (!noInstanceAtEntry_) return;
    Step("Close", [&] { application_->Close(kWorkbookItem); });
    Step("Quit", [&] { application_->Quit(); });
  }

  void SaveInPlace() {
    outcome_.saved = Step("Save", [&] { application_->Save(kWorkbookItem); });
  }

  void SaveCopy(const std::string& copyName) {
    const std::string path = folder_ + "/" + copyName + ".xls";
    if (!IsCopyFileNameInFolder(folder_, copyName, path)) {
      outcome_.failures.push_back("SaveCopyAs: \"" + Printable(copyName + ".xls") +
                                  "\" is not a valid file name in the program folder");
      return;
    }
    outcome_.copied = Step("SaveCopyAs", [&] { application_->SaveCopyAs(kWorkbookItem, path); });
  }

  SpreadsheetSystem& system_;
  const std::string folder_;
  const QueryTable* filteredRows_;
  RefreshOutcome& outcome_;
  std::unique_ptr<SpreadsheetApplication> application_;
  bool noInstanceAtEntry_ = true;
};

}  // namespace

std::optional<RefreshMode> RefreshModeOfWord(const std::string& word) {
  if (word == "Actualitza") return RefreshMode::refresh;
  if (word == "copia") return RefreshMode::copy;
  return std::nullopt;
}

std::string RefreshOutcome::Reason() const {
  if (!plainReason.empty()) return plainReason;
  if (failures.empty()) return {};
  return "the office could not finish its work on the workbook (" + failures.front() + ")";
}

namespace {

// What the report file on disk is. The office saves by writing the whole new file beside the old one and
// renaming it over it, so a stamp that changed during a refresh run means the new report is on disk whole.
struct FileStamp {
  bool exists = false;
  dev_t device = 0;
  ino_t inode = 0;
  std::int64_t modified = 0;
  off_t size = 0;
  bool operator==(const FileStamp&) const = default;
};

FileStamp StampOf(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return {};
  return {true, status.st_dev, status.st_ino,
          std::int64_t{status.st_mtim.tv_sec} * 1'000'000'000 + status.st_mtim.tv_nsec, status.st_size};
}

// An office that ended, or whose answer was lost, right after its save still left the new report on disk:
// the run counts it as saved, so that FILTERED keeps the selection that the file shows.
void NoteSaveSeenOnDisk(RefreshOutcome& outcome, const FileStamp& before, const std::string& path) {
  if (outcome.saved || !outcome.pivotsRefreshed || !before.exists) return;
  const FileStamp after = StampOf(path);
  if (!after.exists || after == before) return;
  outcome.saved = true;
  qCWarning(lcWorkbookView, "the office did not confirm its save, but %s was replaced: the report is saved",
            path.c_str());
}

}  // namespace

RefreshOutcome RefreshWorkbook(SpreadsheetSystem& system, const std::string& programFolder,
                               const std::string& copyName, std::optional<RefreshMode> mode,
                               const CoverPage& cover, const QueryTable* filteredRows) {
  RefreshOutcome outcome;
  const std::string reportPath = programFolder + "/" + vocabulary::kReportFileName;
  const FileStamp before = mode == RefreshMode::refresh ? StampOf(reportPath) : FileStamp{};
  try {
    WorkbookRefresh refresh(system, programFolder, filteredRows, outcome);
    if (!refresh.ObtainApplication()) return outcome;
    if (mode == RefreshMode::refresh) {
      refresh.RefreshRun(cover);
    } else if (mode == RefreshMode::copy) {
      refresh.CopyRun(copyName);
    }
  } catch (...) {
    // Only a failure outside the steps themselves (out of memory while recording one) lands here; the
    // call still must not raise to the button handler that made it.
    outcome.failures.emplace_back("RefreshWorkbook: unexpected failure");
  }
  NoteSaveSeenOnDisk(outcome, before, reportPath);
  return outcome;
}

RefreshOutcome RefreshWorkbook(SpreadsheetSystem& system, const std::string& programFolder,
                               const std::string& copyName, const std::string& modeWord,
                               const CoverPage& cover, const QueryTable* filteredRows) {
  return RefreshWorkbook(system, programFolder, copyName, RefreshModeOfWord(modeWord), cover, filteredRows);
}

}  // namespace quorvia::workbook
