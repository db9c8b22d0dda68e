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

  ScriptedModalHost(std::optional<BatchAnswer> batch, QString inputAnswer);

  void ShowMessage(QWidget* parent, const QString& text) override;
  std::optional<QString> InputBox(QWidget* parent, const QString& prompt, const QString& title,
                                  const QString& defaultAnswer) override;
  void ShowModal(QDialog& dialog) override;

  // True once any message was shown: the run did not go as asked.
  bool MessageShown() const { return messageShown_; }

 private:
  std::optional<BatchAnswer> batch_;
  QString inputAnswer_;
  bool messageShown_ = false;
};

}  // namespace quorvia::app
