#include "program_folder/start_dialog.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "ui_common/modal_host.h"

namespace quorvia::program_folder {

StartDialog::StartDialog(QWidget* parent, const QString& note) : QDialog(parent) {
  setWindowTitle(ui::kApplicationTitle);
  QString text = QStringLiteral(
      "Quorvia works on a folder that holds the land-cover database MOSA_DB.mdb (or MOSA_DB.pgconn for a "
      "database on a server) and the report workbook MOSA_QUERY.xls.\n\n"
      "Open such a folder, or make a demo folder to try Quorvia out.");
  if (!note.isEmpty()) text = note + QStringLiteral("\n\n") + text;
  text_ = new QLabel(text, this);
  text_->setWordWrap(true);
  text_->setMinimumWidth(420);

  openFolder_ = AddChoice(QStringLiteral("Open folder…"), Choice::OpenFolder);
  makeDemo_ = AddChoice(QStringLiteral("Make a demo folder…"), Choice::MakeDemoFolder);
  quit_ = AddChoice(QStringLiteral("Quit"), Choice::Quit);
  openFolder_->setDefault(true);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(openFolder_);
  buttons->addWidget(makeDemo_);
  buttons->addStretch();
  buttons->addWidget(quit_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text_);
  layout->addSpacing(8);
  layout->addLayout(buttons);
}

QPushButton* StartDialog::AddChoice(const QString& caption, Choice choice) {
  auto* button = new QPushButton(caption, this);
  button->setAutoDefault(false);
  connect(button, &QPushButton::clicked, this, [this, choice] {
    choice_ = choice;
    if (choice == Choice::Quit) {
      reject();
    } else {
      accept();
    }
  });
  return button;
}

}  // namespace quorvia::program_folder
