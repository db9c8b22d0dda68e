#include "app/runner_options.h"

#include <algorithm>
#include <functional>
#include <map>
#include <stdexcept>

namespace quorvia::app {
namespace {

int LevelNumber(const std::string& option, const std::string& text, int highest) {
  if (text.size() == 1 && text[0] >= '1' && text[0] <= '0' + highest) return text[0] - '0';
  throw std::invalid_argument(option + " takes a level from 1 to " + std::to_string(highest) + ", not \"" +
                              text + "\"");
}

using ValueSetter = std::function<void(RunnerOptions&, const std::string&)>;

// Every filter of the table has an option for its text, and a levelled one an option for its level.
void AddFilterOptions(std::map<std::string, ValueSetter>& options) {
  for (const auto& filter : query::kFilters) {
    const auto index = query::IndexOf(filter.id);
    const std::string name = std::string("--") + filter.optionName;
    options[name] = [index](RunnerOptions& o, const std::string& v) { o.filterTexts[index] = v; };
    if (filter.kind != query::FilterKind::levelled) continue;
    options[name + "-level"] = [index, name, highest = query::LevelCount(filter)](RunnerOptions& o,
                                                                                  const std::string& v) {
      o.levels[index] = LevelNumber(name + "-level", v, highest);
    };
  }
}

const std::map<std::string, ValueSetter>& ValueOptions() {
  static const std::map<std::string, ValueSetter> kOptions = [] {
    std::map<std::string, ValueSetter> options = {
        {"--folder", [](RunnerOptions& o, const std::string& v) { o.folder = v; }},
        {"--change",
         [](RunnerOptions& o, const std::string& v) { o.changeType = LevelNumber("--change", v, 2); }},
        {"--batch", [](RunnerOptions& o, const std::string& v) { o.batchUnit = v; }},
        {"--item", [](RunnerOptions& o, const std::string& v) { o.batchItems.push_back(v); }},
        {"--prefix", [](RunnerOptions& o, const std::string& v) { o.prefix = v; }},
        {"--screenshot", [](RunnerOptions& o, const std::string& v) { o.screenshot = v; }},
        {"--pdf", [](RunnerOptions& o, const std::string& v) { o.pdf = v; }},
    };
    AddFilterOptions(options);
    return options;
  }();
  return kOptions;
}

}  // namespace

RunnerOptions ParseRunnerOptions(const std::vector<std::string>& arguments) {
  RunnerOptions options;
  if (std::find(arguments.begin(), arguments.end(), "--help") != arguments.end()) {
    options.help = true;
    return options;
  }
  // Making a demo folder and writing the report template are commands of their own, as the start
  // dialog's button and the window's action are.
  for (const char* command : {"--make-demo", "--make-template"}) {
    if (arguments.empty() || arguments.front() != command) continue;
    if (arguments.size() != 2)
      throw std::invalid_argument(std::string(command) + " takes one folder and no other option");
    (arguments.front() == "--make-demo" ? options.makeDemo : options.makeTemplate) = arguments.back();
    return options;
  }
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--update") {
      options.update = true;
    } else if (argument == "--lists") {
      options.printLists = true;
    } else if (argument == "--convert") {
      options.convert = true;
    } else if (argument == "--all-items") {
      options.allItems = true;
    } else if (argument == "--no-summary") {
      options.summary = false;
    } else if (argument == "--pdf-copies") {
      options.pdfCopies = true;
    } else if (const auto found = ValueOptions().find(argument); found != ValueOptions().end()) {
      if (i + 1 >= arguments.size()) throw std::invalid_argument(argument + " needs a value");
      found->second(options, arguments[++i]);
    } else {
      throw std::invalid_argument("Unknown option \"" + argument + "\"");
    }
  }
  if (options.folder.empty()) throw std::invalid_argument("--folder is required");
  if (!options.batchUnit && (options.allItems || !options.batchItems.empty())) {
    throw std::invalid_argument("--item and --all-items go with --batch");
  }
  if (options.batchUnit && !options.allItems && options.batchItems.empty()) {
    throw std::invalid_argument("--batch needs --item (one or more) or --all-items");
  }
  return options;
}

std::string RunnerUsage() {
  return "Usage: quorvia-run --folder DIR [selection] [--update] [--batch UNIT (--item TEXT ... | "
         "--all-items)\n"
         "                   [--prefix TEXT] [--no-summary] [--pdf-copies]] [--pdf FILE] [--lists]\n"
         "                   [--screenshot PNG] [--convert]\n"
         "       quorvia-run --make-demo FOLDER\n"
         "       quorvia-run --make-template FOLDER\n"
         "Opens DIR/MOSA_DB.mdb and DIR/MOSA_QUERY.xls without a display, makes the selection as the main\n"
         "window's controls would, runs it as the window's buttons do and prints the status labels.\n"
         "Selection:\n"
         "  --country ENTRY          country entry as in the country box, e.g. \"AT Oesterreich\"\n"
         "  --nuts-level 1|2|3       NUTS level button      --nuts TEXT        NUTS region\n"
         "  --elevation-level 1|2    elevation level button --elevation TEXT   elevation breakdown class\n"
         "  --landcover TEXT         dominant land cover    --watershed TEXT   watershed code\n"
         "  --shoreline TEXT         distance to shoreline  --change 1|2       change type button\n"
         "Actions:\n"
         "  --update                 click UPDATE QUERY\n"
         "  --batch UNIT             click BATCH QUERY; UNIT is one of \"Country\", \"Nuts\",\n"
         "                           \"Elevation breakdown\", \"Dominant landcover type\",\n"
         "                           \"Distance to shoreline\", \"Watershed code\"\n"
         "  --item TEXT              an item of the unit to run (repeat), or --all-items\n"
         "  --prefix TEXT            answer to the file-name prefix box (default \"Prefix\"; empty cancels)\n"
         "  --no-summary             the batch writes no summary workbook and CSV\n"
         "  --pdf-copies             the batch writes a PDF beside each copy and beside its summary\n"
         "  --pdf FILE               write the report (cover and report page) as PDF, after the update\n"
         "  --lists                  print the entries of every list box\n"
         "  --screenshot PNG         save a picture of the window as the run left it\n"
         "  --convert                when MOSA_DB.mdb is an Access database, convert it (the original is "
         "kept\n"
         "                           as MOSA_DB.access.mdb); without it such a file ends the run with status "
         "1\n"
         "DIR may also be a file in it (MOSA_DB.mdb, MOSA_DB.pgconn, MOSA_QUERY.xls).\n"
         "--make-template FOLDER writes the report template MOSA_QUERY.xls into FOLDER (or the folder of a\n"
         "file in it), never over a file, as the window's \"Write the report template\" does.\n"
         "--make-demo FOLDER writes the demo database and the report template into FOLDER (made when\n"
         "missing; it must not hold either file yet), as the start dialog's \"Make a demo folder…\" does.\n"
         "Exit status: 0 when everything asked for was done (or --help); 1 when a message was shown, the "
         "workbook was\n"
         "not updated (or its cover page not written) or a batch item failed; 2 on a bad command line.\n";
}

}  // namespace quorvia::app
