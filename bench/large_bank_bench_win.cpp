// Whether the 32-bit program's search holds a bank of 2,000,000 questions:
// the search path the program runs on each keystroke (AccessDb with the
// unscrambled copy, SearchKeyword), on a bank of real-sounding Han questions,
// with the time of each search, the cache's bytes and the process's memory and
// address space after each step, and at their peak during the first search's
// parts (timed again on their own, in a process of their own, since sampling
// the address space slows what it samples).
//   large_bank_bench.exe [BANK [ROWS]]
// BANK (default %TEMP%\tovi-large-bank\bank-ROWS.mdb) is written first when it
// does not exist, by a child process (`large_bank_bench.exe write BANK ROWS`;
// about two minutes for 2,000,000 rows), so that the measured process holds
// nothing but what the search holds. Another child times the first search's
// parts on their own (`parts BANK`). A run on a written bank takes about half
// a minute.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "base/text.h"
#include "bench/han_rows.h"
#include "jet/writer.h"
#include "questionbank/access_db.h"
#include "questionbank/file_access.h"
#include "questionbank/keyword_search.h"
#include "search/index.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr size_t kDefaultRows = 2000000;
double MiB(uint64_t bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

// Writes `rows` Han rows as the bank's table wd, with the bank's password.
int WriteBank(const fs::path& file, size_t rows) {
    const auto pieces = bench::HanFragments(fs::path(TOVI_SOURCE_DIR) / "questionbank/sample/wd.csv");
    if (pieces.empty()) {
        std::fprintf(stderr, "cannot read the sample bank under %s\n", TOVI_SOURCE_DIR);
        return 1;
    }
    jet::NewTable t{"wd",
                    {{"Question", jet::ColumnType::Text, 510},
                     {"Answer", jet::ColumnType::Text, 510},
                     {"PinYin", jet::ColumnType::Text, 510}},
                    {}};
    t.rows.reserve(rows);
    std::mt19937 rng(static_cast<uint32_t>(rows));
    size_t text = 0;
    for (size_t i = 0; i < rows; ++i) {
        t.rows.push_back(bench::HanRow(pieces, rng));
        for (const auto& c : t.rows.back()) text += c->size();
    }
    auto bytes = jet::WriteDatabase(t, questionbank::kBankPassword);
    if (!bytes) {
        std::fprintf(stderr, "writing the bank failed: %s\n", bytes.error().message.c_str());
        return 1;
    }
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    const std::string failed = questionbank::WriteFileReplacing(file, *bytes);
    if (!failed.empty()) {
        std::fprintf(stderr, "cannot write %s: %s\n", questionbank::Utf8FromPath(file).c_str(), failed.c_str());
        return 1;
    }
    std::printf("wrote %zu rows, %.1f MiB of text, %.1f MiB of file\n", rows, MiB(text), MiB(bytes->size()));
    return 0;
}

// Runs this program again with `MODE BANK ROWS` and waits for it.
bool RunChild(const wchar_t* mode, const fs::path& file, size_t rows) {
    wchar_t self[MAX_PATH];
    if (!GetModuleFileNameW(nullptr, self, MAX_PATH)) return false;
    std::wstring command = L"\"" + std::wstring(self) + L"\" " + mode + L" \"" + file.wstring() + L"\" " + std::to_wstring(rows);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code == 0;
}

// The largest free block of the address space: the largest single
// allocation that can still succeed.
size_t LargestFreeBlock() {
    size_t largest = 0;
    MEMORY_BASIC_INFORMATION mbi;
    const char* at = nullptr;
    while (VirtualQuery(at, &mbi, sizeof mbi) == sizeof mbi) {
        if (mbi.State == MEM_FREE) largest = std::max<size_t>(largest, mbi.RegionSize);
        const char* next = static_cast<const char*>(mbi.BaseAddress) + mbi.RegionSize;
        if (next <= at) break;
        at = next;
    }
    return largest;
}

void PrintMemory(const char* when) {
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc);
    MEMORYSTATUSEX ms{};
    ms.dwLength = sizeof ms;
    GlobalMemoryStatusEx(&ms);
    // PagefileUsage is the commit charge, the process's private bytes
    // (Wine leaves PrivateUsage at 0).
    std::printf("  memory %-22s private %7.1f MiB (peak %7.1f)  working set %7.1f MiB (peak %7.1f)  "
                "address space used %7.1f of %7.1f MiB, largest free block %7.1f MiB\n",
                when, MiB(pmc.PagefileUsage), MiB(pmc.PeakPagefileUsage), MiB(pmc.WorkingSetSize),
                MiB(pmc.PeakWorkingSetSize), MiB(ms.ullTotalVirtual - ms.ullAvailVirtual), MiB(ms.ullTotalVirtual),
                MiB(LargestFreeBlock()));
}

