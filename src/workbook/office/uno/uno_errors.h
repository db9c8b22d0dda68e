#pragma once

#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/uno/Exception.hpp>

#include <exception>
#include <string>
#include <utility>

#include "workbook/office/uno/uno_text.h"
#include "workbook/spreadsheet_application.h"

namespace quorvia::workbook::office {

// Runs one automation step and turns any UNO exception into an AutomationError that names the step, so
// that no UNO type crosses the interface.
template <class Step>
decltype(auto) TranslatingUnoErrors(const std::string& what, Step&& step) {
  try {
    return std::forward<Step>(step)();
  } catch (const css::lang::DisposedException& error) {
    // The connection to the office broke off: it ended (crashed or was killed) during the call.
    throw PlainAutomationError(
        "the office ended during the refresh; click the button again to start a new one (" + what + ": " +
        ToUtf8(error.Message) + ")");
  } catch (const css::uno::Exception& error) {
    const std::string message = ToUtf8(error.Message);
    throw AutomationError(what + ": " +
                          (message.empty() ? std::string("the office reported an error") : message));
  }
}

// The text of the error being handled (inside a catch block), for the log line of an error that is
// deliberately passed over.
inline std::string CurrentErrorText() {
  try {
    throw;
  } catch (const css::uno::Exception& error) {
    return ToUtf8(error.Message);
  } catch (const std::exception& error) {
    return error.what();
  } catch (...) {
    return "an unknown error";
  }
}

}  // namespace quorvia::workbook::office
