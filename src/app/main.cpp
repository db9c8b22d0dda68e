#include <QApplication>

#include "app/form1.h"
#include "ui_common/qt_modal_host.h"
#include "workbook/office/libreoffice_system.h"
#include "workbook/office/office_options.h"
#include "workbook/refresh_workbook.h"

// Starting the program loads the main window on the database and workbook of the program's own folder.
// It takes no command line.
int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(quorvia::ui::kApplicationTitle);

  quorvia::ui::QtModalHost modals;
  const std::string folder = QCoreApplication::applicationDirPath().toStdString();
  // The office lives as long as the program: one it started ends with it. A report that the user opened
  // with quorvia-report is refreshed where it is shown.
  auto options = quorvia::workbook::office::OfficeOptions::Default();
  options.reportFolder = folder;
  quorvia::workbook::office::LibreOfficeSystem office(options);
  quorvia::app::Form1 form(folder, modals, office);
  if (!form.Form_Load()) return 1;
  form.show();
  // The first update then finds an office started and waiting, without the window waiting for it.
  office.StartParkedInBackground(folder + "/" + quorvia::workbook::kReportFileName);
  return QApplication::exec();
}
