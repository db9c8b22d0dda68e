#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace quorvia::batch_dialog {

class Form2;

// What the batch run reads from the dialog once its modal display has ended.
struct BatchSelection {
  std::optional<int> count;    // the number of chosen items; nothing = no batch
  QString unit;                // text of the selected entry of List1(0), "" when none
  QStringList items;           // entries of List1(1) in list order
  std::vector<bool> selected;  // their selection flags, one per entry
};

// Reads the dialog's controls; call it before destroying the dialog.
BatchSelection ReadBatchSelection(const Form2& dialog);

}  // namespace quorvia::batch_dialog
