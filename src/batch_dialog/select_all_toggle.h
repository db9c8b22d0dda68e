#pragma once

#include <QString>

namespace quorvia::batch_dialog {

inline const QString kSelectAllCaption = QStringLiteral("Select all");
inline const QString kUnselectAllCaption = QStringLiteral("Unselect all");

// The "Select all" button's caption names what its next click does, and the click flips it.
enum class SelectAllAction { SelectEvery, UnselectEvery, Nothing };

struct SelectAllStep {
  QString newCaption;
  SelectAllAction action;
};

// What a click does given the button's current caption. A caption that is neither text changes nothing.
SelectAllStep NextSelectAllStep(const QString& caption);

}  // namespace quorvia::batch_dialog
