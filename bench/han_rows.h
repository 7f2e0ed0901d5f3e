// Real-sounding Han questions for the search benchmarks: pieces of the sample
// bank's questions and answers (polyphonic characters such as 长, 行, 重, 乐 in
// their real company) strung together, with the PinYin initials the bank tool
// gives them.
#pragma once
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "base/text.h"
#include "jet/database.h"
#include "questionbank/file_access.h"
#include "tools/bank/csv.h"
#include "tools/bank/pinyin.h"

namespace bench {

// Six-character pieces, every four characters, of each field of the sample
// bank (questionbank/sample/wd.csv); empty when the file cannot be read.
inline std::vector<std::u16string> HanFragments(const std::filesystem::path& sampleCsv) {
    std::vector<std::u16string> out;
    std::string text;
    if (auto bytes = questionbank::ReadWholeFile(sampleCsv)) text.assign(bytes->begin(), bytes->end());
    const bankcli::CsvParse csv = bankcli::ParseCsv(text);
    for (size_t i = 1; i < csv.records.size(); ++i) {
        for (const auto& f : csv.records[i].fields) {
            const std::u16string s = base::Utf8ToUtf16(f.text);
            for (size_t at = 0; at < s.size(); at += 4) out.push_back(s.substr(at, 6));
        }
    }
    return out;
}

// A question of 12..30 characters (now and then with "ABC" in it), an answer
// of one piece, and the question's PinYin initials.
inline jet::Row HanRow(const std::vector<std::u16string>& pieces, std::mt19937& rng) {
    std::uniform_int_distribution<size_t> pick(0, pieces.size() - 1), len(12, 30), odds(0, 19);
    std::u16string q;
    const size_t n = len(rng);
    while (q.size() < n) {
        q += pieces[pick(rng)];
        if (odds(rng) == 0) q += u"ABC";
    }
    q.resize(n);
    if (q.back() >= 0xD800 && q.back() <= 0xDBFF) q.pop_back();
    const std::u16string a = pieces[pick(rng)];
    const std::string question = base::Utf16ToUtf8(q);
    return {question, base::Utf16ToUtf8(a), bankcli::PinyinInitials(question)};
}

}  // namespace bench
