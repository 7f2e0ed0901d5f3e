// Header search, the reported size and the cookie field.
#include <gtest/gtest.h>

#include <string>

#include "net/headers.h"

namespace {

using namespace std::string_literals;

const std::string kRaw = "HTTP/1.1 200 OK\0Content-Length: 5120\0Server: X\0X-Content-Type-Options: nosniff\0\0"s;

TEST(HeaderSearch, FindsWholeNamesAtLineStartInAnyCase) {
    EXPECT_EQ(net::HeaderQuery(kRaw, "content-length"), "5120");
    EXPECT_EQ(net::HeaderQuery(kRaw, "Server"), "X");
    EXPECT_EQ(net::HeaderQuery("HTTP/1.0 200 OK\0content-length: 7\0"s, "Content-Length"), "7");
    EXPECT_EQ(net::HeaderQuery("HTTP/1.0 200 OK\0CONTENT-TYPE:text/html \0"s, "content-type"), "text/html");
    // "Content-Type" only occurs inside a longer name here.
    EXPECT_EQ(net::HeaderQuery(kRaw, "Content-Type"), "0");
    // A value mentioning a header name is no header.
    EXPECT_EQ(net::HeaderQuery("HTTP/1.0 200 OK\0X-Note: Server: Y\0"s, "Server"), "0");
    // CR LF line ends are read as well.
    EXPECT_EQ(net::FindHeaderValue("HTTP/1.0 200 OK\r\nDate: Mon\r\n\r\n", "date").value_or("-"), "Mon");
}

TEST(HeaderSearch, AnswersZeroWhenNothingFitsAndEverythingForAnEmptyName) {
    EXPECT_EQ(net::HeaderQuery(kRaw, "Expires"), "0");
    EXPECT_EQ(net::HeaderQuery(kRaw, "Date"), "0");
    EXPECT_EQ(net::HeaderQuery("", "Server"), "0");
    EXPECT_EQ(net::HeaderQuery(kRaw, ""), kRaw);
    EXPECT_EQ(net::HeaderQuery("", ""), "0");
    // The last line may lack its NUL.
    EXPECT_EQ(net::HeaderQuery("HTTP/1.0 200 OK\0Server: Z"s, "server"), "Z");
}

TEST(ReportedSize, ReadsSizesBeyond32BitsAndFallsBackForGarbage) {
    EXPECT_EQ(net::ReportedSize("5120"), 5120);
    EXPECT_EQ(net::ReportedSize("0"), 0);
    EXPECT_EQ(net::ReportedSize("3000000000"), 3000000000LL);
    EXPECT_EQ(net::ReportedSize("109951162777600"), 109951162777600LL);
    EXPECT_EQ(net::ReportedSize("12x"), 1);
    EXPECT_EQ(net::ReportedSize("-5"), 1);
    EXPECT_EQ(net::ReportedSize("9999999999999999999999"), 1);
}

TEST(CookieField, StripsLineBreaksAndPadsShortCookiesTo256) {
    const std::string field = net::CookieField("a=b\r\n\0"s);
    EXPECT_EQ(field, "a=b" + std::string(253, ' '));
    const std::string longCookie(300, 'c');
    EXPECT_EQ(net::CookieField(longCookie), longCookie);
}

}  // namespace
