// The bank the search tests run on: the sample bank's questions (no PinYin:
// the search must not need it) and a few rows of our own with traditional
// characters, full-width letters, Latin text, digits inside questions and
// wildcard characters.
#pragma once
#include <array>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "search/index.h"
#include "tools/bank/csv.h"

namespace searchtest {

using Row = std::array<std::optional<std::string>, 3>;   // Question, Answer, PinYin

inline std::vector<Row> TestBank() {
    std::ifstream in(std::string(TOVI_SOURCE_DIR) + "/questionbank/sample/wd.csv", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    std::vector<Row> rows;
    const bankcli::CsvParse csv = bankcli::ParseCsv(text.str());
    for (size_t i = 1; i < csv.records.size(); ++i) {
        rows.push_back({csv.records[i].fields[0].text, csv.records[i].fields[1].text, std::nullopt});
    }
    const Row own[] = {
        {"長江三峽是哪三個峽？", "瞿塘峡、巫峡、西陵峡", "zjsxsnsgx"},
        {"ＣＰＵ的中文名称是？", "中央处理器", "cpudzwmcs"},
        {"2008年奥运会在哪座城市举办？", "北京", "2008nayhznzcsjb"},
        {"银行的英文单词是？", "bank", "yhdywdcs"},
        {"重庆的简称是？", "渝", "cqdjcs"},
        {"快乐的反义词是？", "悲伤", "kldfycs"},
        {"绿色植物进行光合作用的场所是？", "叶绿体", "lszwjxghzydcss"},
        {"人行横道线俗称什么？", "斑马线", "rxhdxscsm"},
        {"重要的事情说几遍？", "三遍", "zydsqsjb"},
        {"Who wrote Hamlet?", "Shakespeare", "whowrotehamlet"},
        {"吕布的坐骑叫什么？", "赤兔马", "lbdzqjsm"},
        {"C++的发明者是？", "Bjarne Stroustrup", "cdfmzs"},
        {"100%的意思是？", "全部", "100dyss"},
        {"It's a test的意思是？", "这是一个测试", "itsatestdyss"},
        {"十三朝古都西安古称什么？", "长安", "sscgdxagcsm"},
        {"天安门广场位于哪座城市？", "北京", "tamgcwynzcs"},
        {"“9·18”事变发生在哪一年？", "1931年", "918sbfsznyn"},
        {"MP3是一种什么格式的文件？", "音频文件", "mp3syzsmgsdwj"},
        {"臺灣最高的山是？", "玉山", "twzgdss"},
        {"澳門回歸祖國是在哪一年？", "1999年", "amhgzgsznyn"},
        {"G20峰会2016年在哪座城市举办？", "杭州", "g20fh2016nznzcsjb"},
        {"世界银行总部设在哪座城市？", "华盛顿", "sjyhzbsznzcs"},
        {"“还我河山”是谁的名言？", "岳飞", "hwhsssdmy"},
        {"“乐不思蜀”说的是哪个人物？", "刘禅", "lbsssdsngrw"},
        {"中国古代神话中炼石补天的女神是？", "女娲", "zggdshzlsbtdnss"},
        {"NBA中“MVP”指的是什么？", "最有价值球员", "nbazmvpzdssm"},
        {"“得道多助”的下一句是？", "失道寡助", "dddzdxyjs"},
        {"長江三峽是哪三個峽？", "瞿塘峡、巫峡、西陵峡", "zjsxsnsgx"},   // a repeat: listed once
        {"长江三峡是哪三个峡？", "瞿塘峡、巫峡、西陵峡", std::nullopt},
        {std::nullopt, "没有题目的答案", "null"},
    };
    rows.insert(rows.end(), std::begin(own), std::end(own));
    return rows;
}

inline search::RowSource SourceOf(const std::vector<Row>& rows) {
    return [&rows](uint32_t r) {
        const Row& row = rows[r];
        const auto view = [](const std::optional<std::string>& cell) { return cell ? std::string_view(*cell) : std::string_view(); };
        return search::SearchRow{view(row[0]), view(row[1]), view(row[2]), !row[0], !row[1], !row[2]};
    };
}

}  // namespace searchtest
