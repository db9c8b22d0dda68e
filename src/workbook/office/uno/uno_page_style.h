#pragma once

#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>

namespace quorvia::workbook::office {

enum class PageTurn { portrait, landscape };

// Gives `sheet` a page style of its own, named `name`, on the office's default paper turned as asked: the
// sheet prints one page wide, and one page tall too when `onePageTall` (scaled down if need be). Printing
// and PDF export both follow it.
void GivePageStyle(const css::uno::Reference<css::sheet::XSpreadsheetDocument>& document,
                   const css::uno::Reference<css::sheet::XSpreadsheet>& sheet, const char* name,
                   PageTurn turn, bool onePageTall);

}  // namespace quorvia::workbook::office
