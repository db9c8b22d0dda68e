#include "batch_run.h"

#include <stdexcept>

#include "change_queries.h"
#include "copy_names.h"
#include "updata.h"

namespace quorvia::query {
namespace {

constexpr int kHourglass = 11;

// Sets the unit's condition and selection text for item t of a unit other than "Country";
// returns the item name used for the copy.
std::string ApplyUnitItem(const std::string& unit, const std::string& t, const BatchWindow& window,
                          Conditions& conditions, SelectionTexts& texts) {
  if (unit == kUnitNuts) {
    conditions.NutsCondition = Fragment(" AND " + window.NutsField + " = ", t);
    texts.SelNuts = t;
  } else if (unit == kUnitElevation) {
    conditions.ElevationCondition = Fragment(" AND " + window.EbkField + " = ", t);
    texts.SelElevation = t;
  } else if (unit == kUnitLandCover) {
    conditions.LandCoverCondition = Fragment(" AND DLT = ", t);
    texts.SelLandCover = t;
  } else if (unit == kUnitShoreline) {
    conditions.ShorelineCondition = Fragment(" AND CSTDS = ", t);
    texts.SelShoreline = t;
    return ShorelineItemName(t);
  } else if (unit == kUnitWatershed) {
    conditions.WatershedCondition = Fragment(" AND WSCODE = ", t);
    texts.SelWatershed = t;
  } else {
    throw std::invalid_argument("Unknown analytical unit \"" + unit + "\"");
  }
  return t;
}

// Sets the country condition for item t and returns its change query. "be" and "de" hold only the
// change column change2.
std::string CountryItemQuery(const std::string& t, Conditions& conditions) {
  const std::string code = FirstCharacters(t, 2);
  conditions.CountryCondition = Fragment(" N0CD = ", code);
  const std::string field = (code == "be" || code == "de") ? "change2" : conditions.ChangeField;
  return ChangeQuery(code, field, conditions);
}

void NoteFailure(BatchOutcome& outcome, const std::string& item, const workbook::RefreshOutcome& refresh,
                 const workbook::RefreshOutcome& copy) {
  std::string reason;
  if (!refresh.Succeeded() || !refresh.saved) {
    reason = refresh.FirstFailure().empty() ? "the report was not saved" : refresh.FirstFailure();
  } else if (!copy.Succeeded() || !copy.copied) {
    reason = copy.FirstFailure().empty() ? "the copy was not written" : copy.FirstFailure();
  } else {
    return;
  }
  ++outcome.failed;
  outcome.failures.push_back(item + ": " + reason);
}

}  // namespace

std::string ShorelineItemName(const std::string& item) {
  return item == "< 10 Km from shoreline" ? "Less than 10km" : "More than 10km";
}

BatchOutcome RunBatch(db::Database& WorkDb, const BatchRequest& request, const BatchWindow& window,
                      Conditions& conditions, SelectionTexts& texts,
                      const RefreshWorkbookFn& refreshWorkbook) {
  texts = TextsOf(window.selection);
  BuildCriteria(window.selection, conditions);
  const bool byCountry = request.unit == kUnitCountry;
  const std::string windowCountry = FirstCharacters(window.selection.Combo1, 2);

  BatchOutcome outcome;
  CopyNames copyNames;
  for (std::size_t i = 0; i < request.items.size(); ++i) {
    if (i >= request.selected.size() || !request.selected[i]) continue;
    const std::string& t = request.items[i];
    std::string sql;
    std::string itemName = t;
    if (byCountry) {
      sql = CountryItemQuery(t, conditions);
      window.setMousePointer(kHourglass);
      texts.SelCountry = t;
    } else {
      itemName = ApplyUnitItem(request.unit, t, window, conditions, texts);
      sql = ChangeQuery(windowCountry, conditions.ChangeField, conditions);
    }
    ++outcome.processed;
    window.setStatus("Processing update " + std::to_string(outcome.processed) + " of " + request.count +
                     "...");
    Updata(WorkDb, sql);

    const auto refresh = refreshWorkbook("", kRefreshMode, texts);
    const std::string copyName = copyNames.Next(request.prefix, itemName);
    const auto copy = refreshWorkbook(copyName, kCopyMode, SelectionTexts{});
    if (copy.copied) outcome.copies.push_back(copyName);
    NoteFailure(outcome, t, refresh, copy);
  }
  return outcome;
}

std::string BatchFinishedText(const BatchOutcome& outcome) {
  std::string text = "Tasks finished";
  if (outcome.failed > 0) {
    text += "\r\n" + std::to_string(outcome.failed) + " of " + std::to_string(outcome.processed) +
            " items failed; first: " + outcome.failures.front();
  }
  return text;
}

}  // namespace quorvia::query
