#include "shell/links_win.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Call {
    HWND owner;
    std::wstring verb, file;
    bool parameters, directory;
    INT show;
};
std::vector<Call> g_calls;
HINSTANCE WINAPI RecordShell(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory,
                             INT show) {
    g_calls.push_back({owner, verb ? verb : L"", file ? file : L"", parameters != nullptr, directory != nullptr,
                       show});
    return reinterpret_cast<HINSTANCE>(42);
}

class Links : public ::testing::Test {
protected:
    void SetUp() override { previous_ = shell::SetShellExecute(RecordShell); g_calls.clear(); }
    void TearDown() override { shell::SetShellExecute(previous_); }

private:
    shell::ShellExecuteFn previous_ = nullptr;
};

TEST_F(Links, SixAddressesGoToTheShellMaximisedWithTheOpenVerb) {
    const shell::LinkTable table = shell::BuildLinkTable();
    for (int i = 0; i < shell::kLinkCount; ++i) shell::OpenSiteLink(table, i);
    shell::OpenForumThread();

    const std::vector<std::wstring> expected = {
        L"http://www.tovi.com/",
        L"http://news.tovi.com/",
        L"http://ardo.tovi.com/",
        L"http://bbs.tovi.com/",
        L"http://down.tovi.com/netgame/h010/h00/1000858.shtml",
        L"http://bbs.tovi.com/thread-3761360-1-1.html",
    };
    ASSERT_EQ(g_calls.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(g_calls[i].file, expected[i]);
        EXPECT_EQ(g_calls[i].verb, L"open");
        EXPECT_EQ(g_calls[i].show, SW_SHOWMAXIMIZED);
        EXPECT_EQ(g_calls[i].owner, nullptr);
        EXPECT_FALSE(g_calls[i].parameters);
        EXPECT_FALSE(g_calls[i].directory);
    }
}

TEST_F(Links, RepeatedClicksOpenAgainAndBadIndexesOpenNothing) {
    const shell::LinkTable table = shell::BuildLinkTable();
    shell::OpenSiteLink(table, 3);
    shell::OpenSiteLink(table, 3);
    shell::OpenSiteLink(table, -1);
    shell::OpenSiteLink(table, shell::kLinkCount);
    ASSERT_EQ(g_calls.size(), 2u);
    EXPECT_EQ(g_calls[1].file, L"http://bbs.tovi.com/");
}

TEST_F(Links, NonAsciiAddressesReachTheShellIntact) {
    shell::OpenLink("http://www.tovi.com/答题器/");
    ASSERT_EQ(g_calls.size(), 1u);
    EXPECT_EQ(g_calls[0].file, L"http://www.tovi.com/答题器/");
}

}  // namespace
