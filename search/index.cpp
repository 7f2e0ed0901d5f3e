#include "search/index.h"

#include <algorithm>
#include <bit>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <type_traits>
#include <utility>

#include "jet/sql_text.h"

namespace search {

namespace {

uint64_t HashCell(uint64_t h, bool null, const void* data, size_t size) {
    const uint64_t cell = null ? 0x9E3779B97F4A7C15ull : std::hash<std::string_view>{}(std::string_view(static_cast<const char*>(data), size));
    return (h ^ cell) * 0x100000001B3ull + size;
}

// Whether `text` (a question's units or a PinYin's bytes) holds `piece`.
// Its first unit is looked for eight bytes at a time: a text rarely holds it.
template <class Unit>
bool Holds(std::basic_string_view<Unit> text, std::basic_string_view<Unit> piece) {
    if (piece.empty()) return true;
    if (text.size() < piece.size()) return false;
    constexpr size_t kLanes = 8 / sizeof(Unit);
    constexpr uint64_t kOnes = ~uint64_t{0} / ((uint64_t{1} << (8 * sizeof(Unit))) - 1);
    constexpr uint64_t kHigh = kOnes << (8 * sizeof(Unit) - 1);
    const size_t lastStart = text.size() - piece.size();
    const uint64_t first = kOnes * static_cast<std::make_unsigned_t<Unit>>(piece[0]);
    size_t i = 0;
    while (i <= lastStart) {
        if (i + kLanes <= text.size()) {
            uint64_t v;
            std::memcpy(&v, text.data() + i, sizeof v);
            v ^= first;
            // The lowest flagged lane is the first one equal to the unit.
            const uint64_t zero = (v - kOnes) & ~v & kHigh;
            if (!zero) {
                i += kLanes;
                continue;
            }
            i += static_cast<size_t>(std::countr_zero(zero)) / (8 * sizeof(Unit));
            if (i > lastStart) return false;
        } else if (text[i] != piece[0]) {
            ++i;
            continue;
        }
        // A piece is a few units: compared here, not by a library call.
        size_t j = 1;
        while (j < piece.size() && text[i + j] == piece[j]) ++j;
        if (j == piece.size()) return true;
        ++i;
    }
    return false;
}

// Rows a keystroke looks at from which it is worth reading the postings of
// the characters that read a one-piece word whole, to list rows without
// reading their texts.
constexpr size_t kReadsWholeFrom = 8192;

// Whether every unit kept under `key` in the postings (the key and its other
// forms) has a reading that is `w` whole.
bool EveryFormReads(const CharTables& t, const WordMatcher& w, char16_t key) {
    if (!w.ReadsWhole(t.ReadingClass(key))) return false;
    for (char16_t form : t.FormsOf(key)) {
        if (!w.ReadsWhole(t.ReadingClass(form))) return false;
    }
    return true;
}

// The rows set in a bitmap of a bit per row. Most words of a narrow one are
// empty, and a 32-bit build counts a word's bits with a library call.
size_t RowsIn(const std::vector<uint64_t>& bits) {
    size_t count = 0;
    for (uint64_t word : bits) {
        if (word) count += static_cast<size_t>(std::popcount(word));
    }
    return count;
}

// Calls visit(key) once for each key of the postings under which a
// character with a reading that begins with `piece` is kept, until visit
// returns false.
template <class Visit>
void EachKeyReading(const CharTables& t, std::u16string_view piece, Visit&& visit) {
    std::vector<uint64_t> seen(0x10000 / 64);
    for (uint16_t s = 0; s < t.SyllableCount(); ++s) {
        if (!t.SyllableBegins(s, piece)) continue;
        for (char16_t key : t.SyllableForms(s)) {
            if (seen[key >> 6] >> (key & 63) & 1) continue;
            seen[key >> 6] |= uint64_t{1} << (key & 63);
            if (!visit(key)) return;
        }
    }
}

// Dice coefficient a similar question must reach, on character pairs.
constexpr double kMinSimilarity = 0.3;

// Runs work(i) for each part i < parts, each on a thread of its own where
// one starts and on this thread otherwise; rethrows what a part threw.
void RunParts(unsigned parts, const std::function<void(unsigned)>& work) {
    std::vector<std::exception_ptr> failed(parts);
    const auto run = [&](unsigned i) {
        try {
            work(i);
        } catch (...) {
            failed[i] = std::current_exception();
        }
    };
    std::vector<std::thread> running;
    std::vector<unsigned> here{0};
    for (unsigned i = 1; i < parts; ++i) {
        try {
            running.emplace_back(run, i);
        } catch (const std::system_error&) {
            here.push_back(i);
        }
    }
    for (unsigned i : here) run(i);
    for (std::thread& t : running) t.join();
    for (const std::exception_ptr& e : failed) {
        if (e) std::rethrow_exception(e);
    }
}

// What a search finds, a bit per row for each rule: the rows the exact rule
// finds, and the rows only the other rules find, by the rule that did. A row
// is in one of them at most.
struct Found {
    std::vector<uint64_t> exact, reading, folded, words;

    explicit Found(size_t words_) : exact(words_), reading(words_), folded(words_), words(words_) {}
    void Set(uint32_t r, Rule rule) {
        std::vector<uint64_t>& bits = rule == Rule::Exact ? exact : rule == Rule::Reading ? reading
                                                                  : rule == Rule::Folded  ? folded
                                                                                          : words;
        bits[r >> 6] |= uint64_t{1} << (r & 63);
    }
};

// Threads `rows` rows are shared by, `each` or more to a thread: at most as
// many as the processor runs at once (and 8).
unsigned ThreadsFor(size_t rows, size_t each) {
    const unsigned most = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
    return static_cast<unsigned>(std::min<size_t>(most, std::max<size_t>(1, rows / each)));
}

// A search looks at its candidates on a thread for each 16,384 of them:
// fewer rows are looked at faster than a kept thread wakes. Where fewer
// candidates leave many rows to match against the keyword (a few hundred
// nanoseconds each), the matching is shared, a thread for each 4,096.
constexpr size_t kCandidatesPerThread = 16384;
constexpr size_t kMatchedPerThread = 4096;

// Rows [begin[i], begin[i + 1]) are the i-th of `parts` parts. Parts begin
// at a multiple of 64 rows, so that each writes whole words of the bit-per-row
// sets.
std::vector<uint32_t> PartBegins(uint32_t rowCount, unsigned parts) {
    std::vector<uint32_t> begin(parts + 1);
    for (unsigned i = 0; i < parts; ++i) begin[i] = static_cast<uint32_t>(uint64_t{rowCount} * i / parts) & ~63u;
    begin[parts] = rowCount;
    return begin;
}

}  // namespace

// Threads kept to look at parts of a keystroke's rows beside the one that
// searches: starting a thread costs more than most keystrokes (1.3 to 3 ms
// under Wine, 35 to 250 microseconds natively on the 2-core VM), waking a
// kept one a tenth of that. The searching thread takes parts as well, so
// that a worker slow to wake delays nothing.
class SearchIndex::Workers {
public:
    Workers() = default;
    Workers(const Workers&) = delete;
    Workers& operator=(const Workers&) = delete;
    ~Workers() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        for (std::thread& t : threads_) t.join();
    }

