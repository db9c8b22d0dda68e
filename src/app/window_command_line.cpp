#include "app/window_command_line.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string_view>

namespace quorvia::app {
namespace {

// The options that every Qt program takes; the application reads and removes them itself.
constexpr std::array<std::string_view, 12> kQtOptionsWithValue = {
    "-platform", "-platformpluginpath", "-platformtheme", "-plugin",      "-display", "-style", "-stylesheet",
    "-session",  "-qwindowgeometry",    "-qwindowtitle",  "-qwindowicon", "-geometry"};
constexpr std::array<std::string_view, 4> kQtOptionsAlone = {"-reverse", "-widgetcount", "-nograb",
                                                             "-dograb"};

template <std::size_t N>
bool OneOf(const std::array<std::string_view, N>& options, const std::string& argument) {
  return std::find(options.begin(), options.end(), argument) != options.end();
}

}  // namespace

WindowCommandLine ParseWindowCommandLine(const std::vector<std::string>& arguments) {
  WindowCommandLine parsed;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--help" || argument == "-h") {
      parsed.help = true;
    } else if (argument == "--choose-folder") {
      parsed.chooseFolder = true;
    } else if (OneOf(kQtOptionsWithValue, argument)) {
      if (++i >= arguments.size()) throw std::invalid_argument(argument + " needs a value");
    } else if (OneOf(kQtOptionsAlone, argument)) {
      continue;
    } else if (argument.starts_with("-") && argument != "-") {
      throw std::invalid_argument("unknown option " + argument);
    } else if (parsed.folder) {
      throw std::invalid_argument("more than one FOLDER: \"" + *parsed.folder + "\" and \"" + argument +
                                  "\"");
    } else {
      parsed.folder = argument;
    }
  }
  return parsed;
}

std::string WindowUsage() {
  return "Usage: quorvia [--choose-folder] [FOLDER]\n"
         "Queries land-cover changes in the database MOSA_DB.mdb of a folder and refreshes the report\n"
         "workbook MOSA_QUERY.xls beside it.\n"
         "  FOLDER           the folder to work on, or a file in it (MOSA_DB.mdb, MOSA_DB.pgconn,\n"
         "                   MOSA_QUERY.xls)\n"
         "  --choose-folder  show the start dialog even when a folder was opened before\n"
         "  -h, --help       show this text\n"
         "Exit status: 0 when the window was closed (or --help); 1 when the database could not be opened;\n"
         "2 on a bad command line.\n";
}

}  // namespace quorvia::app
