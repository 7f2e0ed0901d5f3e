// tovi-bank run as a separate process, the way a maintainer runs it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/sha256.h"
#include "base/text.h"
#include "jet/format.h"
#include "questionbank/access_db.h"
#include "questionbank/bank_manifest.h"
#include "tests/support/allocation_limit.h"
#include "tests/support/crafted_bank.h"
#include "tools/bank/bank_tool.h"
#include "tools/bank/csv.h"

namespace {

namespace fs = std::filesystem;

struct ToolRun {
    int code = -1;
    std::string out, err;
};

class BankTool : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::path(TOVI_BINARY_DIR) / "tool-test" /
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }

    std::string P(const std::string& name) const { return (dir_ / name).string(); }

    static std::string Read(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void Write(const std::string& name, const std::string& text) const {
        std::ofstream(dir_ / name, std::ios::binary) << text;
    }

    ToolRun Tool(const std::vector<std::string>& args) const {
        std::string cmd = "\"" + std::string(TOVI_BANK_EXE) + "\"";
        for (const std::string& a : args) cmd += " \"" + a + "\"";
        cmd += " > \"" + P("stdout.txt") + "\" 2> \"" + P("stderr.txt") + "\"";
#ifdef _WIN32
        cmd = "\"" + cmd + "\"";   // cmd.exe drops the outer pair of quotes
#endif
        ToolRun r;
#ifdef _WIN32
        // The wide call, so Chinese arguments reach the tool unchanged.
        const std::u16string wide = base::Utf8ToUtf16(cmd);
        const int status = _wsystem(reinterpret_cast<const wchar_t*>(wide.c_str()));
#else
        const int status = std::system(cmd.c_str());
#endif
#ifdef _WIN32
        r.code = status;
#else
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
        r.out = Read(dir_ / "stdout.txt");
        r.err = Read(dir_ / "stderr.txt");
        return r;
    }

    fs::path dir_;
};

const std::string kBankCsv =
    "Question,Answer,PinYin\r\n"
    "中国的首都是哪座城市？,北京,zgdsdsnzcs\r\n"
    "\"Who wrote \"\"Hamlet\"\", the play?\",Shakespeare,whamlet\r\n"
    "空的答案,\"\",kdda\r\n"
    "没有答案,,mydaan\r\n"
    "\"两行\r\n的问题\",答案,lh\r\n"
    "It's a test,ok,its\r\n";

TEST_F(BankTool, ImportThenExportGivesBackTheSameCsvAndInfoCountsTheRows) {
    Write("in.csv", kBankCsv);
    for (const std::string bank : {"wd.dat", "plain.mdb"}) {
        const ToolRun imp = Tool({"import", P("in.csv"), "-o", P(bank)});
        ASSERT_EQ(imp.code, 0) << imp.err;
        const ToolRun exp = Tool({"export", P(bank)});
        ASSERT_EQ(exp.code, 0) << exp.err;
        EXPECT_EQ(exp.out, kBankCsv) << bank;
        const ToolRun info = Tool({"info", P(bank)});
        ASSERT_EQ(info.code, 0) << info.err;
        EXPECT_NE(info.out.find("version: Jet 4"), std::string::npos) << info.out;
        EXPECT_NE(info.out.find("password: matches"), std::string::npos) << info.out;
        EXPECT_NE(info.out.find("wd: 6 rows"), std::string::npos) << info.out;
    }
    // The scrambled bank and the plain one differ exactly by the transform.
    const ToolRun s = Tool({"scramble", P("wd.dat"), P("back.mdb")});
    ASSERT_EQ(s.code, 0) << s.err;
    const ToolRun exp = Tool({"export", P("back.mdb"), "--table", "WD"});
    EXPECT_EQ(exp.out, kBankCsv);
    const ToolRun wrong = Tool({"info", P("back.mdb"), "--password", "nope"});
    EXPECT_NE(wrong.code, 0);
    EXPECT_NE(wrong.out.find("password: does not match"), std::string::npos) << wrong.out;
    EXPECT_NE(Tool({"export", P("back.mdb"), "--password", "nope"}).code, 0);
    EXPECT_NE(Tool({"export", P("back.mdb"), "--table", "nosuch"}).err.find("nosuch"), std::string::npos);
}

