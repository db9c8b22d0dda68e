#include "query/copy_names.h"

#include <algorithm>

#include "db/ascii_case.h"

namespace quorvia::query {

std::string CopyNames::SafeFileNamePart(const std::string& text) {
  std::string safe = text;
  std::ranges::replace_if(
      safe, [](unsigned char c) { return c == '/' || c == '\\' || c < 0x20 || c == 0x7F; }, '_');
  return safe;
}

std::string CopyNames::Next(const std::string& prefix, const std::string& itemName,
                            const std::function<bool(const std::string& name)>& taken) {
  const std::string stem = SafeFileNamePart(prefix) + "_" + SafeFileNamePart(itemName);
  std::string name = stem;
  for (int n = 2; used_.contains(db::LowerAscii(name)) || (taken && taken(name)); ++n) {
    name = stem + " (" + std::to_string(n) + ")";
  }
  used_.insert(db::LowerAscii(name));
  return name;
}

}  // namespace quorvia::query
