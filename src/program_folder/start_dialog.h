#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>

namespace quorvia::program_folder {

// Shown when Quorvia has no folder to work on: open one, make a demo folder, or quit. Each button ends
// the dialog; Choice() tells which one did (closing the dialog counts as Quit).
class StartDialog final : public QDialog {
  Q_OBJECT

 public:
  enum class Choice { OpenFolder, MakeDemoFolder, Quit };

  // `note` is shown above the explanation when not empty (for example, that the folder used last is gone).
  StartDialog(QWidget* parent, const QString& note);

  Choice ChosenAction() const { return choice_; }
  QPushButton* OpenFolderButton() const { return openFolder_; }
  QPushButton* MakeDemoButton() const { return makeDemo_; }
  QPushButton* QuitButton() const { return quit_; }
  QLabel* Text() const { return text_; }

 private:
  QPushButton* AddChoice(const QString& caption, Choice choice);

  Choice choice_ = Choice::Quit;
  QLabel* text_;
  QPushButton* openFolder_;
  QPushButton* makeDemo_;
  QPushButton* quit_;
};

}  // namespace quorvia::program_folder
