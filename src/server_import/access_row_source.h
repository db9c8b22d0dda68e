#pragma once

#include <string>

#include "access_import/access_reader.h"
#include "server_import/row_source.h"

namespace quorvia::server_import {

// The tables of an Access file, read through the Access reader, with the column types and values the file
// import gives them. The reader runs in this process: if a damaged file takes it down, the server ends the
// connection and drops the open load, so nothing is kept.
class AccessRowSource final : public RowSource {
 public:
  // import_rows::ImportError when the file cannot be opened or its catalogue read.
  explicit AccessRowSource(const std::string& path);

  const std::string& Name() const override { return path_; }
  const std::vector<SourceTable>& Tables() const override { return reader_.Tables(); }
  int StoredQueryCount() const override { return reader_.StoredQueryCount(); }
  void ReadRows(std::size_t index, const RowFn& onRow) override;

 private:
  std::string path_;
  access_import::AccessReader reader_;
};

}  // namespace quorvia::server_import
