#include "access_import/access_reader.h"

#include <mdbtools.h>

#include <cstring>

#include "access_import/access_header.h"
#include "access_import/access_values.h"
#include "import_rows/import_error.h"

namespace quorvia::access_import {
namespace {

// Flags in a row's offset on its data page.
constexpr int kDeletedRow = 0x4000;
constexpr int kOffsetMask = 0x1fff;
// The system catalogue (MSysObjects) is defined on page 2 of every file.
constexpr unsigned long kCataloguePage = 2;

std::string DeclaredType(const MdbColumn& column) {
  switch (column.col_type) {
    case MDB_BOOL:
      return "BOOLEAN";
    case MDB_BYTE:
      return "TINYINT";
    case MDB_INT:
      return "SMALLINT";
    case MDB_LONGINT:
    case MDB_COMPLEX:
      return "INTEGER";
    case MDB_MONEY:
      return "CURRENCY";
    case MDB_FLOAT:
      return "FLOAT";
    case MDB_DOUBLE:
      return "DOUBLE";
    case MDB_DATETIME:
      return "DATETIME";
    case MDB_TEXT:
      return "TEXT";
    case MDB_MEMO:
      return "LONGTEXT";
    case MDB_REPID:
      return "GUID";
    case MDB_NUMERIC:
      return "DECIMAL(" + std::to_string(column.col_prec) + "," + std::to_string(column.col_scale) + ")";
    default:
      return "BLOB";
  }
}

struct TableDefDeleter {
  void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};
using TableDefPtr = std::unique_ptr<MdbTableDef, TableDefDeleter>;

}  // namespace

struct AccessReader::Handle {
  MdbHandle* mdb = nullptr;
  std::vector<MdbCatalogEntry*> tableEntries;
  ~Handle() {
    if (mdb != nullptr) mdb_close(mdb);
  }
};

namespace {

// Decodes the fields of one cracked row; throws std::runtime_error with a short reason on damage.
class RowDecoder {
 public:
  explicit RowDecoder(MdbHandle* mdb)
      : mdb_(mdb), jet3_(mdb->f->jet_version == MDB_VER_JET3), pageSize_(mdb->fmt->pg_size) {}

  import_rows::Cell Decode(const MdbColumn& column, const MdbField& field) {
    if (column.col_type == MDB_BOOL) return std::int64_t{field.is_null ? 0 : 1};  // the null bit is the value
    if (field.is_null || field.value == nullptr) return std::monostate{};
    if (field.start < 0 || field.siz < 0 || field.start + field.siz > pageSize_) {
      Damaged("a value lies outside its page");
    }
    const std::span<const std::uint8_t> bytes(static_cast<const std::uint8_t*>(field.value),
                                              static_cast<std::size_t>(field.siz));
    switch (column.col_type) {
      case MDB_BYTE:
        return std::int64_t{Fixed(bytes, 1)[0]};
      case MDB_INT:
        return std::int64_t{ReadInt16(Fixed(bytes, 2))};
      case MDB_LONGINT:
      case MDB_COMPLEX:
        return std::int64_t{ReadInt32(Fixed(bytes, 4))};
      case MDB_FLOAT:
        return static_cast<double>(ReadFloat(Fixed(bytes, 4)));
      case MDB_DOUBLE:
        return ReadDouble(Fixed(bytes, 8));
      case MDB_MONEY:
        return CurrencyText(ReadInt64(Fixed(bytes, 8)));
      case MDB_DATETIME: {
        const double days = ReadDouble(Fixed(bytes, 8));
        if (auto text = DateTimeText(days)) return std::move(*text);
        return days;  // outside the calendar: the number itself, rather than a made-up date
      }
      case MDB_REPID:
        return GuidText(std::span<const std::uint8_t, 16>(Fixed(bytes, 16), 16));
      case MDB_NUMERIC:
        return Decimal(column, field.start, bytes);
      case MDB_TEXT:
        return Text(bytes);
      case MDB_MEMO:
        return Text(AsBytes(LongValue(bytes)));
      case MDB_OLE:
        return import_rows::Blob{LongValue(bytes)};
      default:
        return import_rows::Blob{std::string(AsChars(bytes))};
    }
  }

  [[noreturn]] static void Damaged(const std::string& reason) { throw std::runtime_error(reason); }

 private:
  static const std::uint8_t* Fixed(std::span<const std::uint8_t> bytes, std::size_t size) {
    if (bytes.size() < size) Damaged("a value is shorter than its type");
    return bytes.data();
  }
  static std::string_view AsChars(std::span<const std::uint8_t> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
  }
  static std::span<const std::uint8_t> AsBytes(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
  }

  std::string Text(std::span<const std::uint8_t> stored) {
    if (!jet3_) return DecodeUnicodeText(stored);
    // Jet 3 text is in the file's code page; libmdb converts it. A byte becomes at most four.
    std::string text(stored.size() * 4 + 8, '\0');
    const int length = mdb_unicode2ascii(mdb_, reinterpret_cast<const char*>(stored.data()), stored.size(),
                                         text.data(), text.size() - 1);
    text.resize(static_cast<std::size_t>(std::max(length, 0)));
    return text;
  }

  // The exact decimal text, which libmdb builds from the 17 stored bytes with the column's scale.
  std::string Decimal(const MdbColumn& column, int start, std::span<const std::uint8_t> bytes) {
    Fixed(bytes, 17);
    char* text = mdb_numeric_to_string(mdb_, start, column.col_scale, column.col_prec);
    std::string decimal = text != nullptr ? text : "";
    g_free(text);
    return decimal;
  }

  std::string LongValue(std::span<const std::uint8_t> field) {
    return ReadLongValue(field, [this](std::int32_t pageRow) { return FindRow(pageRow); });
  }

