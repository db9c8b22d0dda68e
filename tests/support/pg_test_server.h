#pragma once

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "db/pg/pg_connection.h"

namespace quorvia::testing {

// The superuser's connection to the PostgreSQL server the tests may use (scripts/test.sh starts a private
// cluster and sets it), or nothing.
inline std::optional<std::string> TestServer() {
  const char* conninfo = std::getenv("QUORVIA_TEST_SERVER");
  if (conninfo == nullptr || *conninfo == '\0') return std::nullopt;
  return std::string(conninfo);
}

#define QUORVIA_REQUIRE_TEST_SERVER()                                                                    \
  if (!::quorvia::testing::TestServer())                                                                 \
  GTEST_SKIP() << "No PostgreSQL server for the tests: QUORVIA_TEST_SERVER is not set (scripts/test.sh " \
                  "starts a private cluster and sets it)"

// Passwords of the roles the tests make, in a pgpass file of this process: libpq finds them there, as it
// would find an analyst's in ~/.pgpass.
class TestPasswords {
 public:
  static void Add(const std::string& role, const std::string& password) {
    static const std::string file = [] {
      const std::string path =
          (std::filesystem::temp_directory_path() / ("quorvia-pgpass-" + std::to_string(::getpid())))
              .string();
      std::ofstream(path, std::ios::trunc).flush();
      ::chmod(path.c_str(), 0600);
      ::setenv("PGPASSFILE", path.c_str(), 1);
      std::atexit([] { std::filesystem::remove(std::getenv("PGPASSFILE")); });
      return path;
    }();
    std::ofstream(file, std::ios::app) << "*:*:*:" << role << ":" << password << "\n";
  }
};

// A fresh database on the test server, removed with the object together with the roles made for it.
class ServerDatabase {
 public:
  ServerDatabase() : name_(UniqueName("db")) {
    db::pg::PgConnection(*TestServer())
        .Execute("CREATE DATABASE " + name_ + " TEMPLATE template0 ENCODING 'UTF8'");
    admin_ = std::make_unique<db::pg::PgConnection>(AdminConninfo());
  }
  ~ServerDatabase() {
    try {
      admin_.reset();
      db::pg::PgConnection server(*TestServer());
      server.Execute("DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)");
      for (const auto& role : roles_) server.Execute("DROP ROLE IF EXISTS " + role);
    } catch (...) {
      // The cluster is thrown away after the run anyway.
    }
  }
  ServerDatabase(const ServerDatabase&) = delete;
  ServerDatabase& operator=(const ServerDatabase&) = delete;

  const std::string& Name() const { return name_; }
  // The superuser on this database.
  std::string AdminConninfo() const { return *TestServer() + " dbname=" + name_; }
  // A role on this database; the server is found through PGHOST and the password in the pgpass file.
  std::string Conninfo(const std::string& role) const { return "dbname=" + name_ + " user=" + role; }
  db::pg::PgConnection& Admin() { return *admin_; }
  void Execute(const std::string& sql) { admin_->ExecuteScript(sql); }
  std::string Query(const std::string& sql) { return admin_->QueryText(sql); }
  // The first column of every row, one line each (a plan, for instance).
  std::string QueryLines(const std::string& sql) {
    const auto result = admin_->Execute(sql);
    std::string lines;
    for (int row = 0; row < PQntuples(result.get()); ++row)
      lines += std::string(PQgetvalue(result.get(), row, 0)) + "\n";
    return lines;
  }

  // A login role (name made unique) with its password in the pgpass file. An analyst reads the shared
  // tables and owns a schema of its own.
  std::string AddRole(const std::string& base, bool analyst = true) {
    const std::string role = UniqueName(base);
    roles_.push_back(role);
    const std::string password = "pw-" + role;
    Execute("CREATE ROLE " + role + " LOGIN PASSWORD '" + password + "'");
    TestPasswords::Add(role, password);
    if (analyst) {
      Execute("GRANT USAGE ON SCHEMA public TO " + role +
              "; GRANT SELECT ON ALL TABLES IN SCHEMA public TO " + role + "; CREATE SCHEMA " + role +
              " AUTHORIZATION " + role);
    }
    return role;
  }

 private:
  static std::string UniqueName(const std::string& base) {
    static std::atomic<int> counter{0};
    return "qt" + std::to_string(::getpid()) + "_" + std::to_string(counter++) + "_" + base;
  }

  std::string name_;
  std::unique_ptr<db::pg::PgConnection> admin_;
  std::vector<std::string> roles_;
};

}  // namespace quorvia::testing
