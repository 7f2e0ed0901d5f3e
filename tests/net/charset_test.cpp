// Character-set names and keeping split characters whole across chunks.
#include <gtest/gtest.h>

#include <string>

#include "net/charset.h"

namespace {

TEST(CodePageForCharset, MapsTheNamesATextStreamAccepts) {
    EXPECT_EQ(net::CodePageForCharset("gb2312"), 936u);
    EXPECT_EQ(net::CodePageForCharset("GBK"), 936u);
    EXPECT_EQ(net::CodePageForCharset("UTF-8"), 65001u);
    EXPECT_EQ(net::CodePageForCharset("big5"), 950u);
    EXPECT_EQ(net::CodePageForCharset("iso-8859-1"), 28591u);
    EXPECT_EQ(net::CodePageForCharset("unicode"), 1200u);
    EXPECT_FALSE(net::CodePageForCharset("klingon"));
    EXPECT_FALSE(net::CodePageForCharset(""));
}

// Feeds `bytes` cut at every position and checks that what comes out is
// always whole characters and adds up to the input.
void ExpectEverySplitKeepsCharactersWhole(unsigned codePage, const std::string& bytes,
                                          const std::vector<size_t>& boundaries) {
    for (size_t cut = 0; cut <= bytes.size(); ++cut) {
        net::ChunkCarry carry(codePage);
        const std::string first = carry.Feed(std::string_view(bytes).substr(0, cut));
        const std::string second = carry.Feed(std::string_view(bytes).substr(cut));
        EXPECT_EQ(carry.Waiting(), 0u);
        EXPECT_EQ(first + second, bytes);
        EXPECT_NE(std::find(boundaries.begin(), boundaries.end(), first.size()), boundaries.end())
            << "cut at " << cut << " gave " << first.size() << " bytes";
    }
}

TEST(ChunkCarry, KeepsUtf8CharactersWholeAtEverySplit) {
    const std::string text = "a\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80z";   // a, é, 中, 😀, z
    ExpectEverySplitKeepsCharactersWhole(65001, text, {0, 1, 3, 6, 10, 11});
}

TEST(ChunkCarry, KeepsDoubleByteCharactersWholeEvenWhenTrailBytesLookLikeLeads) {
    // 中文 in GBK, then a character whose trail byte (0xB0) is a lead byte on its own.
    const std::string gbk = "x\xD6\xD0\xCE\xC4\xB0\xB0y";
    ExpectEverySplitKeepsCharactersWhole(936, gbk, {0, 1, 3, 5, 7, 8});
    // 中一文 in Big5; the middle one has an ASCII-range trail byte (0x40).
    const std::string big5 = "\xA4\xA4\xA4\x40\xA4\xE5";
    ExpectEverySplitKeepsCharactersWhole(950, big5, {0, 2, 4, 6});
}

TEST(ChunkCarry, CarriesOddBytesAndHighSurrogatesOfUtf16) {
    const std::string le = std::string("A\0", 2) + "\x3D\xD8\x00\xDE" + std::string("B\0", 2);   // A 😀 B
    ExpectEverySplitKeepsCharactersWhole(1200, le, {0, 2, 6, 8});
}

TEST(ChunkCarry, HandsBackAnUnfinishedCharacterAtTheEnd) {
    net::ChunkCarry carry(65001);
    EXPECT_EQ(carry.Feed("ok\xE4\xB8"), "ok");
    EXPECT_EQ(carry.Waiting(), 2u);
    EXPECT_EQ(carry.Finish(), "\xE4\xB8");
    EXPECT_EQ(carry.Waiting(), 0u);
    // Single-byte code pages never wait.
    net::ChunkCarry latin(28591);
    EXPECT_EQ(latin.Feed("\xE4"), "\xE4");
}

}  // namespace
