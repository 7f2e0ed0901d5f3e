#include "questionbank/bank_file.h"

#include <gtest/gtest.h>

#include <numeric>

using questionbank::ScrambleBank;

TEST(BankScramble, MaskRepeatsEveryThreeBytesFromTheSecondAndFourthKeyCharacters) {
    std::vector<uint8_t> zeros(9, 0);
    ScrambleBank(zeros, "42m6");
    const std::vector<uint8_t> mask{0, '2', '6', 0, '2', '6', 0, '2', '6'};
    EXPECT_EQ(zeros, mask);
}

TEST(BankScramble, StepsByTwoAndWrapsOnlyPastTheKeyLength) {
    // Key of 3: index runs 0, 2, 0, 2 ... (4 > 3 wraps); key of 2: 0, 2, 0, 2 (2 == L is used).
    std::vector<uint8_t> a(4, 0);
    ScrambleBank(a, "abc");
    EXPECT_EQ(a, (std::vector<uint8_t>{0, 'b', 0, 'b'}));
    std::vector<uint8_t> b(4, 0);
    ScrambleBank(b, "xy");
    EXPECT_EQ(b, (std::vector<uint8_t>{0, 'y', 0, 'y'}));
    std::vector<uint8_t> c(6, 0);
    ScrambleBank(c, "abcde");   // 0, 2, 4, 0, ...
    EXPECT_EQ(c, (std::vector<uint8_t>{0, 'b', 'd', 0, 'b', 'd'}));
}

TEST(BankScramble, IsItsOwnInverseAndLeavesEmptyAndOneByteBanksAlone) {
    std::vector<uint8_t> bytes(1000);
    std::iota(bytes.begin(), bytes.end(), uint8_t{7});
    const auto original = bytes;
    ScrambleBank(bytes, "42m6");
    EXPECT_NE(bytes, original);
    for (size_t j = 0; j < bytes.size(); j += 3) EXPECT_EQ(bytes[j], original[j]);
    ScrambleBank(bytes, "42m6");
    EXPECT_EQ(bytes, original);

    std::vector<uint8_t> empty;
    ScrambleBank(empty, "42m6");
    EXPECT_TRUE(empty.empty());
    std::vector<uint8_t> one{0xAB};
    ScrambleBank(one, "42m6");
    EXPECT_EQ(one[0], 0xAB);
}

TEST(BankCopyPath, JoinsTmpAsPlainTextAndNeverFallsBackToTheDriveRoot) {
    using questionbank::TempCopyPathIn;
    EXPECT_EQ(TempCopyPathIn("C:\\Users\\p\\Temp", "C:\\Windows\\Temp\\"), "C:\\Users\\p\\Temp\\d9x3.tmp");
    EXPECT_EQ(TempCopyPathIn("", "C:\\Windows\\Temp\\"), "C:\\Windows\\Temp\\d9x3.tmp");
    EXPECT_EQ(TempCopyPathIn("", "D:\\"), "D:\\d9x3.tmp");
    EXPECT_EQ(TempCopyPathIn("", "C:\\临时\\"), "C:\\临时\\d9x3.tmp");
    EXPECT_EQ(TempCopyPathIn("", ""), "") << "no folder is known: no path, not \"\\d9x3.tmp\"";
}
