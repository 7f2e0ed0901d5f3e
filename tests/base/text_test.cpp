#include "base/text.h"

#include <gtest/gtest.h>

TEST(TextConversion, RoundTripsChineseAndAstralCharacters) {
    const std::string s = "题目：ToviArdo答题器 \xF0\x9F\x98\x80";
    const std::u16string w = base::Utf8ToUtf16(s);
    EXPECT_EQ(w.substr(0, 3), u"题目：");
    EXPECT_EQ(w.size(), 3u + 8u + 3u + 1u + 2u);  // the emoji is a surrogate pair
    EXPECT_EQ(base::Utf16ToUtf8(w), s);
}

TEST(TextConversion, ReplacesIllFormedInputInsteadOfDroppingIt) {
    EXPECT_EQ(base::Utf8ToUtf16("a\xC0\xAFz"), u"a\uFFFD\uFFFDz");   // overlong '/'
    EXPECT_EQ(base::Utf8ToUtf16("\xE9\xA2"), u"\uFFFD\uFFFD");        // truncated
    EXPECT_EQ(base::Utf16ToUtf8(u"x\xD800y"), "x\xEF\xBF\xBDy");      // lone surrogate
}
