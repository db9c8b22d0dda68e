#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quorvia::app {

// What the window program's command line "quorvia [--choose-folder] [FOLDER]" asks for. It is read
// before the window system is reached, so that --help and a wrong command line are answered without a
// display. Qt's own options (-platform NAME, -style NAME, -reverse, ...) pass through to the application.
struct WindowCommandLine {
  bool help = false;
  bool chooseFolder = false;
  std::optional<std::string> folder;  // FOLDER, or a file in it
};

// Throws std::invalid_argument saying what is wrong.
WindowCommandLine ParseWindowCommandLine(const std::vector<std::string>& arguments);

// The usage text, with the exit statuses.
std::string WindowUsage();

}  // namespace quorvia::app
