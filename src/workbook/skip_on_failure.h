#pragma once

#include <exception>
#include <string>
#include <utility>

#include "workbook/refresh_workbook.h"

namespace quorvia::workbook {

// Runs one step of a workbook update under the skip-on-failure rule: whatever the step raises is caught,
// written to outcome.failures as "<step>: <reason>", and the caller goes on with its next step. Nothing
// escapes, because the update must never interrupt the run that called it. A workbook held by another
// program, or any failure put in plain words, is recorded in the words of its error alone: they tell the
// user what to do. Returns true when the step completed.
template <typename Action>
bool RunStep(RefreshOutcome& outcome, const std::string& step, Action&& action) {
  try {
    std::forward<Action>(action)();
    return true;
  } catch (const PlainAutomationError& error) {
    outcome.failures.emplace_back(error.what());
    if (outcome.plainReason.empty()) outcome.plainReason = error.what();
  } catch (const std::exception& error) {
    outcome.failures.push_back(step + ": " + error.what());
  } catch (...) {
    outcome.failures.push_back(step + ": unknown failure");
  }
  return false;
}

}  // namespace quorvia::workbook