TEST_F(BankTool, ImportComputesMissingPinyinFromTheQuestion) {
    Write("in.csv", "\xEF\xBB\xBF" "answer,QUESTION\n北京,中国的首都\nH2O,水的化学式？\n");
    ASSERT_EQ(Tool({"import", P("in.csv"), "-o", P("wd.dat")}).code, 0);
    const ToolRun exp = Tool({"export", P("wd.dat")});
    EXPECT_EQ(exp.out, "Question,Answer,PinYin\r\n中国的首都,北京,zgdsd\r\n水的化学式？,H2O,sdhxs\r\n");
}

TEST_F(BankTool, SearchListsWhatTheProgramWouldList) {
    Write("in.csv", kBankCsv + "中国最长的河流,长江,zgzcdhl\r\n中国的首都是哪座城市？,北京,zgdsdsnzcs\r\n");
    ASSERT_EQ(Tool({"import", P("in.csv"), "-o", P("wd.dat")}).code, 0);
    const ToolRun zg = Tool({"search", P("wd.dat"), "ZG"});
    ASSERT_EQ(zg.code, 0) << zg.err;
    EXPECT_EQ(zg.out, "Question,Answer,PinYin\r\n中国的首都是哪座城市？,北京,zgdsdsnzcs\r\n中国最长的河流,长江,zgzcdhl\r\n");
    const ToolRun han = Tool({"search", P("wd.dat"), "首都"});
    EXPECT_EQ(han.out, "Question,Answer,PinYin\r\n中国的首都是哪座城市？,北京,zgdsdsnzcs\r\n");
    // An apostrophe is searched for, not a broken query.
    const ToolRun apos = Tool({"search", P("wd.dat"), "it's"});
    ASSERT_EQ(apos.code, 0) << apos.err;
    EXPECT_EQ(apos.out, "Question,Answer,PinYin\r\nIt's a test,ok,its\r\n");
    const ToolRun none = Tool({"search", P("wd.dat"), "xyzzy"});
    EXPECT_EQ(none.code, 0);
    EXPECT_EQ(none.out, "Question,Answer,PinYin\r\n");
}

// The program's list, row for row, and the rule that found each row.
TEST_F(BankTool, SearchExplainsEachRowOfTheProgramsList) {
    Write("in.csv", kBankCsv + "中国最长的河流,长江,zgzcdhl\r\n長江三峽,,\r\n长江三峡,三峡,\r\n");
    ASSERT_EQ(Tool({"import", P("in.csv"), "-o", P("wd.dat")}).code, 0);
    const ToolRun cj = Tool({"search", P("wd.dat"), "cj", "--explain"});
    ASSERT_EQ(cj.code, 0) << cj.err;
    EXPECT_EQ(cj.out, "Question,Answer,PinYin,Rule\r\n長江三峽,,cjsx,exact\r\n长江三峡,三峡,cjsx,exact\r\n");
    const ToolRun reading = Tool({"search", P("wd.dat"), "zhongguozuich", "--explain"});
    EXPECT_EQ(reading.out, "Question,Answer,PinYin,Rule\r\n中国最长的河流,长江,zgzcdhl,reading\r\n");
    const ToolRun words = Tool({"search", P("wd.dat"), "首都 中國", "--explain"});
    EXPECT_EQ(words.out, "Question,Answer,PinYin,Rule\r\n中国的首都是哪座城市？,北京,zgdsdsnzcs,words\r\n");
    const ToolRun similar = Tool({"search", P("wd.dat"), "中国的首府是哪座城市", "--explain"});
    EXPECT_EQ(similar.out, "Question,Answer,PinYin,Rule\r\n中国的首都是哪座城市？,北京,zgdsdsnzcs,similar\r\n");

    // The program, on the same bank, lists the same rows in the same order.
    ASSERT_EQ(Tool({"scramble", P("wd.dat"), P("plain.mdb")}).code, 0);
    questionbank::AccessDb db;
    db.SetTempBankPath(P("plain.mdb"));
    for (const char* keyword : {"cj", "首都 中國", "长江", "zg", "中国的首府是哪座城市", "it's", "%"}) {
        db.SearchKeyword(keyword);
        std::string listed = "Question,Answer,PinYin\r\n";
        const auto& rs = db.BankRecordset();
        for (size_t r = 0; r < rs.RecordCount(); ++r) {
            for (size_t f = 0; f < 3; ++f) {
                std::optional<std::string> cell;
                if (!rs.IsNullAt(r, f)) cell = std::string(rs.Cell(r, f));
                listed.append(f ? "," : "").append(bankcli::CsvCell(cell));
            }
            listed += "\r\n";
        }
        EXPECT_EQ(Tool({"search", P("wd.dat"), keyword}).out, listed) << keyword;
    }
}

