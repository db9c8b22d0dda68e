#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "query/filters.h"

namespace quorvia::app {

// What the headless runner is asked to do, from its command line.
struct RunnerOptions {
  std::string folder;  // program folder with MOSA_DB.mdb and MOSA_QUERY.xls
  // Each filter's text (--country, --nuts...) and a levelled filter's level button (--nuts-level, 1 = L1),
  // by the filter's id.
  std::array<std::optional<std::string>, query::kFilterCount> filterTexts;
  std::array<std::optional<int>, query::kFilterCount> levels;
  std::optional<int> changeType;  // 1 = change1, 2 = change2
  bool update = false;
  std::optional<std::string> batchUnit;
  std::vector<std::string> batchItems;
  bool allItems = false;
  std::string prefix = "Prefix";  // the input box's default answer
  bool printLists = false;
  std::optional<std::string> screenshot;    // PNG of the window as it is at the end
  bool convert = false;                     // answers Yes when MOSA_DB.mdb is an Access database
  std::optional<std::string> makeDemo;      // --make-demo FOLDER: only make that demo folder
  std::optional<std::string> makeTemplate;  // --make-template FOLDER: only write the report template there
  bool help = false;                        // --help: only print the usage
  bool summary = true;                      // --no-summary: a batch writes no summary
  std::optional<std::string> pdf;           // --pdf FILE: the report as PDF, after the update if any
  bool pdfCopies = false;                   // --pdf-copies: a batch writes each copy's and its summary's PDF

  const std::optional<std::string>& Text(query::FilterId id) const { return filterTexts[query::IndexOf(id)]; }
  const std::optional<int>& Level(query::FilterId id) const { return levels[query::IndexOf(id)]; }
};

// Parses the arguments after the program name. Throws std::invalid_argument with a readable message.
RunnerOptions ParseRunnerOptions(const std::vector<std::string>& arguments);

// The usage text.
std::string RunnerUsage();

}  // namespace quorvia::app
