// "Save report as PDF…": the report's cover and report pages as one PDF, written by the office.
#include <QFileDialog>

#include "app/form1.h"
#include "app/qt_text.h"
#include "ui_common/modal_host.h"

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
  if (controller_.SaveReportAsPdf(pdfPath)) SetRunning(true);
}

}  // namespace quorvia::app
