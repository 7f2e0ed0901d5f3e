// Banks written by our writer and then damaged on purpose, for the tests of
// every layer that reads banks.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "jet/writer.h"

namespace testsupport {

// A bank whose table wd has `rows` rows, Question "question-NNNNN", Answer a
// Memo, PinYin "p". Row 0's answer is `piece` repeated `repeats` times, stored
// as a chain of long-value pages; every other row's answer, written as a short
// inline value, is then pointed at that same chain, as no writer ever does.
// `file` is empty when the writer's output is not laid out as expected.
struct CraftedBank {
    std::vector<uint8_t> file;
    size_t chainField = 0;   // offset of row 0's 12-byte Answer field
};
inline CraftedBank SharedChainBank(size_t rows, std::string_view piece, size_t repeats, std::string_view password) {
    const auto name = [](const char* prefix, size_t r) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%s-%05zu", prefix, r);
        return std::string(buf);
    };
    jet::NewTable t;
    t.name = "wd";
    t.columns = {{"Question", jet::ColumnType::Text, 510},
                 {"Answer", jet::ColumnType::Memo, 0},
                 {"PinYin", jet::ColumnType::Text, 510}};
    std::string longAnswer;
    longAnswer.reserve(piece.size() * repeats);
    for (size_t i = 0; i < repeats; ++i) longAnswer += piece;
    for (size_t r = 0; r < rows; ++r) {
        t.rows.push_back({name("question", r), r == 0 ? longAnswer : name("answer", r), std::string("p")});
    }
    longAnswer = std::string();
    auto written = jet::WriteDatabase(t, password, jet::WriteOptions{45413.5});
    if (!written) return {};
    std::vector<uint8_t>& file = *written;
    const auto find = [&](const std::string& text) -> size_t {
        const auto at = std::search(file.begin(), file.end(), text.begin(), text.end());
        return at == file.end() ? 0 : static_cast<size_t>(at - file.begin());
    };
    // Variable values lie in column order: row 0's 12-byte Answer field comes
    // right after its (compressed) question.
    const size_t q0 = find(name("question", 0));
    if (q0 == 0) return {};
    const size_t chainField = q0 + name("question", 0).size();
    if (file[chainField + 3] != 0x00) return {};   // storage kind: a chain of LVAL rows
    for (size_t r = 1; r < rows; ++r) {
        // A short answer sits inline: 12-byte field, FF FE, its bytes.
        const size_t a = find(name("answer", r));
        if (a < 14 || file[a - 2] != 0xFF || file[a - 1] != 0xFE || file[a - 14 + 3] != 0x80) return {};
        std::copy_n(file.begin() + static_cast<ptrdiff_t>(chainField), 12, file.begin() + static_cast<ptrdiff_t>(a - 14));
    }
    return CraftedBank{std::move(file), chainField};
}

}  // namespace testsupport
