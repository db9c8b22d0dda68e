#pragma once

#include <filesystem>
#include <string>

namespace quorvia::workbook::office {
struct OfficeOptions;
}

namespace quorvia::report {

// The profile of the report office: in the user's cache ($XDG_CACHE_HOME or ~/.cache, /quorvia/
// report-profile), apart from the profile of the LibreOffice the user runs, so that the report office
// starts whatever else runs. Every folder's report is shown by the one office on this profile.
std::filesystem::path ReportProfileFolder();

// Sets the office's profile up when it has not been yet, and then keeps the office from greeting the user:
// no tip of the day, no "what's new" bar, no question about the .xls format when the user saves. A profile
// that was set up before is left as it is (it may be the user's own, given with --profile).
// OfficeStartError when the office cannot set up the profile.
void PrepareReportProfile(const workbook::office::OfficeOptions& options);

// The settings above added to the text of a profile's registrymodifications.xcu, for the office of
// `productVersion` ("7.4"; empty leaves the "what's new" bar to the office). The text is returned as it
// was when it already has them, or when it is not such a file.
std::string WithQuietSettings(const std::string& registry, const std::string& productVersion);

// The installed office's version as its profile records it ("7.4"), read from `bootstraprc`; empty when
// it cannot be read.
std::string InstalledOfficeVersion(const std::filesystem::path& bootstraprc);

}  // namespace quorvia::report