  std::span<const std::uint8_t> FindRow(std::int32_t pageRow) {
    void* page = nullptr;
    int offset = 0;
    size_t length = 0;
    if (mdb_find_pg_row(mdb_, pageRow, &page, &offset, &length) != 0 || offset < 0 ||
        offset + static_cast<long>(length) > pageSize_) {
      Damaged("a memo page cannot be read (page " + std::to_string(static_cast<std::uint32_t>(pageRow) >> 8) +
              ")");
    }
    return {static_cast<const std::uint8_t*>(page) + offset, length};
  }

  MdbHandle* mdb_;
  bool jet3_;
  long pageSize_;
};

// The rows the system catalogue records, read from its table definition.
unsigned CatalogueRows(MdbHandle* mdb) {
  MdbCatalogEntry catalogue{};
  catalogue.mdb = mdb;
  catalogue.object_type = MDB_TABLE;
  catalogue.table_pg = kCataloguePage;
  std::strncpy(catalogue.object_name, "MSysObjects", MDB_MAX_OBJ_NAME);
  TableDefPtr table(mdb_read_table(&catalogue));
  return table ? table->num_rows : 0;
}

}  // namespace

AccessReader::AccessReader(const std::string& path) : path_(path), handle_(std::make_unique<Handle>()) {
  CheckAccessFile(path);  // a file libmdb would misread is refused before it is opened
  handle_->mdb = mdb_open(path.c_str(), MDB_NOFLAGS);
  if (handle_->mdb == nullptr)
    throw import_rows::ImportError("Cannot open " + path + " as an Access database");
  MdbHandle* mdb = handle_->mdb;
  if (mdb->f->db_key != 0) {
    throw import_rows::ImportError("Cannot convert " + path +
                                   ": the database is encrypted, which is not supported");
  }
  if (mdb_read_catalog(mdb, MDB_ANY) == nullptr || CatalogueRows(mdb) != mdb->num_catalog) {
    // libmdb passes over catalogue rows it cannot read; a table missing from the list would be lost
    // without a word.
    throw import_rows::ImportError("Cannot convert " + path +
                                   ": its catalogue of tables cannot be read (damaged page)");
  }
  for (unsigned i = 0; i < mdb->num_catalog; ++i) {
    auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
    // Queries named "~sq_..." are Access's own, behind forms and reports; the user's are counted.
    if (entry->object_type == MDB_QUERY && entry->object_name[0] != '~') ++storedQueries_;
    if (entry->object_type != MDB_TABLE || !mdb_is_user_table(entry)) continue;
    if (std::strncmp(entry->object_name, "MSys", 4) == 0) continue;
    TableDefPtr table(mdb_read_table(entry));
    if (!table || mdb_read_columns(table.get()) == nullptr) {
      throw import_rows::ImportError("Cannot convert " + path + ": the definition of table " +
                                     entry->object_name + " cannot be read");
    }
    import_rows::Table description{entry->object_name, {}, table->num_rows};
    for (unsigned c = 0; c < table->num_cols; ++c) {
      const auto* column = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, c));
      description.columns.push_back({column->name, DeclaredType(*column)});
    }
    tables_.push_back(std::move(description));
    handle_->tableEntries.push_back(entry);
  }
}

AccessReader::~AccessReader() = default;

void AccessReader::ReadRows(std::size_t index, const RowFn& onRow) {
  const import_rows::Table& description = tables_.at(index);
  MdbHandle* mdb = handle_->mdb;
  TableDefPtr table(mdb_read_table(handle_->tableEntries.at(index)));
  if (!table || mdb_read_columns(table.get()) == nullptr) {
    throw import_rows::ImportError("Cannot convert " + path_ + ": the definition of table " +
                                   description.name + " cannot be read");
  }
  std::vector<MdbColumn*> columns(table->num_cols);
  for (unsigned c = 0; c < table->num_cols; ++c) {
    columns[c] = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, c));
  }
  std::vector<MdbField> fields(table->num_cols);
  std::vector<import_rows::Cell> cells(table->num_cols);
  RowDecoder decoder(mdb);
  std::int64_t rowNumber = 0;
  auto failure = [&](const std::string& reason) {
    return import_rows::ImportError("Cannot convert " + path_ + ": table " + description.name + ", row " +
                                    std::to_string(rowNumber) + ": " + reason);
  };

  mdb_rewind_table(table.get());
  while (mdb_read_next_dpg(table.get()) != 0) {
    const int rows = mdb_get_int16(mdb->pg_buf, mdb->fmt->row_count_offset);
    for (int row = 0; row < rows; ++row) {
      int start = 0;
      size_t size = 0;
      if (mdb_find_row(mdb, row, &start, &size) != 0 || size == 0 || (start & kDeletedRow)) continue;
      ++rowNumber;
      if (mdb_crack_row(table.get(), start & kOffsetMask, size, fields.data()) < 0) {
        throw failure("the row is damaged (page " + std::to_string(table->cur_phys_pg) + ")");
      }
      try {
        for (unsigned c = 0; c < columns.size(); ++c) {
          cells[c] = decoder.Decode(*columns[fields[c].colnum], fields[c]);
        }
      } catch (const std::runtime_error& error) {
        throw failure(std::string(error.what()) + " (page " + std::to_string(table->cur_phys_pg) + ")");
      }
      onRow(cells);
    }
  }
  if (rowNumber != description.rowCount) {
    const std::int64_t read = rowNumber++;
    throw failure("the table records " + std::to_string(description.rowCount) + " rows but " +
                  std::to_string(read) + " could be read; a page is missing or damaged");
  }
}

}  // namespace quorvia::access_import
