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

std::string NoCountryTableText(const std::string& database) {
  using namespace vocabulary;
  return "The database " + database +
         " holds no country table, so there is no country to choose. A country's " +
         "records are in a table named " + kDataTablePrefix + " and the country's two-letter code (" +
         kDataTablePrefix +
         "FR for France; the codes are those of the country list), one change record a row " +
         "with the columns " + kCountryColumn + " (the country code), " + kAreaColumn + " (the area in " +
         "hectares), " + kReviewedChangeColumn + " or " + kChangesDatabaseColumn + " (the change type) and " +
         "the filter columns; the entries of its filter lists are in " + kUnitsTablePrefix + "FR. Open a " +
         "program folder whose MOSA_DB.mdb holds such tables, or make a demo folder to see them.";
}

}  // namespace quorvia::query
