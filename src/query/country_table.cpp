#include "query/country_table.h"

#include <algorithm>

#include "db/ascii_case.h"
#include "query/selection.h"
#include "vocabulary/data_tables.h"

namespace quorvia::query {

const std::array<std::string_view, 28>& CountryTable() {
  static constexpr std::array<std::string_view, 28> kEntries = {"AT Oesterreich",
                                                                "BE Belgique-Belgie",
                                                                "BG Balgarija",
                                                                "CH Schweiz / Suisse / Svizzera",
                                                                "CZ Ceska Republika",
                                                                "DE Deutschland",
                                                                "DK Danmark",
                                                                "EE Eesti",
                                                                "ES Espa\u00f1a",
                                                                "FI Suomi",
                                                                "FR France",
                                                                "GR Ellada",
                                                                "HU Magyarorszag",
                                                                "IE Ireland",
                                                                "IT Italia",
                                                                "LI Liechtenstein",
                                                                "LT Lietuva",
                                                                "LU Luxembourg (Grand-Duche)",
                                                                "LV Latvija",
                                                                "NL Nederland",
                                                                "NO Norge",
                                                                "PL Polska",
                                                                "PT Portugal",
                                                                "RO Romania",
                                                                "SE Sverige",
                                                                "SI Slovenija",
                                                                "SK Slovenska Republika",
                                                                "UK United Kingdom"};
  return kEntries;
}

std::vector<std::string> CountryEntriesFor(const std::vector<std::string>& tableNames) {
  std::vector<std::string> entries;
  for (const auto& name : tableNames) {
    if (!name.starts_with(vocabulary::kDataTablePrefix)) continue;
    const std::string suffix = db::UpperAscii(name.substr(name.size() - 2));
    for (const auto entry : CountryTable()) {
      if (entry.substr(0, 2) == suffix) entries.emplace_back(entry);
    }
  }
  return entries;
}

bool NamesCountry(const std::string& text, const std::vector<std::string>& entries) {
  const std::string code = FirstCharacters(text, 2);
  return code.size() == 2 && std::ranges::any_of(entries, [&](const std::string& entry) {
           return db::EqualsIgnoringAsciiCase(entry.substr(0, 2), code);
         });
}

}  // namespace quorvia::query
