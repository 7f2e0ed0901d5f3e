// The program's search per keystroke (SearchKeyword: the keyword query's rows
// and the forgiving rules) beside SQLite running the keyword query on the same
// rows in the same run, on banks of real Han text and on the Latin-and-random-
// Han banks of query_bench.
//   build/native/bench/search_bench --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <thread>
#include <ctime>
#include <filesystem>
#include <map>
#include <random>

#include "bench/bench_banks.h"
#include "bench/han_rows.h"
#include "base/text.h"
#include "jet/writer.h"
#include "questionbank/access_db.h"
#include "questionbank/file_access.h"
#include "questionbank/keyword_query.h"
#include "questionbank/keyword_search.h"
#include "search/index.h"

namespace {

namespace fs = std::filesystem;

enum BankKind : int64_t { kHan = 0, kLatin = 1 };

struct Bank {
    fs::path file;
    std::vector<jet::Row> rows;
    size_t textBytes = 0;   // UTF-8 bytes of every question, answer and PinYin
};

const std::vector<std::u16string>& Fragments() {
    static const std::vector<std::u16string> pieces = bench::HanFragments(fs::path(TOVI_SOURCE_DIR) / "questionbank/sample/wd.csv");
    return pieces;
}

const Bank& BankOf(size_t rows, int64_t kind) {
    static std::map<std::pair<size_t, int64_t>, Bank> banks;
    auto it = banks.find({rows, kind});
    if (it != banks.end()) return it->second;
    Bank b;
    std::mt19937 rng(static_cast<uint32_t>(rows));
    for (size_t i = 0; i < rows; ++i) {
        b.rows.push_back(kind == kHan ? bench::HanRow(Fragments(), rng) : bench::LatinRow(rng));
        for (const auto& c : b.rows.back()) b.textBytes += c->size();
    }
    b.file = bench::WriteBankFile(b.rows, "tovi-search-bench", "bank-" + std::to_string(kind) + "-" + std::to_string(rows) + ".mdb");
    return banks.emplace(std::make_pair(rows, kind), std::move(b)).first->second;
}

void Quiet(std::string_view, std::string_view) {}

// Waits until the bank's search index is whole: a warm keystroke is one
// made after that.
void WaitUntilIndexed(const questionbank::AccessDb& db) {
    while (!db.SearchIndexComplete()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// Searched between two timed keystrokes so that nothing is reused: a
// character no bank of these holds, found through one short posting, so that
// a profile of the run shows the timed keystroke, not this one.
constexpr const char* kReset = "\xe9\xbe\x98";   // U+9F98

const char* const kKeywords[] = {"abc", "中国", "cj", "changjiang", "长江 三峡", "的"};

// Warm: the bank read and indexed; each keystroke is a fresh keyword (the
// previous search was for something else, so nothing is reused).
void BM_SearchWarm(benchmark::State& state) {
    const Bank& bank = BankOf(static_cast<size_t>(state.range(0)), state.range(2));
    questionbank::AccessDb db;
    db.SetReporter(Quiet);
    db.SetTempBankPath(questionbank::Utf8FromPath(bank.file));
    const char* keyword = kKeywords[state.range(1)];
    db.SearchKeyword(keyword);
    WaitUntilIndexed(db);
    size_t found = 0;
    for (auto _ : state) {
        state.PauseTiming();
        db.SearchKeyword(kReset);
        state.ResumeTiming();
        db.SearchKeyword(keyword);
        found = db.BankRecordset().RecordCount();
    }
    if (db.LastError()) state.SkipWithError(db.LastError()->message.c_str());
    state.counters["rows_found"] = static_cast<double>(found);
    state.counters["cache_MB"] = static_cast<double>(db.CacheBytes()) / (1024.0 * 1024.0);
    state.counters["text_MB"] = static_cast<double>(bank.textBytes) / (1024.0 * 1024.0);
    state.SetLabel(std::string(state.range(2) == kHan ? "han " : "latin ") + keyword);
}

// SQLite, the same rows in memory, the keyword query prepared and stepped
// through, every row's three texts touched.
void BM_SqliteWarm(benchmark::State& state) {
    const Bank& bank = BankOf(static_cast<size_t>(state.range(0)), state.range(2));
    const char* keyword = kKeywords[state.range(1)];
    const size_t found = bench::SqliteKeywordQuery(state, bank.rows, keyword);
    state.counters["rows_found"] = static_cast<double>(found);
    state.SetLabel(std::string(state.range(2) == kHan ? "han " : "latin ") + keyword);
}

// Cold: the first keystroke after start-up: the copy read, decoded, the
// table prepared and the index built (/0: nothing saved, as the bank tool
// runs), read from its file (/1: the program's start on a bank it has seen)
// or built and saved (/2: the program's first start on a new bank). A large
// bank's postings are built after the first search returns, and saved when
// they are whole: the time is the first search's, and whole_ms when the file
// was there (/2), counted from the start of the search.
enum ColdIndex : int64_t { kNotSaved = 0, kSaved = 1, kFirstSave = 2 };

fs::path SavedIndexPath(size_t rows) {
    return fs::temp_directory_path() / "tovi-search-bench" / ("index-" + std::to_string(rows) + ".idx");
}

// Waits until the index file is there, for at most a minute.
bool WaitForFile(const fs::path& file) {
    for (int i = 0; i < 60000 && !fs::exists(file); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return fs::exists(file);
}

void BM_SearchCold(benchmark::State& state) {
    const Bank& bank = BankOf(static_cast<size_t>(state.range(0)), kHan);
    const auto how = static_cast<ColdIndex>(state.range(1));
    const fs::path indexPath = SavedIndexPath(bank.rows.size());
    fs::remove(indexPath);
    if (how == kSaved) {
        questionbank::AccessDb first;
        first.SetTempBankPath(questionbank::Utf8FromPath(bank.file));
        first.SetSearchIndexPath(questionbank::Utf8FromPath(indexPath));
        first.SearchKeyword("cj");
        if (!WaitForFile(indexPath)) state.SkipWithError("the index was not saved");
    }
    using Clock = std::chrono::steady_clock;
    size_t found = 0;
    double whole = 0;
    for (auto _ : state) {
        if (how == kFirstSave) fs::remove(indexPath);
        questionbank::AccessDb db;
        db.SetReporter(Quiet);
        db.SetTempBankPath(questionbank::Utf8FromPath(bank.file));
        if (how != kNotSaved) db.SetSearchIndexPath(questionbank::Utf8FromPath(indexPath));
        const auto t0 = Clock::now();
        db.SearchKeyword("cj");
        const auto t1 = Clock::now();
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
        found = db.BankRecordset().RecordCount();
        if (how == kFirstSave) {
            WaitForFile(indexPath);
            whole += std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        }
    }
    state.counters["rows_found"] = static_cast<double>(found);
    if (how == kFirstSave) state.counters["whole_ms"] = whole / static_cast<double>(state.iterations());
    if (how != kNotSaved) state.counters["index_file_MB"] = static_cast<double>(fs::file_size(indexPath)) / (1024.0 * 1024.0);
    state.SetLabel(how == kNotSaved ? "not saved" : how == kSaved ? "saved index" : "first start, saves");
}

// The cold query's parts, each timed on its own: the file read, the pages
// opened (catalog), the table loaded into column storage, the index built,
// and the first search.
void BM_SearchColdParts(benchmark::State& state) {
    const Bank& bank = BankOf(static_cast<size_t>(state.range(0)), kHan);
    using Clock = std::chrono::steady_clock;
    const auto ms = [](Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); };
    double read = 0, open = 0, load = 0, index = 0, search = 0;
    size_t found = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        auto bytes = questionbank::ReadWholeFile(bank.file);
        const auto t1 = Clock::now();
        auto db = jet::Database::Open(std::move(*bytes), questionbank::kBankPassword);
        const auto t2 = Clock::now();
        auto table = jet::QueryTable::Load(*db, "wd");
        const auto t3 = Clock::now();
        const auto columns = questionbank::FindBankColumns(**table);
        auto idx = questionbank::MakeSearchIndex(*table, *columns);
        const auto t4 = Clock::now();
        found = idx->Search("cj").rows.size();
        const auto t5 = Clock::now();
        read += ms(t0, t1), open += ms(t1, t2), load += ms(t2, t3), index += ms(t3, t4), search += ms(t4, t5);
    }
    const auto n = static_cast<double>(state.iterations());
    state.counters["read_ms"] = read / n;
    state.counters["open_ms"] = open / n;
    state.counters["load_ms"] = load / n;
    state.counters["index_ms"] = index / n;
    state.counters["search_ms"] = search / n;
    state.counters["rows_found"] = static_cast<double>(found);
}

// Processor time of this thread, for parts timed while others share the machine.
struct ThreadCpuClock {
    using duration = std::chrono::nanoseconds;
    using rep = duration::rep;
    using period = duration::period;
    using time_point = std::chrono::time_point<ThreadCpuClock>;
    static constexpr bool is_steady = true;
    static time_point now() {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return time_point(duration(int64_t{t.tv_sec} * 1000000000 + t.tv_nsec));
    }
};

// The cold query's parts with a saved index, in processor time of this
// thread (steadier than wall time while others share the machine): the file
// read, its bytes hashed (what tells the bank from another), the pages
// opened, the table loaded, the index read from its file, and the first
// search; and apart, what saving the index costs the first start.
void BM_SearchColdSavedParts(benchmark::State& state) {
    const Bank& bank = BankOf(static_cast<size_t>(state.range(0)), kHan);
    using Clock = ThreadCpuClock;
    const auto ms = [](Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); };
    const fs::path indexPath = SavedIndexPath(bank.rows.size());
    double read = 0, hash = 0, open = 0, load = 0, index = 0, search = 0, save = 0;
    size_t found = 0;
    for (auto _ : state) {
        state.PauseTiming();
        {
            auto bytes = questionbank::ReadWholeFile(bank.file);
            const search::BankStamp stamp = questionbank::StampOf(*bytes);
            auto db = jet::Database::Open(std::move(*bytes), questionbank::kBankPassword);
            auto table = jet::QueryTable::Load(*db, "wd");
            const auto built = questionbank::MakeSearchIndex(*table, *questionbank::FindBankColumns(**table));
            const auto t0 = Clock::now();
            if (!questionbank::SaveSearchIndex(indexPath, *built, stamp)) state.SkipWithError("cannot save the index");
            save += ms(t0, Clock::now());
        }
        state.ResumeTiming();
        const auto t0 = Clock::now();
        auto bytes = questionbank::ReadWholeFile(bank.file);
        const auto t1 = Clock::now();
        const search::BankStamp stamp = questionbank::StampOf(*bytes);
        const auto t2 = Clock::now();
        auto db = jet::Database::Open(std::move(*bytes), questionbank::kBankPassword);
        const auto t3 = Clock::now();
        auto table = jet::QueryTable::Load(*db, "wd");
        const auto t4 = Clock::now();
        auto idx = questionbank::ReadSearchIndex(indexPath, stamp, *table, *questionbank::FindBankColumns(**table));
        const auto t5 = Clock::now();
        if (!idx) {
            state.SkipWithError("the saved index was not read");
            break;
        }
        found = idx->Search("cj").rows.size();
        const auto t6 = Clock::now();
        read += ms(t0, t1), hash += ms(t1, t2), open += ms(t2, t3), load += ms(t3, t4), index += ms(t4, t5), search += ms(t5, t6);
    }
    const auto n = static_cast<double>(state.iterations());
    state.counters["read_ms"] = read / n;
    state.counters["hash_ms"] = hash / n;
    state.counters["open_ms"] = open / n;
    state.counters["load_ms"] = load / n;
    state.counters["index_read_ms"] = index / n;
    state.counters["search_ms"] = search / n;
    state.counters["save_ms"] = save / n;
    state.counters["rows_found"] = static_cast<double>(found);
}

// Typing "changjiangsanxia" one letter at a time: the time of each keystroke.
void BM_TypingChangjiangsanxia(benchmark::State& state) {
    const Bank& bank = BankOf(static_cast<size_t>(state.range(0)), kHan);
    questionbank::AccessDb db;
    db.SetReporter(Quiet);
    db.SetTempBankPath(questionbank::Utf8FromPath(bank.file));
    db.SearchKeyword(kReset);
    WaitUntilIndexed(db);
    const std::string word = "changjiangsanxia";
    std::vector<double> ms(word.size());
    std::vector<size_t> found(word.size());
    for (auto _ : state) {
        db.SearchKeyword(kReset);
        for (size_t n = 1; n <= word.size(); ++n) {
            const auto t0 = std::chrono::steady_clock::now();
            db.SearchKeyword(word.substr(0, n));
            ms[n - 1] += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
            found[n - 1] = db.BankRecordset().RecordCount();
        }
    }
    for (size_t n = 0; n < word.size(); ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "k%02zu_ms", n + 1);
        state.counters[name] = ms[n] / static_cast<double>(state.iterations());
        std::snprintf(name, sizeof name, "k%02zu_rows", n + 1);
        state.counters[name] = static_cast<double>(found[n]);
    }
}

