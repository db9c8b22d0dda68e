#pragma once

#include <QStringList>
#include <functional>
#include <optional>

#include "ui_common/modal_host.h"

namespace quorvia::app {

// Records what the program would have put to the user and answers from the test's script.
class RecordingModalHost final : public ui::ModalHost {
 public:
  void ShowMessage(QWidget*, const QString& text) override { messages << text; }
  std::optional<QString> InputBox(QWidget*, const QString& prompt, const QString& title,
                                  const QString& defaultAnswer) override {
    inputBoxes << (prompt + "|" + title + "|" + defaultAnswer);
    return inputAnswer;
  }
  void ShowModal(QDialog& dialog) override {
    ++modalShows;
    if (driveDialog) driveDialog(dialog);
  }

  QStringList messages;
  QStringList inputBoxes;
  std::optional<QString> inputAnswer = QStringLiteral("Prefix");
  std::function<void(QDialog&)> driveDialog;
  int modalShows = 0;
};

}  // namespace quorvia::app
