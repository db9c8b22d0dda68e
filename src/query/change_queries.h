#pragma once

#include <string>

#include "db/grouped_sum.h"
#include "query/criteria.h"

namespace quorvia::query {

// "SELECT sum(AREAHA) as area from DATA_<code> where <fragments>"
std::string AreaQuery(const std::string& countryCode, const Conditions& conditions);

// The change column a query over a country's table groups by: the chosen one, except for the codes "be"
// and "de" (exact, as a batch over countries writes them), whose data holds only change2.
std::string ChangeColumnFor(const std::string& countryCode, const std::string& chosenColumn);

// "SELECT <field> as CHANGE, sum(AREAHA) as AREA from DATA_<code> where <fragments> group by <field>"
std::string ChangeQuery(const std::string& countryCode, const std::string& changeField,
                        const Conditions& conditions);

// The area query and the change query with the pieces they are made of, for an engine that reads them in
// parts.
db::GroupedSumRequest ChangeSumRequest(const std::string& countryCode, const std::string& changeField,
                                       const Conditions& conditions);

}  // namespace quorvia::query
