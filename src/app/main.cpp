#include <QApplication>

#include "app/form1.h"
#include "ui_common/qt_modal_host.h"
#include "workbook/office/libreoffice_system.h"
#include "workbook/office/office_options.h"

// Starting the program loads the main window on the database and workbook of the program's own folder.
// It takes no command line.
int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(quorvia::ui::kApplicationTitle);

  quorvia::ui::QtModalHost modals;
  // The office lives as long as the program: one it started ends with it.
  quorvia::workbook::office::LibreOfficeSystem office(quorvia::workbook::office::OfficeOptions::Default());
  quorvia::app::Form1 form(QCoreApplication::applicationDirPath().toStdString(), modals, office);
  if (!form.Form_Load()) return 1;
  form.show();
  // The first update then finds an office started and waiting, without the window waiting for it.
  office.StartParkedInBackground(QCoreApplication::applicationDirPath().toStdString() + "/MOSA_QUERY.xls");
  return QApplication::exec();
}
