// A small SQL front end over tables read from a Jet database:
//   SELECT [DISTINCT | ALL] * | column [, column ...] FROM table [WHERE condition] [;]
// Conditions: LIKE and NOT LIKE ('%' any run, '_' one character), =, <>, !=,
// <, <=, >, >=, IS [NOT] NULL, AND, OR, NOT and parentheses. Names may be
// written in [brackets] or `backquotes` and qualified by the table name;
// keywords and names ignore letter case; text literals use '...' with ''
// standing for one apostrophe. Text compares as Jet compares it, without
// regard to letter case. A NULL matches no comparison.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jet/database.h"

namespace jet {

// A table held column by column for repeated queries. Case-folded copies of
// a column, used by every comparison, are built the first time a query
// needs them and kept for the life of the table.
class QueryTable {
public:
    explicit QueryTable(Table table);
    QueryTable(const QueryTable&) = delete;

    // Reads table `name` of `db` straight into column storage, without
    // building its rows first.
    static Result<std::shared_ptr<const QueryTable>> Load(const Database& db, std::string_view name);
    QueryTable& operator=(const QueryTable&) = delete;

    const std::string& Name() const { return name_; }
    const std::vector<Column>& Columns() const { return columns_; }
    size_t RowCount() const { return rowCount_; }
    std::optional<size_t> FindColumn(std::string_view name) const;   // ignores letter case
    // Bytes held by the cells and by the folded copies built so far.
    size_t MemoryBytes() const;

    bool IsNull(size_t row, size_t column) const { return data_[column].Null(row); }
    std::string_view Text(size_t row, size_t column) const { return data_[column].Text(row); }   // "" for NULL

    // Cells of one column, each followed by a 0 byte (jet/database.h).
    using CellStore = TextColumn;
    // The folded copy of a column, with what the searches and DISTINCT need.
    struct FoldedColumn {
        const CellStore* cells = nullptr;   // `own`, or the column itself when folding changes nothing
        CellStore own;
        std::vector<uint64_t> hash;      // per row, of the folded text (NULLs share one value)
        uint32_t byteCount[256] = {};    // how often each byte occurs in cells.text
    };
    const FoldedColumn& Folded(size_t column) const;

private:
    QueryTable(std::string name, std::vector<Column> columns, size_t rowCount, std::vector<CellStore> data);

    std::string name_;
    std::vector<Column> columns_;
    size_t rowCount_ = 0;
    std::vector<CellStore> data_;
    struct LazyFolded {
        std::once_flag once;
        std::unique_ptr<FoldedColumn> folded;
    };
    std::unique_ptr<LazyFolded[]> folded_;
};

// The rows of a query: references into the table it ran on.
struct QueryResult {
    std::shared_ptr<const QueryTable> table;
    std::vector<size_t> columns;     // table column of each result column
    std::vector<uint32_t> rows;      // table row of each result row, in table order

    size_t RowCount() const { return rows.size(); }
    size_t ColumnCount() const { return columns.size(); }
    const std::string& ColumnName(size_t c) const { return table->Columns()[columns[c]].name; }
    bool IsNull(size_t r, size_t c) const { return table->IsNull(rows[r], columns[c]); }
    std::string_view Text(size_t r, size_t c) const { return table->Text(rows[r], columns[c]); }
};

// A parsed SELECT statement, ready to run on any table of the right shape.
class SelectStatement {
public:
    struct Expr;
    struct ColumnRef {
        std::string qualifier;   // table name before a '.', or empty
        std::string name;
    };

    SelectStatement();
    SelectStatement(SelectStatement&&) noexcept;
    SelectStatement& operator=(SelectStatement&&) noexcept;
    ~SelectStatement();

    bool distinct = false;
    bool allColumns = false;           // SELECT *
    std::vector<ColumnRef> columns;    // when not allColumns
    std::string table;
    std::unique_ptr<Expr> where;       // null when there is no WHERE
};

// Parses one statement; a Syntax error names the position (1-based, in
// characters) and the text found there.
Result<SelectStatement> ParseSelect(std::string_view sql);

// Runs a statement on `table` (which must be the table the statement names).
Result<QueryResult> RunSelect(const SelectStatement& statement, std::shared_ptr<const QueryTable> table);

// Finds a table by name for ExecuteSql; fails with NoSuchTable (or whatever
// keeps the table from being read).
using TableLookup = std::function<Result<std::shared_ptr<const QueryTable>>(std::string_view name)>;

Result<QueryResult> ExecuteSql(std::string_view sql, const TableLookup& lookup);

}  // namespace jet
