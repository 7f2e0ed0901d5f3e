// The writer's own promises, checked on the bytes without any outside reader:
// every page accounted for, exact page headers, usage maps that agree with the
// pages written, the masked header block; and refusals of bad input.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>

#include "jet/writer.h"

namespace {

using jet::ColumnType;
using jet::Error;

constexpr double kMay2024 = 45413.5;

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

// Reads a file the way the format describes it, independently of the writer's
// code, and records every inconsistency it finds.
class FileAudit {
public:
    explicit FileAudit(const std::vector<uint8_t>& file) : f_(file), pages_(static_cast<uint32_t>(file.size() / 4096)) {}

    const uint8_t* Page(uint32_t n) const { return f_.data() + size_t{n} * 4096; }

    // Rows of a data page as [start, end) pairs, checking the page header.
    std::vector<std::pair<uint16_t, uint16_t>> Rows(uint32_t n) {
        const uint8_t* p = Page(n);
        const uint16_t count = U16(p + 12);
        std::vector<std::pair<uint16_t, uint16_t>> rows;
        if (count > 255) Fail(n, "more than 255 rows");
        uint32_t end = 4096, total = 0;
        for (uint16_t r = 0; r < count && r < 255; ++r) {
            const uint16_t start = U16(p + 14 + 2 * r) & 0x1FFF;
            if (start < 14 + 2 * count || start > end) Fail(n, "row " + std::to_string(r) + " out of place");
            // Table rows stop at 4060 bytes; a long-value chain row fills its page (4076).
            const uint32_t longest = U32(p + 4) == 0x4C41564C ? 4076 : 4060;
            if (end - start > longest) Fail(n, "row longer than " + std::to_string(longest) + " bytes");
            rows.emplace_back(start, static_cast<uint16_t>(end));
            total += end - start;
            end = start;
        }
        if (U16(p + 2) != 4096 - 14 - 2 * count - total) Fail(n, "free space field is not exact");
        return rows;
    }

    std::set<uint32_t> Map(uint32_t pgRow) {
        std::set<uint32_t> pages;
        const uint32_t holder = pgRow >> 8, row = pgRow & 0xFF;
        if (holder >= pages_ || Page(holder)[0] != 0x01 || U32(Page(holder) + 4) != 0) {
            Fail(holder, "usage map pointer does not lead to a map holder page");
            return pages;
        }
        const auto rows = Rows(holder);
        if (row >= rows.size()) { Fail(holder, "usage map row missing"); return pages; }
        const uint8_t* m = Page(holder) + rows[row].first;
        const size_t len = rows[row].second - rows[row].first;
        if (m[0] == 0x00) {
            for (size_t bit = 0; bit < (len - 5) * 8; ++bit)
                if (m[5 + bit / 8] >> (bit % 8) & 1) pages.insert(U32(m + 1) + static_cast<uint32_t>(bit));
        } else if (m[0] == 0x01) {
            for (size_t k = 0; k < (len - 1) / 4; ++k) {
                const uint32_t bitmap = U32(m + 1 + 4 * k);
                if (bitmap == 0) continue;
                if (bitmap >= pages_ || Page(bitmap)[0] != 0x05) { Fail(bitmap, "not a bitmap page"); continue; }
                bitmapPages_.insert(bitmap);
                for (uint32_t bit = 0; bit < 4092 * 8; ++bit)
                    if (Page(bitmap)[4 + bit / 8] >> (bit % 8) & 1) pages.insert(static_cast<uint32_t>(k) * 32736 + bit);
            }
        } else {
            Fail(holder, "unknown usage map kind");
        }
        return pages;
    }

