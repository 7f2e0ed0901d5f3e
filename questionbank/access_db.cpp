#include "questionbank/access_db.h"

#include <map>
#include <new>
#include <stdexcept>

#include "jet/connection.h"
#include "jet/sql_text.h"
#include "questionbank/file_access.h"
#include "questionbank/keyword_query.h"
#include "questionbank/keyword_search.h"

#ifndef _WIN32
#include <cstdio>
#endif

namespace questionbank {

// One version of the copy and the tables read from it so far. The database
// itself (which holds the whole file) is kept only during the query that
// opened it; a later query naming another table reads the file again.
struct AccessDb::Cache {
    std::string path;
    std::string password;
    FileFingerprint fingerprint;
    std::optional<jet::Database> database;
    std::map<std::string, std::shared_ptr<const jet::QueryTable>> tables;   // by folded name
    std::optional<search::BankStamp> bank;         // when an index may be saved
    std::unique_ptr<search::SearchIndex> index;   // of the bank table, read or built by the first keyword
};

namespace {

// Reads and opens the copy; `fingerprint` receives the version that was read,
// and `stamp`, when given, what tells it from every other bank.
jet::Result<jet::Database> ReadDatabase(const std::string& path, const std::string& password, FileFingerprint& fingerprint,
                                        std::optional<search::BankStamp>* stamp = nullptr) {
    const std::filesystem::path file = PathFromUtf8(path);
    const auto writeTime = FileWriteTime(file);
    std::string reason = "it vanished";
    auto bytes = ReadWholeFile(file, &reason);
    if (!bytes || !writeTime) return jet::Error{jet::Error::Io, "The database file " + path + " cannot be read: " + reason + "."};
    if (bytes->empty()) return jet::Error{jet::Error::Empty, "The database file " + path + " is empty."};
    fingerprint = FingerprintBytes(*bytes, *writeTime);
    if (stamp) *stamp = StampOf(*bytes);
    return jet::Database::Open(std::move(*bytes), password);
}

}  // namespace

std::string BankConnectionString(std::string_view tempBankPath) {
    const std::string p(kBankPassword);
    return "Provider=Microsoft.Jet.OLEDB.4.0;Persist Security Info=False;Data Source=" +
           jet::QuoteConnectionValue(tempBankPath) + ";Jet OLEDB:Database Password=" + p + ";admin," + p;
}

AccessDb::AccessDb() : reporter_(ShowDatabaseErrorBox) {}
AccessDb::~AccessDb() = default;

jet::Result<std::shared_ptr<AccessDb::Cache>> AccessDb::OpenDatabase(const std::string& path, const std::string& password) {
    const std::filesystem::path file = PathFromUtf8(path);
    const auto fingerprint = FingerprintFile(file);
    if (!fingerprint) {
        cache_.reset();
        return jet::Error{jet::Error::Io, "The database file " + path + " cannot be read."};
    }
    if (cache_ && cache_->path == path && cache_->password == password && cache_->fingerprint == *fingerprint) {
        return cache_;
    }
    cache_.reset();   // the old version goes before the new one is read
    auto entry = std::make_shared<Cache>();
    entry->path = path;
    entry->password = password;
    auto db = ReadDatabase(path, password, entry->fingerprint, searchIndexPath_.empty() ? nullptr : &entry->bank);
    if (!db) return db.error();
    entry->database.emplace(std::move(*db));
    cache_ = entry;
    return entry;
}

void AccessDb::Fail(jet::Error error) {
    recordset_ = Recordset();
    lastError_ = std::move(error);
    if (lastError_->kind == jet::Error::Io) cache_.reset();
    if (reporter_) reporter_(kDatabaseErrorText, kDatabaseErrorCaption);
}

jet::Result<std::shared_ptr<AccessDb::Cache>> AccessDb::Connect() {
    connection_ = BankConnectionState{BankConnectionString(tempBankPath_), false};
    recordset_ = Recordset();
    lastError_.reset();
    similar_ = false;
    rules_.clear();
    auto settings = jet::ParseConnectionString(connection_.connectionString);
    if (!settings) return settings.error();
    auto cache = OpenDatabase(settings->dataSource, settings->databasePassword);
    if (!cache) return cache.error();
    connection_.open = true;
    return cache;
}

// The prepared table `name`, read from the copy the first time it is asked for.
jet::Result<std::shared_ptr<const jet::QueryTable>> AccessDb::LoadTable(Cache& c, std::string_view name) {
    const std::string key = jet::Folded(name);
    if (auto it = c.tables.find(key); it != c.tables.end()) return it->second;
    if (!c.database) {
        FileFingerprint now;
        auto db = ReadDatabase(c.path, c.password, now);
        if (!db) return db.error();
        if (!(now == c.fingerprint)) {
            return jet::Error{jet::Error::Io, "The database file " + c.path + " changed during the query."};
        }
        c.database.emplace(std::move(*db));
    }
    auto prepared = jet::QueryTable::Load(*c.database, name);
    if (!prepared) return prepared.error();
    c.tables.emplace(key, *prepared);
    return *prepared;
}

// A bank too large for the memory there is (a 32-bit process has 2 GB of
// addresses) is a failure like any other: it ends in the report, never in an
// exception thrown through the window procedure that asked.
template <class Work>
void AccessDb::Guarded(Work&& work) {
    try {
        work();
        return;
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    cache_.reset();
    Fail(jet::Error{jet::Error::OutOfMemory, "There is not enough memory to read the database.", 0});
}

void AccessDb::OpenQuery(std::string_view sql) {
    Guarded([&] { RunQuery(sql); });
}

void AccessDb::SearchKeyword(std::string_view keyword) {
    Guarded([&] { RunSearch(keyword); });
}

void AccessDb::RunQuery(std::string_view sql) {
    auto cache = Connect();
    if (!cache) return Fail(cache.error());
    Cache& c = **cache;
    auto result = jet::ExecuteSql(sql, [&](std::string_view name) { return LoadTable(c, name); });
    c.database.reset();
    if (!result) return Fail(result.error());
    recordset_ = Recordset(std::move(*result));
}

void AccessDb::RunSearch(std::string_view keyword) {
    auto cache = Connect();
    if (!cache) return Fail(cache.error());
    Cache& c = **cache;
    auto table = LoadTable(c, "wd");
    c.database.reset();
    if (!table) return Fail(table.error());
    const auto columns = FindBankColumns(**table);
    // Not a bank the rules can read: the query says what is wrong with it.
    if (!columns) return RunQuery(KeywordQuerySql(keyword));
    const bool saving = !searchIndexPath_.empty() && c.bank;
    if (!c.index && saving) c.index = ReadSearchIndex(PathFromUtf8(searchIndexPath_), *c.bank, *table, *columns);
    if (!c.index) {
        // Saved once it is whole: at once for a small bank, on the thread
        // that builds the postings for a large one. Only a cache: when it
        // cannot be written, the next start builds the index again.
        search::SearchIndex::WhenComplete save;
        if (saving) {
            save = [path = PathFromUtf8(searchIndexPath_), bank = *c.bank](const search::SearchIndex& index) {
                SaveSearchIndex(path, index, bank);
            };
        }
        c.index = MakeSearchIndex(*table, *columns, std::move(save));
    }
    search::SearchResult found = c.index->Search(keyword);
    recordset_ = Recordset(SearchRows(*table, *columns, std::move(found.rows)));
    rules_ = std::move(found.rules);
    similar_ = found.similar;
}

bool AccessDb::SearchIndexComplete() const { return cache_ && cache_->index && cache_->index->Complete(); }

size_t AccessDb::CacheBytes() const {
    size_t total = 0;
    if (cache_) {
        for (const auto& [name, table] : cache_->tables) total += table->MemoryBytes();
        if (cache_->index) total += cache_->index->MemoryBytes();
    }
    return total;
}

AccessDb& Access_DB() {
    static AccessDb instance;
    return instance;
}

#ifndef _WIN32
void ShowDatabaseErrorBox(std::string_view text, std::string_view caption) {
    std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(caption.size()), caption.data(), static_cast<int>(text.size()),
                 text.data());
}
#endif

}  // namespace questionbank
