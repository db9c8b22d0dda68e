#include "workbook/office/uno/uno_connection.h"

#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <cppuhelper/bootstrap.hxx>

#include <cstdlib>
#include <mutex>

#include "workbook/office/uno/uno_errors.h"
#include "workbook/office/uno/uno_text.h"
#include "workbook/spreadsheet_application.h"

namespace quorvia::workbook::office {

using css::uno::Reference;
using css::uno::XComponentContext;

Reference<XComponentContext> LocalUnoContext() {
  static std::once_flag once;
  static Reference<XComponentContext> context;
  static std::string failure;
  std::call_once(once, [] {
    // The bootstrap reads the office's fundamental settings to find its type registries and services.
    setenv("URE_BOOTSTRAP", "vnd.sun.star.pathname:" QUORVIA_LO_PROGRAM_DIR "/fundamentalrc", 0);
    try {
      context = cppu::defaultBootstrap_InitialComponentContext();
    } catch (const css::uno::Exception& error) {
      failure = ToUtf8(error.Message);
    }
  });
  if (!context.is()) throw AutomationError("cannot start the UNO runtime: " + failure);
  return context;
}

bool IsValidPipeName(const std::string& pipeName) {
  if (pipeName.empty()) return false;
  for (const char c : pipeName) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    if (!ok) return false;
  }
  return true;
}

Reference<XComponentContext> ConnectToOffice(const std::string& pipeName) {
  if (!IsValidPipeName(pipeName)) throw AutomationError("invalid office pipe name \"" + pipeName + "\"");
  const auto resolver = TranslatingUnoErrors(
      "connect to the office", [] { return css::bridge::UnoUrlResolver::create(LocalUnoContext()); });
  try {
    const Reference<XComponentContext> office(
        resolver->resolve(ToOUString("uno:pipe,name=" + pipeName + ";urp;StarOffice.ComponentContext")),
        css::uno::UNO_QUERY_THROW);
    return office;
  } catch (const css::connection::NoConnectException&) {
    throw NoOfficeError("no office is running on pipe " + pipeName);
  } catch (const css::uno::Exception& error) {
    throw AutomationError("cannot connect to the office on pipe " + pipeName + ": " + ToUtf8(error.Message));
  }
}

Reference<css::frame::XDesktop2> DesktopOf(const Reference<XComponentContext>& office) {
  return TranslatingUnoErrors("reach the office desktop",
                              [&] { return css::frame::Desktop::create(office); });
}

}  // namespace quorvia::workbook::office
