#include "search/highlight.h"

#include <algorithm>

#include "search/match.h"

namespace search {

std::vector<ByteSpan> MatchedSpans(std::string_view question, std::string_view keyword) {
    const CharTables& t = CharTables::Get();
    std::vector<uint32_t> offsets;
    const std::u16string q = FoldedUnits(question, &offsets);
    const Keyword k(keyword);
    std::vector<std::pair<size_t, size_t>> units;   // [begin, end) unit indices
    if (!k.wildcard && !k.exact.empty()) {
        for (size_t at = q.find(k.exact); at != std::u16string::npos; at = q.find(k.exact, at + k.exact.size())) {
            units.emplace_back(at, at + k.exact.size());
        }
    }
    if (units.empty()) {
        for (const WordMatcher& w : k.words) {
            const auto runs = w.Runs(q);
            units.insert(units.end(), runs.begin(), runs.end());
        }
    }
    if (units.empty() && k.length >= 2) {
        // Characters in a pair of neighbours the keyword also has.
        std::u16string plain;
        for (const WordMatcher& w : k.words) plain += w.Units();
        std::vector<uint32_t> pairs;
        for (size_t i = 0; i + 1 < plain.size(); ++i) pairs.push_back(uint32_t{plain[i]} << 16 | plain[i + 1]);
        std::sort(pairs.begin(), pairs.end());
        size_t prev = q.size();
        for (size_t i = 0; i < q.size(); ++i) {
            if (t.Kind(q[i]) == CharKind::Punct) continue;
            if (prev < q.size()) {
                const uint32_t pair = uint32_t{t.Simplified(q[prev])} << 16 | t.Simplified(q[i]);
                if (std::binary_search(pairs.begin(), pairs.end(), pair)) units.emplace_back(prev, i + 1);
            }
            prev = i;
        }
    }
    std::sort(units.begin(), units.end());
    std::vector<ByteSpan> spans;
    for (const auto& [b, e] : units) {
        const size_t from = offsets[b], to = offsets[e];
        if (!spans.empty() && from <= spans.back().second) {
            spans.back().second = std::max(spans.back().second, to);
        } else {
            spans.emplace_back(from, to);
        }
    }
    return spans;
}

}  // namespace search
