#pragma once

#include <gtest/gtest.h>

#include <QDialog>
#include <QListWidget>
#include <QStringList>

#include "batch_dialog/form2.h"
#include "recording_modal_host.h"

namespace quorvia::app {

// Scripts the batch dialog the way a user fills it in: picks `unit`, lists its items, selects `items` and
// confirms, then answers the prefix question with `prefix`.
inline void AnswerBatchDialog(RecordingModalHost& modals, const QString& unit, const QStringList& items,
                              const QString& prefix) {
  modals.inputAnswer = prefix;
  modals.driveDialog = [=](QDialog& dialog) {
    auto& form2 = dynamic_cast<batch_dialog::Form2&>(dialog);
    form2.List1(0)->findItems(unit, Qt::MatchExactly).front()->setSelected(true);
    form2.Command1_Click();
    for (const auto& item : items) {
      const auto found = form2.List1(1)->findItems(item, Qt::MatchExactly);
      ASSERT_FALSE(found.isEmpty()) << item.toStdString();
      found.front()->setSelected(true);
    }
    form2.Command1_Click();
  };
}

}  // namespace quorvia::app