// Samples the process's memory every few milliseconds while it lives: the
// highest commit charge and address space used, and the smallest largest free
// block, i.e. the peak of a step that the figures after it no longer show.
class PeakSampler {
public:
    PeakSampler() : thread_([this] { Run(); }) {}
    ~PeakSampler() { Stop(); }
    void Stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    void Print(const char* what) {
        Stop();
        std::printf("  peak during %-16s private %7.1f MiB  address space used %7.1f MiB  largest free block down to %7.1f MiB\n",
                    what, MiB(private_), MiB(used_), MiB(free_));
    }

private:
    void Run() {
        while (!stop_) {
            PROCESS_MEMORY_COUNTERS pmc{};
            pmc.cb = sizeof pmc;
            GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
            MEMORYSTATUSEX ms{};
            ms.dwLength = sizeof ms;
            GlobalMemoryStatusEx(&ms);
            private_ = std::max<uint64_t>(private_, pmc.PagefileUsage);
            used_ = std::max<uint64_t>(used_, ms.ullTotalVirtual - ms.ullAvailVirtual);
            free_ = std::min<uint64_t>(free_, LargestFreeBlock());
            Sleep(2);
        }
    }
    std::atomic<bool> stop_{false};
    uint64_t private_ = 0, used_ = 0, free_ = UINT64_MAX;
    std::thread thread_;
};

// The parts of the first search, each timed on its own: the copy read, the
// pages opened, the table loaded into column storage (the database still
// held, as the program holds it then), the database released, the index
// ready to be searched (the texts folded) and whole (signatures and postings,
// built after that on threads of their own).
int TimeParts(const fs::path& file) {
    PeakSampler peak;
    const auto t0 = Clock::now();
    auto bytes = questionbank::ReadWholeFile(file);
    if (!bytes) return 1;
    const auto t1 = Clock::now();
    auto opened = jet::Database::Open(std::move(*bytes), questionbank::kBankPassword);
    if (!opened) return 1;
    std::optional<jet::Database> db(std::move(*opened));
    const auto t2 = Clock::now();
    auto table = jet::QueryTable::Load(*db, "wd");
    if (!table) return 1;
    const auto t3 = Clock::now();
    PrintMemory("table loaded");
    db.reset();
    const auto columns = questionbank::FindBankColumns(**table);
    auto index = questionbank::MakeSearchIndex(*table, *columns);
    const auto t4 = Clock::now();
    const size_t indexBytes = index->MemoryBytes();   // waits for it to be whole
    const auto t5 = Clock::now();
    PrintMemory("index built");
    std::printf("  parts: read %.0f ms, open %.0f ms, load %.0f ms, index ready %.0f ms, whole %.0f ms later; "
                "table %.1f MiB, index %.1f MiB\n",
                Ms(t0, t1), Ms(t1, t2), Ms(t2, t3), Ms(t3, t4), Ms(t4, t5), MiB((*table)->MemoryBytes()), MiB(indexBytes));
    peak.Print("the parts");
    return 0;
}

