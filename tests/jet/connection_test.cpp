#include "jet/connection.h"

#include <gtest/gtest.h>

namespace {

TEST(ConnectionString, ReadsTheBankFormWithItsTrailingSegment) {
    auto s = jet::ParseConnectionString(
        "Provider=Microsoft.Jet.OLEDB.4.0;Persist Security Info=False;Data Source=C:\\Temp\\d9x3.tmp;"
        "Jet OLEDB:Database Password=pqr.3h5k.dst/mz;admin,pqr.3h5k.dst/mz");
    ASSERT_TRUE(s.ok()) << s.error().message;
    EXPECT_EQ(s->dataSource, "C:\\Temp\\d9x3.tmp");
    EXPECT_EQ(s->databasePassword, "pqr.3h5k.dst/mz");

    // Keys ignore case and blanks; a value may hold '=' and, quoted, ';'.
    auto q = jet::ParseConnectionString(" provider = microsoft.jet.oledb.4.0 ; DATA SOURCE=\"/tmp/a;b\"\"c.mdb\" ;"
                                        "jet oledb:database password=a=b;;stray");
    ASSERT_TRUE(q.ok()) << q.error().message;
    EXPECT_EQ(q->dataSource, "/tmp/a;b\"c.mdb");
    EXPECT_EQ(q->databasePassword, "a=b");

    auto noPassword = jet::ParseConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=x.mdb");
    ASSERT_TRUE(noPassword.ok());
    EXPECT_EQ(noPassword->databasePassword, "");
}

TEST(ConnectionString, RejectsOtherProvidersAndMissingSources) {
    EXPECT_EQ(jet::ParseConnectionString("Provider=Microsoft.ACE.OLEDB.12.0;Data Source=x.accdb").error().kind,
              jet::Error::Unsupported);
    EXPECT_EQ(jet::ParseConnectionString("Data Source=x.mdb").error().kind, jet::Error::Unsupported);
    EXPECT_EQ(jet::ParseConnectionString("Provider=Microsoft.Jet.OLEDB.4.0").error().kind, jet::Error::Syntax);
    EXPECT_EQ(jet::ParseConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=").error().kind, jet::Error::Syntax);
    EXPECT_EQ(jet::ParseConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"x.mdb").error().kind,
              jet::Error::Syntax);
    EXPECT_EQ(jet::ParseConnectionString("").error().kind, jet::Error::Unsupported);
}

TEST(ConnectionString, QuotedValuesReadBackUnchanged) {
    for (std::string path : {"C:\\plain\\d9x3.tmp", "C:\\a;b\\d9x3.tmp", "\"quoted\";", " lead", "中文\\目录"}) {
        auto s = jet::ParseConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" +
                                            jet::QuoteConnectionValue(path) + ";Jet OLEDB:Database Password=p");
        ASSERT_TRUE(s.ok()) << path;
        EXPECT_EQ(s->dataSource, path);
    }
    EXPECT_EQ(jet::QuoteConnectionValue("C:\\Temp\\d9x3.tmp"), "C:\\Temp\\d9x3.tmp");
}

}  // namespace
