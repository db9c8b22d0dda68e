#include "batch_dialog/batch_selection.h"

#include <QListWidget>

#include "batch_dialog/form2.h"
#include "batch_dialog/list_selection.h"

namespace quorvia::batch_dialog {

BatchSelection ReadBatchSelection(const Form2& dialog) {
  BatchSelection selection;
  selection.count = dialog.ChosenCount();
  selection.unit = SelectedText(*dialog.List1(0));
  const QListWidget& items = *dialog.List1(1);
  selection.items.reserve(items.count());
  selection.selected.reserve(static_cast<std::size_t>(items.count()));
  for (int row = 0; row < items.count(); ++row) {
    selection.items.append(items.item(row)->text());
    selection.selected.push_back(items.item(row)->isSelected());
  }
  return selection;
}

}  // namespace quorvia::batch_dialog
