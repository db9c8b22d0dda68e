#pragma once

#include <QString>
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
};

inline const QString kApplicationTitle = QStringLiteral("Quorvia");

}  // namespace quorvia::ui
