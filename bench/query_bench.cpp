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

#include "bench/bench_banks.h"
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

const Bank& BankOf(size_t rows) {
    static std::map<size_t, Bank> banks;
    auto it = banks.find(rows);
    if (it != banks.end()) return it->second;
    Bank b;
    std::mt19937 rng(static_cast<uint32_t>(rows));
    for (size_t i = 0; i < rows; ++i) b.rows.push_back(bench::LatinRow(rng));
    b.file = bench::WriteBankFile(b.rows, "tovi-query-bench", "bank-" + std::to_string(rows) + ".mdb");
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
    const size_t found = bench::SqliteKeywordQuery(state, bank.rows, KeywordOf(state.range(1)));
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
