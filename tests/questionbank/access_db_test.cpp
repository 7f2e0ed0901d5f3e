// Access_DB over real bank files written by our Jet writer: the rows a query
// yields, and the one report and empty result of every kind of failure.
#include "questionbank/access_db.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "jet/writer.h"
#include "questionbank/file_access.h"
#include "questionbank/keyword_query.h"
#include "tests/support/allocation_limit.h"
#include "tests/support/crafted_bank.h"

namespace {

namespace fs = std::filesystem;
using questionbank::AccessDb;

std::vector<uint8_t> MakeBank(const std::vector<std::array<std::optional<std::string>, 3>>& rows,
                              std::string_view password = questionbank::kBankPassword) {
    jet::NewTable t;
    t.name = "wd";
    t.columns = {{"Question", jet::ColumnType::Text, 510},
                 {"Answer", jet::ColumnType::Text, 510},
                 {"PinYin", jet::ColumnType::Text, 510}};
    for (const auto& r : rows) t.rows.push_back({r[0], r[1], r[2]});
    auto bytes = jet::WriteDatabase(t, password, jet::WriteOptions{45413.5});
    EXPECT_TRUE(bytes.ok()) << bytes.error().message;
    return bytes.ok() ? *bytes : std::vector<uint8_t>{};
}

class AccessDbTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::path(TOVI_BINARY_DIR) / "access-db-test" / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        copy_ = dir_ / "d9x3.tmp";
        db_.SetReporter([this](std::string_view text, std::string_view caption) {
            reports_.push_back(std::string(caption) + ": " + std::string(text));
        });
        db_.SetTempBankPath(questionbank::Utf8FromPath(copy_));
    }
    void WriteCopy(const std::vector<uint8_t>& bytes) {
        std::ofstream(copy_, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(bytes.data()),
                                                                         static_cast<std::streamsize>(bytes.size()));
    }
    std::vector<std::string> Questions() {
        std::vector<std::string> q;
        auto& rs = db_.BankRecordset();
        for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) q.emplace_back(rs.Fields(0));
        return q;
    }
    // Runs a query that must fail: exactly one report, no rows.
    void ExpectOneFailure(std::string_view sql, jet::Error::Kind kind) {
        reports_.clear();
        db_.OpenQuery(sql);
        ASSERT_EQ(reports_.size(), 1u) << sql;
        EXPECT_EQ(reports_[0], "Zorvex: 链接数据库错误");
        EXPECT_EQ(db_.BankRecordset().RecordCount(), 0u);
        EXPECT_TRUE(db_.BankRecordset().Eof());
        EXPECT_EQ(db_.BankRecordset().Fields(0), "");
        ASSERT_TRUE(db_.LastError().has_value());
        EXPECT_EQ(db_.LastError()->kind, kind) << db_.LastError()->message;
    }

    fs::path dir_, copy_;
    AccessDb db_;
    std::vector<std::string> reports_;
};

const std::vector<std::array<std::optional<std::string>, 3>> kRows = {
    {"中国的首都是哪座城市？", "北京", "zgdsdsnzcs"},
    {"长城有多长", "两万多公里", "ccydc"},
    {"中国的首都是哪座城市？", "北京", "zgdsdsnzcs"},
    {"没有答案的问题", std::nullopt, "mydadwt"},
};

TEST_F(AccessDbTest, KeywordQueryYieldsDistinctRowsInTableOrder) {
    WriteCopy(MakeBank(kRows));
    db_.OpenQuery(questionbank::KeywordQuerySql("ZG"));
    EXPECT_TRUE(reports_.empty());
    EXPECT_TRUE(db_.BankConnection().open);
    EXPECT_EQ(db_.BankConnection().connectionString,
              "Provider=Microsoft.Jet.OLEDB.4.0;Persist Security Info=False;Data Source=" + db_.TempBankPath() +
                  ";Jet OLEDB:Database Password=pqr.3h5k.dst/mz;admin,pqr.3h5k.dst/mz");
    auto& rs = db_.BankRecordset();
    ASSERT_EQ(rs.RecordCount(), 1u);
    EXPECT_EQ(rs.Fields(0), "中国的首都是哪座城市？");
    EXPECT_EQ(rs.Fields(1), "北京");
    EXPECT_EQ(rs.FieldName(2), "PinYin");
    rs.MoveNext();
    EXPECT_TRUE(rs.Eof());

    db_.OpenQuery(questionbank::KeywordQuerySql("问题"));
    ASSERT_EQ(Questions(), (std::vector<std::string>{"没有答案的问题"}));
    EXPECT_TRUE(db_.BankRecordset().IsNullAt(0, 1));
    EXPECT_EQ(db_.BankRecordset().Cell(0, 1), "");

    db_.OpenQuery("select Question from wd");
    EXPECT_EQ(db_.BankRecordset().RecordCount(), 4u);
    EXPECT_EQ(db_.BankRecordset().Cell(1, 0), "长城有多长");
    EXPECT_EQ(db_.BankRecordset().Cell(9, 0), "");   // past the end reads as empty

    // Nothing matches: an empty result, and no report.
    db_.OpenQuery(questionbank::KeywordQuerySql("xyz"));
    EXPECT_EQ(db_.BankRecordset().RecordCount(), 0u);
    EXPECT_TRUE(reports_.empty());
    EXPECT_FALSE(db_.LastError().has_value());
}

