#include "workbook/office/process/office_processes.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "workbook/office/process/office_process.h"

namespace quorvia::workbook::office {
namespace {

namespace fs = std::filesystem;

constexpr const char* kOfficeBinary = "soffice.bin";

std::vector<std::string> CommandLineOf(const fs::path& process) {
  std::ifstream file(process / "cmdline", std::ios::binary);
  const std::string raw((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::vector<std::string> arguments;
  std::string current;
  for (const char c : raw) {
    if (c == '\0') {
      arguments.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) arguments.push_back(current);
  return arguments;
}

// The default profile as the office at `process` sees it, from the environment it was started with.
std::string DefaultProfileOf(const fs::path& process) {
  std::ifstream file(process / "environ", std::ios::binary);
  std::string home, config;
  for (std::string entry; std::getline(file, entry, '\0');) {
    if (entry.starts_with("HOME=")) home = entry.substr(5);
    if (entry.starts_with("XDG_CONFIG_HOME=")) config = entry.substr(16);
  }
  return (config.starts_with("/") ? config : home + "/.config") + "/libreoffice/4";
}

bool IsOurOfficeProcess(const fs::path& process) {
  struct stat status {};
  if (stat(process.c_str(), &status) != 0 || status.st_uid != getuid()) return false;
  std::error_code error;
  const fs::path program = fs::read_symlink(process / "exe", error);
  return !error && program.filename() == kOfficeBinary;
}

}  // namespace

std::optional<std::string> OfficeProcessInfo::ProfileUrl() const {
  const std::string option = kProfileOption;
  for (const auto& argument : arguments) {
    if (argument.starts_with(option)) return argument.substr(option.size());
  }
  return std::nullopt;
}

bool OfficeProcessInfo::HasArgumentContaining(const std::string& text) const {
  for (const auto& argument : arguments) {
    if (argument.find(text) != std::string::npos) return true;
  }
  return false;
}

std::vector<OfficeProcessInfo> OfficeProcessesOfUser() {
  std::vector<OfficeProcessInfo> offices;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator("/proc", error)) {
    const std::string name = entry.path().filename().string();
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
    if (!IsOurOfficeProcess(entry.path())) continue;
    offices.push_back(
        {static_cast<pid_t>(std::stol(name)), CommandLineOf(entry.path()), DefaultProfileOf(entry.path())});
  }
  return offices;
}

std::optional<OfficeProcessInfo> OfficeUsingProfile(const std::optional<std::string>& profileUrl) {
  for (auto& office : OfficeProcessesOfUser()) {
    if (office.ProfileUrl() == profileUrl) return office;
  }
  return std::nullopt;
}

}  // namespace quorvia::workbook::office
