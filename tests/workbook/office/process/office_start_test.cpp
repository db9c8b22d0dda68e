// Waiting for a starting office: a restart request is met, any other end or silence is reported, and only
// a headless office of ours is ended for not answering. Stand-in offices (shell scripts) play the office's
// part in its start so that every outcome can be provoked; the real offices start in the other suites.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "office_test_support.h"
#include "workbook/office/process/office_process.h"
#include "workbook/office/uno/uno_connection.h"

namespace quorvia::workbook::office::testing {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

bool Alive(pid_t pid) { return !ProcessGone(pid); }

class OfficeStartTest : public ::testing::Test {
 protected:
  // Options whose office is the script `body`, on a profile that is set up already.
  OfficeOptions StandIn(const std::string& body,
                        OfficeOptions::Kind kind = OfficeOptions::Kind::HeadlessChild) {
    OfficeOptions options = PrivateOfficeOptions(root_.Path(), "start");
    options.kind = kind;
    options.sofficePath = (root_.Path() / "office.sh").string();
    std::ofstream(options.sofficePath) << "#!/bin/sh\n" << body << "\n";
    fs::permissions(options.sofficePath, fs::perms::owner_all);
    fs::create_directories(fs::path(options.profileDir) / "user");
    options.startTimeout = 2s;
    return options;
  }
  fs::path StartsFile() const { return root_.Path() / "starts"; }
  int Starts() const {
    int starts = 0;
    std::ifstream(StartsFile()) >> starts;
    return starts;
  }
  std::string CountingStart() const {
    return "n=$(cat " + StartsFile().string() + " 2>/dev/null || echo 0); echo $((n + 1)) > " +
           StartsFile().string() + "\n";
  }

  TempFolder root_{"quorvia-office-start"};
};

TEST_F(OfficeStartTest, AnOfficeThatAsksToBeStartedAgainIsStartedAgainAndThenReached) {
  const auto options =
      StandIn(CountingStart() + "[ \"$(cat " + StartsFile().string() + ")\" = 1 ] && exit 81\nexec sleep 30");
  std::shared_ptr<OfficeProcess> office = OfficeProcess::Start(options);
  int restarts = 0;
  const int reached = AwaitListening(
      office, options,
      [&] {
        if (Starts() < 2) throw NoOfficeError("nothing listens yet");
        return Starts();
      },
      [&] {
        ++restarts;
        return OfficeProcess::Start(options);
      });
  EXPECT_EQ(reached, 2);
  EXPECT_EQ(restarts, 1);
  ASSERT_TRUE(office);
  EXPECT_TRUE(office->Running());
  const pid_t pid = office->Pid();
  office.reset();
  EXPECT_FALSE(Alive(pid)) << "a headless office of ours ends with its handle";
}

TEST_F(OfficeStartTest, AnOfficeThatEndsWhileStartingIsReportedWithItsStatus) {
  const auto options = StandIn("exit 3");
  std::shared_ptr<OfficeProcess> office = OfficeProcess::Start(options);
  try {
    AwaitListening(office, options, []() -> int { throw NoOfficeError("nothing listens"); });
    FAIL() << "an office that ended cannot be reached";
  } catch (const OfficeStartError& error) {
    EXPECT_EQ(error.WhyNot(), OfficeStartError::Reason::EndedWhileStarting);
    EXPECT_EQ(error.Status(), 3);
  }
  EXPECT_FALSE(office);
}

TEST_F(OfficeStartTest, AVisibleOfficeThatHandsItsStartToOneOnTheSameProfileIsWaitedFor) {
  // The office the request went to answers a little after the one we started has exited with status 0.
  const auto options = StandIn(CountingStart() + "exit 0", OfficeOptions::Kind::VisibleDetached);
  std::shared_ptr<OfficeProcess> office = OfficeProcess::Start(options);
  const auto answersFrom = std::chrono::steady_clock::now() + 500ms;
  const int reached = AwaitListening(office, options, [&] {
    if (std::chrono::steady_clock::now() < answersFrom) throw NoOfficeError("nothing listens yet");
    return Starts();
  });
  EXPECT_EQ(reached, 2) << "started once more, in case the office it went to was ending";
  EXPECT_FALSE(office) << "no process of ours: the office that answers is the one already running";
}

TEST_F(OfficeStartTest, OnlyAHeadlessOfficeIsEndedForNotAnswering) {
  for (const auto kind : {OfficeOptions::Kind::HeadlessChild, OfficeOptions::Kind::VisibleDetached}) {
    auto options = StandIn("exec sleep 30", kind);
    options.startTimeout = 300ms;
    std::shared_ptr<OfficeProcess> office = OfficeProcess::Start(options);
    const pid_t pid = office->Pid();
    try {
      AwaitListening(office, options, []() -> int { throw NoOfficeError("nothing listens"); });
      FAIL() << "a silent office cannot be reached";
    } catch (const OfficeStartError& error) {
      EXPECT_EQ(error.WhyNot(), OfficeStartError::Reason::NotListeningInTime);
    }
    const bool headless = kind == OfficeOptions::Kind::HeadlessChild;
    EXPECT_EQ(Alive(pid), !headless) << (headless ? "headless" : "a detached office is the user's");
    if (!headless) {
      EXPECT_NE(getsid(pid), getsid(0)) << "a detached office runs in a session of its own";
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  }
}

}  // namespace
}  // namespace quorvia::workbook::office::testing
