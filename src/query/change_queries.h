#pragma once

#include <string>

#include "criteria.h"

namespace quorvia::query {

// "SELECT sum(AREAHA) as area from DATA_<code> where <fragments>"
std::string AreaQuery(const std::string& countryCode, const Conditions& conditions);

// "SELECT <field> as CHANGE, sum(AREAHA) as AREA from DATA_<code> where <fragments> group by <field>"
std::string ChangeQuery(const std::string& countryCode, const std::string& changeField,
                        const Conditions& conditions);

}  // namespace quorvia::query