TEST_F(AccessDbTest, EveryFailureReportsOnceAndLeavesNoRows) {
    ExpectOneFailure(questionbank::KeywordQuerySql("a"), jet::Error::Io);   // no copy yet
    EXPECT_FALSE(db_.BankConnection().open);
    WriteCopy({});
    ExpectOneFailure(questionbank::KeywordQuerySql("a"), jet::Error::Empty);
    WriteCopy(MakeBank(kRows, "another"));
    ExpectOneFailure(questionbank::KeywordQuerySql("a"), jet::Error::BadPassword);
    std::vector<uint8_t> junk(8192, 0x5A);
    WriteCopy(junk);
    ExpectOneFailure(questionbank::KeywordQuerySql("a"), jet::Error::NotJet);
    auto truncated = MakeBank(kRows);
    truncated.resize(truncated.size() / 2 + 100);
    WriteCopy(truncated);
    reports_.clear();
    db_.OpenQuery(questionbank::KeywordQuerySql("a"));
    EXPECT_EQ(reports_.size(), 1u);
    EXPECT_EQ(db_.BankRecordset().RecordCount(), 0u);

    WriteCopy(MakeBank(kRows));
    db_.OpenQuery(questionbank::KeywordQuerySql("z"));
    ASSERT_GT(db_.BankRecordset().RecordCount(), 0u);
    // A keyword with an unescaped apostrophe, as the search box once sent it.
    ExpectOneFailure("select distinct Question,Answer,PinYin from wd where pinyin like '%it's%' or question like '%it's%' ",
                     jet::Error::Syntax);
    EXPECT_TRUE(db_.BankConnection().open);   // the connection opened; the query failed
    ExpectOneFailure("select Question from nosuch", jet::Error::NoSuchTable);
    ExpectOneFailure("select Hint from wd", jet::Error::NoSuchColumn);
    // The doubled apostrophe the search sends is fine.
    reports_.clear();
    db_.OpenQuery(questionbank::KeywordQuerySql("it's"));
    EXPECT_TRUE(reports_.empty());
}

TEST_F(AccessDbTest, ASharedLongValueOrTooLittleMemoryIsReportedNotThrown) {
    const auto shared = testsupport::SharedChainBank(30, "答案", 5000, questionbank::kBankPassword);
    ASSERT_FALSE(shared.file.empty());
    WriteCopy(shared.file);
    ExpectOneFailure(questionbank::KeywordQuerySql("question"), jet::Error::Corrupt);
    const auto searchFails = [&](jet::Error::Kind kind) {
        reports_.clear();
        db_.SearchKeyword("question");
        EXPECT_EQ(reports_.size(), 1u);
        EXPECT_EQ(db_.BankRecordset().RecordCount(), 0u);
        ASSERT_TRUE(db_.LastError().has_value());
        EXPECT_EQ(db_.LastError()->kind, kind) << db_.LastError()->message;
    };
    searchFails(jet::Error::Corrupt);

    const auto good = testsupport::SharedChainBank(1, "答案", 5000, questionbank::kBankPassword);
    WriteCopy(good.file);
    {
        testsupport::AllocationLimit limit(good.file.size() / 2);
        ExpectOneFailure(questionbank::KeywordQuerySql("question"), jet::Error::OutOfMemory);
        searchFails(jet::Error::OutOfMemory);
    }
    reports_.clear();
    db_.OpenQuery(questionbank::KeywordQuerySql("question"));
    EXPECT_TRUE(reports_.empty());
    ASSERT_EQ(db_.BankRecordset().RecordCount(), 1u);
    EXPECT_EQ(db_.BankRecordset().Fields(1).size(), 10000u * 3);
}

