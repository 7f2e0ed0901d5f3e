// Reading banks as the program does on every keystroke: open the file image
// and read table wd, on synthetic banks of 10,000 to 1,000,000 rows of three
// short text columns (Chinese question, answer, pinyin).
#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

#include "jet/database.h"
#include "jet/sql.h"
#include "jet/writer.h"

namespace {

const std::vector<uint8_t>& Bank(size_t rows) {
    static std::map<size_t, std::vector<uint8_t>> banks;
    auto it = banks.find(rows);
    if (it != banks.end()) return it->second;
    jet::NewTable t{"wd",
                    {{"Question", jet::ColumnType::Text, 510},
                     {"Answer", jet::ColumnType::Text, 510},
                     {"PinYin", jet::ColumnType::Text, 510}},
                    {}};
    t.rows.reserve(rows);
    for (size_t i = 0; i < rows; ++i) {
        const std::string n = std::to_string(i);
        t.rows.push_back({"下列哪个城市是中国的首都？第" + n + "题", "北京" + std::to_string(i % 97),
                          "xlngcsszgdsd" + n});
    }
    auto bytes = jet::WriteDatabase(t, "pqr.3h5k.dst/mz", jet::WriteOptions{45413.5});
    return banks.emplace(rows, bytes ? std::move(*bytes) : std::vector<uint8_t>{}).first->second;
}

void BM_OpenDatabase(benchmark::State& state) {
    const auto& bank = Bank(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        auto db = jet::Database::Open(bank, "pqr.3h5k.dst/mz");
        benchmark::DoNotOptimize(db.ok());
    }
}

// The bank of state.range(0) rows, opened; a bank that does not open ends the
// benchmark with an error.
auto OpenedBank(benchmark::State& state) {
    auto db = jet::Database::Open(Bank(static_cast<size_t>(state.range(0))), "pqr.3h5k.dst/mz");
    if (!db) state.SkipWithError("bank did not open");
    return db;
}

void BM_ReadTable(benchmark::State& state) {
    auto db = OpenedBank(state);
    if (!db) return;
    for (auto _ : state) {
        auto table = db->ReadTable("wd");
        benchmark::DoNotOptimize(table->rows.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_ScanTable(benchmark::State& state) {
    auto db = OpenedBank(state);
    if (!db) return;
    for (auto _ : state) {
        size_t bytes = 0;
        (void)db->ScanTable("wd", {}, [&](std::span<const jet::CellView> cells) {
            bytes += cells[0].text.size();
            return true;
        });
        benchmark::DoNotOptimize(bytes);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The table read into column storage, as the first query after start-up
// reads it (QueryTable::Load); reports its bytes beside the text's.
void BM_LoadQueryTable(benchmark::State& state) {
    auto db = OpenedBank(state);
    if (!db) return;
    size_t bytes = 0;
    for (auto _ : state) {
        auto table = jet::QueryTable::Load(*db, "wd");
        if (!table) {
            state.SkipWithError("the table did not load");
            return;
        }
        bytes = (*table)->MemoryBytes();
    }
    state.counters["table_MB"] = static_cast<double>(bytes) / (1024.0 * 1024.0);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_OpenDatabase)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadTable)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanTable)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadQueryTable)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
