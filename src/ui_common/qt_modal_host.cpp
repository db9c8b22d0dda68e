#include "ui_common/qt_modal_host.h"

#include <QCoreApplication>
#include <QDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QProgressDialog>

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

bool QtModalHost::AskYesNo(QWidget* parent, const QString& question) {
  QMessageBox box(QMessageBox::Question, kApplicationTitle, question, QMessageBox::Yes | QMessageBox::No,
                  parent);
  box.setDefaultButton(QMessageBox::Yes);
  return box.exec() == QMessageBox::Yes;
}

namespace {

// The work runs in the interface thread, so each report lets the dialog handle its events.
class DialogProgress final : public ModalHost::ProgressReport {
 public:
  explicit DialogProgress(QProgressDialog& dialog) : dialog_(dialog) {}
  void Show(const QString& text, int percent) override {
    dialog_.setLabelText(text);
    dialog_.setValue(percent);
    QCoreApplication::processEvents();
  }
  bool Cancelled() override {
    QCoreApplication::processEvents();
    return dialog_.wasCanceled();
  }

 private:
  QProgressDialog& dialog_;
};

}  // namespace

void QtModalHost::RunWithProgress(QWidget* parent, const std::function<void(ProgressReport&)>& work) {
  QProgressDialog dialog(QString(), QStringLiteral("Cancel"), 0, 100, parent);
  dialog.setWindowTitle(kApplicationTitle);
  dialog.setWindowModality(Qt::ApplicationModal);
  dialog.setAutoClose(false);
  dialog.setAutoReset(false);
  dialog.setMinimumDuration(0);
  dialog.show();
  DialogProgress report(dialog);
  work(report);
}

}  // namespace quorvia::ui
