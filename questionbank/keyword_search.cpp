#include "questionbank/keyword_search.h"

namespace questionbank {

std::optional<BankColumns> FindBankColumns(const jet::QueryTable& table) {
    const auto q = table.FindColumn("Question"), a = table.FindColumn("Answer"), p = table.FindColumn("PinYin");
    if (!q || !a || !p || table.RowCount() > UINT32_MAX) return std::nullopt;
    return BankColumns{*q, *a, *p};
}

std::unique_ptr<search::SearchIndex> MakeSearchIndex(std::shared_ptr<const jet::QueryTable> table, BankColumns c) {
    const auto rows = static_cast<uint32_t>(table->RowCount());
    return std::make_unique<search::SearchIndex>(rows, [t = std::move(table), c](uint32_t r) {
        return search::SearchRow{t->Text(r, c.question), t->Text(r, c.answer), t->Text(r, c.pinyin),
                                 t->IsNull(r, c.question), t->IsNull(r, c.answer), t->IsNull(r, c.pinyin)};
    });
}

jet::QueryResult SearchRows(std::shared_ptr<const jet::QueryTable> table, BankColumns c, std::vector<uint32_t> rows) {
    jet::QueryResult result;
    result.table = std::move(table);
    result.columns = {c.question, c.answer, c.pinyin};
    result.rows = std::move(rows);
    return result;
}

}  // namespace questionbank
