#pragma once

#include <QStringList>
#include <functional>
#include <optional>

#include "ui_common/modal_host.h"

namespace quorvia::app {

// Records what the program would have put to the user and answers from the test's script.
class RecordingModalHost final : public ui::ModalHost {
 public:
  void ShowMessage(QWidget*, const QString& text) override { messages << text; }
  std::optional<QString> InputBox(QWidget*, const QString& prompt, const QString& title,
                                  const QString& defaultAnswer) override {
    inputBoxes << (prompt + "|" + title + "|" + defaultAnswer);
    return inputAnswer;
  }
  void ShowModal(QDialog& dialog) override {
    ++modalShows;
    if (driveDialog) driveDialog(dialog);
  }
  bool AskYesNo(QWidget*, const QString& question) override {
    questions << question;
    if (whileAsking) whileAsking();
    return yesAnswer;
  }
  // Records every progress text; cancels once `cancelAfterReports` reports have been shown.
  void RunWithProgress(QWidget*, const std::function<void(ProgressReport&)>& work) override {
    struct Recorder final : ProgressReport {
      explicit Recorder(RecordingModalHost& host) : host(host) {}
      void Show(const QString& text, int) override { host.progressTexts << text; }
      bool Cancelled() override {
        return host.cancelAfterReports >= 0 && host.progressTexts.size() >= host.cancelAfterReports;
      }
      RecordingModalHost& host;
    } report(*this);
    work(report);
  }

  QStringList messages;
  QStringList inputBoxes;
  std::optional<QString> inputAnswer = QStringLiteral("Prefix");
  std::function<void(QDialog&)> driveDialog;
  int modalShows = 0;
  QStringList questions;
  bool yesAnswer = false;
  std::function<void()> whileAsking;  // runs while a question is open, before its answer
  QStringList progressTexts;
  int cancelAfterReports = -1;  // never
};

}  // namespace quorvia::app
