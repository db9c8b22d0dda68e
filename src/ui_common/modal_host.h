#pragma once

#include <QString>
#include <functional>
#include <optional>

class QDialog;
class QWidget;

namespace quorvia::ui {

// Everything that waits for the user goes through here, so tests and the headless runner can answer
// without blocking.
class ModalHost {
 public:
  virtual ~ModalHost() = default;

  // A message box with an OK button only, titled with the application's title.
  virtual void ShowMessage(QWidget* parent, const QString& text) = 0;
  // An input box; nullopt when the user cancels.
  virtual std::optional<QString> InputBox(QWidget* parent, const QString& prompt, const QString& title,
                                          const QString& defaultAnswer) = 0;
  // Shows the dialog modally and returns when it has been hidden or closed.
  virtual void ShowModal(QDialog& dialog) = 0;
  // A question with Yes and No buttons, titled with the application's title; true for Yes.
  virtual bool AskYesNo(QWidget* parent, const QString& question) = 0;

  // What long work reports while a progress dialog with a Cancel button is up.
  class ProgressReport {
   public:
    virtual ~ProgressReport() = default;
    virtual void Show(const QString& text, int percent) = 0;
    // Lets the dialog respond; true once the user has pressed Cancel.
    virtual bool Cancelled() = 0;
  };
  // Runs `work` at once, in this thread, with a progress dialog up until it returns.
  virtual void RunWithProgress(QWidget* parent, const std::function<void(ProgressReport&)>& work) = 0;
};

inline const QString kApplicationTitle = QStringLiteral("Quorvia");

}  // namespace quorvia::ui