    void Run() {
        if (f_.size() % 4096 != 0 || pages_ < 3) { Fail(0, "not whole pages"); return; }
        std::set<uint32_t> tdefs, continuations, lval, holders, seen{0, 1};
        std::map<uint32_t, std::set<uint32_t>> dataByOwner;
        for (uint32_t n = 1; n < pages_; ++n) {
            const uint8_t* p = Page(n);
            if (p[0] == 0x02) {
                tdefs.insert(n);
                if (U32(p + 4)) continuations.insert(U32(p + 4));
            } else if (p[0] == 0x01 && n != 1) {
                Rows(n);
                if (U32(p + 4) == 0x4C41564C) lval.insert(n);
                else if (U32(p + 4) == 0) holders.insert(n);
                else dataByOwner[U32(p + 4)].insert(n);
            }
        }
        std::set<uint32_t> lvalMapped;
        for (const uint32_t t : tdefs) {
            seen.insert(t);
            if (continuations.count(t)) continue;
            std::vector<uint8_t> def(Page(t), Page(t) + 4096);
            for (uint32_t next = U32(Page(t) + 4); next; next = U32(Page(next) + 4))
                def.insert(def.end(), Page(next) + 8, Page(next) + 4096);
            const uint32_t length = U32(def.data() + 8);
            if (length > def.size() || U16(def.data() + length - 2) != 0xFFFF) { Fail(t, "definition length"); continue; }
            const std::set<uint32_t> owned = Map(U32(def.data() + 55)), free = Map(U32(def.data() + 59));
            if (owned != dataByOwner[t]) Fail(t, "owned map differs from the pages the table owns");
            for (const uint32_t p : free) if (!owned.count(p)) Fail(t, "free map names a page the table does not own");
            seen.insert(owned.begin(), owned.end());
            uint32_t longColumns = 0;
            for (uint16_t c = 0; c < U16(def.data() + 45); ++c) {
                const uint8_t type = def[63 + 25 * c];
                if (type == 0x0B || type == 0x0C) ++longColumns;
            }
            for (uint32_t k = 0; k < longColumns; ++k) {
                const uint8_t* e = def.data() + length - 2 - 10 * (longColumns - k);
                const std::set<uint32_t> lvOwned = Map(U32(e + 2)), lvFree = Map(U32(e + 6));
                for (const uint32_t p : lvOwned) {
                    if (!lval.count(p)) Fail(p, "long-value map names a page that is not LVAL");
                    if (!lvalMapped.insert(p).second) Fail(p, "LVAL page in two maps");
                }
                for (const uint32_t p : lvFree) if (!lvOwned.count(p)) Fail(p, "LVAL free map outside its owned map");
            }
        }
        if (lvalMapped != lval) Fail(0, "LVAL pages missing from every map");
        seen.insert(lval.begin(), lval.end());
        seen.insert(holders.begin(), holders.end());
        seen.insert(bitmapPages_.begin(), bitmapPages_.end());
        if (seen.size() != pages_) Fail(0, std::to_string(pages_ - seen.size()) + " pages belong to nothing");

        // Page 1, row 0: a set bit marks a free page, i.e. one past the end.
        const auto global = Rows(1);
        if (global.size() != 2) { Fail(1, "global map rows"); return; }
        const uint8_t* m = Page(1) + global[0].first;
        for (uint32_t page = 0; page < 512; ++page)
            if (bool(m[5 + page / 8] >> (page % 8) & 1) != (page >= pages_)) { Fail(1, "global map bit " + std::to_string(page)); break; }
    }

    std::vector<std::string> faults;

private:
    void Fail(uint32_t page, const std::string& what) { faults.push_back("page " + std::to_string(page) + ": " + what); }
    const std::vector<uint8_t>& f_;
    uint32_t pages_;
    std::set<uint32_t> bitmapPages_;
};

std::string Repeat(std::string_view unit, size_t times) {
    std::string s;
    for (size_t i = 0; i < times; ++i) s += unit;
    return s;
}

jet::NewTable QuizTable() {
    return jet::NewTable{"wd", {{"Question", ColumnType::Text, 510}, {"Answer", ColumnType::Text, 510},
                                {"Explanation", ColumnType::Memo, 0}, {"Source", ColumnType::Memo, 0}}, {}};
}

jet::Result<std::vector<uint8_t>> Write(const jet::NewTable& t, std::string_view password = "pqr.3h5k.dst/mz") {
    return jet::WriteDatabase(t, password, jet::WriteOptions{kMay2024});
}

TEST(WriterPages, AreAllAccountedForWithExactHeadersAndMatchingUsageMaps) {
    for (const int rows : {0, 1, 30000}) {   // 30,000 rows span more pages than an inline map covers
        jet::NewTable t = QuizTable();
        for (int i = 0; i < rows; ++i)
            t.rows.push_back({"第" + std::to_string(i) + "题", "答案", i % 97 == 0 ? jet::Cell{Repeat("说明", 3000)} : jet::Cell{},
                              i % 13 == 0 ? jet::Cell{Repeat("source ", 300)} : jet::Cell{"s"}});
        const auto file = Write(t);
        ASSERT_TRUE(file.ok()) << file.error().message;
        FileAudit audit(*file);
        audit.Run();
        EXPECT_TRUE(audit.faults.empty()) << rows << " rows: " << audit.faults.size() << " faults, first: " << audit.faults.front();
    }
}

TEST(WriterPages, HeaderCarriesTheMaskedBlockAndTheSameBytesForTheSameInput) {
    jet::NewTable t = QuizTable();
    t.rows.push_back({"问", "答", std::nullopt, std::nullopt});
    const auto a = Write(t), b = Write(t);
    ASSERT_TRUE(a.ok() && b.ok());
    EXPECT_EQ(*a, *b);
    const uint8_t* p = a->data();
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(p + 4), 15), "Standard Jet DB");
    EXPECT_EQ(U32(p + 0x14), 1u);   // Jet 4
    // The first bytes of the fixed keystream of the masked block, applied to
    // its first eight (constant) bytes.
    const uint8_t keystream[8] = {0xB5, 0x6F, 0x03, 0x62, 0x61, 0x08, 0xC2, 0x55};
    const uint8_t expected[8] = {0x00, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(p[0x18 + i] ^ keystream[i], expected[i]) << i;
    EXPECT_EQ(0, std::memcmp(p + 0x98, "\x54\x06\x00\x00" "4.0", 8));
    EXPECT_EQ(a->size() % 4096, 0u);
}

