#pragma once

#include <QString>
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "batch_dialog/main_window_lists.h"
#include "query/batch_run.h"
#include "query/filters.h"
#include "query/selection.h"

namespace quorvia::run_control {
class RunController;
}

namespace quorvia::app {

// The selection that quorvia-run makes, held as the window holds it: the text of each filter's box, the
// box's list and whether it was read for the country, the level buttons and the change type, and the
// data-status caption. A text in a box's list is chosen, any other is typed; a country text that names a
// country runs the country selection, as the window does, through the controller's session.
class RunnerSelection {
 public:
  // `say` puts a message to the user.
  RunnerSelection(run_control::RunController& controller, std::vector<std::string> countryEntries,
                  std::function<void(const QString&)> say);

  void ChooseCountry(const std::string& text);
  // A level button (0 = L1) of a levelled filter: its list is read again.
  void ChooseLevel(const query::Filter& filter, int levelIndex);
  void SetText(const query::Filter& filter, const std::string& text);
  // 1 = change1 (only when the country has it), 2 = change2.
  void ChooseChangeType(int number);

  query::Selection Selection() const;
  const std::vector<std::string>& Entries(const query::Filter& filter) const;
  batch_dialog::MainWindowLists Lists() const;
  const std::string& DataStatusCaption() const { return dataStatus_; }

 private:
  void RunCountrySelection();
  void ShowList(const query::Filter& filter, std::vector<std::string> entries);
  std::string CountryCode() const;

  run_control::RunController& controller_;
  std::function<void(const QString&)> say_;
  query::Selection selection_;
  std::array<std::vector<std::string>, query::kFilterCount> entries_;
  std::array<bool, query::kFilterCount> loaded_{};
  bool hasChange1_ = true;
  std::string dataStatus_;
};

// The batch a script asks for, as the batch dialog and the prefix box would hand it over: the unit's
// items are those the dialog offers for the selection's lists. Nothing, with what the dialog would have
// said, when the unit is unknown, an item is not offered or none is chosen, or the prefix is empty.
struct RunnerBatch {
  std::string unit;
  std::vector<std::string> items;
  bool allItems = false;
  std::string prefix;
};
std::optional<query::BatchRequest> RunnerBatchRequest(const RunnerBatch& batch,
                                                      const RunnerSelection& selection,
                                                      const std::function<void(const QString&)>& say);

}  // namespace quorvia::app