    // Runs work(i) for each part i < parts, the first on this thread, the
    // others on whichever thread is free first (this one where no other
    // starts); rethrows what a part threw.
    void Run(unsigned parts, const std::function<void(unsigned)>& work) {
        while (threads_.size() + 1 < parts) {
            try {
                threads_.emplace_back([this] { Serve(); });
            } catch (const std::system_error&) {
                break;
            }
        }
        std::vector<std::exception_ptr> failed(parts);
        {
            std::lock_guard lock(mutex_);
            work_ = &work;
            failed_ = &failed;
            next_ = 1;
            end_ = parts;
            left_ = parts - 1;
        }
        wake_.notify_all();
        RunPart(0);
        std::unique_lock lock(mutex_);
        while (next_ < end_) {
            const unsigned i = next_++;
            lock.unlock();
            RunPart(i);
            lock.lock();
            --left_;
        }
        done_.wait(lock, [&] { return left_ == 0; });
        lock.unlock();
        for (const std::exception_ptr& e : failed) {
            if (e) std::rethrow_exception(e);
        }
    }

private:
    void RunPart(unsigned i) {
        try {
            (*work_)(i);
        } catch (...) {
            (*failed_)[i] = std::current_exception();
        }
    }
    void Serve() {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [&] { return stop_ || next_ < end_; });
            if (stop_) return;
            const unsigned i = next_++;
            lock.unlock();
            RunPart(i);
            lock.lock();
            if (--left_ == 0) done_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_, done_;
    std::vector<std::thread> threads_;
    // The parts of the run under way: next_ is the next to take, left_ how
    // many of [1, end_) are not done.
    const std::function<void(unsigned)>* work_ = nullptr;
    std::vector<std::exception_ptr>* failed_ = nullptr;
    unsigned next_ = 0, end_ = 0, left_ = 0;
    bool stop_ = false;
};

SearchIndex::SearchIndex() = default;

SearchIndex::SearchIndex(uint32_t rowCount, RowSource source, unsigned threads, WhenComplete whenComplete)
    : rowCount_(rowCount), source_(std::move(source)), whenComplete_(std::move(whenComplete)) {
    if (threads == 0) {
        threads = std::clamp(std::thread::hardware_concurrency(), 1u, kMaxBuildThreads);
        threads = std::min(threads, std::max(1u, rowCount_ / kRowsPerBuildThread));
    }
    threads = std::max(1u, std::min(threads, rowCount_));
    Fold(threads);
    const auto complete = [this] {
        posted_.store(Posted::Yes, std::memory_order_release);
        if (!whenComplete_) return;
        try {
            whenComplete_(*this);
        } catch (...) {   // what it does is its own affair: the index is whole
        }
    };
    if (rowCount_ >= kPostLaterFrom) {
        // One thread fewer than the folding had: the first searches run
        // beside the building.
        const unsigned later = std::max(1u, threads - 1);
        posted_.store(Posted::Building, std::memory_order_relaxed);
        try {
            builder_ = std::thread([this, later, complete] {
                try {
                    if (Post(later)) return complete();
                } catch (...) {   // out of memory: the searches go on without postings
                }
                posted_.store(Posted::Never, std::memory_order_release);
            });
            return;
        } catch (const std::system_error&) {   // no thread to be had: built here
        }
    }
    Post(threads);
    complete();
}

SearchIndex::~SearchIndex() {
    stop_.store(true, std::memory_order_relaxed);
    Finish();
}

void SearchIndex::Finish() const {
    if (builder_.joinable() && builder_.get_id() != std::this_thread::get_id()) builder_.join();
}

std::unique_ptr<SearchIndex> SearchIndex::WithoutPostings(uint32_t rowCount, RowSource source) {
    std::unique_ptr<SearchIndex> index(new SearchIndex());
    index->rowCount_ = rowCount;
    index->source_ = std::move(source);
    index->Fold(1);
    index->posted_.store(Posted::Never, std::memory_order_relaxed);
    return index;
}

void SearchIndex::Fold(unsigned threads) {
    const std::vector<uint32_t> partBegin = PartBegins(rowCount_, threads);
    unitStart_.resize(size_t{rowCount_} + 1);
    pinyinStart_.resize(size_t{rowCount_} + 1);
    letters_.resize(rowCount_);
    chars_.resize(rowCount_);
    typed_.resize(rowCount_);
    held_.resize(rowCount_);
    repeat_.assign((size_t{rowCount_} + 63) / 64, 0);
    widePinyin_.assign(repeat_.size(), 0);
    std::vector<uint64_t> rowHash(rowCount_);
    {
        std::vector<FoldedPart> folded(threads);
        RunParts(threads, [&](unsigned i) { FoldPart(partBegin[i], partBegin[i + 1], folded[i], rowHash); });
        JoinFolded(folded, partBegin);
    }
    MarkRepeats(rowHash);
}

bool SearchIndex::Post(unsigned threads) {
    const std::vector<uint32_t> partBegin = PartBegins(rowCount_, threads);
    std::vector<PartPostings> parts(threads);
    RunParts(threads, [&](unsigned i) { BuildPart(partBegin[i], partBegin[i + 1], parts[i]); });
    if (stop_.load(std::memory_order_relaxed)) return false;
    JoinParts(parts);
    return true;
}

namespace {

// Units or bytes a piece of a part's folded text holds before the next one
// begins (more when a row is longer).
constexpr size_t kFoldedPiece = 1 << 16;

// The piece of `pieces` a row of at most `most` more elements is appended to.
template <typename Text>
Text& PieceFor(std::vector<Text>& pieces, size_t most) {
    if (pieces.empty() || pieces.back().size() + most > pieces.back().capacity()) {
        pieces.emplace_back().reserve(std::max(kFoldedPiece, most));
    }
    return pieces.back();
}

}  // namespace

