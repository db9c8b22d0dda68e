#include "workbook/office/uno/uno_documents.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/frame/XTitle.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include <filesystem>
#include <vector>

#include "workbook/office/uno/uno_text.h"
#include "workbook/spreadsheet_application.h"

namespace quorvia::workbook::office {

using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using SheetDocument = Reference<css::sheet::XSpreadsheetDocument>;
namespace fs = std::filesystem;

std::string NameOf(const SheetDocument& document) {
  const rtl::OUString url = Reference<css::frame::XModel>(document, UNO_QUERY_THROW)->getURL();
  if (!url.isEmpty()) return fs::path(PathFromFileUrl(url)).filename().string();
  const Reference<css::frame::XTitle> title(document, UNO_QUERY);
  return title.is() ? ToUtf8(title->getTitle()) : std::string();
}

bool IsVisibleSheet(const Reference<css::sheet::XSpreadsheet>& sheet) {
  bool visible = true;
  Reference<css::beans::XPropertySet>(sheet, UNO_QUERY_THROW)->getPropertyValue("IsVisible") >>= visible;
  return visible;
}

Reference<css::sheet::XSpreadsheetView> ViewOf(const SheetDocument& document) {
  const auto controller = Reference<css::frame::XModel>(document, UNO_QUERY_THROW)->getCurrentController();
  return Reference<css::sheet::XSpreadsheetView>(controller, UNO_QUERY);
}

void RequireWritable(const SheetDocument& document, const std::string& workbook) {
  if (Reference<css::frame::XStorable>(document, UNO_QUERY_THROW)->isReadonly()) {
    throw AutomationError("the workbook " + workbook +
                          " is open read-only (locked by another program or not writable)");
  }
}

std::string ImportFilterOf(const Reference<css::uno::XInterface>& component) {
  const Reference<css::frame::XModel> model(component, UNO_QUERY);
  if (!model.is()) return {};
  rtl::OUString filter;
  for (const auto& argument : model->getArgs()) {
    if (argument.Name == "FilterName") argument.Value >>= filter;
  }
  return ToUtf8(filter);
}

bool LoadedAsText(const Reference<css::uno::XInterface>& component) {
  const std::string name = ImportFilterOf(component);
  for (const char* textual : {"Text", "CSV", "csv", "HTML", "html", "XML Spreadsheet"}) {
    if (name.find(textual) != std::string::npos) return true;
  }
  return name.empty();
}

void CloseAllDocuments(const Reference<css::frame::XDesktop2>& desktop) {
  const Reference<css::container::XEnumerationAccess> components(desktop->getComponents(), UNO_QUERY_THROW);
  const auto enumeration = components->createEnumeration();
  std::vector<Reference<css::uno::XInterface>> documents;
  while (enumeration.is() && enumeration->hasMoreElements()) {
    documents.emplace_back(enumeration->nextElement(), UNO_QUERY);
  }
  for (const auto& document : documents) {
    if (const Reference<css::util::XCloseable> closeable(document, UNO_QUERY); closeable.is()) {
      closeable->close(true);
    } else if (const Reference<css::lang::XComponent> component(document, UNO_QUERY); component.is()) {
      component->dispose();
    }
  }
}

}  // namespace quorvia::workbook::office
