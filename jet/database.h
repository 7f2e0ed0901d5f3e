// Public interface of our Jet 4 database engine: open a database file held in
// memory, list its tables, read a table's rows; write a new database holding
// one table. Everything here is portable and knows nothing of Windows.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"

namespace jet {

// Why an open or a read failed. `page` names the page where the damage was
// found, when there is one.
struct Error {
    enum Kind : uint8_t {
        Io,              // the file could not be read (missing, unreadable)
        Empty,           // the file holds no bytes
        NotJet,          // not a Jet database at all
        UnsupportedVersion,  // a Jet database, but not Jet 4
        BadPassword,     // the database password does not match
        Corrupt,         // an offset, length or count read from the file is impossible
        NoSuchTable,
        NoSuchColumn,
        Syntax,          // the query text is not understood
        Unsupported,     // valid, but outside what the engine handles
        WriteFailed,
        OutOfMemory,     // the memory the work needs cannot be had
    };
    Kind kind;
    std::string message;   // complete sentence for the user or maintainer
    uint32_t page = 0;     // page number for Corrupt, else 0
};

template <class T>
using Result = base::Result<T, Error>;

// Column types as stored in the table definition (column descriptor byte 0).
enum class ColumnType : uint8_t {
    Boolean = 0x01, Byte = 0x02, Integer = 0x03, Long = 0x04, Currency = 0x05,
    Single = 0x06, Double = 0x07, DateTime = 0x08, Binary = 0x09, Text = 0x0A,
    Ole = 0x0B, Memo = 0x0C, Guid = 0x0F, Numeric = 0x10,
};

struct Column {
    std::string name;      // UTF-8
    ColumnType type;
    uint16_t maxLength;    // bytes as stored (Text: 2 per character)
};

// A cell as text: UTF-8 for Text and Memo; for other types the value in the
// text form that mdb-export prints (numbers, dates "MM/DD/YY HH:MM:SS",
// booleans "1"/"0", GUIDs "{...}", binary data as raw bytes), unless a scan
// asks for ValueText::Exact. std::nullopt is NULL.
using Cell = std::optional<std::string>;
using Row = std::vector<Cell>;

struct Table {
    std::string name;
    std::vector<Column> columns;   // in column-number order
    std::vector<Row> rows;         // live rows in storage order (page order, then row order)
};

// How a scan writes values that are not text. Classic is the form above;
// Exact loses nothing and is valid UTF-8: dates "YYYY-MM-DD HH:MM:SS" (the
// year in full), and binary data (OLE, Binary, types without a text form) as
// "0x" followed by two upper-case hexadecimal digits per byte.
enum class ValueText : uint8_t { Classic, Exact };

// A cell seen while scanning a table: valid only during the visit.
struct CellView {
    bool isNull;
    std::string_view text;   // as in Cell
};
// Called once per live row with the requested cells; returns false to stop.
using RowVisitor = std::function<bool(std::span<const CellView> cells)>;

// One column of a table held in memory as text, as queries read it: cell r is
// text[start[r], start[r + 1] - 1), each cell followed by a 0 byte so that no
// search over `text` runs from one cell into the next.
struct TextColumn {
    std::string text;
    std::vector<uint32_t> start;      // row count + 1 entries, from 0
    std::vector<uint64_t> nullBits;   // bit r (of word r / 64) set where cell r is NULL

    size_t RowCount() const { return start.empty() ? 0 : start.size() - 1; }
    std::string_view Text(size_t r) const {   // "" for NULL
        return std::string_view(text).substr(start[r], start[r + 1] - start[r] - 1);
    }
    bool Null(size_t r) const { return (nullBits[r / 64] >> (r % 64) & 1) != 0; }
    // Room for `rows` rows of `textBytes` bytes in all (separators included).
    void Reserve(size_t rows, size_t textBytes);
    // Ends the cell whose text was appended to `text`; false when the column
    // passes 4 GB of text, which 32-bit offsets cannot address.
    bool EndCell(bool isNull);
    size_t MemoryBytes() const;
};

struct DatabaseInfo {
    int jetVersion;                // 4 for Jet 4 (Access 2000/2002/2003)
    bool passwordSet;              // the database carries a password
};

class Database {
public:
    // Opens a database from its bytes. The password is compared with the one
    // stored in the file (an empty password matches a database without one).
    static Result<Database> Open(std::vector<uint8_t> bytes, std::string_view password);

    // Reads only the header: version and whether the given password matches.
    // Fails for files that are not Jet databases.
    static Result<bool> PasswordMatches(const std::vector<uint8_t>& bytes, std::string_view password);

    DatabaseInfo Info() const;
    std::vector<std::string> TableNames() const;              // user tables, catalog order
    Result<Table> ReadTable(std::string_view name) const;     // name compared without letter case

    // The columns of a table, in column-number order (as in Table::columns).
    Result<std::vector<Column>> TableColumns(std::string_view name) const;
    // Streams a table's live rows in the order of ReadTable without building
    // them: `visit` gets the cells of `columns` (indexes into TableColumns, in
    // the order given; empty = all columns). Decodes only the requested
    // columns, so it is the fast path for queries. A column may be asked for
    // more than once.
    Result<base::Unit> ScanTable(std::string_view name, std::span<const size_t> columns, const RowVisitor& visit,
                                 ValueText form = ValueText::Classic) const;

    // Reads every cell of a table (in the text form of ValueText::Classic)
    // into one TextColumn per column, in column-number order and the row
    // order of ReadTable. Each column's storage is sized from the rows before
    // it is filled, so it holds little more than its text. Damage is reported
    // as ReadTable reports it; a column of more than 4 GB of text is
    // Unsupported.
    Result<std::vector<TextColumn>> ReadTextColumns(std::string_view name) const;

    Database(Database&&) noexcept;
    Database& operator=(Database&&) noexcept;
    ~Database();

private:
    struct Impl;
    explicit Database(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// Writes a new Jet 4 database holding exactly one user table whose columns are
// Text (maxLength up to 510 bytes, i.e. 255 characters) or Memo, with the given
// database password (up to 20 characters; empty for none).
struct NewTable {
    std::string name;
    std::vector<Column> columns;   // Text or Memo only
    std::vector<Row> rows;         // each row has one cell per column
};
Result<std::vector<uint8_t>> WriteDatabase(const NewTable& table, std::string_view password);

}  // namespace jet
