// Renders both pages of the batch dialog to PNG files for people to look at:
//   batch_dialog_screenshots [output folder]   (default: <build>/screenshots)
#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QPixmap>
#include <QTextStream>
#include <cstdlib>

#include "batch_dialog/form2.h"

namespace {

class SilentModalHost : public quorvia::ui::ModalHost {
 public:
  void ShowMessage(QWidget*, const QString&) override {}
  std::optional<QString> InputBox(QWidget*, const QString&, const QString&, const QString&) override {
    return std::nullopt;
  }
  void ShowModal(QDialog&) override {}
  bool AskYesNo(QWidget*, const QString&) override { return false; }
  void RunWithProgress(QWidget*, const std::function<void(ProgressReport&)>&) override {}
};

quorvia::batch_dialog::MainWindowLists SampleLists() {
  quorvia::batch_dialog::MainWindowLists lists;
  lists[quorvia::query::FilterId::country] = {"AT Oesterreich", "BE Belgique-Belgie",
                                              "CH Schweiz/Suisse/Svizzera", "ES España", "FR France"};
  lists[quorvia::query::FilterId::nutsRegion] = {"All",  "FR10", "FR21", "FR22", "FR23", "FR24",
                                                 "FR25", "FR26", "FR30", "FR41", "FR42"};
  return lists;
}

bool Save(QWidget& widget, const QDir& folder, const QString& name) {
  const QString path = folder.filePath(name);
  const bool saved = widget.grab().save(path);
  QTextStream(stdout) << (saved ? "wrote " : "could not write ") << path << Qt::endl;
  return saved;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  QApplication::setStyle("Fusion");

  const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1])
                             : QCoreApplication::applicationDirPath() + "/../screenshots");
  if (!QDir().mkpath(folder.path())) return EXIT_FAILURE;

  SilentModalHost modals;
  quorvia::batch_dialog::Form2 dialog(SampleLists(), modals);
  dialog.show();
  QApplication::processEvents();
  bool ok = Save(dialog, folder, "batch_dialog_unit_page.png");

  dialog.List1(0)->setCurrentRow(1);
  dialog.Command1_Click();
  dialog.List1(1)->item(1)->setSelected(true);
  dialog.List1(1)->item(3)->setSelected(true);
  QApplication::processEvents();
  ok = Save(dialog, folder, "batch_dialog_item_page.png") && ok;
  return ok ? EXIT_SUCCESS : EXIT_FAILURE;
}
