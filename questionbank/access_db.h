// Access_DB: runs one SQL query against the unscrambled copy of the bank and
// keeps the rows for the caller. Every query behaves as a fresh connection:
// the copy is checked on each query, and a copy that changed or vanished is
// seen at once. The decoded database is cached between queries for as long
// as the file's fingerprint (size, write time, sampled pages) is unchanged.
// Any failure is reported once through the reporter (the "链接数据库错误"
// box in the program) and leaves the recordset without rows.
#pragma once
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "jet/database.h"
#include "jet/sql.h"
#include "search/match.h"

namespace questionbank {

// The bank's database password.
inline constexpr std::string_view kBankPassword = "pqr.3h5k.dst/mz";
inline constexpr std::string_view kDatabaseErrorText = "链接数据库错误";
inline constexpr std::string_view kDatabaseErrorCaption = "Zorvex";

// "Provider=Microsoft.Jet.OLEDB.4.0;Persist Security Info=False;Data Source=" + path +
// ";Jet OLEDB:Database Password=" + P + ";admin," + P. A path holding ';' is quoted.
std::string BankConnectionString(std::string_view tempBankPath);

// The rows of the latest query, positioned on the first row.
class Recordset {
public:
    Recordset() = default;
    explicit Recordset(jet::QueryResult result) : result_(std::move(result)) {}

    size_t RecordCount() const { return result_.RowCount(); }
    size_t FieldCount() const { return result_.ColumnCount(); }
    std::string FieldName(size_t field) const { return field < FieldCount() ? result_.ColumnName(field) : std::string(); }

    // Cursor, as the search walks it.
    bool Eof() const { return position_ >= RecordCount(); }
    void MoveNext() { if (!Eof()) ++position_; }
    void MoveFirst() { position_ = 0; }
    size_t Position() const { return position_; }
    // Field of the current row as text: "" for NULL, for a field past the
    // last one and when the cursor is past the last row.
    std::string_view Fields(size_t field) const { return Cell(position_, field); }
    bool IsNull(size_t field) const { return IsNullAt(position_, field); }

    // Any row directly, for a list that asks for rows as it shows them.
    std::string_view Cell(size_t row, size_t field) const {
        return row < RecordCount() && field < FieldCount() ? result_.Text(row, field) : std::string_view();
    }
    bool IsNullAt(size_t row, size_t field) const {
        return row >= RecordCount() || field >= FieldCount() || result_.IsNull(row, field);
    }

private:
    jet::QueryResult result_;
    size_t position_ = 0;
};

// The connection of the latest query.
struct BankConnectionState {
    std::string connectionString;
    bool open = false;   // the database opened; false after a failure to open
};

class AccessDb {
public:
    using Reporter = std::function<void(std::string_view text, std::string_view caption)>;

    AccessDb();
    ~AccessDb();
    AccessDb(const AccessDb&) = delete;
    AccessDb& operator=(const AccessDb&) = delete;

    // Set once by start-up, after the copy has been written.
    void SetTempBankPath(std::string utf8Path) { tempBankPath_ = std::move(utf8Path); }
    const std::string& TempBankPath() const { return tempBankPath_; }
    // Where the search index is kept between runs, so that a bank that has
    // not changed is not indexed again; empty (the default): nowhere. The
    // file is only a cache: one that cannot be read or written is passed by
    // in silence.
    void SetSearchIndexPath(std::string utf8Path) { searchIndexPath_ = std::move(utf8Path); }

    // Runs `sql`; afterwards BankRecordset() holds its rows. On failure the
    // reporter is called once and the recordset holds no rows. Running out of
    // memory is such a failure (Error::OutOfMemory); nothing is thrown.
    void OpenQuery(std::string_view sql);

    // What typing `keyword` into the search box lists: the rows of the
    // keyword query (KeywordQuerySql) in its order, then the rows only the
    // forgiving rules find (search/index.h), in table order; or, when
    // nothing matches a long keyword, the most similar questions, best first.
    // BankRecordset() holds them with the columns Question, Answer, PinYin,
    // and failures are reported as for OpenQuery.
    void SearchKeyword(std::string_view keyword);
    // After SearchKeyword: the rows are similar to the keyword, not matching it.
    bool SimilarRows() const { return similar_; }
    // After SearchKeyword: the rule that found each row of the recordset.
    const std::vector<search::Rule>& RowRules() const { return rules_; }

    Recordset& BankRecordset() { return recordset_; }
    const Recordset& BankRecordset() const { return recordset_; }
    const BankConnectionState& BankConnection() const { return connection_; }
    // Why the latest query failed, for logs and tests; nullopt after success.
    const std::optional<jet::Error>& LastError() const { return lastError_; }

    // Bytes the cache holds between queries (the prepared tables and the
    // search index, once the index is whole: it waits for that).
    size_t CacheBytes() const;
    // Whether the search index of the bank is whole (a large bank's is built
    // on after the first search returns).
    bool SearchIndexComplete() const;

    // Replaces the failure report (tests record it; the program shows a box).
    void SetReporter(Reporter reporter) { reporter_ = std::move(reporter); }

private:
    struct Cache;
    jet::Result<std::shared_ptr<Cache>> OpenDatabase(const std::string& path, const std::string& password);
    jet::Result<std::shared_ptr<Cache>> Connect();
    jet::Result<std::shared_ptr<const jet::QueryTable>> LoadTable(Cache& cache, std::string_view name);
    void Fail(jet::Error error);
    template <class Work>
    void Guarded(Work&& work);
    void RunQuery(std::string_view sql);
    void RunSearch(std::string_view keyword);

    std::string tempBankPath_;
    std::string searchIndexPath_;
    BankConnectionState connection_;
    Recordset recordset_;
    std::optional<jet::Error> lastError_;
    bool similar_ = false;
    std::vector<search::Rule> rules_;
    Reporter reporter_;
    std::shared_ptr<Cache> cache_;
};

// The program's one Access_DB and its calls, by the names the rest of the
// program uses.
AccessDb& Access_DB();
inline void OpenQuery(std::string_view sql) { Access_DB().OpenQuery(sql); }
inline void SearchKeyword(std::string_view keyword) { Access_DB().SearchKeyword(keyword); }
inline Recordset& BankRecordset() { return Access_DB().BankRecordset(); }

// The platform's failure report: a modal box with an OK button and no icon on
// Windows (access_db_win.cpp), a line on standard error elsewhere.
void ShowDatabaseErrorBox(std::string_view text, std::string_view caption);

}  // namespace questionbank