TEST_F(AccessDbTest, EachQuerySeesTheCopyAsItIsNow) {
    WriteCopy(MakeBank(kRows));
    db_.OpenQuery("select Question from wd");
    ASSERT_EQ(db_.BankRecordset().RecordCount(), 4u);
    const auto firstTime = fs::last_write_time(copy_);

    // Same size, same write time, other content: caught by the sampled pages.
    auto rows = kRows;
    rows[1][0] = "长城有多宽";
    auto other = MakeBank(rows);
    ASSERT_EQ(other.size(), fs::file_size(copy_));
    WriteCopy(other);
    fs::last_write_time(copy_, firstTime);
    db_.OpenQuery("select Question from wd");
    EXPECT_EQ(db_.BankRecordset().Cell(1, 0), "长城有多宽");

    // More rows.
    rows.push_back({"新问题", "新答案", "xwt"});
    WriteCopy(MakeBank(rows));
    db_.OpenQuery("select Question from wd");
    EXPECT_EQ(db_.BankRecordset().RecordCount(), 5u);

    // Gone: the next query fails, and the one after the copy is back works.
    fs::remove(copy_);
    ExpectOneFailure("select Question from wd", jet::Error::Io);
    WriteCopy(MakeBank(kRows));
    reports_.clear();
    db_.OpenQuery("select Question from wd");
    EXPECT_TRUE(reports_.empty());
    EXPECT_EQ(db_.BankRecordset().RecordCount(), 4u);
}

TEST_F(AccessDbTest, CopyInAFolderWithAChineseName) {
    const fs::path folder = dir_ / questionbank::PathFromUtf8("临时 文件夹");
    fs::create_directories(folder);
    copy_ = folder / "d9x3.tmp";
    WriteCopy(MakeBank(kRows));
    db_.SetTempBankPath(questionbank::Utf8FromPath(copy_));
    db_.OpenQuery(questionbank::KeywordQuerySql("长城"));
    EXPECT_TRUE(reports_.empty()) << (db_.LastError() ? db_.LastError()->message : "");
    EXPECT_EQ(Questions(), (std::vector<std::string>{"长城有多长"}));
}

// The search index is saved at the first search and read back at the next
// start instead of being built: while the bank stays the same the file is not
// written again. A damaged file, or a bank changed even in one character of
// the same size, is indexed afresh and saved again, and every search lists
// what a run that saves nothing lists. A file that cannot be written is passed
// by in silence.
TEST_F(AccessDbTest, KeepsTheSearchIndexBetweenRunsWhileTheBankIsTheSame) {
    const fs::path saved = dir_ / questionbank::PathFromUtf8("用户 文件夹") / "wd.idx";   // its folder made when needed
    const auto runs = [&](const fs::path& indexPath, const std::string& keyword) {
        AccessDb fresh;
        fresh.SetReporter([this](std::string_view text, std::string_view) { reports_.emplace_back(text); });
        fresh.SetTempBankPath(questionbank::Utf8FromPath(copy_));
        if (!indexPath.empty()) fresh.SetSearchIndexPath(questionbank::Utf8FromPath(indexPath));
        fresh.SearchKeyword(keyword);
        std::vector<std::string> listed;
        for (size_t r = 0; r < fresh.BankRecordset().RecordCount(); ++r) listed.emplace_back(fresh.BankRecordset().Cell(r, 0));
        return listed;
    };
    const auto same = [&](const std::string& keyword) {
        const auto listed = runs(saved, keyword);
        EXPECT_EQ(listed, runs({}, keyword)) << keyword;
        return listed;
    };
    // Whether the file was written since the last call, which dates it two days back.
    fs::file_time_type dated;
    const auto rewritten = [&] {
        const bool again = fs::last_write_time(saved) != dated;
        fs::last_write_time(saved, fs::file_time_type::clock::now() - std::chrono::hours(48));
        dated = fs::last_write_time(saved);   // as the file system keeps it
        return again;
    };
    auto rows = kRows;
    rows.push_back({"長城有多長？", "兩萬多公里", std::nullopt});
    WriteCopy(MakeBank(rows));

    EXPECT_EQ(same("ccydc"), (std::vector<std::string>{"长城有多长", "長城有多長？"}));
    ASSERT_TRUE(fs::exists(saved));
    rewritten();
    EXPECT_EQ(same("zgd"), (std::vector<std::string>{"中国的首都是哪座城市？"}));
    EXPECT_FALSE(rewritten());

    std::string bytes;
    {
        std::ifstream in(saved, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    bytes[bytes.size() / 2] ^= 1;
    std::ofstream(saved, std::ios::binary | std::ios::trunc) << bytes;
    rewritten();
    EXPECT_EQ(same("长城").size(), 2u);
    EXPECT_TRUE(rewritten());
    same("cc");
    EXPECT_FALSE(rewritten());

    rows[1][0] = "长城有多宽";
    const auto other = MakeBank(rows);
    ASSERT_EQ(other.size(), fs::file_size(copy_));
    WriteCopy(other);
    EXPECT_EQ(same("多宽"), (std::vector<std::string>{"长城有多宽"}));
    EXPECT_TRUE(rewritten());

    // A folder where the file should be: searched all the same, nothing said.
    fs::create_directories(dir_ / "taken.idx");
    EXPECT_EQ(runs(dir_ / "taken.idx", "dk").size(), 1u);
    EXPECT_TRUE(reports_.empty());
}

}  // namespace
