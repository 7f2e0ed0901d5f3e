// What a player waits for after each keystroke: the query, the refill of the
// result list and its restyle and repaint, on a bank of 100,000 questions.
// Runs the real main window under Windows (or Wine) and times the last
// keystroke of a keyword that matches 10, 1,000 or 30,000 rows, as many as
// the keyword before it, of one ("eeex") that narrows 30,000 rows to 3,000,
// and of one ("rrry") that narrows 40,000 rows to 30,000 whose first ones are
// others, so that every row in view changes, and its highlight too.
// The time is split into the search alone, the list's refill and restyle,
// and the repaint.
//   keystroke_bench.exe [repetitions]
#include "app/form_tovi_win.h"
#include "base/win/wide.h"
#include "jet/database.h"
#include "questionbank/access_db.h"
#include "questionbank/bank_file.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr size_t kBankRows = 100000;

// Row i carries marker words in its pinyin: "qqq" on 10 rows, "www" on 1,000
// and "eee" on 30,000, 3,000 of them as "eeex", so each keyword selects a
// known number of rows. Its question ends in "rrr" on 40,000 rows, 30,000 of
// them as "rrry", which leaves out the first of every four.
std::vector<uint8_t> BuildBank() {
    jet::NewTable t{"wd",
                    {{"Question", jet::ColumnType::Text, 510},
                     {"Answer", jet::ColumnType::Text, 510},
                     {"PinYin", jet::ColumnType::Text, 510}},
                    {}};
    t.rows.reserve(kBankRows);
    for (size_t i = 0; i < kBankRows; ++i) {
        std::string pinyin = "tm" + std::to_string(i);
        if (i % 10000 == 0) pinyin += "qqq";
        if (i % 100 == 0) pinyin += "www";
        if (i % 10 < 3) pinyin += i % 100 < 3 ? "eeex" : "eee";
        std::string question = "第" + std::to_string(i) + "题：中国历史上第一个统一的王朝是哪个？";
        if (i % 10 >= 3 && i % 10 <= 6) question += i % 10 == 3 ? "rrr" : "rrry";
        t.rows.push_back({question, "秦朝 " + std::to_string(i), pinyin});
    }
    auto bytes = jet::WriteDatabase(t, questionbank::kBankPassword);
    if (!bytes.ok()) {
        std::fprintf(stderr, "cannot write the bank: %s\n", bytes.error().message.c_str());
        return {};
    }
    std::vector<uint8_t> scrambled = *bytes;
    questionbank::ScrambleBank(scrambled, questionbank::kBankKey);
    return scrambled;
}

double Milliseconds(LARGE_INTEGER a, LARGE_INTEGER b, LARGE_INTEGER freq) {
    return 1000.0 * static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(freq.QuadPart);
}

// Processor time this thread has used, in milliseconds: what a keystroke
// costs the program itself, whatever else the machine is busy with.
double ThreadCpuMilliseconds() {
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return 0;
    auto ticks = [](FILETIME t) { return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
}

}  // namespace

int main(int argc, char** argv) {
    const int reps = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temp);
    const std::wstring folder = std::wstring(temp) + L"tovi-bench";
    CreateDirectoryW(folder.c_str(), nullptr);
    SetEnvironmentVariableW(L"tmp", folder.c_str());
    const std::wstring bank = folder + L"\\wd.dat";
    const std::vector<uint8_t> bytes = BuildBank();
    if (bytes.empty()) return 1;
    HANDLE f = CreateFileW(bank.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD put = 0;
    WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr);
    CloseHandle(f);

    app::FormOptions options;
    options.bankPath = bank;
    options.quitOnDestroy = false;
    auto form = app::FormTovi::Create(GetModuleHandleW(nullptr), app::FormHooks{}, options);
    if (!form) return 1;
    ShowWindow(form->hwnd(), SW_SHOW);
    UpdateWindow(form->hwnd());
    HWND box = form->control(app::Control::Text1);
    HWND list = form->control(app::Control::ListView1);

    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);
    std::printf("bank: %zu rows, %zu bytes; %d repetitions per keyword\n", kBankRows, bytes.size(), reps);
    std::printf("%-8s %8s %10s %10s %10s %12s %12s %12s %12s\n", "keyword", "rows", "min ms", "median ms", "max ms",
                "search ms", "list ms", "repaint ms", "cpu ms mean");
    for (const char* keyword : {"qqq", "www", "eee", "eeex", "rrry"}) {
        std::vector<double> times, paints, refills;
        double cpu = 0;
        int rows = 0;
        for (int r = 0; r < reps + 1; ++r) {
            const std::wstring all = base::win::Widen(keyword);
            SetWindowTextW(box, all.substr(0, all.size() - 1).c_str());   // the keystrokes before
            SendMessageW(box, EM_SETSEL, all.size() - 1, static_cast<LPARAM>(all.size() - 1));   // caret at the end
            UpdateWindow(list);
            LARGE_INTEGER t0, tm, t1;
            const double cpu0 = ThreadCpuMilliseconds();
            QueryPerformanceCounter(&t0);
            SendMessageW(box, WM_CHAR, all.back(), 1);   // the timed keystroke: query, refill, restyle
            QueryPerformanceCounter(&tm);
            UpdateWindow(list);                          // and the repaint the player sees
            QueryPerformanceCounter(&t1);
            const double cpu1 = ThreadCpuMilliseconds();
            rows = ListView_GetItemCount(list);
            if (r > 0) {   // the first run warms the cache
                cpu += cpu1 - cpu0;
                times.push_back(Milliseconds(t0, t1, freq));
                paints.push_back(Milliseconds(tm, t1, freq));
                refills.push_back(Milliseconds(t0, tm, freq));
            }
        }
        // The search alone, without the list, for the share the search takes:
        // after the keyword before it, as the keystroke searches.
        std::vector<double> query;
        const std::string before(keyword, std::strlen(keyword) - 1);
        for (int r = 0; r < reps; ++r) {
            LARGE_INTEGER t0, t1;
            questionbank::SearchKeyword(before);
            QueryPerformanceCounter(&t0);
            questionbank::SearchKeyword(keyword);
            QueryPerformanceCounter(&t1);
            query.push_back(Milliseconds(t0, t1, freq));
        }
        std::sort(times.begin(), times.end());
        std::sort(query.begin(), query.end());
        std::sort(paints.begin(), paints.end());
        std::sort(refills.begin(), refills.end());
        // The keystroke before the repaint is the search and the list's
        // refill; the search alone is timed apart, so the refill is the rest.
        const double search = query[query.size() / 2];
        const double refill = std::max(0.0, refills[refills.size() / 2] - search);
        std::printf("%-8s %8d %10.2f %10.2f %10.2f %12.2f %12.2f %12.2f %12.2f\n", keyword, rows, times.front(),
                    times[times.size() / 2], times.back(), search, refill, paints[paints.size() / 2], cpu / reps);
    }
    form.reset();
    const std::wstring copy = folder + L"\\d9x3.tmp";
    SetFileAttributesW(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(copy.c_str());
    DeleteFileW(bank.c_str());
    RemoveDirectoryW(folder.c_str());
    return 0;
}
