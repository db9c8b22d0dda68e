#include "batch_dialog/list_selection.h"

#include <QItemSelection>
#include <QItemSelectionModel>
#include <QListWidget>

namespace quorvia::batch_dialog {

namespace {

// One range over all rows, so that long item lists change in one step instead of one signal per entry.
QItemSelection AllRows(const QListWidget& list) {
  if (list.count() == 0) return {};
  const QAbstractItemModel& model = *list.model();
  return QItemSelection(model.index(0, 0), model.index(list.count() - 1, 0));
}

}  // namespace

QString SelectedText(const QListWidget& list) {
  const QList<QListWidgetItem*> selected = list.selectedItems();
  return selected.isEmpty() ? QString() : selected.first()->text();
}

int CountSelected(const QListWidget& list) {
  int count = 0;
  for (int row = 0; row < list.count(); ++row) {
    if (list.item(row)->isSelected()) ++count;
  }
  return count;
}

void SelectEvery(QListWidget& list) {
  list.selectionModel()->select(AllRows(list), QItemSelectionModel::Select);
}

void UnselectEvery(QListWidget& list) {
  list.selectionModel()->select(AllRows(list), QItemSelectionModel::Deselect);
}

void InvertSelection(QListWidget& list) {
  list.selectionModel()->select(AllRows(list), QItemSelectionModel::Toggle);
}

}  // namespace quorvia::batch_dialog
