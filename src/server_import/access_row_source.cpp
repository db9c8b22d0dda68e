#include "server_import/access_row_source.h"

namespace quorvia::server_import {

AccessRowSource::AccessRowSource(const std::string& path) : path_(path), reader_(path) {}

void AccessRowSource::ReadRows(std::size_t index, const RowFn& onRow) { reader_.ReadRows(index, onRow); }

}  // namespace quorvia::server_import
