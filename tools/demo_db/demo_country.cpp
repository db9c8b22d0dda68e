#include "demo_country.h"

#include <algorithm>

namespace quorvia::tools {

const std::vector<DemoCountry>& DemoCountries() {
  // "N1" is a watershed code on purpose: a value equal to a column name must stay a value in queries.
  static const std::vector<DemoCountry> countries = {
      {"AT", "FINAL", true, false, "123", {"DAN1", "DAN2", "DAN3", "RHI", "ELB"}, {20, 35, 45}},
      {"BE", "FINAL", false, true, "123", {"SCH", "MAA", "YSE"}, {80, 20, 0}},
      {"CH", "FINAL", true, false, "01", {"RHI", "RHO", "PO", "DAN"}, {10, 35, 55}},
      {"DE", "FINAL", false, true, "127A", {"RHI", "DAN", "ELB", "WES", "ODE", "N1"}, {55, 40, 5}},
      {"ES", "FINAL", true, true, "1245", {"DUE", "EBR", "TAJ", "GUA", "JUC"}, {25, 50, 25}},
      {"FR", "FINAL", true, true, "1258", {"SEI", "LOI", "GAR", "RHO", "N1", "N2"}, {50, 35, 15}},
      {"IT", "PARTIAL", true, true, "CDEF", {"PO", "ARN", "TEV", "ADI"}, {40, 35, 25}},
      {"NL", "FINAL", true, true, "1234", {"RIJ", "MAA", "EEM", "N1"}, {100, 0, 0}},
      {"PT", "FINAL", true, true, "123", {"DOU", "TEJ", "GUA", "MON"}, {45, 45, 10}},
  };
  return countries;
}

std::string DemoCountryCodes(std::string_view separator) {
  std::string codes;
  for (const DemoCountry& country : DemoCountries()) {
    if (!codes.empty()) codes += separator;
    codes += country.code;
  }
  return codes;
}

const DemoCountry* FindDemoCountry(std::string_view code) {
  const auto& countries = DemoCountries();
  const auto found = std::find_if(countries.begin(), countries.end(),
                                  [code](const DemoCountry& c) { return c.code == code; });
  return found == countries.end() ? nullptr : &*found;
}

}  // namespace quorvia::tools
