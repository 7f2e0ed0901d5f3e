// The search the program runs for a keyword, shared by Access_DB and the bank
// tool so that both list the same rows in the same order: the forgiving
// search (search/index.h) over the bank table's Question, Answer and PinYin.
#pragma once
#include <memory>
#include <optional>

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

// An index over the table, which it keeps alive.
std::unique_ptr<search::SearchIndex> MakeSearchIndex(std::shared_ptr<const jet::QueryTable> table, BankColumns columns);

// Rows of a search as a query result with the columns Question, Answer, PinYin.
jet::QueryResult SearchRows(std::shared_ptr<const jet::QueryTable> table, BankColumns columns, std::vector<uint32_t> rows);

}  // namespace questionbank
