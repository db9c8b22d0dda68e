#pragma once

#include <QStringList>
#include <optional>

#include "ui_common/modal_host.h"

namespace quorvia::app {

// Answers the program's questions from a script instead of a user: messages are written to standard
// error, the input box gets a fixed answer, and the batch dialog is driven to choose a unit and items.
class ScriptedModalHost final : public ui::ModalHost {
 public:
  struct BatchAnswer {
    QString unit;
    QStringList items;  // items to select
    bool allItems = false;
  };

  // `answerYes` answers every yes/no question; a No is reported on standard error like a message.
  ScriptedModalHost(std::optional<BatchAnswer> batch, QString inputAnswer, bool answerYes = false);

  void ShowMessage(QWidget* parent, const QString& text) override;
  std::optional<QString> InputBox(QWidget* parent, const QString& prompt, const QString& title,
                                  const QString& defaultAnswer) override;
  void ShowModal(QDialog& dialog) override;
  bool AskYesNo(QWidget* parent, const QString& question) override;
  // Runs the work without a dialog and never cancels.
  void RunWithProgress(QWidget* parent, const std::function<void(ProgressReport&)>& work) override;

  // True once any message was shown: the run did not go as asked.
  bool MessageShown() const { return messageShown_; }

 private:
  std::optional<BatchAnswer> batch_;
  QString inputAnswer_;
  bool answerYes_;
  bool messageShown_ = false;
};

}  // namespace quorvia::app