// Folds rows [begin, end) into `part`, each row's end in it in unitStart_
// and pinyinStart_, and hashes each row into rowHash.
void SearchIndex::FoldPart(uint32_t begin, uint32_t end, FoldedPart& part, std::vector<uint64_t>& rowHash) {
    std::string answer;
    for (uint32_t r = begin; r < end; ++r) {
        const SearchRow row = source_(r);
        // A folded question has no more units than its text has bytes.
        std::u16string& units = PieceFor(part.units, row.questionNull ? 0 : row.question.size());
        std::string& pinyin = PieceFor(part.pinyin, row.pinyinNull ? 0 : row.pinyin.size());
        const size_t unitsAt = units.size(), pinyinAt = pinyin.size();
        if (!row.questionNull) AppendFoldedUnits(units, row.question);
        if (!row.pinyinNull) jet::AppendFolded(pinyin, row.pinyin);
        part.unitCount += units.size() - unitsAt;
        part.pinyinCount += pinyin.size() - pinyinAt;
        unitStart_[r + 1] = static_cast<uint32_t>(part.unitCount);
        pinyinStart_[r + 1] = static_cast<uint32_t>(part.pinyinCount);
        const std::u16string_view q = std::u16string_view(units).substr(unitsAt);
        const std::string_view p = std::string_view(pinyin).substr(pinyinAt);
        if (std::any_of(p.begin(), p.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
            widePinyin_[r >> 6] |= uint64_t{1} << (r & 63);
        }
        answer.clear();
        if (!row.answerNull) jet::AppendFolded(answer, row.answer);
        uint64_t h = 0xCBF29CE484222325ull;
        h = HashCell(h, row.questionNull, q.data(), q.size() * sizeof(char16_t));
        h = HashCell(h, row.answerNull, answer.data(), answer.size());
        h = HashCell(h, row.pinyinNull, p.data(), p.size());
        rowHash[r] = h;
    }
}

// units_ and pinyin_: the parts' pieces one after another, each let go once
// it is copied.
void SearchIndex::JoinFolded(std::vector<FoldedPart>& parts, const std::vector<uint32_t>& partBegin) {
    size_t units = 0, pinyin = 0;
    for (const FoldedPart& part : parts) units += part.unitCount, pinyin += part.pinyinCount;
    units_.reserve(units);
    pinyin_.reserve(pinyin);
    unitStart_[0] = pinyinStart_[0] = 0;
    for (unsigned i = 0; i < parts.size(); ++i) {
        const auto unitsAt = static_cast<uint32_t>(units_.size()), pinyinAt = static_cast<uint32_t>(pinyin_.size());
        for (uint32_t r = partBegin[i]; r < partBegin[i + 1]; ++r) {
            unitStart_[r + 1] += unitsAt;
            pinyinStart_[r + 1] += pinyinAt;
        }
        for (std::u16string& piece : parts[i].units) {
            units_ += piece;
            std::u16string().swap(piece);
        }
        for (std::string& piece : parts[i].pinyin) {
            pinyin_ += piece;
            std::string().swap(piece);
        }
    }
}

// A row equal to an earlier one is a repeat: an open addressing set of the
// rows kept so far, by hash, each row's slot fetched a few rows ahead.
void SearchIndex::MarkRepeats(const std::vector<uint64_t>& rowHash) {
    size_t slots = 16;
    while (slots < size_t{rowCount_} * 2) slots *= 2;
    std::vector<uint32_t> kept(slots, UINT32_MAX);
    const auto slotOf = [&](uint64_t h) { return static_cast<size_t>(h ^ (h >> 29)) & (slots - 1); };
    constexpr uint32_t kAhead = 8;
    for (uint32_t r = 0; r < rowCount_; ++r) {
        if (r + kAhead < rowCount_) __builtin_prefetch(&kept[slotOf(rowHash[r + kAhead])]);
        const uint64_t h = rowHash[r];
        size_t i = slotOf(h);
        bool repeat = false;
        for (; kept[i] != UINT32_MAX; i = (i + 1) & (slots - 1)) {
            const uint32_t other = kept[i];
            if (rowHash[other] == h && SameRow(other, r)) {
                repeat = true;
                break;
            }
        }
        if (repeat) repeat_[r >> 6] |= uint64_t{1} << (r & 63);
        else kept[i] = r;
    }
}

// Works out the signatures and keys of rows [begin, end) and appends the
// rows to their keys' postings in `part`. A row's keys are scattered over
// too many postings to stay at hand: where each posting is kept is fetched
// while the next row's keys are worked out, then its end while those of the
// row after are, and only then is the row appended.
void SearchIndex::BuildPart(uint32_t begin, uint32_t end, PartPostings& part) {
    part.growing.resize(RowSignature::kKeyCount);
    std::vector<uint32_t> keys[3];   // of rows r, r - 1 and r - 2, by r % 3
    std::u16string pinyinUnits;
    for (uint64_t r = begin; r < uint64_t{end} + 2; ++r) {
        if (r % 4096 == 0 && stop_.load(std::memory_order_relaxed)) return;
        if (r < end) {
            const auto row = static_cast<uint32_t>(r);
            std::vector<uint32_t>& now = keys[r % 3];
            now.clear();
            RowSignature sig;
            sig.Add(Question(row), &now);
            pinyinUnits.clear();
            AppendFoldedUnits(pinyinUnits, PinYin(row));
            sig.Add(pinyinUnits, &now, true);
            letters_[row] = sig.letters;
            chars_[row] = sig.chars;
            typed_[row] = sig.typed;
            held_[row] = sig.held;
            if (Repeat(row)) now.clear();
            for (uint32_t key : now) __builtin_prefetch(&part.growing[key]);
        }
        if (r >= uint64_t{begin} + 1 && r - 1 < end) {
            for (uint32_t key : keys[(r - 1) % 3]) {
                const std::vector<uint8_t>& list = part.growing[key].list;
                __builtin_prefetch(list.data() + list.size(), 1);
            }
        }
        if (r < uint64_t{begin} + 2) continue;
        const auto row = static_cast<uint32_t>(r - 2);
        for (uint32_t key : keys[(r - 2) % 3]) {
            PartPostings::Growing& g = part.growing[key];
            if (g.last == row) continue;
            uint32_t gap = row - g.last;   // from -1 for the first row
            g.last = row;
            while (gap >= 0x80) {
                g.list.push_back(static_cast<uint8_t>(gap | 0x80));
                gap >>= 7;
            }
            g.list.push_back(static_cast<uint8_t>(gap));
        }
    }
}

namespace {

// Reads the gap at `at`, moving past it.
uint32_t ReadGap(const uint8_t*& at) {
    uint32_t gap = *at & 0x7Fu;
    for (int shift = 7; *at++ & 0x80; shift += 7) gap |= uint32_t{*at & 0x7Fu} << shift;
    return gap;
}

size_t GapBytes(uint32_t gap) {
    size_t n = 1;
    while (gap >= 0x80) gap >>= 7, ++n;
    return n;
}

}  // namespace

// Each key's posting is the parts' postings one after another; a part's
// first gap was counted from -1 and is counted again from the last row of
// the parts before it.
void SearchIndex::JoinParts(std::vector<PartPostings>& parts) {
    using Sig = RowSignature;
    const size_t words = repeat_.size();
    size_t sparseBytes = 0;
    for (uint32_t key = 0; key < Sig::kKeyCount; ++key) {
        size_t bytes = 0;
        uint32_t last = UINT32_MAX;
        for (const PartPostings& part : parts) {
            const PartPostings::Growing& g = part.growing[key];
            if (g.list.empty()) continue;
            const uint8_t* at = g.list.data();
            const uint32_t gap = ReadGap(at);
            bytes += g.list.size() - static_cast<size_t>(at - g.list.data()) + GapBytes(gap - 1 - last);
            last = g.last;
        }
        if (bytes > words * 8) denseKeys_.push_back(key);
        else sparseBytes += bytes;
    }
    // The dense keys' lists are the longest: they become bitmaps and are let
    // go before the sparse postings are reserved, so that the two are not
    // held at once.
    bitmaps_.assign(denseKeys_.size() * words, 0);
    for (size_t d = 0; d < denseKeys_.size(); ++d) {
        uint64_t* bits = bitmaps_.data() + d * words;
        for (PartPostings& part : parts) {
            std::vector<uint8_t>& list = part.growing[denseKeys_[d]].list;
            const uint8_t* at = list.data();
            const uint8_t* end = at + list.size();
            for (uint32_t r = UINT32_MAX; at < end;) {
                r += ReadGap(at);
                bits[r >> 6] |= uint64_t{1} << (r & 63);
            }
            std::vector<uint8_t>().swap(list);
        }
    }
    postings_.reserve(sparseBytes);
    postingAt_.reserve(Sig::kKeyCount + 1);
    for (uint32_t key = 0; key < Sig::kKeyCount; ++key) {
        postingAt_.push_back(static_cast<uint32_t>(postings_.size()));
        uint32_t last = UINT32_MAX;
        for (PartPostings& part : parts) {
            std::vector<uint8_t>& list = part.growing[key].list;
            if (list.empty()) continue;   // no row, or a dense key's
            const uint8_t* at = list.data();
            const uint8_t* end = at + list.size();
            uint32_t gap = ReadGap(at) - 1 - last;
            while (gap >= 0x80) {
                postings_.push_back(static_cast<uint8_t>(gap | 0x80));
                gap >>= 7;
            }
            postings_.push_back(static_cast<uint8_t>(gap));
            postings_.insert(postings_.end(), at, end);
            last = part.growing[key].last;
            std::vector<uint8_t>().swap(list);
        }
    }
    postingAt_.push_back(static_cast<uint32_t>(postings_.size()));
}

size_t SearchIndex::MemoryBytes() const {
    Finish();
    return units_.capacity() * sizeof(char16_t) + pinyin_.capacity() + unitStart_.capacity() * 4 +
           pinyinStart_.capacity() * 4 +
           (letters_.capacity() + chars_.capacity() + typed_.capacity() + held_.capacity() + repeat_.capacity() +
            widePinyin_.capacity()) * 8 +
           postingAt_.capacity() * 4 + postings_.capacity() + denseKeys_.capacity() * 4 + bitmaps_.capacity() * 8 +
           lastFound_.capacity() * 8;
}

bool SearchIndex::SameIndex(const SearchIndex& o) const {
    Finish();
    o.Finish();
    return rowCount_ == o.rowCount_ && units_ == o.units_ && unitStart_ == o.unitStart_ && pinyin_ == o.pinyin_ &&
           pinyinStart_ == o.pinyinStart_ && letters_ == o.letters_ && chars_ == o.chars_ && typed_ == o.typed_ && held_ == o.held_ &&
           repeat_ == o.repeat_ && widePinyin_ == o.widePinyin_ &&
           postingAt_ == o.postingAt_ && postings_ == o.postings_ && denseKeys_ == o.denseKeys_ && bitmaps_ == o.bitmaps_;
}

// Rows the list shows once: equal, without regard to letter case, in
// question, answer and PinYin, NULL equal only to NULL. Such rows match the
// same rules and are listed where the first of them is.
bool SearchIndex::SameRow(uint32_t a, uint32_t b) const {
    if (Question(a) != Question(b) || PinYin(a) != PinYin(b)) return false;
    const SearchRow x = source_(a), y = source_(b);
    return x.questionNull == y.questionNull && x.pinyinNull == y.pinyinNull && x.answerNull == y.answerNull &&
           jet::Folded(x.answer) == jet::Folded(y.answer);
}

void SearchIndex::AddPosting(uint32_t key, const std::vector<uint64_t>& from, std::vector<uint64_t>& to) const {
    const auto dense = std::lower_bound(denseKeys_.begin(), denseKeys_.end(), key);
    if (dense != denseKeys_.end() && *dense == key) {
        const uint64_t* bits = bitmaps_.data() + static_cast<size_t>(dense - denseKeys_.begin()) * to.size();
        for (size_t w = 0; w < to.size(); ++w) to[w] |= from[w] & bits[w];
        return;
    }
    const uint8_t* at = postings_.data() + postingAt_[key];
    const uint8_t* end = postings_.data() + postingAt_[key + 1];
    uint32_t r = UINT32_MAX;
    while (at < end) {
        uint32_t gap = *at & 0x7Fu;
        for (int shift = 7; *at++ & 0x80; shift += 7) gap |= uint32_t{*at & 0x7Fu} << shift;
        r += gap;
        to[r >> 6] |= from[r >> 6] & uint64_t{1} << (r & 63);
    }
}

// Rows of `from` holding a character one of whose readings begins with
// `piece` (letters; "u" stands for "v" too), or a form of one, set in `to`;
// false, with `to` untouched, when reading their postings would cost more
// than `worth` bytes (a bitmap's pass costs a byte per word). With `whole`
// (the word that is `piece`), those of them holding a key every form of
// which reads it whole are also set in `readsWhole`.
bool SearchIndex::RowsWithReading(std::u16string_view piece, size_t worth, const std::vector<uint64_t>& from,
                                  std::vector<uint64_t>& to, const WordMatcher* whole,
                                  std::vector<uint64_t>* readsWhole) const {
    const CharTables& t = CharTables::Get();
    const size_t words = from.size();
    std::vector<char16_t> keys;
    size_t cost = 0;
    EachKeyReading(t, piece, [&](char16_t key) {
        const uint32_t sparse = postingAt_[key + 1] - postingAt_[key];
        const bool dense = sparse == 0 && std::binary_search(denseKeys_.begin(), denseKeys_.end(), uint32_t{key});
        if (sparse == 0 && !dense) return true;   // no row holds it
        keys.push_back(key);
        cost += dense ? words : sparse;
        return cost <= worth;
    });
    if (cost > worth) return false;
    to.assign(words, 0);
    if (!whole) {
        for (char16_t key : keys) AddPosting(key, from, to);
        return true;
    }
    readsWhole->assign(words, 0);
    for (char16_t key : keys) AddPosting(key, from, EveryFormReads(t, *whole, key) ? *readsWhole : to);
    for (size_t i = 0; i < words; ++i) to[i] |= (*readsWhole)[i];
    return true;
}

// Keeps the rows that hold the pairs some split of the word's leading
// letters and digits into pieces needs, and for a piece of several letters
// a character that reads it. reach[b]: rows that hold what some split of
// units [0, b) needs, with a piece beginning at b.
void SearchIndex::KeepSpellable(const WordMatcher& w, std::vector<uint64_t>& rows, std::vector<uint64_t>* readsWhole) const {
    constexpr size_t kSpan = 16;   // leading units followed; a longer word is checked this far
    // Bytes of postings worth reading to spare the matcher one row.
    constexpr size_t kWorthPerRow = 32;
    const size_t lead = w.Lead();
    if (lead < 2) return;
    const std::u16string& units = w.Units();
    const size_t span = std::min(lead, kSpan);
    const size_t words = rows.size();
    std::vector<std::vector<uint64_t>> reach(span + 1);
    std::vector<size_t> count(span + 1, SIZE_MAX);   // rows in reach[a], once counted
    reach[0] = rows;
    const auto counted = [&](size_t a) {
        if (count[a] == SIZE_MAX) count[a] = RowsIn(reach[a]);
        return count[a];
    };
    // The rows holding a character that reads a piece, by piece (the same
    // piece may begin at several places); none where not worth reading.
    std::vector<std::pair<std::u16string_view, std::optional<std::vector<uint64_t>>>> readers;
    std::vector<uint64_t> from;
    // Of reach[a], the rows that may spell [a, b) with one character.
    const auto spelling = [&](size_t a, size_t b) -> const std::vector<uint64_t>& {
        if (b - a < 2) return reach[a];
        const std::u16string_view piece = std::u16string_view(units).substr(a, b - a);
        auto it = std::find_if(readers.begin(), readers.end(), [&](const auto& r) { return r.first == piece; });
        if (it == readers.end()) {
            std::vector<uint64_t> held;
            // Read only where most rows lack such a character, or where the
            // whole word is the piece: nothing else then narrows the rows.
            const size_t worth = counted(a) * kWorthPerRow;
            const bool whole = readsWhole && b - a == lead;
            const bool read = RowsWithReading(piece, whole ? worth : std::min(worth, size_t{rowCount_} / 4), rows, held,
                                              whole ? &w : nullptr, whole ? readsWhole : nullptr);
            it = readers.insert(readers.end(), {piece, read ? std::optional(std::move(held)) : std::nullopt});
        }
        if (!it->second) return reach[a];
        from.resize(words);
        for (size_t i = 0; i < words; ++i) from[i] = reach[a][i] & (*it->second)[i];
        return from;
    };
    // A piece may end at the word's end; past the span, a split of the whole
    // begins a piece within 5 units before it.
    const size_t last = span == lead ? lead - 1 : span;
    for (size_t b = 1; b <= last; ++b) {
        for (size_t a = b - std::min<size_t>(b, 6); a < b; ++a) {
            if (reach[a].empty() || !w.IsPiece(a, b) || counted(a) == 0) continue;
            if (reach[b].empty()) reach[b].assign(words, 0);
            AddPosting(RowSignature::kPairKeys + RowSignature::PairKey(units[a], units[b]), spelling(a, b), reach[b]);
        }
    }
    std::vector<uint64_t> kept(words, 0);
    for (size_t a = 0; a <= span; ++a) {
        if (reach[a].empty() || counted(a) == 0) continue;
        if (span == lead ? !w.IsPiece(a, lead) : a + 5 < span) continue;
        const std::vector<uint64_t>& held = span == lead ? spelling(a, lead) : reach[a];
        for (size_t i = 0; i < words; ++i) kept[i] |= held[i];
    }
    rows = std::move(kept);
}

// A bit per row that may match: not a repeat, holding every character of the
// keyword's words and the pairs where the pieces of each word can meet.
std::vector<uint64_t> SearchIndex::Candidates(const Keyword& k, std::vector<uint64_t>* readsWhole) const {
    const CharTables& t = CharTables::Get();
    const size_t words = repeat_.size();
    std::vector<uint64_t> rows = NonRepeats();
    std::vector<char16_t> chars;
    for (const WordMatcher& w : k.words) {
        for (char16_t u : w.Units()) {
            if (t.Kind(u) == CharKind::Han || t.Kind(u) == CharKind::Other) chars.push_back(u);
        }
    }
    std::sort(chars.begin(), chars.end());
    chars.erase(std::unique(chars.begin(), chars.end()), chars.end());
    std::vector<uint64_t> held(words);
    for (char16_t u : chars) {
        std::fill(held.begin(), held.end(), 0);
        AddPosting(u, rows, held);
        rows.swap(held);
    }
    if (!k.wildcard) {
        for (const WordMatcher& w : k.words) KeepSpellable(w, rows, k.words.size() == 1 ? readsWhole : nullptr);
    }
    return rows;
}

std::vector<uint64_t> SearchIndex::NonRepeats() const {
    std::vector<uint64_t> rows(repeat_.size());
    for (size_t w = 0; w < rows.size(); ++w) rows[w] = ~repeat_[w];
    if (rowCount_ % 64) rows.back() &= (uint64_t{1} << (rowCount_ % 64)) - 1;
    return rows;
}

SearchResult SearchIndex::Search(std::string_view keyword) {
    const CharTables& t = CharTables::Get();
    const Keyword k(keyword);
    const bool reuse = haveLast_ && keyword.size() >= lastKeyword_.size() && keyword.starts_with(lastKeyword_);
    // Working out the candidates costs a pass over bitmaps of every row:
    // when the previous keystroke found only a few rows, looking at those is
    // cheaper.
    const bool fewLeft = reuse && lastFoundCount_ * 64 < rowCount_;
    // Until the signatures and postings are built, every row that is not a
    // repeat is a candidate: what follows reads them only where `posted`
    // says so.
    const bool posted = Complete();
    // A word of letters that is one piece ("ch", "chang"): a row whose
    // question has a character that reads it whole finds it with a reading.
    // A key's posting holds the rows with any of the units kept under it
    // (the key and its other forms); where every one of them reads the
    // word, a row holding the key lists it with a reading, unless its
    // PinYin holds more than ASCII (where the key may be) or its sets allow
    // that it holds the word as typed. Such a row's texts are not read.
    // Those rows are gathered where the candidates are, or, where those
    // postings are not read for them, when many rows are looked at.
    const bool onePiece = posted && !fewLeft && !k.wildcard && !k.spaced && k.words.size() == 1 &&
                          k.words[0].IsOnePiece() && k.exact == k.words[0].Units() && k.exact.size() >= 2;
    std::vector<uint64_t> readsWhole;   // bit per row
    std::vector<uint64_t> candidates = fewLeft ? lastFound_
                                       : posted ? Candidates(k, onePiece ? &readsWhole : nullptr)
                                                : NonRepeats();
    if (reuse && !fewLeft) {
        for (size_t w = 0; w < candidates.size(); ++w) candidates[w] &= lastFound_[w];
    }
    const size_t words = candidates.size();
    const size_t candidateCount = RowsIn(candidates);

    uint64_t needLetters = 0;
    for (const WordMatcher& w : k.words) needLetters |= w.NeedLetters();
    const bool readsLetters = posted && needLetters != 0;
    std::optional<jet::LikePattern> like;
    if (k.wildcard) like.emplace("%" + k.text + "%");
    // One character that has no other form: every row holding it holds the
    // keyword as typed. (Below U+0800 a character has more than one byte
    // sequence the folding reads alike.)
    bool everyRowExact = false;
    if (posted && !fewLeft && !k.wildcard && !k.spaced && k.exact.size() == 1 && k.words.size() == 1) {
        const char16_t u = k.exact[0];
        everyRowExact = u >= 0x800 && !(u >= 0xD800 && u <= 0xDFFF) && t.Simplified(u) == u && t.FormsOf(u).empty() &&
                        (t.Kind(u) == CharKind::Han || t.Kind(u) == CharKind::Other);
    }

    // A word of two letters or digits ("cj", "ch"): each candidate that
    // holds the pair of their first letters, in the question or in the
    // PinYin, finds it (where the two together begin no reading, every
    // candidate does). Where the question lacks one of the two as typed, it
    // does not hold the word as typed; where the PinYin lacks the pair too,
    // the question holds it, with a reading. Such a row is listed without
    // its texts being read; where the PinYin may hold the pair, only the
    // PinYin is read: of letters and digits alone, it holds the pair only as
    // typed.
    uint64_t needTyped = 0, pinyinPair = 0;
    std::vector<uint64_t> pairRows;   // where the two begin a reading: the candidates holding the pair
    if (posted && !fewLeft && !like && !k.spaced && k.words.size() == 1 && k.exactUtf8.size() == 2) {
        const std::u16string& units = k.words[0].Units();
        if (units.size() == 2 && k.words[0].Lead() == 2 && k.exact == units) {
            needTyped = RowSignature::TypedBit(units[0]) | RowSignature::TypedBit(units[1]);
            const uint16_t pair = RowSignature::PairKey(units[0], units[1]);
            pinyinPair = RowSignature::PinyinPairBit(pair);
            if (k.words[0].IsPiece(0, 2)) {
                pairRows.assign(words, 0);
                AddPosting(RowSignature::kPairKeys + pair, candidates, pairRows);
            }
        }
    }

    // A keyword of one letter or digit: a row holds it as typed where its
    // held set says so; otherwise, where its PinYin is of ASCII alone (and
    // so adds to the first letters only what it holds as typed), a letter
    // among the row's first letters is the reading of one of its question's
    // characters. Such a row's texts are not read.
    uint64_t oneSymbol = 0;
    if (posted && !fewLeft && !like && !k.spaced && k.words.size() == 1 && k.exact.size() == 1 &&
        k.exactUtf8.size() == 1) {
        const char16_t u = k.exact[0];
        if ((u >= 'a' && u <= 'z') || (u >= '0' && u <= '9')) oneSymbol = RowSignature::HeldBit(u);
    }

    uint64_t wordLetters = 0, wordTyped = 0, wordPairs = 0;
    if (onePiece) {
        const WordMatcher& w = k.words[0];
        const std::u16string& units = w.Units();
        for (size_t i = 0; i < units.size(); ++i) {
            wordLetters |= RowSignature::HeldBit(units[i]);
            wordTyped |= RowSignature::TypedBit(units[i]);
            if (i + 1 < units.size()) wordPairs |= RowSignature::PinyinPairBit(RowSignature::PairKey(units[i], units[i + 1]));
        }
        if (readsWhole.empty() && candidateCount >= kReadsWholeFrom) {
            readsWhole.assign(words, 0);
            EachKeyReading(t, units, [&](char16_t key) {
                if (EveryFormReads(t, w, key)) AddPosting(key, candidates, readsWhole);
                return true;
            });
        }
    }
    // A PinYin of ASCII alone cannot hold a keyword that holds more.
    const bool asciiExact = std::all_of(k.exactUtf8.begin(), k.exactUtf8.end(),
                                        [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    const auto pinyinMayHold = [&](uint32_t r) { return asciiExact || WidePinyin(r); };

    // The rows' texts are far apart in a large bank. A row is looked at in
    // two passes: the first reads its sets, which lie in table order, and
    // settles what they can; the rows whose texts must be read are then
    // looked at in turn, their texts asked for some rows ahead so that they
    // are at hand (where they begin is itself far away: asked for a stage
    // before). Only what the row's look will read is asked for; the
    // processor keeps few requests in flight, and one it never needs
    // delays the others.
    enum class Look : uint8_t {
        Pinyin,   // found with a reading unless its PinYin holds the word as typed
        Texts,    // found with a reading unless its question or PinYin holds the word as typed
        Typed,    // a word of two letters (see lookTyped)
        Any,      // every rule
    };
    const auto readsQuestion = [](Look how) { return how == Look::Any || how == Look::Texts; };
    const auto readsPinyin = [&](uint32_t r, Look how) { return how != Look::Any || k.spaced || pinyinMayHold(r); };
    constexpr size_t kNear = 16, kMid = 32;

    Found found(words);
    const auto lettersHeld = [&](uint32_t r) { return (letters_[r] & needLetters) == needLetters; };
    // The rows whose texts are read, in table order, and how.
    struct Pending {
        std::vector<uint32_t> rows;
        std::vector<Look> how;
    };
    // The first pass, over the rows of words [from, to) of the bitmaps:
    // settles a row with bit operations on its sets, a mask of rows for
    // each outcome, so that rows of different outcomes do not cost a
    // mispredicted branch each.
    const auto settle = [&](size_t from, size_t to, Pending& pending) {
        const auto later = [&](size_t w, uint64_t bits, Look kind) {
            for (; bits; bits &= bits - 1) {
                pending.rows.push_back(static_cast<uint32_t>(w * 64 + static_cast<size_t>(std::countr_zero(bits))));
                pending.how.push_back(kind);
            }
        };
        for (size_t w = from; w < to; ++w) {
            const uint64_t cand = candidates[w];
            if (everyRowExact || !cand) {
                found.exact[w] = everyRowExact ? cand : 0;
                continue;
            }
            const uint64_t wide = widePinyin_[w];
            const uint64_t pair = pairRows.empty() ? ~uint64_t{0} : pairRows[w];   // rows holding the word's pair
            uint64_t exact = 0, reading = 0, unlessPinyin = 0, unlessTexts = 0, rest = cand;
            if (!readsWhole.empty()) {
                // A row with a character that reads the word whole, and a
                // PinYin of ASCII alone, finds it with a reading unless it
                // holds it as typed: its question may where its sets allow,
                // its PinYin where its pair set allows and, for a word of
                // two letters, where it holds their pair.
                const uint64_t whole = readsWhole[w] & cand & ~wide;
                for (uint64_t bits = whole; bits; bits &= bits - 1) {
                    const unsigned b = static_cast<unsigned>(std::countr_zero(bits));
                    const size_t r = w * 64 + b;
                    const uint64_t held = held_[r], typed = typed_[r];
                    const uint64_t lacks = (held & wordLetters) != wordLetters;
                    const uint64_t asTyped = (typed & wordTyped) == wordTyped;
                    const uint64_t pairs = ((typed & wordPairs) == wordPairs) & (pair >> b);
                    reading |= (lacks | (~asTyped & ~pairs & 1)) << b;
                    unlessPinyin |= (~lacks & ~asTyped & pairs & 1) << b;
                    unlessTexts |= (~lacks & asTyped) << b;
                }
                rest &= ~(reading | unlessPinyin | unlessTexts);
            }
            uint64_t typedPinyin = 0, any = 0;
            if (oneSymbol) {
                // A row holds the letter or digit as typed where its held
                // set says so; a letter among the first letters of a row
                // whose PinYin is of ASCII alone is a reading (a row has a
                // digit among its letters only as typed).
                for (uint64_t bits = rest; bits; bits &= bits - 1) {
                    const unsigned b = static_cast<unsigned>(std::countr_zero(bits));
                    const size_t r = w * 64 + b;
                    const uint64_t kept = lettersHeld(static_cast<uint32_t>(r));
                    const uint64_t typed = (held_[r] & oneSymbol) != 0;
                    exact |= (kept & typed) << b;
                    reading |= (kept & ~typed & ~(wide >> b) & 1) << b;
                    any |= (kept & ~typed & wide >> b & 1) << b;
                }
            } else if (needTyped) {
                for (uint64_t bits = rest; bits; bits &= bits - 1) {
                    const unsigned b = static_cast<unsigned>(std::countr_zero(bits));
                    const size_t r = w * 64 + b;
                    const uint64_t typed = typed_[r];
                    const uint64_t byTyped = (pair >> b & 1) & ((typed & needTyped) != needTyped);
                    const uint64_t inPinyin = (typed & pinyinPair) != 0;
                    reading |= (byTyped & ~inPinyin & 1) << b;
                    typedPinyin |= (byTyped & inPinyin) << b;
                }
                any = rest & ~(reading | typedPinyin);
            } else {
                any = rest;
            }
            if (readsLetters && !oneSymbol) {
                for (uint64_t bits = any; bits; bits &= bits - 1) {
                    const unsigned b = static_cast<unsigned>(std::countr_zero(bits));
                    if (!lettersHeld(static_cast<uint32_t>(w * 64 + b))) any &= ~(uint64_t{1} << b);
                }
            }
            found.exact[w] = exact;
            found.reading[w] = reading;
            later(w, unlessPinyin, Look::Pinyin);
            later(w, unlessTexts, Look::Texts);
            later(w, typedPinyin, Look::Typed);
            later(w, any, Look::Any);
        }

    };
    // The second pass, over pending rows [begin, end), with `kw`, k or a
    // copy of it: a matcher keeps what it has worked out, so each thread
    // has its own.
    const auto lookAt = [&](const Keyword& kw, const Pending& pending, size_t begin, size_t end) {
        // Of a word of two letters: the rule that finds the row, unless its
        // PinYin holds more than letters and digits.
        const auto lookTyped = [&](uint32_t r) -> std::optional<Rule> {
            bool plain = true, holds = false;
            const std::string_view p = PinYin(r);
            for (size_t j = 0; j < p.size(); ++j) {
                plain = plain && ((p[j] >= 'a' && p[j] <= 'z') || (p[j] >= '0' && p[j] <= '9'));
                holds = holds || (j + 1 < p.size() && p[j] == kw.exactUtf8[0] && p[j + 1] == kw.exactUtf8[1]);
            }
            if (holds) return Rule::Exact;
            if (plain) return Rule::Reading;
            return std::nullopt;
        };
        const auto look = [&](uint32_t r) -> std::optional<Rule> {
            const std::u16string_view q = Question(r);
            // Most rows that hold the keyword as typed hold it in the
            // question: then the PinYin is never read.
            if (!like && (Holds(q, std::u16string_view(kw.exact)) ||
                          (pinyinMayHold(r) && Holds(PinYin(r), std::string_view(kw.exactUtf8))))) {
                return Rule::Exact;
            }
            std::optional<Rule> rule;
            if (!kw.spaced && !kw.words.empty()) {
                const WordMatcher::Found f = kw.words[0].Match(q);
                if (f.reading) rule = Rule::Reading;
                else if (f.folded) rule = Rule::Folded;
            } else if (kw.spaced && !kw.words.empty()) {
                const std::string_view p = PinYin(r);
                bool every = true;
                for (size_t w = 0; w < kw.words.size() && every; ++w) {
                    const WordMatcher::Found f = kw.words[w].Match(q);
                    every = f.folded || f.reading || Holds(p, std::string_view(kw.wordTexts[w]));
                }
                if (every) rule = Rule::Words;
            }
            if (like) {
                const SearchRow row = source_(r);
                if ((!row.questionNull && like->Matches(jet::Folded(row.question))) ||
                    (!row.pinyinNull && like->Matches(PinYin(r)))) {
                    return Rule::Exact;
                }
            }
            return rule;
        };
        for (size_t i = begin; i < end; ++i) {
            if (i + kMid < end) {
                const uint32_t ahead = pending.rows[i + kMid];
                if (readsQuestion(pending.how[i + kMid])) __builtin_prefetch(&unitStart_[ahead]);
                if (readsPinyin(ahead, pending.how[i + kMid])) __builtin_prefetch(&pinyinStart_[ahead]);
            }
            if (i + kNear < end) {
                const uint32_t ahead = pending.rows[i + kNear];
                if (readsQuestion(pending.how[i + kNear])) __builtin_prefetch(units_.data() + unitStart_[ahead]);
                if (readsPinyin(ahead, pending.how[i + kNear])) __builtin_prefetch(pinyin_.data() + pinyinStart_[ahead]);
            }
            const uint32_t r = pending.rows[i];
            std::optional<Rule> rule;
            switch (pending.how[i]) {
            case Look::Pinyin:
                rule = Holds(PinYin(r), std::string_view(kw.exactUtf8)) ? Rule::Exact : Rule::Reading;
                break;
            case Look::Texts:
                rule = Holds(Question(r), std::u16string_view(kw.exact)) || Holds(PinYin(r), std::string_view(kw.exactUtf8))
                           ? Rule::Exact
                           : Rule::Reading;
                break;
            case Look::Typed:
                rule = lookTyped(r);
                if (!rule && (!readsLetters || lettersHeld(r))) rule = look(r);
                break;
            case Look::Any:
                rule = look(r);
                break;
            }
            if (rule) found.Set(r, *rule);
        }
    };

    // Many rows are looked at in parts, each on a thread of its own, a part
    // holding whole words of the bitmaps and about as many rows as another.
    // Fewer rows are settled on one thread; then, where many of them are
    // matched against the keyword (a few hundred nanoseconds each), the
    // matching is shared out, again in whole words of the bitmaps.
    const unsigned parts = ThreadsFor(candidateCount, kCandidatesPerThread);
    if (parts <= 1) {
        Pending pending;
        settle(0, words, pending);
        const size_t matched = static_cast<size_t>(std::count(pending.how.begin(), pending.how.end(), Look::Any));
        const unsigned shares = ThreadsFor(matched, kMatchedPerThread);
        std::vector<size_t> bound{0};
        for (size_t i = 1; i < pending.rows.size() && bound.size() < shares; ++i) {
            if (i * shares >= pending.rows.size() * bound.size() && pending.rows[i] >> 6 != pending.rows[i - 1] >> 6) {
                bound.push_back(i);
            }
        }
        bound.push_back(pending.rows.size());
        if (bound.size() == 2) {
            lookAt(k, pending, 0, pending.rows.size());
        } else {
            const std::vector<Keyword> copies(bound.size() - 2, k);
            if (!workers_) workers_ = std::make_unique<Workers>();
            workers_->Run(static_cast<unsigned>(bound.size() - 1),
                          [&](unsigned i) { lookAt(i == 0 ? k : copies[i - 1], pending, bound[i], bound[i + 1]); });
        }
    } else {
        std::vector<size_t> bound{0};
        size_t seen = 0;
        for (size_t w = 0; w < words && bound.size() < parts; ++w) {
            seen += static_cast<size_t>(std::popcount(candidates[w]));
            if (seen * parts >= candidateCount * bound.size()) bound.push_back(w + 1);
        }
        while (bound.size() <= parts) bound.push_back(words);
        const std::vector<Keyword> copies(parts - 1, k);
        if (!workers_) workers_ = std::make_unique<Workers>();
        workers_->Run(parts, [&](unsigned i) {
            Pending pending;
            settle(bound[i], bound[i + 1], pending);
            lookAt(i == 0 ? k : copies[i - 1], pending, 0, pending.rows.size());
        });
    }

    // The words of the bitmaps that hold a row found: the list is read from
    // them alone (a row found is a candidate).
    std::vector<uint32_t> live;
    size_t exactCount = 0, foundCount = 0;
    for (size_t w = 0; w < words; ++w) {
        if (!candidates[w]) continue;
        const uint64_t any = found.exact[w] | found.reading[w] | found.folded[w] | found.words[w];
        if (!any) continue;
        live.push_back(static_cast<uint32_t>(w));
        exactCount += static_cast<size_t>(std::popcount(found.exact[w]));
        foundCount += static_cast<size_t>(std::popcount(any));
    }
    SearchResult out;
    if (foundCount == 0 && k.length >= kSimilarFromLength) {
        out = MostSimilar(k);
    } else {
        out.rows.resize(foundCount);
        out.rules.assign(foundCount, Rule::Reading);
        uint32_t* at = out.rows.data();
        for (const uint32_t w : live) {
            for (uint64_t bits = found.exact[w]; bits; bits &= bits - 1) {
                *at++ = static_cast<uint32_t>(w * 64 + static_cast<unsigned>(std::countr_zero(bits)));
            }
        }
        std::fill_n(out.rules.begin(), exactCount, Rule::Exact);
        Rule* rule = out.rules.data() + exactCount;
        for (const uint32_t w : live) {
            const uint64_t folded = found.folded[w], spaced = found.words[w];
            for (uint64_t bits = found.reading[w] | folded | spaced; bits; bits &= bits - 1) {
                const unsigned b = static_cast<unsigned>(std::countr_zero(bits));
                *at++ = static_cast<uint32_t>(w * 64 + b);
                if ((folded | spaced) >> b & 1) *rule = folded >> b & 1 ? Rule::Folded : Rule::Words;
                ++rule;
            }
        }
    }
    for (const uint32_t w : live) found.exact[w] |= found.reading[w] | found.folded[w] | found.words[w];
    // A keyword of punctuation alone finds only what holds it as typed; the
    // rules may find more once a letter follows, so it is no base to narrow.
    lastKeyword_.assign(keyword);
    lastFound_ = std::move(found.exact);
    lastFoundCount_ = foundCount;
    haveLast_ = !k.words.empty();
    return out;
}

SearchResult SearchIndex::MostSimilar(const Keyword& k) const {
    const CharTables& t = CharTables::Get();
    SearchResult out;
    out.similar = true;
    // Pairs of neighbouring characters, punctuation and blanks left out.
    std::u16string plain;
    for (const WordMatcher& w : k.words) plain += w.Units();
    if (plain.size() < 2) return out;
    std::vector<uint32_t> pairs;
    for (size_t i = 0; i + 1 < plain.size(); ++i) pairs.push_back(uint32_t{plain[i]} << 16 | plain[i + 1]);
    std::sort(pairs.begin(), pairs.end());
    pairs.erase(std::unique(pairs.begin(), pairs.end()), pairs.end());
    size_t slots = 64;
    while (slots < pairs.size() * 4) slots *= 2;
    std::vector<uint32_t> key(slots, 0);
    std::vector<int32_t> index(slots, -1);
    const auto slotOf = [&](uint32_t pair) { return static_cast<size_t>((pair * 2654435761u) ^ (pair >> 15)) & (slots - 1); };
    for (size_t i = 0; i < pairs.size(); ++i) {
        size_t s = slotOf(pairs[i]);
        while (index[s] >= 0) s = (s + 1) & (slots - 1);
        key[s] = pairs[i];
        index[s] = static_cast<int32_t>(i);
    }
    uint64_t keywordChars = 0;
    for (char16_t u : plain) {
        RowSignature one;
        one.Add(std::u16string_view(&u, 1));
        keywordChars |= one.chars;
    }
    // The signatures that reject most rows at once are the postings'
    // builder's until it is done: the ranking waits for it. An index that
    // never got them ranks every row.
    Finish();
    const int keywordBits = Complete() ? std::popcount(keywordChars) : 0;

    struct Scored {
        double score;
        uint32_t row;
    };
    std::vector<Scored> best;
    std::vector<uint32_t> stamp(pairs.size(), UINT32_MAX);
    for (uint32_t r = 0; r < rowCount_; ++r) {
        if (Repeat(r)) continue;
        // A similar question shares most of the keyword's characters.
        if (keywordBits >= 6 && std::popcount(chars_[r] & keywordChars) * 3 < keywordBits) continue;
        const std::u16string_view q = Question(r);
        char16_t prev = 0;
        size_t rowPairs = 0, shared = 0;
        for (char16_t u : q) {
            if (t.Kind(u) == CharKind::Punct) continue;
            const char16_t s = t.Simplified(u);
            if (prev) {
                ++rowPairs;
                const uint32_t pair = uint32_t{prev} << 16 | s;
                size_t slot = slotOf(pair);
                while (index[slot] >= 0) {
                    if (key[slot] == pair) {
                        const auto i = static_cast<size_t>(index[slot]);
                        if (stamp[i] != r) {
                            stamp[i] = r;
                            ++shared;
                        }
                        break;
                    }
                    slot = (slot + 1) & (slots - 1);
                }
            }
            prev = s;
        }
        if (!shared) continue;
        const double dice = 2.0 * static_cast<double>(shared) / static_cast<double>(pairs.size() + rowPairs);
        if (dice >= kMinSimilarity) best.push_back({dice, r});
    }
    // Best first; equal scores in table order.
    std::stable_sort(best.begin(), best.end(), [](const Scored& a, const Scored& b) { return a.score > b.score; });
    for (size_t i = 0; i < best.size() && i < kMostSimilar; ++i) out.rows.push_back(best[i].row);
    out.rules.assign(out.rows.size(), Rule::Similar);
    return out;
}

}  // namespace search
