#pragma once

#include <optional>
#include <string>
#include <vector>

#include "query/batch_run.h"

namespace quorvia::workbook {
class SpreadsheetSystem;
}

namespace quorvia::batch_summary {

// What a batch writes besides its copies.
struct BatchFileOptions {
  bool summary = true;     // the summary workbook and its CSV
  bool pdfCopies = false;  // a PDF beside each copy, and beside the summary
};

// What was written, as full paths, and what could not be.
struct BatchFiles {
  std::string workbook;               // the summary workbook; "" when not written
  std::string csv;                    // its CSV; "" when not written
  std::string pdf;                    // the summary's PDF; "" when not asked for or not written
  std::vector<std::string> copyPdfs;  // the copies' PDFs written
  std::vector<std::string> problems;  // one line per file not written, with the reason
  bool partial = false;               // the summary is that of a batch that stopped early
};

// Writes the summary of a finished or stopped batch (and, when asked, the PDFs) into the program folder
// through `office`, the office that refreshed the batch's reports. Nothing when the batch wrote no copy.
// The summary is named "<prefix> summary" (".xls", ".csv", ".pdf"): a copy is always "<prefix>_<item>",
// so the two never meet. A file of that name that is not a summary Quorvia wrote earlier is kept, and
// the summary takes the name with " (2)", " (3)"... instead; the same holds for a copy's PDF, which is
// then not written. No file is ever half-written: each goes through a temporary file.
std::optional<BatchFiles> WriteBatchFiles(workbook::SpreadsheetSystem& office, const std::string& folder,
                                          const query::BatchRequest& request,
                                          const query::BatchOutcome& outcome,
                                          const BatchFileOptions& options);

// The status label of the batch with the summary named on the line after its first line, so that
// "Tasks finished" stays as it is: "Summary: <name>.xls, <name>.csv", or what went wrong.
std::string LabelWithSummary(const std::string& labelText, const BatchFiles& files);

// The register of the files other than copies that batches wrote into a program folder.
inline constexpr const char* kSummaryRegisterFileName = ".quorvia-summaries";

}  // namespace quorvia::batch_summary
