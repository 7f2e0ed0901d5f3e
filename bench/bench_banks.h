// What the search benchmarks share: the synthetic rows, writing them as a bank
// file, and SQLite running the keyword query over the same rows, the peer every
// figure is measured against.
#pragma once
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "base/text.h"
#include "jet/writer.h"
#include "questionbank/access_db.h"
#include "questionbank/file_access.h"
#include "questionbank/keyword_query.h"

namespace bench {

// Questions of 12..30 characters drawn from the common Han range, with a few
// Latin capitals; answers of 2..8 characters; PinYin one random letter per
// character, as long as the real bank's.
inline jet::Row LatinRow(std::mt19937& rng) {
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

// Writes `rows` as the bank's table wd (Question, Answer, PinYin) with the
// bank's password to folder/name; aborts the benchmark run on failure.
inline std::filesystem::path WriteBankFile(std::vector<jet::Row> rows, const std::string& folder, const std::string& name) {
    jet::NewTable t;
    t.name = "wd";
    t.columns = {{"Question", jet::ColumnType::Text, 510},
                 {"Answer", jet::ColumnType::Text, 510},
                 {"PinYin", jet::ColumnType::Text, 510}};
    t.rows = std::move(rows);
    auto bytes = jet::WriteDatabase(t, questionbank::kBankPassword);
    if (!bytes) {
        std::fprintf(stderr, "writing the bank failed: %s\n", bytes.error().message.c_str());
        std::abort();
    }
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / folder;
    std::filesystem::create_directories(dir);
    const std::filesystem::path file = dir / name;
    if (!questionbank::WriteFileReplacing(file, *bytes).empty()) std::abort();
    return file;
}

// SQLite in memory, loaded with `rows`, running the program's keyword query
// once per iteration of `state`; returns the rows the last run found.
inline size_t SqliteKeywordQuery(benchmark::State& state, const std::vector<jet::Row>& rows, const std::string& keyword) {
    sqlite3* db = nullptr;
    sqlite3_open(":memory:", &db);
    sqlite3_exec(db, "create table wd (Question text, Answer text, PinYin text); begin", nullptr, nullptr, nullptr);
    sqlite3_stmt* ins = nullptr;
    sqlite3_prepare_v2(db, "insert into wd values (?, ?, ?)", -1, &ins, nullptr);
    for (const jet::Row& r : rows) {
        for (int c = 0; c < 3; ++c) sqlite3_bind_text(ins, c + 1, r[c]->data(), static_cast<int>(r[c]->size()), SQLITE_STATIC);
        sqlite3_step(ins);
        sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
    sqlite3_exec(db, "commit", nullptr, nullptr, nullptr);
    const std::string sql = questionbank::KeywordQuerySql(keyword);
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
    return found;
}

}  // namespace bench
