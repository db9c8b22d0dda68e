#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "demo_database.h"

namespace quorvia::tools {

// What make_demo_db was asked to do.
struct DemoCommand {
  std::string outPath;
  DemoOptions options;
  bool showHelp = false;  // --help: print the usage text and write nothing
};

// A command line that cannot be run; the message says what is wrong with it.
class UsageError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

// Reads the arguments after the program name:
//   --out PATH [--seed N] [--records N] [--large CC [--large-records N]]
// The country code may be given in either case. Throws UsageError.
DemoCommand ParseDemoCommandLine(const std::vector<std::string>& arguments);

std::string DemoUsage(std::string_view program);

}  // namespace quorvia::tools
