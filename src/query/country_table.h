#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace quorvia::query {

// The 28 country entries: two-letter upper-case code, a blank, the country's name.
const std::array<std::string_view, 28>& CountryTable();

// The entries offered for the database's tables, in table order: for every table whose name starts with
// "DATA_" (exactly), each entry whose code equals the table name's last two characters in upper case.
std::vector<std::string> CountryEntriesFor(const std::vector<std::string>& tableNames);

// Whether a text typed or chosen in the country box names one of the offered countries: its first two
// characters are an entry's code, in any letter case. A text that names none is not yet a selection.
bool NamesCountry(const std::string& text, const std::vector<std::string>& entries);

// What to say about a database that holds no table of a country the program knows: that it holds none,
// and what such a table looks like, so that the user can tell a wrong file from a file to be completed.
std::string NoCountryTableText(const std::string& database);

}  // namespace quorvia::query
