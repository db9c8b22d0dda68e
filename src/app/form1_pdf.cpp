// "Save report as PDF…": the report's cover and report pages as one PDF, written by the office.
#include <QFileDialog>

#include "app/form1.h"
#include "app/qt_text.h"
#include "query/query_session.h"
#include "ui_common/modal_host.h"
#include "vocabulary/file_names.h"
#include "workbook/spreadsheet_application.h"

namespace quorvia::app {

void Form1::BuildPdfAction() {
  pdfAction_ = new QAction(QStringLiteral("Save report as PDF…"), this);
  connect(pdfAction_, &QAction::triggered, this, [this] { SaveReportAsPdf_Click(); });
  addAction(pdfAction_);
}

void Form1::SaveReportAsPdf_Click() {
  if (RunGoing()) return;
  QFileDialog dialog(this, QStringLiteral("Save report as PDF"), Q(programFolder_ + "/MOSA_QUERY.pdf"),
                     QStringLiteral("PDF files (*.pdf)"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("pdf"));
  modals_.ShowModal(dialog);
  if (dialog.result() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  SaveReportAsPdf(S(dialog.selectedFiles().front()));
}

void Form1::SaveReportAsPdf(const std::string& pdfPath) {
  if (RunGoing()) return;
  StartRun([office = &office_, report = programFolder_ + "/" + vocabulary::kReportFileName, pdfPath] {
    RunEnd end;
    try {
      office->ExportPdf(report, pdfPath);
      end.done = true;
    } catch (const std::exception& error) {
      end.message = Q("The PDF " + pdfPath + " was not written: " + error.what());
    }
    return end;
  });
}

}  // namespace quorvia::app