TEST_F(BankTool, ScramblingTwiceGivesBackTheFile) {
    std::string bytes;
    for (int i = 0; i < 1000; ++i) bytes += static_cast<char>(i * 7);
    Write("a.bin", bytes);
    ASSERT_EQ(Tool({"scramble", P("a.bin"), P("b.bin")}).code, 0);
    ASSERT_EQ(Tool({"scramble", P("b.bin"), P("c.bin")}).code, 0);
    EXPECT_NE(Read(dir_ / "b.bin"), bytes);
    EXPECT_EQ(Read(dir_ / "c.bin"), bytes);
    EXPECT_EQ(Read(dir_ / "b.bin")[3], bytes[3]);
}

TEST_F(BankTool, BadInputIsNamedWithItsLineAndLeavesTheOldBankAlone) {
    Write("old.dat", "previous bank");
    const auto fails = [&](const std::string& csv, const std::string& expected) {
        Write("bad.csv", csv);
        const ToolRun r = Tool({"import", P("bad.csv"), "-o", P("old.dat")});
        EXPECT_EQ(r.code, 1) << csv;
        EXPECT_NE(r.err.find(P("bad.csv")), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(expected), std::string::npos) << r.err;
        EXPECT_EQ(Read(dir_ / "old.dat"), "previous bank");
    };
    fails("Question,Answer\n\"a\",b\n\"c\nd,e\n", "line 3: a quoted field is not closed");
    fails("Question,Answer\na,b\nc,d,e\n", "line 3: 3 fields, but the header has 2");
    fails("Question,Answer\na,b\nc,\xFF\n", "line 3: the text is not valid UTF-8");
    fails("Question,Hint\na,b\n", "line 1: unknown column 'Hint'");
    fails("Question,PinYin\na,b\n", "line 1: the header has no Answer column");
    fails("Question,Answer,question\n", "line 1: column Question appears twice");
    fails("", "no header row");
    fails("Question,Answer\na,b\"c\n", "line 2: a quote inside an unquoted field");

    // The system's own reason follows what could not be done.
    const std::string noEntry = std::generic_category().message(ENOENT);
    Write("good.csv", "Question,Answer\na,b\n");
    const ToolRun unwritable = Tool({"import", P("good.csv"), "-o", P("no-such-dir/wd.dat")});
    EXPECT_EQ(unwritable.code, 1);
    EXPECT_NE(unwritable.err.find("wd.dat.part: " + noEntry), std::string::npos) << unwritable.err;
    const ToolRun missing = Tool({"import", P("missing.csv"), "-o", P("old.dat")});
    EXPECT_EQ(missing.code, 1);
    EXPECT_NE(missing.err.find("missing.csv: cannot read the file: " + noEntry), std::string::npos) << missing.err;
    EXPECT_EQ(Read(dir_ / "old.dat"), "previous bank");
    // A good import does replace it, and leaves no temporary file behind.
    ASSERT_EQ(Tool({"import", P("good.csv"), "-o", P("old.dat")}).code, 0);
    EXPECT_NE(Read(dir_ / "old.dat"), "previous bank");
    EXPECT_FALSE(fs::exists(dir_ / "old.dat.part"));
    // A damaged bank is an error, not a crash.
    Write("junk.dat", std::string(5000, 'x'));
    EXPECT_EQ(Tool({"info", P("junk.dat")}).code, 1);
    EXPECT_EQ(Tool({"search", P("junk.dat"), "a"}).code, 1);
}

