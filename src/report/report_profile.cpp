#include "report/report_profile.h"

#include <fstream>
#include <iterator>
#include <sstream>

#include "report/log.h"
#include "workbook/office/process/office_options.h"
#include "workbook/office/process/office_process.h"
#include "workbook/office/process/office_processes.h"
#include "workbook/office/uno/uno_text.h"

namespace quorvia::report {
namespace {

namespace fs = std::filesystem;
namespace office = workbook::office;

constexpr const char* kRegistryFile = "user/registrymodifications.xcu";
// The item that marks the settings as written: the office keeps items it does not change.
constexpr const char* kTipSetting = "oor:name=\"ShowTipOfTheDay\"";

std::string Item(const std::string& path, const std::string& name, const std::string& value) {
  return "<item oor:path=\"" + path + "\"><prop oor:name=\"" + name + "\" oor:op=\"fuse\"><value>" + value +
         "</value></prop></item>\n";
}

std::string ReadText(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool OfficeRunsOn(const std::string& profileDir) {
  const auto url = office::ToUtf8(office::FileUrlFromPath(profileDir));
  return office::OfficeUsingProfile(url).has_value();
}

void WriteQuietSettings(const std::string& profileDir) {
  const fs::path registry = fs::path(profileDir) / kRegistryFile;
  const std::string before = ReadText(registry);
  const std::string after =
      WithQuietSettings(before, InstalledOfficeVersion(fs::path(QUORVIA_LO_PROGRAM_DIR) / "bootstraprc"));
  if (after == before) return;
  const fs::path part = registry.string() + ".quorvia";
  {
    std::ofstream out(part, std::ios::binary | std::ios::trunc);
    out << after;
    if (!out.flush()) {
      // Greetings in the report window are a nuisance, not a reason to show no report.
      qCWarning(lcReport, "cannot write the report profile's settings %s", part.c_str());
      return;
    }
  }
  std::error_code error;
  fs::rename(part, registry, error);
  if (error) qCWarning(lcReport, "cannot replace %s: %s", registry.c_str(), error.message().c_str());
}

}  // namespace

fs::path ReportProfileFolder() { return fs::path(office::QuorviaCacheFolder()) / "report-profile"; }

std::string WithQuietSettings(const std::string& registry, const std::string& productVersion) {
  const std::string end = "</oor:items>";
  const auto at = registry.rfind(end);
  if (at == std::string::npos || registry.find(kTipSetting) != std::string::npos) return registry;
  std::string items = Item("/org.openoffice.Office.Common/Misc", "ShowTipOfTheDay", "false") +
                      Item("/org.openoffice.Office.Common/Save/Document", "WarnAlienFormat", "false");
  if (!productVersion.empty())
    items += Item("/org.openoffice.Setup/Product", "ooSetupLastVersion", productVersion);
  return registry.substr(0, at) + items + registry.substr(at);
}

std::string InstalledOfficeVersion(const fs::path& bootstraprc) {
  std::istringstream lines(ReadText(bootstraprc));
  const std::string key = "ProductKey=";
  for (std::string line; std::getline(lines, line);) {
    if (!line.starts_with(key)) continue;
    const auto space = line.rfind(' ');
    return space == std::string::npos ? std::string() : line.substr(space + 1);
  }
  return {};
}

void PrepareReportProfile(const office::OfficeOptions& options) {
  const std::string profile = options.ProfileFolder();
  // A profile that was there before (one given with --profile may be the user's own) keeps its settings.
  if (office::ProfileIsSetUp(profile)) return;
  office::OfficeProcess::InitialiseProfile(options);
  if (!OfficeRunsOn(profile)) WriteQuietSettings(profile);
}

}  // namespace quorvia::report
