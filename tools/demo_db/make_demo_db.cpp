// make_demo_db: writes the demo database that the program and its benchmarks read.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "demo_command_line.h"
#include "demo_database.h"

namespace {

constexpr int kUsageExit = 2;
constexpr int kFailureExit = 1;

}  // namespace

int main(int argc, char** argv) {
  const std::string program = argc > 0 ? argv[0] : "make_demo_db";
  quorvia::tools::DemoCommand command;
  try {
    command = quorvia::tools::ParseDemoCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const quorvia::tools::UsageError& error) {
    std::cerr << program << ": " << error.what() << "\n\n" << quorvia::tools::DemoUsage(program);
    return kUsageExit;
  }
  if (command.showHelp) {
    std::cout << quorvia::tools::DemoUsage(program);
    return 0;
  }
  try {
    quorvia::tools::WriteDemoDatabase(command.outPath, command.options);
  } catch (const std::exception& error) {
    std::cerr << program << ": could not write the demo database " << command.outPath << ": " << error.what()
              << "\n";
    return kFailureExit;
  }
  std::cout << "Wrote demo database " << command.outPath << "\n";
  return 0;
}
