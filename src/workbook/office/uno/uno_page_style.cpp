#include "workbook/office/uno/uno_page_style.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XNameContainer.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>

#include <algorithm>

namespace quorvia::workbook::office {

using css::uno::Any;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

void GivePageStyle(const Reference<css::sheet::XSpreadsheetDocument>& document,
                   const Reference<css::sheet::XSpreadsheet>& sheet, const char* name, PageTurn turn,
                   bool onePageTall) {
  const auto styleName = rtl::OUString::createFromAscii(name);
  const Reference<css::uno::XInterface> style(
      Reference<css::lang::XMultiServiceFactory>(document, UNO_QUERY_THROW)
          ->createInstance("com.sun.star.style.PageStyle"),
      UNO_QUERY_THROW);
  const auto families =
      Reference<css::style::XStyleFamiliesSupplier>(document, UNO_QUERY_THROW)->getStyleFamilies();
  Reference<css::container::XNameContainer>(families->getByName("PageStyles"), UNO_QUERY_THROW)
      ->insertByName(styleName, Any(style));

  const Reference<css::beans::XPropertySet> page(style, UNO_QUERY_THROW);
  sal_Int32 width = 0;
  sal_Int32 height = 0;
  page->getPropertyValue("Width") >>= width;
  page->getPropertyValue("Height") >>= height;
  const bool landscape = turn == PageTurn::landscape;
  page->setPropertyValue("IsLandscape", Any(landscape));
  page->setPropertyValue("Width", Any(landscape ? std::max(width, height) : std::min(width, height)));
  page->setPropertyValue("Height", Any(landscape ? std::min(width, height) : std::max(width, height)));
  page->setPropertyValue("ScaleToPagesX", Any(sal_Int16{1}));
  page->setPropertyValue("ScaleToPagesY", Any(static_cast<sal_Int16>(onePageTall ? 1 : 0)));
  Reference<css::beans::XPropertySet>(sheet, UNO_QUERY_THROW)->setPropertyValue("PageStyle", Any(styleName));
}

}  // namespace quorvia::workbook::office