// What a maintainer publishes is what the program downloads: the manifest
// describes the bank beside it exactly, and the bank answers info and search.
TEST_F(BankTool, PublishWritesABankAndAManifestThatDescribesIt) {
    Write("in.csv", kBankCsv);
    ASSERT_EQ(Tool({"import", P("in.csv"), "-o", P("plain.mdb")}).code, 0);
    const ToolRun pub = Tool({"publish", P("plain.mdb"), "-o", P("site")});
    ASSERT_EQ(pub.code, 0) << pub.err;
    const std::string bank = Read(dir_ / "site" / "wd.dat");
    const std::string text = Read(dir_ / "site" / "wd.manifest");
    EXPECT_EQ(pub.out, text);
    auto m = questionbank::ParseManifest(text);
    ASSERT_TRUE(m) << m.error().Message();
    EXPECT_EQ(m->size, bank.size());
    EXPECT_EQ(m->sha256, base::Sha256Hex(bank.data(), bank.size()));
    EXPECT_EQ(m->questions, 6u);
    EXPECT_EQ(m->url, "wd.dat");
    EXPECT_EQ(text.substr(0, 9), "format=1\n");
    EXPECT_FALSE(fs::exists(dir_ / "site" / "wd.dat.part"));
    EXPECT_FALSE(fs::exists(dir_ / "site" / "wd.manifest.part"));
    EXPECT_NE(Tool({"info", P("site/wd.dat")}).out.find("wd: 6 rows"), std::string::npos);
    EXPECT_EQ(Tool({"search", P("site/wd.dat"), "首都"}).out,
              "Question,Answer,PinYin\r\n中国的首都是哪座城市？,北京,zgdsdsnzcs\r\n");

    // A scrambled bank is published as it is; --base-url makes the address absolute.
    ASSERT_EQ(Tool({"import", P("in.csv"), "-o", P("wd.dat")}).code, 0);
    ASSERT_EQ(Tool({"publish", P("wd.dat"), "-o", P("site2"), "--base-url", "https://down.example/banks"}).code, 0);
    EXPECT_EQ(Read(dir_ / "site2" / "wd.dat"), Read(dir_ / "wd.dat"));
    EXPECT_EQ(questionbank::ParseManifest(Read(dir_ / "site2" / "wd.manifest"))->url, "https://down.example/banks/wd.dat");

    // Whatever is not a bank leaves an earlier publication as it was.
    Write("junk.dat", std::string(5000, 'x'));
    ASSERT_EQ(Tool({"scramble", P("wd.dat"), P("unscrambled.dat")}).code, 0);
    for (const std::string bad : {"junk.dat", "unscrambled.dat", "missing.dat"}) {
        const ToolRun r = Tool({"publish", P(bad), "-o", P("site")});
        EXPECT_EQ(r.code, 1) << bad;
        EXPECT_NE(r.err.find(bad), std::string::npos) << r.err;
    }
    EXPECT_EQ(Read(dir_ / "site" / "wd.dat"), bank);
    EXPECT_EQ(Read(dir_ / "site" / "wd.manifest"), text);
    EXPECT_EQ(Tool({"publish", P("wd.dat"), "-o", P("site"), "--base-url", "ftp://x"}).code, 2);
    EXPECT_EQ(Tool({"publish", P("wd.dat")}).code, 2);
    EXPECT_EQ(Read(dir_ / "site" / "wd.manifest"), text);
}

