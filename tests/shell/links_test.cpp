#include "shell/links.h"
#include "shell/tray_tip.h"

#include <gtest/gtest.h>

namespace {

std::string PathOf(const std::string& address) {
    const auto host = address.find("//");
    return address.substr(address.find('/', host + 2));
}

TEST(LinkTable, HasFiveAddressesAndNoEmptyLastEntry) {
    const shell::LinkTable table = shell::BuildLinkTable();
    ASSERT_EQ(table.size(), 5u);
    for (const auto& address : table) {
        EXPECT_EQ(address.rfind("http://", 0), 0u) << address;
        EXPECT_NE(address.find(".tovi.com/"), std::string::npos) << address;
    }
    EXPECT_EQ(PathOf(table[0]), "/");
    EXPECT_EQ(PathOf(table[1]), "/");
    EXPECT_EQ(PathOf(table[2]), "/");
    EXPECT_EQ(PathOf(table[3]), "/");
    EXPECT_EQ(PathOf(table[4]), "/netgame/h010/h00/1000858.shtml");
}

TEST(LinkTable, ForumLabelAndForumThreadShareTheForumHost) {
    const shell::LinkTable table = shell::BuildLinkTable();
    const std::string thread(shell::kForumThreadAddress);
    EXPECT_EQ(thread, table[3] + "thread-3761360-1-1.html");
}

TEST(LinkTable, EveryAddressIsDistinct) {
    const shell::LinkTable table = shell::BuildLinkTable();
    for (std::size_t i = 0; i < table.size(); ++i)
        for (std::size_t j = i + 1; j < table.size(); ++j) EXPECT_NE(table[i], table[j]);
}

TEST(LinkTextSplit, TrimsBlanksAndKeepsEveryPiece) {
    EXPECT_EQ(shell::SplitLinkText("  a|b|c  "), (std::vector<std::string>{"a", "b", "c"}));
    // A bar after the last entry is what gives a sixth, empty entry.
    EXPECT_EQ(shell::SplitLinkText("a|b|"), (std::vector<std::string>{"a", "b", ""}));
    EXPECT_EQ(shell::SplitLinkText("a||b"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(shell::SplitLinkText("   "), (std::vector<std::string>{""}));
    EXPECT_EQ(shell::SplitLinkText(""), (std::vector<std::string>{""}));
}

TEST(TrayTip, ShortTipIsKeptWhole) {
    EXPECT_EQ(shell::FitTrayTip(u"Tovi最小化模板", 128), u"Tovi最小化模板");
    EXPECT_EQ(shell::FitTrayTip(u"", 128), u"");
}

TEST(TrayTip, LongTipIsCutToTheFieldLeavingRoomForTheTerminator) {
    const std::u16string longTip(200, u'提');
    EXPECT_EQ(shell::FitTrayTip(longTip, 128), std::u16string(127, u'提'));
    EXPECT_EQ(shell::FitTrayTip(std::u16string(127, u'a'), 128).size(), 127u);
    EXPECT_EQ(shell::FitTrayTip(std::u16string(128, u'a'), 128).size(), 127u);
    EXPECT_EQ(shell::FitTrayTip(u"abc", 1), u"");
    EXPECT_EQ(shell::FitTrayTip(u"abc", 0), u"");
}

TEST(TrayTip, CutNeverSplitsASurrogatePair) {
    // 126 letters, then U+1F3AE as a surrogate pair, then more: the pair would
    // straddle the last unit of a 128-unit field.
    std::u16string tip(126, u'a');
    tip += u"\U0001F3AExyz";
    const std::u16string fitted = shell::FitTrayTip(tip, 128);
    EXPECT_EQ(fitted, std::u16string(126, u'a'));
    // A pair that fits whole is kept.
    EXPECT_EQ(shell::FitTrayTip(u"a\U0001F3AE", 4), u"a\U0001F3AE");
}

}  // namespace
