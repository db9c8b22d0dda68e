#pragma once

#include "spreadsheet_application.h"

namespace quorvia::app {

// A machine without a spreadsheet application: nothing runs and nothing can be started.
class NoOffice final : public workbook::SpreadsheetSystem {
 public:
  std::unique_ptr<workbook::SpreadsheetApplication> GetRunningInstance() override {
    throw workbook::AutomationError("no instance is running");
  }
  std::unique_ptr<workbook::SpreadsheetApplication> CreateInstance() override {
    throw workbook::AutomationError("the spreadsheet application is not installed");
  }
};

}  // namespace quorvia::app
