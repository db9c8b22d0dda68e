// An office start in the background that fails is not dropped without a word: the next create reports it
// to the user, and the log says it at once.
#include <gtest/gtest.h>

#include <QString>
#include <QtGlobal>
#include <mutex>
#include <string>
#include <vector>

#include "office_test_support.h"
#include "workbook/office/libreoffice_system.h"

namespace quorvia::workbook::office::testing {
namespace {

struct LogLine {
  QtMsgType type;
  std::string category;
  std::string text;
};

// The log lines written while it lives, from any thread.
class CaughtLog {
 public:
  CaughtLog() { previous_ = qInstallMessageHandler(&CaughtLog::Catch); }
  ~CaughtLog() { qInstallMessageHandler(previous_); }
  static std::vector<LogLine> Lines() {
    const std::lock_guard lock(mutex_);
    return lines_;
  }

 private:
  static void Catch(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    const std::lock_guard lock(mutex_);
    lines_.push_back({type, context.category != nullptr ? context.category : "", text.toStdString()});
  }
  QtMessageHandler previous_ = nullptr;
  static inline std::mutex mutex_;
  static inline std::vector<LogLine> lines_;
};

TEST(OfficeLog, ABackgroundStartThatFailsIsLoggedAsAWarningOfTheOffice) {
  const TempFolder root("quorvia-office-log");
  auto options = PrivateOfficeOptions(root.Path(), "log");
  options.sofficePath = (root.Path() / "no-office-here" / "soffice.bin").string();
  const CaughtLog log;
  LibreOfficeSystem system(options);
  system.StartParkedInBackground();
  EXPECT_FALSE(system.OfficeParked());  // waits for the start to end

  bool logged = false;
  for (const auto& line : CaughtLog::Lines()) {
    logged |= line.type == QtWarningMsg && line.category == "quorvia.office" &&
              line.text.find("failed to start") != std::string::npos &&
              line.text.find("is not installed") != std::string::npos;
  }
  EXPECT_TRUE(logged) << "no warning in quorvia.office says why the background start failed";
  EXPECT_THROW(system.CreateInstance(), AutomationError) << "and the next create reports it";
}

}  // namespace
}  // namespace quorvia::workbook::office::testing
