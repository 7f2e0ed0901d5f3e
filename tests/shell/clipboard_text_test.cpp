// A copied text turned into the search box's text.
#include "shell/clipboard_text.h"

#include <gtest/gtest.h>

namespace shell {
namespace {

TEST(ClipboardText, LinesJoinAndBlanksGoLikeTheQuestionWasTyped) {
    struct Case { std::u16string copied; std::optional<std::u16string> searched; };
    const Case cases[] = {
        {u"  中华人民共和国的首都是哪座城市？\r\n", u"中华人民共和国的首都是哪座城市？"},
        {u"\u3000中华人民共和国的\r\n\r\n  首都是哪座城市？\t", u"中华人民共和国的首都是哪座城市？"},
        {u"Which city\nis the capital\rof China", u"Which city is the capital of China"},
        {u"首都 \r\nBeijing", u"首都Beijing"},
        {u"a b\n\nc", u"a b c"},
        {u" \r\n\t\u3000 ", std::nullopt},
        {u"", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(SearchTextFromClipboard(c.copied), c.searched);
}

TEST(ClipboardText, TextsOverAThousandCharactersAreNoQuestion) {
    const std::u16string limit(kMaxWatchedCharacters, u'题');
    EXPECT_EQ(SearchTextFromClipboard(limit), limit);
    EXPECT_EQ(SearchTextFromClipboard(limit + u"题"), std::nullopt);
    // Characters are counted, not UTF-16 units: a thousand characters outside
    // the Basic Multilingual Plane are still a question.
    std::u16string astral;
    for (size_t i = 0; i < kMaxWatchedCharacters; ++i) astral += u"\U00020000";
    EXPECT_EQ(SearchTextFromClipboard(astral), astral);
    // Blank lines do not count; the question they surround does.
    EXPECT_EQ(SearchTextFromClipboard(std::u16string(5000, u'\n') + u"题" + std::u16string(5000, u' ')), u"题");
    EXPECT_EQ(SearchTextFromClipboard(std::u16string(1u << 20, u'题')), std::nullopt);
}

}  // namespace
}  // namespace shell
