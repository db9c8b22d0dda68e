#pragma once

#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

#include <string>

#include "workbook/spreadsheet_application.h"

namespace quorvia::workbook::office {

// This process's own UNO context, bootstrapped once from the office's program folder.
css::uno::Reference<css::uno::XComponentContext> LocalUnoContext();

// Nothing listens on the office pipe.
class NoOfficeError : public AutomationError {
 public:
  using AutomationError::AutomationError;
};

// The office listening on the named pipe. NoOfficeError when nothing listens there, AutomationError when
// the connection fails otherwise.
css::uno::Reference<css::uno::XComponentContext> ConnectToOffice(const std::string& pipeName);

css::uno::Reference<css::frame::XDesktop2> DesktopOf(
    const css::uno::Reference<css::uno::XComponentContext>& office);

// Pipe names go into a UNO URL: only letters, digits and "_" are accepted.
bool IsValidPipeName(const std::string& pipeName);

}  // namespace quorvia::workbook::office
