#include "app/runner_selection.h"

#include <QStringList>
#include <algorithm>

#include "batch_dialog/analytical_units.h"
#include "query/country_table.h"
#include "query/criteria.h"
#include "run_control/country_selection.h"
#include "run_control/run_controller.h"

namespace quorvia::app {
namespace {

std::size_t Index(const query::Filter& filter) { return query::IndexOf(filter.id); }

const query::Filter& Country() { return query::FilterOf(query::FilterId::country); }

}  // namespace

RunnerSelection::RunnerSelection(run_control::RunController& controller,
                                 std::vector<std::string> countryEntries,
                                 std::function<void(const QString&)> say)
    : controller_(controller), say_(std::move(say)) {
  // The window starts on level 1 of every levelled filter.
  for (const auto& filter : query::kFilters) {
    if (filter.levelIndex) selection_.*filter.levelIndex = 0;
  }
  entries_[Index(Country())] = std::move(countryEntries);
  loaded_[Index(Country())] = true;
  if (!entries_[Index(Country())].empty()) ChooseCountry(entries_[Index(Country())].front());
}

std::string RunnerSelection::CountryCode() const { return query::CountryCode(selection_.country); }

void RunnerSelection::ChooseCountry(const std::string& text) {
  // Only a change of the text is a new selection, and only a text that names a country.
  if (text == selection_.country) return;
  selection_.country = text;
  if (query::NamesCountry(text, entries_[Index(Country())])) RunCountrySelection();
}

void RunnerSelection::RunCountrySelection() {
  const auto read = run_control::ReadCountrySelection(*controller_.Session(), CountryCode(), selection_,
                                                      controller_.DatabaseFile());
  for (const auto& filter : query::kFilters) {
    const auto index = Index(filter);
    if (filter.kind == query::FilterKind::country) continue;
    loaded_[index] = read.lists[index].has_value();
    if (read.emptied[index]) ShowList(filter, {});
    if (read.lists[index]) ShowList(filter, *read.lists[index]);
  }
  if (read.status) dataStatus_ = read.status->caption;
  if (read.hasChange1) selection_.byReviewedChange = hasChange1_ = *read.hasChange1;
  if (read.message) say_(*read.message);
}

void RunnerSelection::ChooseLevel(const query::Filter& filter, int levelIndex) {
  const auto index = Index(filter);
  selection_.*filter.levelIndex = levelIndex;
  ShowList(filter, {});
  const auto list = run_control::ReadLevelList(*controller_.Session(), filter, CountryCode(), levelIndex,
                                               controller_.DatabaseFile());
  loaded_[index] = list.entries.has_value();
  if (list.entries) ShowList(filter, *list.entries);
  if (list.message) say_(*list.message);
}

// A box refilled shows its first entry; an emptied one shows nothing.
void RunnerSelection::ShowList(const query::Filter& filter, std::vector<std::string> entries) {
  selection_.*filter.slot = entries.empty() ? std::string() : entries.front();
  entries_[Index(filter)] = std::move(entries);
}

void RunnerSelection::SetText(const query::Filter& filter, const std::string& text) {
  if (filter.kind == query::FilterKind::country) return ChooseCountry(text);
  selection_.*filter.slot = text;
}

void RunnerSelection::ChooseChangeType(int number) {
  // change1's button is off for a country without change1.
  if (number == 2 || hasChange1_) selection_.byReviewedChange = number == 1;
}

query::Selection RunnerSelection::Selection() const {
  query::Selection selection = selection_;
  for (const auto* filter : query::InBoxOrder()) {
    if (!loaded_[Index(*filter)]) selection.unloadedBoxes.push_back(filter->boxCaption);
  }
  return selection;
}

const std::vector<std::string>& RunnerSelection::Entries(const query::Filter& filter) const {
  return entries_[Index(filter)];
}

batch_dialog::MainWindowLists RunnerSelection::Lists() const {
  batch_dialog::MainWindowLists lists;
  for (const auto& filter : query::kFilters) {
    for (const auto& entry : Entries(filter)) lists[filter.id] << QString::fromStdString(entry);
  }
  return lists;
}

std::optional<query::BatchRequest> RunnerBatchRequest(const RunnerBatch& batch,
                                                      const RunnerSelection& selection,
                                                      const std::function<void(const QString&)>& say) {
  const QString unit = QString::fromStdString(batch.unit);
  if (!batch_dialog::AnalyticalUnits().contains(unit)) {
    // The dialog then goes on with no unit chosen, and says so too.
    say(QStringLiteral("No analytical unit \"%1\"").arg(unit));
    say(QString::fromLatin1(batch_dialog::kNoUnitMessage));
    return std::nullopt;
  }
  const QStringList offered = batch_dialog::ItemsForUnit(unit, selection.Lists());
  QStringList missing;
  for (const auto& item : batch.items) {
    if (!offered.contains(QString::fromStdString(item))) missing << QString::fromStdString(item);
  }
  if (!missing.isEmpty()) {
    say(QStringLiteral("Not in the list of %1: %2").arg(unit, missing.join(", ")));
    return std::nullopt;
  }
  query::BatchRequest request{{}, batch.unit, {}, {}, batch.prefix, selection.Selection()};
  int chosen = 0;
  for (const auto& item : offered) {
    const bool selected =
        batch.allItems || std::ranges::find(batch.items, item.toStdString()) != batch.items.end();
    request.items.push_back(item.toStdString());
    request.selected.push_back(selected);
    chosen += selected ? 1 : 0;
  }
  if (chosen == 0) {
    say(QString::fromLatin1(batch_dialog::kNoItemMessage));
    return std::nullopt;
  }
  request.count = std::to_string(chosen);
  if (batch.prefix.empty()) return std::nullopt;
  return request;
}

}  // namespace quorvia::app
