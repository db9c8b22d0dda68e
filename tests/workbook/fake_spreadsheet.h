#pragma once

// A recording stand-in for the spreadsheet application, for call-order tests of everything that drives
// the report workbook. Header-only so that any test target can include it.

#include <algorithm>
#include <cctype>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "workbook/spreadsheet_application.h"

namespace quorvia::workbook::testing {

struct FakeSheet {
  bool visible = true;
  int pivotTables = 0;
};

// One application instance as the system sees it.
struct FakeInstance {
  std::string id;  // "user" for the one a test starts, "new1", "new2"... for those the code creates
  bool visible = true;
  std::vector<std::string> openWorkbooks;
  int activeSheet = 1;
  bool quit = false;
  int handlesHeld = 0;             // handles given out and not yet released
  std::vector<std::string> calls;  // the calls that reached this instance
};

// What the fake system and its applications share: configuration before a call, record after it.
struct FakeSpreadsheetState {
  std::vector<FakeSheet> sheets{{true, 1}};  // the sheets of the report workbook, in tab order
  bool hasCoverPage = true;
  std::map<std::string, std::string> failures;  // full call ("Save(mosa_query.xls)") or member → reason
  std::string workbookProblem;                  // what WorkbookProblem answers

  std::vector<std::string> calls;            // every call in order, e.g. "Save(mosa_query.xls)"
  std::vector<FakeInstance> instances;       // in order of appearance
  std::vector<std::string> refreshedPivots;  // "sheet 2 pivot 1"
  std::vector<std::string> cellWrites;       // "B13=FR France", in order
  std::vector<std::string> copies;           // paths given to SaveCopyAs that succeeded
  std::vector<QueryTable> filledRows;        // the rows each FillFilteredSheets handed in, in order
  int saves = 0;
  // Run as a call of that member begins, before its injected failure (say, a save that lands on disk and
  // then loses its answer).
  std::map<std::string, std::function<void()>> onCall;

  // Logs the call (and on the instance, if any), then raises the failure injected for it.
  void Record(const std::string& call, FakeInstance* instance) {
    calls.push_back(call);
    if (instance != nullptr) instance->calls.push_back(call);
    const std::string member = call.substr(0, call.find('('));
    if (const auto hook = onCall.find(member); hook != onCall.end()) hook->second();
    for (const std::string& key : {call, member}) {
      if (const auto failure = failures.find(key); failure != failures.end()) {
        throw AutomationError(failure->second);
      }
    }
  }
};

inline std::string LowerCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

class FakeSpreadsheetApplication : public SpreadsheetApplication {
 public:
  FakeSpreadsheetApplication(std::shared_ptr<FakeSpreadsheetState> state, std::size_t instance)
      : state_(std::move(state)), instance_(instance) {
    Instance().handlesHeld++;
  }
  ~FakeSpreadsheetApplication() override { Instance().handlesHeld--; }

  int WorkbookCount() override {
    Call("WorkbookCount()");
    return static_cast<int>(Instance().openWorkbooks.size());
  }
  std::string WorkbookName(int position) override {
    Call("WorkbookName(" + std::to_string(position) + ")");
    return Instance().openWorkbooks.at(position - 1);
  }
  void SetVisible(bool visible) override {
    Call(std::string("SetVisible(") + (visible ? "true" : "false") + ")");
    Instance().visible = visible;
  }
  void OpenWorkbook(const std::string& path, int updateLinks) override {
    Call("OpenWorkbook(" + path + "," + std::to_string(updateLinks) + ")");
    Instance().openWorkbooks.push_back(path.substr(path.rfind('/') + 1));
  }
  int SheetCount(const std::string& workbook) override {
    Call("SheetCount(" + workbook + ")", workbook);
    return static_cast<int>(state_->sheets.size());
  }
  bool SheetVisible(const std::string& workbook, int position) override {
    Call("SheetVisible(" + workbook + "," + std::to_string(position) + ")", workbook);
    return Sheet(position).visible;
  }
  void SelectSheet(const std::string& workbook, int position) override {
    Call("SelectSheet(" + workbook + "," + std::to_string(position) + ")", workbook);
    Sheet(position);
    Instance().activeSheet = position;
  }
  int ActiveSheetPosition(const std::string& workbook) override {
    Call("ActiveSheetPosition(" + workbook + ")", workbook);
    return Instance().activeSheet;
  }
  int ActiveSheetPivotTableCount(const std::string& workbook) override {
    Call("ActiveSheetPivotTableCount(" + workbook + ")", workbook);
    return Sheet(Instance().activeSheet).pivotTables;
  }
  void RefreshActiveSheetPivotTable(const std::string& workbook, int index) override {
    Call("RefreshActiveSheetPivotTable(" + workbook + "," + std::to_string(index) + ")", workbook);
    const int sheet = Instance().activeSheet;
    if (index < 1 || index > Sheet(sheet).pivotTables) throw AutomationError("no such pivot table");
    state_->refreshedPivots.push_back("sheet " + std::to_string(sheet) + " pivot " + std::to_string(index));
  }
  void WriteCell(const std::string& workbook, const std::string& worksheet, const std::string& cell,
                 const std::string& text) override {
    Call("WriteCell(" + workbook + "," + worksheet + "," + cell + "," + text + ")", workbook);
    if (worksheet != "CoverPage" || !state_->hasCoverPage) throw AutomationError("no worksheet " + worksheet);
    state_->cellWrites.push_back(cell + "=" + text);
  }
  void Save(const std::string& workbook) override {
    Call("Save(" + workbook + ")", workbook);
    state_->saves++;
  }
  void Close(const std::string& workbook) override {
    Call("Close(" + workbook + ")", workbook);
    std::erase_if(Instance().openWorkbooks,
                  [&](const std::string& open) { return LowerCase(open) == LowerCase(workbook); });
  }
  void Quit() override {
    Call("Quit()");
    Instance().quit = true;
  }
  void RefreshAll(const std::string& workbook) override { Call("RefreshAll(" + workbook + ")", workbook); }
  // Kept out of the call log, which tests compare whole: the rows are what matters here.
  void FillFilteredSheets(const std::string& /*workbook*/, const QueryTable& rows) override {
    state_->filledRows.push_back(rows);
    if (const auto failure = state_->failures.find("FillFilteredSheets"); failure != state_->failures.end()) {
      throw AutomationError(failure->second);
    }
  }
  void SaveCopyAs(const std::string& workbook, const std::string& path) override {
    Call("SaveCopyAs(" + workbook + "," + path + ")", workbook);
    state_->copies.push_back(path);
    // A file where the real copy would be (nothing when the folder does not exist).
    std::ofstream(path, std::ios::binary | std::ios::trunc) << "copy " << state_->copies.size();
  }

