// UnpackBank against the real file system: the copy's bytes, its attributes,
// where it goes, and what happens when it cannot be written.
#include "base/win/wide.h"
#include "questionbank/bank_file.h"
#include "questionbank/bank_file_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

using namespace questionbank;

namespace {

std::vector<uint8_t> ReadAll(const std::wstring& path) {
    std::vector<uint8_t> bytes;
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return bytes;
    uint8_t buf[4096];
    DWORD got = 0;
    while (ReadFile(f, buf, sizeof buf, &got, nullptr) && got > 0) bytes.insert(bytes.end(), buf, buf + got);
    CloseHandle(f);
    return bytes;
}

void WriteAll(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    DWORD put = 0;
    if (!bytes.empty()) WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr);
    CloseHandle(f);
}

// Wine reports the archive bit on every plain file whatever was set, so it is
// left out of the comparison; every other attribute must be gone.
DWORD AttributesOf(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) & ~static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE);
}

std::optional<std::wstring> GetEnv(const wchar_t* name) {
    wchar_t buf[1024];
    const DWORD n = GetEnvironmentVariableW(name, buf, 1024);
    if (n == 0 || n >= 1024) return std::nullopt;
    return std::wstring(buf, n);
}

// A fresh folder whose name has Chinese in it, with "tmp" pointing at it for
// the length of a test; both are put back afterwards.
class BankCopy : public ::testing::Test {
protected:
    void SetUp() override {
        savedTmp_ = GetEnv(L"tmp");
        wchar_t base[MAX_PATH + 1];
        GetTempPathW(MAX_PATH + 1, base);
        folder_ = std::wstring(base) + L"题库测试-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                  std::to_wstring(++counter_);
        ASSERT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
        SetEnvironmentVariableW(L"tmp", folder_.c_str());
        bank_ = folder_ + L"\\wd.dat";
        copy_ = folder_ + L"\\d9x3.tmp";
    }
    void TearDown() override {
        SetEnvironmentVariableW(L"tmp", savedTmp_ ? savedTmp_->c_str() : nullptr);
        SetFileAttributesW(copy_.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(copy_.c_str());
        DeleteFileW(bank_.c_str());
        RemoveDirectoryW(folder_.c_str());
    }

    std::optional<std::wstring> savedTmp_;
    std::wstring folder_, bank_, copy_;
    static inline int counter_ = 0;
};

std::vector<uint8_t> Scrambled(std::vector<uint8_t> plain) {
    ScrambleBank(plain, kBankKey);
    return plain;
}

}  // namespace

TEST_F(BankCopy, HoldsExactlyTheUnscrambledBankAndIsHiddenAlone) {
    const std::vector<uint8_t> plain{0x00, 0x01, 'S', 't', 'a', 'n', 'd', 'a', 'r', 'd', ' ', 'J', 'e', 't'};
    WriteAll(bank_, Scrambled(plain));
    // An earlier run left a longer copy, hidden, and with other attributes too.
    WriteAll(copy_, std::vector<uint8_t>(5000, 0xEE));
    SetFileAttributesW(copy_.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);

    ASSERT_TRUE(UnpackBank(bank_, kBankKey).ok());
    EXPECT_EQ(ReadAll(copy_), plain);
    EXPECT_EQ(AttributesOf(copy_), static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(TempBankPathForQueries(), copy_);
    EXPECT_EQ(ReadAll(bank_), Scrambled(plain)) << "wd.dat is only read";
}

TEST_F(BankCopy, EmptyOrMissingBankGivesAnEmptyHiddenCopy) {
    WriteAll(copy_, std::vector<uint8_t>(100, 0x11));
    SetFileAttributesW(copy_.c_str(), FILE_ATTRIBUTE_HIDDEN);
    WriteAll(bank_, {});
    ASSERT_TRUE(UnpackBank(bank_, kBankKey).ok());
    EXPECT_TRUE(ReadAll(copy_).empty());
    EXPECT_EQ(AttributesOf(copy_), static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));

    WriteAll(copy_, std::vector<uint8_t>(100, 0x11));
    ASSERT_TRUE(UnpackBank(folder_ + L"\\no-such-bank.dat", kBankKey).ok());
    EXPECT_TRUE(ReadAll(copy_).empty());
    EXPECT_EQ(GetFileAttributesW((folder_ + L"\\no-such-bank.dat").c_str()), INVALID_FILE_ATTRIBUTES)
        << "a missing bank stays missing";
}

TEST_F(BankCopy, GoesToTheSystemTemporaryFolderWhenTmpIsUnset) {
    SetEnvironmentVariableW(L"tmp", nullptr);
    wchar_t sys[MAX_PATH + 1];
    ASSERT_GT(GetTempPathW(MAX_PATH + 1, sys), 0u);
    std::wstring expected = sys;
    if (expected.back() == L'\\') expected.pop_back();
    expected += L"\\d9x3.tmp";
    EXPECT_EQ(TempCopyPath(), expected);
    EXPECT_NE(TempCopyPath(), L"\\d9x3.tmp");

    const std::vector<uint8_t> plain{1, 2, 3, 4, 5, 6, 7};
    WriteAll(bank_, Scrambled(plain));
    ASSERT_TRUE(UnpackBank(bank_, kBankKey).ok());
    EXPECT_EQ(ReadAll(expected), plain);
    SetFileAttributesW(expected.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(expected.c_str());
}

TEST_F(BankCopy, AnUnwritableCopyLeavesNothingForTheQueriesToOpen) {
    const std::vector<uint8_t> plain{9, 8, 7, 6};
    WriteAll(bank_, Scrambled(plain));
    ASSERT_TRUE(UnpackBank(bank_, kBankKey).ok());
    ASSERT_EQ(TempBankPathForQueries(), copy_);

    // "tmp" names a folder that does not exist.
    SetEnvironmentVariableW(L"tmp", (folder_ + L"\\missing").c_str());
    EXPECT_FALSE(UnpackBank(bank_, kBankKey).ok());
    EXPECT_TRUE(TempBankPathForQueries().empty()) << "the earlier run's copy must not be offered";

    // The earlier copy is held open by someone else, so it can be neither
    // replaced nor removed: the failure is still reported.
    SetEnvironmentVariableW(L"tmp", folder_.c_str());
    SetFileAttributesW(copy_.c_str(), FILE_ATTRIBUTE_NORMAL);
    HANDLE held = CreateFileW(copy_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(UnpackBank(bank_, kBankKey).ok());
    EXPECT_TRUE(TempBankPathForQueries().empty());
    CloseHandle(held);
}
