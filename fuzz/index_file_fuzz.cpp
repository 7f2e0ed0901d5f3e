// A saved index of a small bank with bytes of it changed as the input says
// (each 4 bytes: a 24-bit offset and the byte to put there), read back and,
// when it is accepted, searched. In this build the checksum is not compared
// (FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION), so that changed arrays reach
// the checks behind it: whatever they let through must search without a
// read out of bounds.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "search/index.h"

namespace {

struct Row {
    const char* question;
    const char* answer;
    const char* pinyin;
};
const Row kRows[] = {
    {"长江三峡是哪三个峡？", "瞿塘峡、巫峡、西陵峡", "cjsxsnsgx"},
    {"長江三峽是哪三個峽？", "瞿塘峡、巫峡、西陵峡", nullptr},
    {"ＣＰＵ的中文名称是？", "中央处理器", "cpudzwmcs"},
    {"2008年奥运会在哪座城市举办？", "北京", "2008nayhznzcsjb"},
    {"银行的英文单词是？", "bank", "yhdywdcs"},
    {"Who wrote Hamlet?", "Shakespeare", "whowrotehamlet"},
    {"100%的意思是？", "全部", "100dyss"},
    {"长江三峡是哪三个峡？", "瞿塘峡、巫峡、西陵峡", "cjsxsnsgx"},
    {nullptr, "没有题目的答案", "null"},
};
constexpr auto kRowCount = static_cast<uint32_t>(sizeof kRows / sizeof kRows[0]);
const search::BankStamp kBank{0x5EED, 1234};

search::SearchRow Source(uint32_t r) {
    const Row& row = kRows[r < kRowCount ? r : 0];
    const auto view = [](const char* s) { return s ? std::string_view(s) : std::string_view(); };
    return {view(row.question), view(row.answer), view(row.pinyin), !row.question, !row.answer, !row.pinyin};
}

const std::string& Saved() {
    static const std::string bytes = search::SearchIndex(kRowCount, Source).Save(kBank);
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes = Saved();
    for (size_t i = 0; i + 4 <= size; i += 4) {
        const size_t at = (size_t{data[i]} | size_t{data[i + 1]} << 8 | size_t{data[i + 2]} << 16) % bytes.size();
        bytes[at] = static_cast<char>(data[i + 3]);
    }
    if (size % 4) bytes.resize(bytes.size() - data[size - 1] % 64);   // now and then a shorter file
    auto index = search::SearchIndex::Load(bytes, kBank, kRowCount, Source);
    if (!index) return 0;
    for (const char* keyword : {"cj", "changjiang", "长江 三峡", "中文", "%的", "b", "长江三峡是哪三个峡谷呢啊"}) {
        const search::SearchResult found = index->Search(keyword);
        for (uint32_t r : found.rows) {
            if (r >= kRowCount) __builtin_trap();
        }
    }
    return 0;
}
