// Splitting transfer addresses into host, port and path.
#include <gtest/gtest.h>

#include "net/url.h"

namespace {

using net::ParseURL;

TEST(ParseURL, SplitsHostPortAndPathWhateverTheSchemeCase) {
    const auto parts = ParseURL("HTTP://Example.org:8080/a/b?c=1");
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->host, "Example.org");
    EXPECT_EQ(parts->port, 8080);
    EXPECT_EQ(parts->path, "/a/b?c=1");
    EXPECT_FALSE(parts->secure);

    const auto bare = ParseURL("http://example.org");
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->host, "example.org");
    EXPECT_EQ(bare->port, 80);
    EXPECT_EQ(bare->path, "/");

    const auto noScheme = ParseURL("127.0.0.1:81/x");
    ASSERT_TRUE(noScheme);
    EXPECT_EQ(noScheme->host, "127.0.0.1");
    EXPECT_EQ(noScheme->port, 81);
    EXPECT_EQ(noScheme->path, "/x");
}

TEST(ParseURL, SecureAddressesGoToPort443UnlessTheyNameOne) {
    const auto parts = ParseURL("https://secure.example.org/login?next=/");
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->host, "secure.example.org");
    EXPECT_EQ(parts->port, 443);
    EXPECT_EQ(parts->path, "/login?next=/");
    EXPECT_TRUE(parts->secure);

    const auto withPort = ParseURL("HTTPS://h:8443");
    ASSERT_TRUE(withPort);
    EXPECT_EQ(withPort->host, "h");
    EXPECT_EQ(withPort->port, 8443);
    EXPECT_TRUE(withPort->secure);
}

TEST(ParseURL, TakesEveryPortUpTo65535AndRejectsTheRest) {
    for (const char* port : {"1", "32767", "32768", "40000", "65535"}) {
        const auto parts = ParseURL(std::string("http://h:") + port + "/");
        ASSERT_TRUE(parts) << port;
        EXPECT_EQ(parts->port, std::stoi(port));
    }
    for (const char* bad : {"http://h:0/", "http://h:65536/", "http://h:99999999/", "http://h:/", "http://h:8o/",
                            "http://h:-1/", "ftp://h/", "http:///path", "http://"}) {
        EXPECT_FALSE(ParseURL(bad)) << bad;
    }
}

TEST(ParseURL, RemovesOnlyTheLeadingScheme) {
    const auto parts = ParseURL("http://h/go?to=http://other/x");
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->host, "h");
    EXPECT_EQ(parts->path, "/go?to=http://other/x");

    const auto queryOnly = ParseURL("http://h:90?q=1");
    ASSERT_TRUE(queryOnly);
    EXPECT_EQ(queryOnly->host, "h");
    EXPECT_EQ(queryOnly->port, 90);
    EXPECT_EQ(queryOnly->path, "/?q=1");
}

}  // namespace
