#include "server_import/access_row_source.h"

#include "access_import/library_output.h"

namespace quorvia::server_import {

namespace {

// The reader with libmdb's own output kept off the terminal while it opens the file.
access_import::AccessReader OpenQuietly(const std::string& path) {
  const access_import::LibraryOutputMuted muted;
  return access_import::AccessReader(path);
}

}  // namespace

AccessRowSource::AccessRowSource(const std::string& path) : path_(path), reader_(OpenQuietly(path)) {}

// The rows are handed on with our output let through: the load reports its progress as it goes.
void AccessRowSource::ReadRows(std::size_t index, const RowFn& onRow) {
  access_import::LibraryOutputMuted muted;
  reader_.ReadRows(index, [&](std::span<const import_rows::Cell> cells) {
    muted.Resume();
    onRow(cells);
    muted.Pause();
  });
}

}  // namespace quorvia::server_import
