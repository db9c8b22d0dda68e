#pragma once

#include <functional>
#include <set>
#include <string>

namespace quorvia::query {

// File-name stems of one batch's copies. Characters that cannot stand in a file name are replaced, so every
// item gets its copy inside the program folder, and a stem met again in the same batch gets a " (2)",
// " (3)"... suffix instead of overwriting the earlier copy.
class CopyNames {
 public:
  // prefix + "_" + item name, made safe and unique within this batch, also passing over names that
  // `taken` (when given) says belong to somebody else.
  std::string Next(const std::string& prefix, const std::string& itemName,
                   const std::function<bool(const std::string& name)>& taken = {});

  // The text with "/", "\" and control characters replaced by "_".
  static std::string SafeFileNamePart(const std::string& text);

 private:
  std::set<std::string> used_;  // lower-cased: a copy must not clash on a case-blind file system either
};

}  // namespace quorvia::query
