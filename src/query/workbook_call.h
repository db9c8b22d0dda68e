#pragma once

#include <functional>
#include <string>

#include "refresh_workbook.h"
#include "selection.h"

namespace quorvia::query {

inline constexpr const char* kRefreshMode = "Actualitza";
inline constexpr const char* kCopyMode = "copia";

// How a run reaches the report workbook: copy name, mode word and the six cover texts. The main window
// binds it to RefreshWorkbook with its own folder, office and status label; tests bind a double.
using RefreshWorkbookFn = std::function<workbook::RefreshOutcome(
    const std::string& CopyName, const std::string& Mode, const SelectionTexts& texts)>;

}  // namespace quorvia::query
