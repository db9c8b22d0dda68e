#pragma once

#include <string>

#include "query/filters.h"
#include "query/selection.h"

namespace quorvia::query {

// The where-clause fragments of the change queries, one per filter, and the change column. Each fragment
// begins with a blank and is empty for a filter on "All", so fragments join without separators. They keep
// their values between runs; a batch replaces one of them per item.
struct Conditions {
  FilterTexts fragments;
  std::string ChangeField;
};

// Writes the fragments for the selection. Values are inserted as displayed (no trimming, no change of
// case), quoted so that a double quote inside a value matches that very character. A level fragment is
// written only from a selected level button; with none selected it keeps its previous value.
void BuildCriteria(const Selection& selection, Conditions& conditions);

// A filter's fragment on one of its columns: " <condition word><column> = " and the value as a quoted text.
std::string Fragment(const Filter& filter, const std::string& column, const std::string& value);

// The code of a country entry ("AT Oesterreich"): its first two characters.
std::string CountryCode(const std::string& countryEntry);

// The fragments joined in the order of the where clause: country, NUTS, watershed, land cover, elevation,
// shoreline.
std::string JoinedFragments(const Conditions& conditions);

}  // namespace quorvia::query
