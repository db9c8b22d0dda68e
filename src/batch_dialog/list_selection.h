#pragma once

#include <QString>

class QListWidget;

namespace quorvia::batch_dialog {

// Selection helpers for the dialog's list boxes. Only the selection counts, never the current (focus) row:
// a list that merely has a focus frame on an entry has nothing chosen.

// Text of the selected entry of a single-selection list, "" when none is selected.
QString SelectedText(const QListWidget& list);
// Number of selected entries.
int CountSelected(const QListWidget& list);
// Selects every entry, deselects every entry, or flips each entry's selection.
void SelectEvery(QListWidget& list);
void UnselectEvery(QListWidget& list);
void InvertSelection(QListWidget& list);

}  // namespace quorvia::batch_dialog
