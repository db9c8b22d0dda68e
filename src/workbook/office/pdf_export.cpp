// A workbook's printed pages as one PDF, through the office's own PDF export.
#include <unistd.h>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include <atomic>
#include <filesystem>

#include "workbook/office/libreoffice_system.h"
#include "workbook/office/log.h"
#include "workbook/office/uno/uno_errors.h"
#include "workbook/office/uno/uno_properties.h"
#include "workbook/office/uno/uno_text.h"
#include "workbook/office/workbook_file/workbook_file_guard.h"

namespace quorvia::workbook::office {
namespace {

namespace fs = std::filesystem;
using css::uno::Any;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

constexpr const char* kPdfFilter = "calc_pdf_Export";

// A private copy of the workbook for the export: the report the user may have open in the office is not
// touched, and a copy loaded read-only asks nobody anything.
fs::path PrivateCopy(const std::string& tempDir, const std::string& workbookPath) {
  static std::atomic<int> counter{0};
  std::error_code error;
  fs::create_directories(tempDir, error);
  const fs::path copy =
      fs::path(tempDir) / ("pdf-" + std::to_string(getpid()) + "-" + std::to_string(counter++) +
                           fs::path(workbookPath).extension().string());
  fs::copy_file(workbookPath, copy, fs::copy_options::overwrite_existing, error);
  if (error) throw AutomationError("cannot read " + workbookPath + ": " + error.message());
  return copy;
}

}  // namespace

void LibreOfficeSystem::ExportPdf(const std::string& workbookPath, const std::string& pdfPath) {
  RequireSpreadsheetFile(workbookPath);
  const fs::path copy = PrivateCopy(options_.OfficeTempDir(), workbookPath);
  const auto removeCopy = [&] {
    std::error_code error;
    fs::remove(copy, error);
    if (error) qCWarning(lcOffice, "cannot remove %s: %s", copy.c_str(), error.message().c_str());
  };
  try {
    const auto office = OfficeForFiles();
    TranslatingUnoErrors("write " + pdfPath + " from " + workbookPath, [&] {
      const auto document = office->Desktop()->loadComponentFromURL(
          FileUrlFromPath(copy.string()), "_blank", 0,
          Properties({Property("Hidden", Any(true)), Property("ReadOnly", Any(true))}));
      if (!document.is()) throw AutomationError("the office could not open " + workbookPath);
      const auto close = [&] { Reference<css::util::XCloseable>(document, UNO_QUERY_THROW)->close(true); };
      try {
        WriteThroughTemporary("write " + pdfPath, pdfPath, [&](const std::string& temporary) {
          Reference<css::frame::XStorable>(document, UNO_QUERY_THROW)
              ->storeToURL(
                  FileUrlFromPath(temporary),
                  Properties({Property("FilterName", Any(rtl::OUString::createFromAscii(kPdfFilter))),
                              Property("Overwrite", Any(true))}));
        });
      } catch (...) {
        close();
        throw;
      }
      close();
    });
  } catch (...) {
    removeCopy();
    throw;
  }
  removeCopy();
}

}  // namespace quorvia::workbook::office
