// The search over a whole bank: the rows a keyword finds, in the order the
// list shows them. Rows the exact rule finds come first, in table order and
// without repeats, exactly as the query the program has always sent returns
// them; rows found only by the other rules follow in table order. When the
// keyword is long (8 characters or more, blanks not counted) and nothing
// matches, the most similar questions are listed instead, best first.
//
// The index keeps each question's folded characters, each PinYin folded (and
// a bit per row for a PinYin that holds more than ASCII), four 64-bit sets
// per row (see RowSignature), and for each character and each
// pair of neighbours' first letters the rows that hold it (a posting), from
// which a keyword's candidate rows come before any run is looked for. A row
// equal to an earlier one is marked as a repeat when the index is built and
// never looked at again. A keyword that only grew since the previous search
// looks only at the rows the previous one found.
//
// An index can be saved and read back (index_file.cpp), so that a bank that
// has not changed since the last run is not indexed again.
//
// A large bank's signatures and postings are built on threads of their own
// after the constructor returns (the texts folded and the repeats marked), so
// that the first keystroke does not wait for them: until they are there, a
// search looks at every row instead. Either way it lists the same rows.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "search/match.h"

namespace search {

// One row of the bank as the search reads it; the views must stay valid for
// as long as the index that reads them lives. The index is built, and a
// keystroke's rows looked at, on several threads, which call the row source
// at once.
struct SearchRow {
    std::string_view question, answer, pinyin;
    bool questionNull = false, answerNull = false, pinyinNull = false;
};
using RowSource = std::function<SearchRow(uint32_t row)>;

struct SearchResult {
    std::vector<uint32_t> rows;   // table rows, in list order
    std::vector<Rule> rules;      // for each row: the first rule that finds it
    bool similar = false;         // the rows are similar to the keyword, not matching it
};

// The bank file an index was built from, as a saved index names it.
struct BankStamp {
    uint64_t hash = 0;   // base::Hash64 of the file's bytes
    uint64_t size = 0;   // the file's bytes
    bool operator==(const BankStamp&) const = default;
};

inline constexpr size_t kMostSimilar = 50;          // rows a similarity list holds at most
inline constexpr size_t kSimilarFromLength = 8;     // keyword characters, blanks not counted

class SearchIndex {
public:
    // Called once the index is whole, on the thread that finished it.
    using WhenComplete = std::function<void(const SearchIndex&)>;

    // `threads` build it, 0 for as many as the machine has cores (one for a
    // small bank); the index is the same whatever their number. From
    // kPostLaterFrom rows the signatures and postings are built after the
    // constructor returns; `whenComplete` is called when they are there
    // (before the constructor returns for a smaller bank).
    SearchIndex(uint32_t rowCount, RowSource source, unsigned threads = 0, WhenComplete whenComplete = {});
    ~SearchIndex();
    SearchIndex(const SearchIndex&) = delete;
    SearchIndex& operator=(const SearchIndex&) = delete;

    static constexpr uint32_t kPostLaterFrom = 32768;

    // An index that never has signatures or postings, every search looking at
    // every row: what an index is left as when they cannot be built.
    static std::unique_ptr<SearchIndex> WithoutPostings(uint32_t rowCount, RowSource source);

    uint32_t RowCount() const { return rowCount_; }
    // Whether the signatures and postings are built (false while they are
    // being built, or when they could not be).
    bool Complete() const { return posted_.load(std::memory_order_acquire) == Posted::Yes; }

    // The rows `keyword` lists. Remembers what it found, so that the next
    // search for a longer keyword starting with this one looks at fewer rows.
    // A list of similar questions waits for the index to be built.
    SearchResult Search(std::string_view keyword);

    // Bytes the index holds, once it is built (or cannot be).
    size_t MemoryBytes() const;

    // Whether `other` holds the same texts, signatures, repeats and postings,
    // once both have been built.
    bool SameIndex(const SearchIndex& other) const;

    // The index as a file: a header naming the format, the character tables
    // and the bank, then the arrays. Save waits for the postings, hands the
    // bytes to `write` in a few pieces and returns false as soon as `write`
    // does, or when there are no postings.
    using ByteSink = std::function<bool(const void* data, size_t size)>;
    bool Save(const BankStamp& bank, const ByteSink& write) const;
    std::string Save(const BankStamp& bank) const;
    // An index read back from a file of `fileSize` bytes through `read`
    // (which fills exactly `size` bytes or returns false), or nullptr when
    // the file is not a whole, undamaged index of this bank, built with
    // these character tables. Nothing is allocated beyond what the file holds.
    using ByteSource = std::function<bool(void* data, size_t size)>;
    static std::unique_ptr<SearchIndex> Load(const ByteSource& read, uint64_t fileSize, const BankStamp& bank,
                                             uint32_t rowCount, RowSource source);
    static std::unique_ptr<SearchIndex> Load(std::string_view bytes, const BankStamp& bank, uint32_t rowCount,
                                             RowSource source);

private:
    SearchIndex();
    // Folds the rows and marks the repeats.
    void Fold(unsigned threads);
    // Works out the signatures and builds the postings on `threads` threads;
    // false when stopped before they were whole.
    bool Post(unsigned threads);
    // Waits for the thread building the postings, unless called on it.
    void Finish() const;
    // A bit per row that is not a repeat: the candidates before any
    // signature or posting narrows them.
    std::vector<uint64_t> NonRepeats() const;
    // Calls `visit` on each array a saved index holds, in file order.
    template <class Self, class Visit>
    static void EachArray(Self& self, Visit&& visit);
    // Whether arrays read from a file fit together and with the row count.
    bool Consistent() const;