search::RowSource SourceOf(const Bank& bank) {
    return [&bank](uint32_t r) {
        const jet::Row& row = bank.rows[r];
        const auto text = [&](size_t c) { return row[c] ? std::string_view(*row[c]) : std::string_view(); };
        return search::SearchRow{text(0), text(1), text(2), !row[0], !row[1], !row[2]};
    };
}

// Building the search index alone, from rows already read: the part of the
// first keystroke the rules add to reading the bank. The time is until the
// index is whole; ready_ms until it can be searched (its postings are built
// after that from 32,768 rows).
void BM_IndexBuild(benchmark::State& state) {
    const Bank& bank = BankOf(static_cast<size_t>(state.range(0)), state.range(1));
    const auto rows = static_cast<uint32_t>(bank.rows.size());
    size_t bytes = 0;
    double ready = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        search::SearchIndex index(rows, SourceOf(bank));
        ready += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        bytes = index.MemoryBytes();
    }
    state.counters["ready_ms"] = ready / static_cast<double>(state.iterations());
    state.counters["index_MB"] = static_cast<double>(bytes) / (1024.0 * 1024.0);
    state.counters["text_MB"] = static_cast<double>(bank.textBytes) / (1024.0 * 1024.0);
    state.counters["index_to_text"] = static_cast<double>(bytes) / static_cast<double>(bank.textBytes);
    state.SetLabel(state.range(1) == kHan ? "han" : "latin");
}