TEST_F(BankTool, ExportKeepsDatesAndBinaryValuesWhole) {
    // Dates with the year in full: 1974 and 1874 no longer look alike.
    const ToolRun types = Tool({"export", std::string(TOVI_SHARED_DIR) + "/fixtures/jet/access2000_types.mdb", "--table",
                                "Table1"});
    ASSERT_EQ(types.code, 0) << types.err;
    EXPECT_NE(types.out.find(",1974-09-21 00:00:00,"), std::string::npos) << types.out;
    EXPECT_NE(types.out.find(",1981-12-12 00:00:00,"), std::string::npos) << types.out;

    // A column made Binary: the two UCS-2 characters of "ok" come out as hex,
    // not as bytes with NULs among them; an empty value is "0x".
    Write("in.csv", "Question,Answer,PinYin\r\nq,a,ok\r\nr,b,\"\"\r\n");
    ASSERT_EQ(Tool({"import", P("in.csv"), "-o", P("plain.mdb")}).code, 0);
    std::string file = Read(dir_ / "plain.mdb");
    const std::string pinyin("P\0i\0n\0Y\0i\0n\0", 12);
    const size_t name = file.find(pinyin);
    ASSERT_NE(name, std::string::npos);
    const size_t tdef = name / 4096 * 4096;
    const auto u16 = [&](size_t at) { return static_cast<uint16_t>(uint8_t(file[at]) | uint8_t(file[at + 1]) << 8); };
    const size_t realIndexes = uint8_t(file[tdef + jet::format::kTdef.realIndexCountAt]);
    size_t patched = 0;
    for (size_t c = 0; c < 3; ++c) {
        const size_t entry = tdef + jet::format::kTdef.headerSize + 12 * realIndexes + 25 * c;
        if (u16(entry + jet::format::kColumnEntry.numberAt) != 2) continue;
        file[entry + jet::format::kColumnEntry.typeAt] = static_cast<char>(jet::ColumnType::Binary);
        ++patched;
    }
    ASSERT_EQ(patched, 1u);
    Write("binary.mdb", file);
    const ToolRun binary = Tool({"export", P("binary.mdb")});
    ASSERT_EQ(binary.code, 0) << binary.err;
    EXPECT_EQ(binary.out, "Question,Answer,PinYin\r\nq,a,0x6F006B00\r\nr,b,0x\r\n");
}

TEST_F(BankTool, ASharedLongValueOrTooLittleMemoryEndsWithAMessage) {
    const auto shared = testsupport::SharedChainBank(30, "答案", 5000, questionbank::kBankPassword);
    ASSERT_FALSE(shared.file.empty());
    Write("shared.mdb", std::string(shared.file.begin(), shared.file.end()));
    for (const std::vector<std::string>& args : {std::vector<std::string>{"export", P("shared.mdb")},
                                                  std::vector<std::string>{"search", P("shared.mdb"), "question"}}) {
        const ToolRun r = Tool(args);
        EXPECT_EQ(r.code, 1) << args[0];
        EXPECT_NE(r.err.find("two cells share it"), std::string::npos) << r.err;
    }
    const auto good = testsupport::SharedChainBank(1, "答案", 5000, questionbank::kBankPassword);
    Write("good.mdb", std::string(good.file.begin(), good.file.end()));
    for (const std::string command : {"export", "search", "info"}) {
        std::ostringstream out, err;
        std::vector<std::string> args{command, P("good.mdb")};
        if (command == "search") args.push_back("question");
        int code = 0;
        {
            testsupport::AllocationLimit limit(good.file.size() / 2);
            code = bankcli::RunBankTool(args, out, err);
        }
        EXPECT_EQ(code, 1) << command;
        EXPECT_NE(err.str().find("out of memory"), std::string::npos) << command << ": " << err.str();
    }
}

TEST_F(BankTool, HelpAndUsageErrors) {
    const ToolRun help = Tool({"--help"});
    EXPECT_EQ(help.code, 0);
    for (const char* cmd : {"info", "export", "import", "search", "scramble", "publish"}) {
        EXPECT_NE(help.out.find(cmd), std::string::npos);
        const ToolRun h = Tool({cmd, "--help"});
        EXPECT_EQ(h.code, 0) << cmd;
        EXPECT_NE(h.out.find(std::string("Usage: tovi-bank ") + cmd), std::string::npos) << h.out;
    }
    EXPECT_EQ(Tool({}).code, 2);
    EXPECT_EQ(Tool({"frobnicate"}).code, 2);
    EXPECT_EQ(Tool({"import", "x.csv"}).code, 2);        // no -o
    EXPECT_EQ(Tool({"search", "wd.dat"}).code, 2);       // no keyword
    EXPECT_EQ(Tool({"export", "wd.dat", "--bogus"}).code, 2);
}

}  // namespace
