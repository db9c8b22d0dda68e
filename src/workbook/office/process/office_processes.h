#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace quorvia::workbook::office {

// An office process of this user, as the system lists it.
struct OfficeProcessInfo {
  pid_t pid = 0;
  std::vector<std::string> arguments;  // command line, program first
  // The profile the office takes when given none, from its own environment (XDG_CONFIG_HOME or HOME):
  // the user's own profile of that office's session.
  std::string defaultProfile;

  // The profile URL given with -env:UserInstallation=, or nothing for the user's own profile.
  std::optional<std::string> ProfileUrl() const;
  bool HasArgumentContaining(const std::string& text) const;
};

// Every running office binary (soffice.bin) that belongs to the calling user.
std::vector<OfficeProcessInfo> OfficeProcessesOfUser();

// The first of them that works on the given profile (nothing: the user's own), if any.
std::optional<OfficeProcessInfo> OfficeUsingProfile(const std::optional<std::string>& profileUrl);

}  // namespace quorvia::workbook::office
