// Per-keystroke search: OpenQuery with the keyword query on synthetic banks
// of 10,000, 100,000 and 1,000,000 rows, cold (the first query of a run) and
// warm, beside SQLite running the same query on the same rows and mdbtools'
// mdb-sql on the same file.
//   build/native/bench/query_bench --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <sys/resource.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>

#include "base/text.h"
#include "jet/database.h"
#include "questionbank/access_db.h"
#include "questionbank/file_access.h"
#include "questionbank/keyword_query.h"

namespace {

namespace fs = std::filesystem;

struct Bank {
    fs::path file;                 // the plain copy, as the program leaves it in "tmp"
    std::vector<jet::Row> rows;    // the same rows, for SQLite
};

// Questions of 12..30 characters drawn from the common Han range, with a
// few Latin words; answers of 2..8 characters; PinYin one letter per
// character, like the real bank's.
jet::Row SyntheticRow(std::mt19937& rng) {
    std::uniform_int_distribution<int> han(0x4E00, 0x7FFF), len(12, 30), alen(2, 8), letter(0, 25), pick(0, 19);
    std::u16string q;
    std::string py;
    const int n = len(rng);
    for (int i = 0; i < n; ++i) {
        if (pick(rng) == 0) {
            const char c = static_cast<char>('A' + letter(rng));
            q += static_cast<char16_t>(c);
            py += static_cast<char>(c + 32);
        } else {
            q += static_cast<char16_t>(han(rng));
            py += static_cast<char>('a' + letter(rng));
        }
    }
    std::u16string a;
    const int m = alen(rng);
    for (int i = 0; i < m; ++i) a += static_cast<char16_t>(han(rng));
    return {base::Utf16ToUtf8(q), base::Utf16ToUtf8(a), py};
}

const Bank& BankOf(size_t rows) {
    static std::map<size_t, Bank> banks;
    auto it = banks.find(rows);
    if (it != banks.end()) return it->second;
    Bank b;
    std::mt19937 rng(static_cast<uint32_t>(rows));
    jet::NewTable t;
    t.name = "wd";
    t.columns = {{"Question", jet::ColumnType::Text, 510},
                 {"Answer", jet::ColumnType::Text, 510},
                 {"PinYin", jet::ColumnType::Text, 510}};
    for (size_t i = 0; i < rows; ++i) t.rows.push_back(SyntheticRow(rng));
    auto bytes = jet::WriteDatabase(t, questionbank::kBankPassword);
    if (!bytes) {
        std::fprintf(stderr, "writing the bank failed: %s\n", bytes.error().message.c_str());
        std::abort();
    }
    const fs::path dir = fs::temp_directory_path() / "tovi-query-bench";
    fs::create_directories(dir);
    b.file = dir / ("bank-" + std::to_string(rows) + ".mdb");
    if (!questionbank::WriteFileReplacing(b.file, *bytes).empty()) std::abort();
    b.rows = std::move(t.rows);
    return banks.emplace(rows, std::move(b)).first->second;
}

long PeakRssKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

const char* KeywordOf(int64_t k) {
    static const char* const kKeywords[] = {"abc", "中国", "a"};
    return kKeywords[k];
}

void Quiet(std::string_view, std::string_view) {}

// Warm: the bank is cached; each query checks the file and runs the SQL.
void BM_OpenQueryWarm(benchmark::State& state) {
    const Bank& bank = BankOf(static_cast<size_t>(state.range(0)));
    questionbank::AccessDb db;
    db.SetReporter(Quiet);
    db.SetTempBankPath(questionbank::Utf8FromPath(bank.file));
    const std::string sql = questionbank::KeywordQuerySql(KeywordOf(state.range(1)));
    db.OpenQuery(sql);
    size_t found = 0;
    for (auto _ : state) {
        db.OpenQuery(sql);
        found = db.BankRecordset().RecordCount();
        benchmark::DoNotOptimize(found);
    }
    if (db.LastError()) state.SkipWithError(db.LastError()->message.c_str());
    state.counters["rows_found"] = static_cast<double>(found);
    state.counters["cache_MB"] = static_cast<double>(db.CacheBytes()) / (1024.0 * 1024.0);
    state.counters["peak_rss_MB"] = static_cast<double>(PeakRssKb()) / 1024.0;
    state.SetLabel(std::string("keyword ") + KeywordOf(state.range(1)));
}

// Cold: a new module, as at the first keystroke after start-up: the whole
// copy is read, decoded and prepared.
void BM_OpenQueryCold(benchmark::State& state) {
    const Bank& bank = BankOf(static_cast<size_t>(state.range(0)));
    const std::string sql = questionbank::KeywordQuerySql("abc");
    size_t found = 0;
    for (auto _ : state) {
        questionbank::AccessDb db;
        db.SetReporter(Quiet);
        db.SetTempBankPath(questionbank::Utf8FromPath(bank.file));
        db.OpenQuery(sql);
        found = db.BankRecordset().RecordCount();
        benchmark::DoNotOptimize(found);
    }
    state.counters["rows_found"] = static_cast<double>(found);
    state.counters["peak_rss_MB"] = static_cast<double>(PeakRssKb()) / 1024.0;
}

// SQLite with the same rows in memory and the same query text, prepared and
// stepped through on every keystroke (every row's three texts touched, as
// our recordset hands them out).
void BM_SqliteWarm(benchmark::State& state) {
    const Bank& bank = BankOf(static_cast<size_t>(state.range(0)));
    sqlite3* db = nullptr;
    sqlite3_open(":memory:", &db);
    sqlite3_exec(db, "create table wd (Question text, Answer text, PinYin text); begin", nullptr, nullptr, nullptr);
    sqlite3_stmt* ins = nullptr;
    sqlite3_prepare_v2(db, "insert into wd values (?, ?, ?)", -1, &ins, nullptr);
    for (const jet::Row& r : bank.rows) {
        for (int c = 0; c < 3; ++c) sqlite3_bind_text(ins, c + 1, r[c]->data(), static_cast<int>(r[c]->size()), SQLITE_STATIC);
        sqlite3_step(ins);
        sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
    sqlite3_exec(db, "commit", nullptr, nullptr, nullptr);
    const std::string sql = questionbank::KeywordQuerySql(KeywordOf(state.range(1)));
    size_t found = 0;
    for (auto _ : state) {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
        found = 0;
        size_t bytes = 0;
        while (sqlite3_step(st) == SQLITE_ROW) {
            ++found;
            for (int c = 0; c < 3; ++c) bytes += static_cast<size_t>(sqlite3_column_bytes(st, c));
        }
        sqlite3_finalize(st);
        benchmark::DoNotOptimize(bytes);
    }
    sqlite3_close(db);
    state.counters["rows_found"] = static_cast<double>(found);
    state.SetLabel(std::string("keyword ") + KeywordOf(state.range(1)));
}

// mdbtools' mdb-sql on the same file, as a subprocess. It has no DISTINCT,
// so it runs the rest of the query: the same WHERE with LIKE.
void BM_MdbSql(benchmark::State& state) {
    const Bank& bank = BankOf(static_cast<size_t>(state.range(0)));
    const std::string query = "select Question,Answer,PinYin from wd where PinYin like '%abc%' or Question like '%abc%'";
    const std::string cmd = "echo \"" + query + "\" | mdb-sql -HFP '" + bank.file.string() + "' 2>/dev/null";
    size_t lines = 0;
    for (auto _ : state) {
        FILE* p = popen(cmd.c_str(), "r");
        if (!p) {
            state.SkipWithError("mdb-sql cannot be started");
            return;
        }
        char buf[65536];
        lines = 0;
        while (size_t n = fread(buf, 1, sizeof buf, p)) {
            for (size_t i = 0; i < n; ++i) lines += buf[i] == '\n';
        }
        if (pclose(p) != 0) {
            state.SkipWithError("mdb-sql failed");
            return;
        }
    }
    state.counters["rows_found"] = static_cast<double>(lines);
}

void KeywordArgs(benchmark::internal::Benchmark* b) {
    for (int64_t rows : {10000, 100000, 1000000}) {
        for (int64_t k = 0; k < 3; ++k) b->Args({rows, k});
    }
}

}  // namespace

BENCHMARK(BM_OpenQueryWarm)->Apply(KeywordArgs)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SqliteWarm)->Apply(KeywordArgs)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OpenQueryCold)->Arg(10000)->Arg(100000)->Arg(1000000)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MdbSql)->Arg(10000)->Arg(100000)->Arg(1000000)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
