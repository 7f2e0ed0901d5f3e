#include "base/hash64.h"

#include <gtest/gtest.h>

#include <string>

namespace {

uint64_t Hash(std::string_view s, uint64_t seed = 0) { return base::Hash64(s.data(), s.size(), seed); }

// The function's published values (XXH64), on inputs that take every path:
// empty, the byte tail, the four-byte step, the eight-byte steps and the
// four lanes, with and without a seed.
TEST(Hash64, GivesThePublishedValues) {
    std::string long_;
    for (int i = 0; i < 4; ++i) {
        for (int b = 0; b < 256; ++b) long_ += static_cast<char>(b);
    }
    long_ += "xyz";
    EXPECT_EQ(Hash(""), 0xEF46DB3751D8E999ull);
    EXPECT_EQ(Hash("a"), 0xD24EC4F1A98C6E5Bull);
    EXPECT_EQ(Hash("abc"), 0x44BC2CF5AD770999ull);
    EXPECT_EQ(Hash(long_), 0xE146CB31B65BC21Aull);
    EXPECT_EQ(Hash("0123456789abcdefghijklmnopqrstuvwxyz!", 7), 0x1F68C97951720F0Eull);
}

}  // namespace
