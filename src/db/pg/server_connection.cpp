#include "db/pg/server_connection.h"

#include <libpq-fe.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "db/db_error.h"

namespace quorvia::db::pg {
namespace {

struct OptionsFreer {
  void operator()(PQconninfoOption* options) const noexcept { PQconninfoFree(options); }
};
struct MessageFreer {
  void operator()(char* message) const noexcept { PQfreemem(message); }
};

[[noreturn]] void Refuse(const std::string& source, const std::string& why) {
  throw DbError(kServerSetup, "The connection file " + source + " " + why);
}

std::string TrimmedLine(std::string line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.pop_back();
  const std::size_t first = line.find_first_not_of(" \t");
  return first == std::string::npos ? std::string() : line.substr(first);
}

}  // namespace

std::string ServerConnectionFileFor(const std::string& databasePath) {
  return std::filesystem::path(databasePath).replace_extension(kServerConnectionExtension).string();
}

bool PointsAtServer(const std::string& databasePath) {
  std::error_code error;
  return std::filesystem::exists(ServerConnectionFileFor(databasePath), error);
}

std::optional<std::string> ReadServerConnection(const std::string& databasePath) {
  if (!PointsAtServer(databasePath)) return std::nullopt;
  const std::string file = ServerConnectionFileFor(databasePath);
  std::ifstream in(file);
  if (!in) Refuse(file, "cannot be read.");
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (std::string text = TrimmedLine(line); !text.empty()) lines.push_back(std::move(text));
  }
  if (lines.empty()) Refuse(file, "holds no connection string.");
  if (lines.size() > 1)
    Refuse(file, "must hold one line, a connection string; it holds " + std::to_string(lines.size()) + ".");
  CheckConnectionString(lines.front(), file);
  return lines.front();
}

void CheckConnectionString(const std::string& conninfo, const std::string& source) {
  char* rawMessage = nullptr;
  const std::unique_ptr<PQconninfoOption, OptionsFreer> options(
      PQconninfoParse(conninfo.c_str(), &rawMessage));
  const std::unique_ptr<char, MessageFreer> message(rawMessage);
  if (!options) {
    std::string why = message ? message.get() : "out of memory";
    while (!why.empty() && why.back() == '\n') why.pop_back();
    Refuse(source, "holds no valid connection string: " + why);
  }
  for (const PQconninfoOption* option = options.get(); option->keyword != nullptr; ++option) {
    if (std::string_view(option->keyword) == "password" && option->val != nullptr) {
      Refuse(source,
             "holds a password, which it must not: put it in ~/.pgpass, a service file or PGPASSWORD.");
    }
  }
}

}  // namespace quorvia::db::pg
