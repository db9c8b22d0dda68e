#include "app/scripted_modal_host.h"

#include <QLabel>
#include <QListWidget>
#include <iostream>

#include "batch_dialog/form2.h"

namespace quorvia::app {
namespace {

// Selects the answer's items; returns those the list does not hold.
QStringList SelectItems(QListWidget* list, const ScriptedModalHost::BatchAnswer& answer) {
  QStringList missing = answer.items;
  for (int i = 0; i < list->count(); ++i) {
    QListWidgetItem* item = list->item(i);
    item->setSelected(answer.allItems || answer.items.contains(item->text()));
    missing.removeAll(item->text());
  }
  return missing;
}

}  // namespace

ScriptedModalHost::ScriptedModalHost(std::optional<BatchAnswer> batch, QString inputAnswer, bool answerYes)
    : batch_(std::move(batch)), inputAnswer_(std::move(inputAnswer)), answerYes_(answerYes) {}

void ScriptedModalHost::ShowMessage(QWidget* /*parent*/, const QString& text) {
  messageShown_ = true;
  std::cerr << text.toStdString() << std::endl;
}

std::optional<QString> ScriptedModalHost::InputBox(QWidget* /*parent*/, const QString& /*prompt*/,
                                                   const QString& /*title*/,
                                                   const QString& /*defaultAnswer*/) {
  return inputAnswer_;
}

bool ScriptedModalHost::AskYesNo(QWidget* parent, const QString& question) {
  // A script that did not say yes gets the question where it sees messages, and the run counts as failed.
  if (!answerYes_) ShowMessage(parent, question);
  return answerYes_;
}

void ScriptedModalHost::RunWithProgress(QWidget* /*parent*/,
                                        const std::function<void(ProgressReport&)>& work) {
  struct Silent final : ProgressReport {
    void Show(const QString&, int) override {}
    bool Cancelled() override { return false; }
  } report;
  work(report);
}

void ScriptedModalHost::ShowModal(QDialog& dialog) {
  auto* batchDialog = dynamic_cast<batch_dialog::Form2*>(&dialog);
  if (!batchDialog || !batch_) return;
  // The same clicks a user makes: a unit, "Next -->", the items, "Next -->"; "Cancel" if the dialog is
  // still up after that (a validation message has been shown then).
  const auto units = batchDialog->List1(0)->findItems(batch_->unit, Qt::MatchExactly);
  if (units.isEmpty()) ShowMessage(&dialog, QStringLiteral("No analytical unit \"%1\"").arg(batch_->unit));
  if (!units.isEmpty()) units.front()->setSelected(true);
  batchDialog->Command1_Click();
  if (batchDialog->PageCounter() == 1) {
    // An item the list does not offer is a mistake in the script, not something to skip quietly.
    const QStringList missing = SelectItems(batchDialog->List1(1), *batch_);
    if (!missing.isEmpty()) {
      ShowMessage(&dialog, QStringLiteral("Not in the list of %1: %2").arg(batch_->unit, missing.join(", ")));
      batchDialog->Command2_Click();
      return;
    }
    batchDialog->Command1_Click();
  }
  if (!batchDialog->ChosenCount()) batchDialog->Command2_Click();
}

}  // namespace quorvia::app
