#include "demo_command_line.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>
#include <set>

#include "db/ascii_case.h"
#include "demo_country.h"

namespace quorvia::tools {

namespace {

// A whole decimal number in [0, maximum], nothing before or after it.
std::uint64_t ParseCount(const std::string& option, const std::string& text, std::uint64_t maximum) {
  std::uint64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end || value > maximum) {
    throw UsageError(option + " needs a whole number from 0 to " + std::to_string(maximum) + ", not \"" +
                     text + "\"");
  }
  return value;
}

int ParseRecordCount(const std::string& option, const std::string& text) {
  return static_cast<int>(ParseCount(option, text, std::numeric_limits<int>::max()));
}

std::string ParseCountryCode(const std::string& text) {
  const std::string code = db::UpperAscii(text);
  if (FindDemoCountry(code) == nullptr) {
    throw UsageError("--large needs the code of a demo country (" + DemoCountryCodes(" ") + "), not \"" +
                     text + "\"");
  }
  return code;
}

}  // namespace

DemoCommand ParseDemoCommandLine(const std::vector<std::string>& arguments) {
  DemoCommand command;
  std::set<std::string> given;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& option = arguments[i];
    if (option == "--help" || option == "-h") {
      command.showHelp = true;
      return command;
    }
    if (option != "--out" && option != "--seed" && option != "--records" && option != "--large" &&
        option != "--large-records") {
      throw UsageError("unknown argument \"" + option + "\"");
    }
    if (!given.insert(option).second) throw UsageError(option + " is given more than once");
    if (i + 1 == arguments.size()) throw UsageError(option + " needs a value");
    const std::string& value = arguments[++i];
    if (option == "--out") {
      if (value.empty()) throw UsageError("--out needs a file name");
      command.outPath = value;
    } else if (option == "--seed") {
      command.options.seed = static_cast<std::uint32_t>(ParseCount(option, value, UINT32_MAX));
    } else if (option == "--records") {
      command.options.recordsPerCountry = ParseRecordCount(option, value);
    } else if (option == "--large") {
      command.options.largeCountry = ParseCountryCode(value);
    } else {
      command.options.largeRecords = ParseRecordCount(option, value);
    }
  }
  if (command.outPath.empty()) throw UsageError("--out PATH is required");
  if (given.contains("--large-records") && !given.contains("--large"))
    throw UsageError("--large-records only applies together with --large");
  return command;
}

std::string DemoUsage(std::string_view program) {
  const DemoOptions defaults;
  return "Usage: " + std::string(program) +
         " --out PATH [--seed N] [--records N] [--large CC [--large-records N]]\n"
         "Writes a demo land-cover change database to PATH (built in PATH.tmp, then moved into place).\n"
         "  --out PATH           database file to write, e.g. build/bin/MOSA_DB.mdb\n"
         "  --seed N             seed of the generated data (default " +
         std::to_string(defaults.seed) +
         "); the same seed gives the same data\n"
         "  --records N          change records per country (default " +
         std::to_string(defaults.recordsPerCountry) +
         ")\n"
         "  --large CC           give country CC (one of " +
         DemoCountryCodes(" ") +
         ") a large change table\n"
         "  --large-records N    records of the large country (default " +
         std::to_string(defaults.largeRecords) +
         ")\n"
         "  --help               show this text\n";
}

}  // namespace quorvia::tools