// A keystroke while the postings are still being built: the candidates come
// from every row's signatures (an index that never gets postings, so that
// nothing is built beside the search).
void BM_SearchUnposted(benchmark::State& state) {
    const Bank& bank = BankOf(static_cast<size_t>(state.range(0)), state.range(2));
    const auto index = search::SearchIndex::WithoutPostings(static_cast<uint32_t>(bank.rows.size()), SourceOf(bank));
    const char* keyword = kKeywords[state.range(1)];
    size_t found = 0;
    for (auto _ : state) {
        state.PauseTiming();
        index->Search(kReset);
        state.ResumeTiming();
        found = index->Search(keyword).rows.size();
    }
    state.counters["rows_found"] = static_cast<double>(found);
    state.SetLabel(std::string(state.range(2) == kHan ? "han " : "latin ") + keyword);
}

// A question pasted with one character wrong: the similarity ranking.
void BM_PastedQuestion(benchmark::State& state) {
    const Bank& bank = BankOf(static_cast<size_t>(state.range(0)), kHan);
    questionbank::AccessDb db;
    db.SetReporter(Quiet);
    db.SetTempBankPath(questionbank::Utf8FromPath(bank.file));
    std::u16string pasted = base::Utf8ToUtf16(*bank.rows[bank.rows.size() / 2][0]);
    pasted[pasted.size() / 2] = u'鑫';
    const std::string keyword = base::Utf16ToUtf8(pasted);
    db.SearchKeyword(keyword);
    bool first = false;
    for (auto _ : state) {
        state.PauseTiming();
        db.SearchKeyword(kReset);
        state.ResumeTiming();
        db.SearchKeyword(keyword);
        first = db.SimilarRows() && db.BankRecordset().RecordCount() > 0 &&
                db.BankRecordset().Cell(0, 0) == *bank.rows[bank.rows.size() / 2][0];
    }
    state.counters["found_first"] = first ? 1 : 0;
}

void WarmArgs(benchmark::internal::Benchmark* b) {
    for (int64_t kind : {kHan, kLatin}) {
        for (int64_t rows : {100000, 1000000}) {
            for (int64_t k = 0; k < 6; ++k) b->Args({rows, k, kind});
        }
    }
}

}  // namespace

BENCHMARK(BM_SearchWarm)->Apply(WarmArgs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SqliteWarm)->Apply(WarmArgs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchCold)
    ->ArgsProduct({{100000, 1000000}, {kNotSaved, kSaved, kFirstSave}})
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchColdParts)->Arg(100000)->Arg(1000000)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchColdSavedParts)->Arg(100000)->Arg(1000000)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchUnposted)
    ->ArgsProduct({{100000}, {0, 1, 2, 3, 4, 5}, {kHan, kLatin}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IndexBuild)->ArgsProduct({{100000, 1000000}, {kHan, kLatin}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TypingChangjiangsanxia)->Arg(100000)->Arg(1000000)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PastedQuestion)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
