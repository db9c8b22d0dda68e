#pragma once

#include "workbook/spreadsheet_application.h"

namespace quorvia::workbook::testing {

// A machine without a spreadsheet application: nothing runs and nothing can be started.
class NoOffice final : public SpreadsheetSystem {
 public:
  std::unique_ptr<SpreadsheetApplication> GetRunningInstance() override {
    throw AutomationError("no instance is running");
  }
  std::unique_ptr<SpreadsheetApplication> CreateInstance() override {
    throw AutomationError("the spreadsheet application is not installed");
  }
};

}  // namespace quorvia::workbook::testing
