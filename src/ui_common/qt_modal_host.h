#pragma once

#include "ui_common/modal_host.h"

namespace quorvia::ui {

// The real thing: Qt's message box, input dialog and modal exec.
class QtModalHost final : public ModalHost {
 public:
  void ShowMessage(QWidget* parent, const QString& text) override;
  std::optional<QString> InputBox(QWidget* parent, const QString& prompt, const QString& title,
                                  const QString& defaultAnswer) override;
  void ShowModal(QDialog& dialog) override;
  bool AskYesNo(QWidget* parent, const QString& question) override;
  void RunWithProgress(QWidget* parent, const std::function<void(ProgressReport&)>& work) override;
};

}  // namespace quorvia::ui
