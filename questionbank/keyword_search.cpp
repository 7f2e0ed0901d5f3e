#include "questionbank/keyword_search.h"

#include "base/hash64.h"
#include "questionbank/file_access.h"

namespace questionbank {

std::optional<BankColumns> FindBankColumns(const jet::QueryTable& table) {
    const auto q = table.FindColumn("Question"), a = table.FindColumn("Answer"), p = table.FindColumn("PinYin");
    if (!q || !a || !p || table.RowCount() > UINT32_MAX) return std::nullopt;
    return BankColumns{*q, *a, *p};
}

namespace {

search::RowSource RowsOf(std::shared_ptr<const jet::QueryTable> table, BankColumns c) {
    return [t = std::move(table), c](uint32_t r) {
        return search::SearchRow{t->Text(r, c.question), t->Text(r, c.answer), t->Text(r, c.pinyin),
                                 t->IsNull(r, c.question), t->IsNull(r, c.answer), t->IsNull(r, c.pinyin)};
    };
}

}  // namespace

std::unique_ptr<search::SearchIndex> MakeSearchIndex(std::shared_ptr<const jet::QueryTable> table, BankColumns c,
                                                     search::SearchIndex::WhenComplete whenComplete) {
    const auto rows = static_cast<uint32_t>(table->RowCount());
    return std::make_unique<search::SearchIndex>(rows, RowsOf(std::move(table), c), 0, std::move(whenComplete));
}

search::BankStamp StampOf(const std::vector<uint8_t>& bankBytes) {
    return {base::Hash64(bankBytes.data(), bankBytes.size()), bankBytes.size()};
}

std::unique_ptr<search::SearchIndex> ReadSearchIndex(const std::filesystem::path& path, const search::BankStamp& bank,
                                                     std::shared_ptr<const jet::QueryTable> table, BankColumns c) {
    FileReader file(path);
    if (!file.IsOpen()) return nullptr;
    const auto rows = static_cast<uint32_t>(table->RowCount());
    return search::SearchIndex::Load([&](void* data, size_t size) { return file.Read(data, size); }, file.Size(), bank,
                                     rows, RowsOf(std::move(table), c));
}

bool SaveSearchIndex(const std::filesystem::path& path, const search::SearchIndex& index, const search::BankStamp& bank) {
    std::error_code ignored;
    std::filesystem::create_directories(path.parent_path(), ignored);
    return WriteFileReplacing(path, [&](const ByteSink& write) { return index.Save(bank, write); }).empty();
}

jet::QueryResult SearchRows(std::shared_ptr<const jet::QueryTable> table, BankColumns c, std::vector<uint32_t> rows) {
    jet::QueryResult result;
    result.table = std::move(table);
    result.columns = {c.question, c.answer, c.pinyin};
    result.rows = std::move(rows);
    return result;
}

}  // namespace questionbank