TEST(WriterInput, IsRefusedWithAReasonInsteadOfBeingStoredWrongly) {
    const auto refusal = [](const jet::NewTable& t, std::string_view password = "") {
        const auto r = Write(t, password);
        return r.ok() ? std::string("(written)") : r.error().message;
    };
    jet::NewTable t = QuizTable();
    t.rows.push_back({Repeat("长", 256), "a", std::nullopt, std::nullopt});
    EXPECT_NE(refusal(t).find("Row 1, column \"Question\""), std::string::npos) << refusal(t);

    t.rows = {{"only", "three", "cells"}};
    EXPECT_NE(refusal(t).find("3 cells"), std::string::npos);

    t.rows = {{"bad \xC3 utf-8", "a", std::nullopt, std::nullopt}};
    EXPECT_NE(refusal(t).find("UTF-8"), std::string::npos);
    t.rows = {{std::string("nul\0inside", 10), "a", std::nullopt, std::nullopt}};
    EXPECT_NE(refusal(t).find("NUL"), std::string::npos);
    t.rows = {{"\xEF\xBB\xBF" "一", "a", std::nullopt, std::nullopt}};   // cannot be told from compressed text
    EXPECT_NE(refusal(t).find("U+FEFF"), std::string::npos);

    t.rows.clear();
    EXPECT_NE(refusal(t, "密码密码密码密码密码Pass1234567").find("at most 20"), std::string::npos);
    EXPECT_EQ(refusal(t, "密码密码密码密码密码Pass123456"), "(written)");

    jet::NewTable numbers{"t", {{"n", ColumnType::Long, 4}}, {}};
    const auto r = Write(numbers);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().kind, Error::Unsupported);

    // Ten full Text columns make rows longer than a page takes.
    jet::NewTable wide{"t", {}, {}};
    jet::Row row;
    for (int c = 0; c < 10; ++c) {
        wide.columns.push_back({"c" + std::to_string(c), ColumnType::Text, 510});
        row.push_back(Repeat("长", 255));
    }
    wide.rows.push_back(row);
    EXPECT_NE(refusal(wide).find("4060"), std::string::npos);
}

TEST(WriterInput, RefusesNamesAndColumnsJetWouldNotAccept) {
    const auto refused = [](jet::NewTable t) { return !Write(t).ok(); };
    const jet::Column text{"a", ColumnType::Text, 20};
    EXPECT_TRUE(refused({"", {text}, {}}));
    EXPECT_TRUE(refused({"a.b", {text}, {}}));
    EXPECT_TRUE(refused({" lead", {text}, {}}));
    EXPECT_TRUE(refused({Repeat("x", 65), {text}, {}}));
    EXPECT_TRUE(refused({"msysobjects", {text}, {}}));
    EXPECT_TRUE(refused({"t", {}, {}}));
    EXPECT_TRUE(refused({"t", {text, {"A", ColumnType::Memo, 0}}, {}}));   // same name, other case
    EXPECT_TRUE(refused({"t", {{"a", ColumnType::Text, 0}}, {}}));
    EXPECT_TRUE(refused({"t", {{"a", ColumnType::Text, 511}}, {}}));
    EXPECT_TRUE(refused({"t", {{"a", ColumnType::Text, 512}}, {}}));
    jet::NewTable many{"t", {}, {}};
    for (int c = 0; c < 256; ++c) many.columns.push_back({"c" + std::to_string(c), ColumnType::Memo, 0});
    EXPECT_TRUE(refused(many));
    many.columns.pop_back();
    EXPECT_FALSE(refused(many));
    EXPECT_FALSE(refused({"题库 2024", {{"问题", ColumnType::Text, 2}}, {{"x"}}}));
}

}  // namespace
