// The search the program runs for a keyword, shared by Access_DB and the bank
// tool so that both list the same rows in the same order: the forgiving
// search (search/index.h) over the bank table's Question, Answer and PinYin.
#pragma once
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "jet/sql.h"
#include "search/index.h"

namespace questionbank {

struct BankColumns {
    size_t question = 0, answer = 0, pinyin = 0;
};

// The table's Question, Answer and PinYin columns; nullopt when one is
// missing or the table is too large to index (the keyword query then says
// what is wrong).
std::optional<BankColumns> FindBankColumns(const jet::QueryTable& table);

// An index over the table, which it keeps alive; `whenComplete` as
// search::SearchIndex takes it.
std::unique_ptr<search::SearchIndex> MakeSearchIndex(std::shared_ptr<const jet::QueryTable> table, BankColumns columns,
                                                     search::SearchIndex::WhenComplete whenComplete = {});

// The bank file an index is made from, told apart by all of its bytes.
search::BankStamp StampOf(const std::vector<uint8_t>& bankBytes);

// The index saved at `path` for this bank, keeping the table alive; nullptr
// when there is none, or the file is damaged or made for another bank.
std::unique_ptr<search::SearchIndex> ReadSearchIndex(const std::filesystem::path& path, const search::BankStamp& bank,
                                                     std::shared_ptr<const jet::QueryTable> table, BankColumns columns);
// Saves `index` at `path` (creating its folder), replacing the file only
// once the new one is whole; false when it cannot.
bool SaveSearchIndex(const std::filesystem::path& path, const search::SearchIndex& index, const search::BankStamp& bank);

// Rows of a search as a query result with the columns Question, Answer, PinYin.
jet::QueryResult SearchRows(std::shared_ptr<const jet::QueryTable> table, BankColumns columns, std::vector<uint32_t> rows);

}  // namespace questionbank
