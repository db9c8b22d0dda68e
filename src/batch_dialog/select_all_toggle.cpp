#include "batch_dialog/select_all_toggle.h"

namespace quorvia::batch_dialog {

SelectAllStep NextSelectAllStep(const QString& caption) {
  if (caption == kSelectAllCaption) return {kUnselectAllCaption, SelectAllAction::SelectEvery};
  if (caption == kUnselectAllCaption) return {kSelectAllCaption, SelectAllAction::UnselectEvery};
  return {caption, SelectAllAction::Nothing};
}

}  // namespace quorvia::batch_dialog
