// Pictures of the main window's batch for people to look at, taken from a real display (run it under
// xvfb-run): the window's context menu, a batch running with its progress and Cancel button, and the final
// label of a cancelled batch. The batch runs on the demo data with a real office.
//   run_screenshots <output folder>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QListWidget>
#include <QScreen>
#include <QTest>
#include <QTextStream>
#include <QTimer>

#include "app/form1.h"
#include "batch_dialog/form2.h"
#include "demo_database.h"
#include "office_test_support.h"
#include "recording_modal_host.h"
#include "report_template.h"
#include "workbook/office/libreoffice_system.h"

namespace {

namespace office = quorvia::workbook::office;

// The screen around the window, so that a menu reaching past the window shows whole.
bool Save(const QWidget& window, const QDir& folder, const QString& name) {
  const QRect area = window.frameGeometry().adjusted(-20, -20, 200, 120);
  const QPixmap picture =
      QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
  const QString path = folder.filePath(name);
  const bool saved = picture.save(path);
  QTextStream(stdout) << (saved ? "wrote " : "could not write ") << path << Qt::endl;
  return saved;
}

bool WaitFor(const std::function<bool()>& condition) {
  QElapsedTimer clock;
  clock.start();
  while (!condition() && clock.elapsed() < 120000) QTest::qWait(20);
  return condition();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc < 2) {
    QTextStream(stderr) << "Usage: run_screenshots <output folder>" << Qt::endl;
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  QDir().mkpath(out.path());
  office::testing::TempFolder root("quorvia-shots");
  office::LibreOfficeSystem system(office::testing::PrivateOfficeOptions(root.Path(), "shots"));
  quorvia::tools::WriteDemoDatabase((root.Path() / "MOSA_DB.mdb").string(), {});
  quorvia::tools::BuildReportTemplate(system, (root.Path() / "MOSA_QUERY.xls").string());

  quorvia::app::RecordingModalHost modals;
  quorvia::app::Form1 form(root.Path().string(), modals, system);
  if (!form.Form_Load()) return 1;
  form.show();
  form.activateWindow();
  QTest::qWait(500);

  bool ok = true;
  QTimer::singleShot(500, [&] {
    if (auto* menu = QApplication::activePopupWidget()) {
      ok = Save(form, out, "context-menu.png") && ok;
      menu->close();
    }
  });
  const QPoint at(form.Label3()->width() / 2, 5);
  QContextMenuEvent rightClick(QContextMenuEvent::Mouse, at, form.Label3()->mapToGlobal(at));
  QApplication::sendEvent(form.Label3(), &rightClick);

  form.Option2(2)->click();
  modals.driveDialog = [](QDialog& dialog) {
    auto& form2 = dynamic_cast<quorvia::batch_dialog::Form2&>(dialog);
    form2.List1(0)->findItems("Nuts", Qt::MatchExactly).front()->setSelected(true);
    form2.Command1_Click();
    for (int row = 0; row < 4; ++row) form2.List1(1)->item(row)->setSelected(true);
    form2.Command1_Click();
  };
  form.BatchAction()->trigger();
  ok = WaitFor([&] { return form.Label1()->text() == "Processing update 2 of 4..."; }) && ok;
  QTest::qWait(200);
  ok = Save(form, out, "batch-running.png") && ok;
  form.CancelButton()->click();
  form.WaitForRun();
  QTest::qWait(200);
  ok = Save(form, out, "batch-cancelled.png") && ok;
  QTextStream(stdout) << "final label: " << form.Label1()->text() << Qt::endl;
  return ok ? 0 : 1;
}