    // The index is built in parts of the rows, one thread each: a part's
    // rows folded, and its postings as they grow, each beside the last row
    // it holds (a row's keys are scattered over them, and each key then
    // reads one place, not two); the first row's gap is counted from -1.
    // A part's folded rows are kept in pieces of their own, a row never
    // split, so that no long text is grown by copying it, nor held twice
    // while the parts are joined.
    struct FoldedPart {
        std::vector<std::u16string> units;
        std::vector<std::string> pinyin;
        size_t unitCount = 0, pinyinCount = 0;   // in all the pieces
    };
    struct PartPostings {
        struct Growing {
            std::vector<uint8_t> list;
            uint32_t last = UINT32_MAX;
        };
        std::vector<Growing> growing;   // by key
    };
    static constexpr unsigned kMaxBuildThreads = 8;
    static constexpr uint32_t kRowsPerBuildThread = 8192;   // fewer rows are built on one thread

    std::u16string_view Question(uint32_t r) const {
        return std::u16string_view(units_).substr(unitStart_[r], unitStart_[r + 1] - unitStart_[r]);
    }
    std::string_view PinYin(uint32_t r) const {
        return std::string_view(pinyin_).substr(pinyinStart_[r], pinyinStart_[r + 1] - pinyinStart_[r]);
    }
    bool Repeat(uint32_t r) const { return repeat_[r >> 6] >> (r & 63) & 1; }
    bool WidePinyin(uint32_t r) const { return widePinyin_[r >> 6] >> (r & 63) & 1; }
    bool SameRow(uint32_t a, uint32_t b) const;
    void FoldPart(uint32_t begin, uint32_t end, FoldedPart& part, std::vector<uint64_t>& rowHash);
    void JoinFolded(std::vector<FoldedPart>& parts, const std::vector<uint32_t>& partBegin);
    void MarkRepeats(const std::vector<uint64_t>& rowHash);
    void BuildPart(uint32_t begin, uint32_t end, PartPostings& part);
    void JoinParts(std::vector<PartPostings>& parts);
    // Sets in `to` the rows of the posting of `key` that are set in `from`
    // (bitmaps of a bit per row).
    void AddPosting(uint32_t key, const std::vector<uint64_t>& from, std::vector<uint64_t>& to) const;
    bool RowsWithReading(std::u16string_view piece, size_t worth, const std::vector<uint64_t>& from,
                         std::vector<uint64_t>& to, const WordMatcher* whole = nullptr,
                         std::vector<uint64_t>* readsWhole = nullptr) const;
    void KeepSpellable(const WordMatcher& w, std::vector<uint64_t>& rows, std::vector<uint64_t>* readsWhole) const;
    // With `readsWhole`, of a keyword that is one word: the rows holding a
    // key every form of which reads the word whole, where their postings
    // are read anyway (else left empty).
    std::vector<uint64_t> Candidates(const Keyword& k, std::vector<uint64_t>* readsWhole = nullptr) const;
    SearchResult MostSimilar(const Keyword& k) const;

    uint32_t rowCount_ = 0;
    RowSource source_;
    std::u16string units_;               // every question, case-folded, one after another
    std::vector<uint32_t> unitStart_;    // rowCount_ + 1 entries
    std::string pinyin_;                 // every PinYin, case-folded, one after another
    std::vector<uint32_t> pinyinStart_;  // rowCount_ + 1 entries
    std::vector<uint64_t> letters_, chars_, typed_, held_;   // RowSignature of question and PinYin
    std::vector<uint64_t> repeat_;       // bit per row: equal to an earlier row (see SameRow)
    std::vector<uint64_t> widePinyin_;   // bit per row: its PinYin holds more than ASCII
    // Postings by RowSignature key, repeats left out. A sparse one is
    // postings_[postingAt_[key], postingAt_[key + 1]): each row's distance
    // from the one before (the first row's from -1) in 7-bit groups, low
    // group first, the high bit set on all but the last. A dense one, where
    // a bitmap takes fewer bytes, is a bitmap of the rows in bitmaps_, the
    // i-th of them for the i-th key of denseKeys_; its sparse part is empty.
    std::vector<uint32_t> postingAt_;    // RowSignature::kKeyCount + 1 entries
    std::vector<uint8_t> postings_;
    std::vector<uint32_t> denseKeys_;    // ascending
    std::vector<uint64_t> bitmaps_;      // (rowCount_ + 63) / 64 words each

    std::string lastKeyword_;            // the previous search, when it matched rows
    std::vector<uint64_t> lastFound_;    // a bit for every row it matched
    size_t lastFoundCount_ = 0;          // rows it matched
    bool haveLast_ = false;

    // Whether the signatures and postings may be read: set, with release,
    // once they are whole; the texts and repeats are the constructor's
    // before it returns.
    enum class Posted : int { Building, Yes, Never };
    std::atomic<Posted> posted_{Posted::Yes};
    std::atomic<bool> stop_{false};      // the index is going: building the postings stops
    WhenComplete whenComplete_;
    mutable std::thread builder_;        // building the postings, while joinable
    // Threads that look at parts of a keystroke's rows, once one needs them;
    // the first member to go, so that none of them runs on what has gone.
    class Workers;
    std::unique_ptr<Workers> workers_;
};

}  // namespace search