// The first question of the bank, and the same with one character changed,
// as a player pastes it from the game with a typo: only the ranking of
// similar questions finds it.
std::pair<std::string, std::string> PastedQuestion(size_t rows) {
    const auto pieces = bench::HanFragments(fs::path(TOVI_SOURCE_DIR) / "questionbank/sample/wd.csv");
    if (pieces.empty()) return {};
    std::mt19937 rng(static_cast<uint32_t>(rows));
    const std::string question = *bench::HanRow(pieces, rng)[0];
    std::u16string typo = base::Utf8ToUtf16(question);
    typo[typo.size() / 2] = u'\u67D0';   // 某
    return {question, base::Utf16ToUtf8(typo)};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::string(argv[1]) == "parts") return TimeParts(questionbank::PathFromUtf8(argv[2]));
    if (argc >= 3 && std::string(argv[1]) == "write") {
        return WriteBank(questionbank::PathFromUtf8(argv[2]), argc > 3 ? std::strtoul(argv[3], nullptr, 10) : kDefaultRows);
    }
    const size_t rows = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : kDefaultRows;
    const fs::path file = argc > 1 ? questionbank::PathFromUtf8(argv[1])
                                   : fs::temp_directory_path() / "tovi-large-bank" / ("bank-" + std::to_string(rows) + ".mdb");
    std::error_code ec;
    if (!fs::exists(file, ec)) {
        const auto t0 = Clock::now();
        if (!RunChild(L"write", file, rows)) {
            std::fprintf(stderr, "the bank could not be written\n");
            return 1;
        }
        std::printf("bank written in %.1f s\n", Ms(t0, Clock::now()) / 1000.0);
    }
    std::printf("bank %s, %.1f MiB\n", questionbank::Utf8FromPath(file).c_str(), MiB(fs::file_size(file, ec)));
    std::printf("the first search's parts, in a process of their own:\n");
    if (!RunChild(L"parts", file, rows)) std::printf("  (failed)\n");
    PrintMemory("at start");

    questionbank::AccessDb db;
    std::string reported;
    db.SetReporter([&](std::string_view text, std::string_view) { reported = text; });
    db.SetTempBankPath(questionbank::Utf8FromPath(file));

    const auto [original, pasted] = PastedQuestion(rows);
    const std::string keywords[] = {"cj", "changjiang", "中国", "的", pasted};
    for (int round = 0; round < 3; ++round) {
        std::printf("%s\n", round == 0 ? "first searches (the first one reads the bank and builds the index)" : "again");
        for (const std::string& keyword : keywords) {
            // A fresh search each time: nothing reused from the keystroke
            // before. The very first search reads the bank. In between, a
            // character no bank of these holds, found through one short
            // posting (a keyword of punctuation alone would look at every
            // row, and the timed search would find the caches cold).
            if (round > 0 || &keyword != &keywords[0]) db.SearchKeyword("\xe9\xbe\x98");   // U+9F98
            const auto t0 = Clock::now();
            db.SearchKeyword(keyword);
            const double ms = Ms(t0, Clock::now());
            if (db.LastError()) {
                std::printf("  %-20s FAILED: %s\n", keyword.c_str(), db.LastError()->message.c_str());
                PrintMemory("after the failure");
                return 2;
            }
            const std::string label = keyword == pasted ? "(a pasted question)" : keyword;
            std::printf("  %-20s %8zu rows%s %9.1f ms  cache %.1f MiB\n", label.c_str(), db.BankRecordset().RecordCount(),
                        db.SimilarRows() ? " (similar)" : "", ms, MiB(db.CacheBytes()));
            if (keyword == pasted) {
                std::printf("  %-20s the first row is the question pasted: %s\n", "",
                            db.BankRecordset().Cell(0, 0) == original ? "yes" : "no");
            }
            if (round == 0) PrintMemory("after it");
        }
    }
    PrintMemory("at the end");
    return 0;
}
