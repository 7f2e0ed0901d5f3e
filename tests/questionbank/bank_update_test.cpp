// The manifest of a published bank, and the check a downloaded bank must pass.
#include <gtest/gtest.h>

#include "jet/database.h"
#include "questionbank/access_db.h"
#include "questionbank/bank_file.h"
#include "questionbank/bank_manifest.h"
#include "questionbank/bank_update.h"

namespace {

using questionbank::ManifestError;

const std::string kDigest = "9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08";

std::string Good() {
    return "format=1\nversion=20261207T161500Z\nsize=123904\nsha256=" + kDigest + "\nquestions=2500\nurl=wd.dat\n";
}

TEST(Manifest, WrittenTextReadsBackAndTolerantReadingKeepsEveryField) {
    questionbank::BankManifest m;
    m.version = "20261207T161500Z";
    m.size = 123904;
    m.sha256 = kDigest;
    m.questions = 2500;
    m.url = "wd.dat";
    EXPECT_EQ(questionbank::WriteManifest(m), Good());

    // CRLF, a byte-order mark, blank lines, blanks around keys and values, an
    // upper-case digest and keys of a later publisher are all accepted.
    std::string upper = kDigest;
    for (char& c : upper) c = static_cast<char>(toupper(c));
    const std::string tolerant = "\xEF\xBB\xBF" "format = 1\r\n\r\nmirror=http://elsewhere/\r\nversion=20261207T161500Z\r\n"
                                 "size=123904\r\n  sha256=" + upper + "  \r\nquestions=2500\r\nurl=wd.dat\r\nnote=a=b\r\n";
    for (const std::string& text : {Good(), tolerant}) {
        auto parsed = questionbank::ParseManifest(text);
        ASSERT_TRUE(parsed) << parsed.error().Message();
        EXPECT_EQ(parsed->version, m.version);
        EXPECT_EQ(parsed->size, m.size);
        EXPECT_EQ(parsed->sha256, kDigest);
        EXPECT_EQ(parsed->questions, m.questions);
        EXPECT_EQ(parsed->url, m.url);
    }
}

TEST(Manifest, EveryMissingOrMalformedRequiredKeyIsNamed) {
    const auto replaced = [](std::string_view key, std::string_view line) {
        std::string text = Good();
        const size_t at = text.find(std::string(key) + "=");
        return text.replace(at, text.find('\n', at) - at, line);
    };
    struct Case {
        std::string text;
        ManifestError::Kind kind;
        std::string key;
    };
    std::vector<Case> cases;
    for (std::string_view key : {"format", "version", "size", "sha256", "questions", "url"}) {
        cases.push_back({replaced(key, ""), ManifestError::Missing, std::string(key)});
        cases.push_back({replaced(key, std::string(key) + "="), ManifestError::Malformed, std::string(key)});
        cases.push_back({Good() + std::string(key) + "=1\n", ManifestError::Duplicate, std::string(key)});
    }
    const std::pair<const char*, const char*> malformed[] = {
        {"format", "format=one"},         {"version", "version=2026-12-07T16:15:00Z"},
        {"version", "version=20261307T161500Z"}, {"version", "version=20261207T161500"},
        {"size", "size=-5"},              {"size", "size=0"},
        {"size", "size=12k"},             {"size", "size=99999999999999999999"},
        {"size", "size=2147483648"},      {"sha256", "sha256=abc"},
        {"sha256", "sha256=zz86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08"},
        {"questions", "questions=many"},  {"url", "url=wd dat"},
        {"url", "url=ftp://host/wd.dat"},
    };
    for (const auto& [key, line] : malformed) cases.push_back({replaced(key, line), ManifestError::Malformed, key});
    cases.push_back({replaced("format", "format=2"), ManifestError::Unsupported, "format"});

    for (const Case& c : cases) {
        auto parsed = questionbank::ParseManifest(c.text);
        ASSERT_FALSE(parsed) << c.text;
        EXPECT_EQ(parsed.error().kind, c.kind) << c.text;
        EXPECT_EQ(parsed.error().key, c.key) << c.text;
        EXPECT_NE(parsed.error().Message().find(c.key), std::string::npos) << parsed.error().Message();
    }
    // Not key=value at all: a web page, binary bytes, a line without '='.
    auto html = questionbank::ParseManifest("<html><body>404</body></html>");
    ASSERT_FALSE(html);
    EXPECT_EQ(html.error().kind, ManifestError::NotKeyValue);
    EXPECT_EQ(questionbank::ParseManifest(std::string("format=1\0", 9)).error().kind, ManifestError::NotText);
    EXPECT_EQ(questionbank::ParseManifest(Good() + "garbage\n").error().line, 7);
    EXPECT_EQ(questionbank::ParseManifest(std::string(70000, '\n')).error().kind, ManifestError::NotText);
    EXPECT_EQ(questionbank::ParseManifest("").error().kind, ManifestError::Missing);
}

TEST(Manifest, VersionIsUtcAndTheBankAddressResolvesAgainstTheManifests) {
    EXPECT_EQ(questionbank::ManifestVersion(0), "19700101T000000Z");
    EXPECT_EQ(questionbank::ManifestVersion(951782400), "20000229T000000Z");      // leap day
    EXPECT_EQ(questionbank::ManifestVersion(1796660099), "20261207T161459Z");
    EXPECT_TRUE(questionbank::ParseManifest(Good()));

    struct Case {
        const char* manifest;
        const char* url;
        const char* bank;
    };
    const Case cases[] = {
        {"http://down.tovi.com/a/b/wd.manifest", "wd.dat", "http://down.tovi.com/a/b/wd.dat"},
        {"http://h:8080/a/wd.manifest?x=1/2#f", "v2/wd.dat", "http://h:8080/a/v2/wd.dat"},
        {"http://h/a/wd.manifest", "/banks/wd.dat", "http://h/banks/wd.dat"},
        {"http://h:81", "wd.dat", "http://h:81/wd.dat"},
        {"http://h:81?q", "/wd.dat", "http://h:81/wd.dat"},
        {"http://h/a/wd.manifest", "https://mirror/wd.dat", "https://mirror/wd.dat"},
    };
    for (const Case& c : cases) EXPECT_EQ(questionbank::ResolveBankUrl(c.manifest, c.url), c.bank) << c.manifest;
}

std::vector<uint8_t> StoredBank(std::vector<std::string> columns, std::string_view password, std::string table = "wd") {
    jet::NewTable t;
    t.name = std::move(table);
    for (const std::string& c : columns) t.columns.push_back({c, jet::ColumnType::Text, 510});
    t.rows.assign(3, jet::Row(columns.size(), std::string("x")));
    auto bytes = jet::WriteDatabase(t, password);
    EXPECT_TRUE(bytes);
    questionbank::ScrambleBank(*bytes, questionbank::kBankKey);
    return *bytes;
}

TEST(DownloadedBank, OpensWithTheBanksPasswordAndHasItsTableAndColumns) {
    using questionbank::BankFault;
    const std::string pw(questionbank::kBankPassword);
    const auto good = questionbank::CheckBankFile(StoredBank({"Question", "Answer", "PinYin"}, pw));
    EXPECT_EQ(good.fault, BankFault::None);
    EXPECT_EQ(good.questions, 3u);
    EXPECT_EQ(questionbank::CheckBankFile(StoredBank({"Question", "Answer", "PinYin"}, "other")).fault,
              BankFault::OtherPassword);
    EXPECT_EQ(questionbank::CheckBankFile(StoredBank({"Question", "Answer", "PinYin"}, pw, "qa")).fault,
              BankFault::NoTable);
    const auto noPinyin = questionbank::CheckBankFile(StoredBank({"Question", "Answer"}, pw));
    EXPECT_EQ(noPinyin.fault, BankFault::NoColumn);
    EXPECT_EQ(noPinyin.column, "PinYin");
    // Unscrambled, truncated or not a database at all.
    auto plain = StoredBank({"Question", "Answer", "PinYin"}, pw);
    questionbank::ScrambleBank(plain, questionbank::kBankKey);
    EXPECT_EQ(questionbank::CheckBankFile(plain).fault, BankFault::NotABank);
    auto cut = StoredBank({"Question", "Answer", "PinYin"}, pw);
    cut.resize(cut.size() / 2);
    EXPECT_NE(questionbank::CheckBankFile(cut).fault, BankFault::None);
    EXPECT_EQ(questionbank::CheckBankFile(std::vector<uint8_t>(5000, 'x')).fault, BankFault::NotABank);
    EXPECT_EQ(questionbank::CheckBankFile({}).fault, BankFault::NotABank);
}

}  // namespace
