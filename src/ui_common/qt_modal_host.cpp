#include "ui_common/qt_modal_host.h"

#include <QDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace quorvia::ui {

void QtModalHost::ShowMessage(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, kApplicationTitle, text, QMessageBox::Ok, parent);
  box.exec();
}

std::optional<QString> QtModalHost::InputBox(QWidget* parent, const QString& prompt, const QString& title,
                                             const QString& defaultAnswer) {
  bool accepted = false;
  const QString answer =
      QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, defaultAnswer, &accepted);
  if (!accepted) return std::nullopt;
  return answer;
}

void QtModalHost::ShowModal(QDialog& dialog) { dialog.exec(); }

}  // namespace quorvia::ui
