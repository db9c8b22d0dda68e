#pragma once

#include <string>
#include <vector>

#include "query/filters.h"

namespace quorvia::query {

// The first entry of every filter list; it means "no filter" and is never a value of the data.
inline constexpr const char* kAll = "All";

// The main window's selection as plain values, read from the controls when a run starts: the text of each
// filter's box and the selected level buttons.
struct Selection : FilterTexts, FilterLevels {
  // Which change column the changes are grouped by: change1 (VARDA90 reviewed against VARDA00), as the
  // window starts, or else change2 (VARDA90 from the changes database against VARDA00).
  bool byReviewedChange = true;
  // The window's names of the boxes whose list could not be read: what they show is no choice of the user's.
  std::vector<std::string> unloadedBoxes;
};

// The texts handed to the report's cover page: the selection's, or a batch item's in its filter.
using SelectionTexts = FilterTexts;

// The selection's filter texts.
inline SelectionTexts TextsOf(const Selection& selection) { return selection; }

// The first `count` characters of a UTF-8 text (whole characters, never half of one).
std::string FirstCharacters(const std::string& text, int count);

}  // namespace quorvia::query
