// Any bytes as a query over a small table with Chinese, Latin, empty and
// NULL cells; and the same bytes as a LIKE pattern over each cell.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "jet/sql.h"
#include "jet/sql_text.h"

namespace {

std::shared_ptr<const jet::QueryTable> SmallTable() {
    jet::Table t;
    t.name = "wd";
    t.columns = {{"Question", jet::ColumnType::Text, 510},
                 {"Answer", jet::ColumnType::Memo, 0},
                 {"PinYin", jet::ColumnType::Text, 510},
                 {"Id", jet::ColumnType::Long, 4}};
    t.rows = {{"中国的首都是哪座城市？", "北京", "zgdsdsnzcs", "1"},
              {"It's ÀÉ ＡＢ", std::nullopt, "", "2"},
              {std::nullopt, "", std::nullopt, std::nullopt},
              {std::string("a\xE4\xB8", 3), "%_", "abcabcabcabcabcabcabc", "-4.5"}};
    return std::make_shared<const jet::QueryTable>(std::move(t));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const auto table = SmallTable();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    auto result = jet::ExecuteSql(text, [](std::string_view) { return jet::Result<std::shared_ptr<const jet::QueryTable>>(table); });
    if (result) {
        for (size_t r = 0; r < result->RowCount(); ++r) {
            for (size_t c = 0; c < result->ColumnCount(); ++c) (void)result->Text(r, c).size();
        }
    }
    const jet::LikePattern pattern(text);
    for (size_t r = 0; r < table->RowCount(); ++r) (void)pattern.Matches(table->Folded(0).cells->Text(r));
    return 0;
}
