#pragma once

// How every call of a LibreOfficeApplication runs: shared by the files that implement the class, and by
// nothing else.

#include <string>
#include <utility>

#include "workbook/office/libreoffice_application.h"
#include "workbook/office/office_shared.h"
#include "workbook/office/process/call_watchdog.h"
#include "workbook/office/process/office_process.h"
#include "workbook/office/uno/uno_errors.h"

namespace quorvia::workbook::office {

// The step's name in error messages: "Save(MOSA_QUERY.xls)".
inline std::string WorkbookStep(const char* operation, const std::string& workbook) {
  return std::string(operation) + "(" + workbook + ")";
}

template <class Call>
decltype(auto) LibreOfficeApplication::Guarded(const std::string& step, Call&& call) {
  // Only an office we started can be ended when it hangs; it is killed, which answers the blocked call.
  CallWatchdog::Watch watch(shared_->watchdog, EndOffice(startedByUs_));
  try {
    return TranslatingUnoErrors(step, std::forward<Call>(call));
  } catch (...) {
    if (!watch.Fired()) throw;
    LetGo();
    shared_->RemoveLeftoversOfEndedOffice();
    throw AutomationError(step + ": " + HangMessage(shared_->watchdog.Bound()));
  }
}

}  // namespace quorvia::workbook::office
