#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "workbook/office/libreoffice_application.h"

namespace quorvia::report {

// Why the report could not be shown, in words for the user, with what to do next.
class ReportError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct ReportRequest {
  std::string folder;                     // program folder holding MOSA_QUERY.xls
  std::optional<std::string> profileDir;  // office profile; nothing: the report profile (ReportProfileFolder)
  std::chrono::milliseconds startTimeout{std::chrono::seconds(90)};
};

struct ReportShown {
  bool startedOffice = false;   // false: the report office already ran
  bool loadedWorkbook = false;  // false: the workbook was already shown and was brought to the front
};

// Shows the folder's MOSA_QUERY.xls in a visible Calc window of the folder's report office, starting that
// office (detached: it stays when this program ends) when none runs, and brings the window to the front.
// ReportError when it cannot.
ReportShown ShowReport(const ReportRequest& request);

// The title of the report window of `folder`: the workbook and the folder it belongs to.
std::string ReportWindowTitle(const std::string& folder);

// True when the report office behind `office` shows MOSA_QUERY.xls in a window that is visible.
bool ReportWindowShown(workbook::office::LibreOfficeApplication& office);

}  // namespace quorvia::report