 private:
  FakeInstance& Instance() { return state_->instances.at(instance_); }

  // Like the real application: an ended instance answers nothing, and workbooks are found by name
  // whatever the letter case.
  void Call(const std::string& call, const std::string& workbook = {}) {
    state_->Record(call, &Instance());
    if (Instance().quit) throw AutomationError("the application has ended");
    if (workbook.empty()) return;
    const auto& open = Instance().openWorkbooks;
    if (std::none_of(open.begin(), open.end(),
                     [&](const std::string& name) { return LowerCase(name) == LowerCase(workbook); })) {
      throw AutomationError("no open workbook " + workbook);
    }
  }
  const FakeSheet& Sheet(int position) {
    if (position < 1 || position > static_cast<int>(state_->sheets.size())) {
      throw AutomationError("no sheet " + std::to_string(position));
    }
    return state_->sheets[position - 1];
  }

  std::shared_ptr<FakeSpreadsheetState> state_;
  std::size_t instance_;
};

class FakeSpreadsheetSystem : public SpreadsheetSystem {
 public:
  FakeSpreadsheetState& State() { return *state_; }
  const std::vector<std::string>& Calls() const { return state_->calls; }

  // The user's own visible instance, running before the call, with these workbooks open. Look it up
  // again with Instance("user") after a call: instances created meanwhile move it.
  FakeInstance& StartUserInstance(std::vector<std::string> openWorkbooks) {
    FakeInstance user;
    user.id = "user";
    user.openWorkbooks = std::move(openWorkbooks);
    state_->instances.push_back(std::move(user));
    return state_->instances.back();
  }
  FakeInstance& Instance(const std::string& id) {
    const auto found = std::find_if(state_->instances.begin(), state_->instances.end(),
                                    [&](const FakeInstance& instance) { return instance.id == id; });
    if (found == state_->instances.end()) throw std::out_of_range("no fake instance " + id);
    return *found;
  }
  // Makes a call fail: `call` is either the full logged call or a member name ("Save").
  void FailOn(const std::string& call, const std::string& reason) { state_->failures[call] = reason; }
  void OnCall(const std::string& member, std::function<void()> action) {
    state_->onCall[member] = std::move(action);
  }

  // The first instance that has not ended, as the system would find it.
  std::unique_ptr<SpreadsheetApplication> GetRunningInstance() override {
    state_->Record("GetRunningInstance()", nullptr);
    for (std::size_t i = 0; i < state_->instances.size(); ++i) {
      if (!state_->instances[i].quit) return std::make_unique<FakeSpreadsheetApplication>(state_, i);
    }
    throw AutomationError("no running instance");
  }
  std::string WorkbookProblem(const std::string& /*path*/) override { return state_->workbookProblem; }
  std::unique_ptr<SpreadsheetApplication> CreateInstance() override {
    state_->Record("CreateInstance()", nullptr);
    ++created_;
    FakeInstance created;
    created.id = "new" + std::to_string(created_);
    state_->instances.push_back(std::move(created));
    return std::make_unique<FakeSpreadsheetApplication>(state_, state_->instances.size() - 1);
  }

 private:
  std::shared_ptr<FakeSpreadsheetState> state_ = std::make_shared<FakeSpreadsheetState>();
  int created_ = 0;
};

}  // namespace quorvia::workbook::testing
