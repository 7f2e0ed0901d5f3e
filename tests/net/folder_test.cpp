// Normalising target paths and planning the folders to make.
#include <gtest/gtest.h>

#include <string>

#include "net/folder.h"

namespace {

using namespace std::string_literals;

TEST(NormalisePath, TurnsSlashesAndDoubledBackslashesIntoSingleBackslashes) {
    EXPECT_EQ(net::NormalisePath("D:/dl//x.zip"), "D:\\dl\\x.zip");
    EXPECT_EQ(net::NormalisePath("D:\\\\\\\\dl"), "D:\\\\dl");   // one pass: four become two
    EXPECT_EQ(net::NormalisePath("D:\\d\0l\\x.zip"s), "D:\\dl\\x.zip");
}

TEST(PlanFolders, DerivesDriveAndFoldersOfAFile) {
    const auto plan = net::PlanFolders("D:\\dl\\sub\\x.zip");
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->drive, "D:");
    EXPECT_EQ(plan->folders, "dl\\sub");
    EXPECT_EQ(plan->prefixes, (std::vector<std::string>{"dl", "dl\\sub"}));

    const auto inRoot = net::PlanFolders("C:\\x.zip");
    ASSERT_TRUE(inRoot);
    EXPECT_EQ(inRoot->folders, "");
    EXPECT_TRUE(inRoot->prefixes.empty());

    // A dotted folder name does not make the file part of the folders.
    const auto dotted = net::PlanFolders("C:\\my.dir\\data.bin");
    ASSERT_TRUE(dotted);
    EXPECT_EQ(dotted->folders, "my.dir");
}

TEST(PlanFolders, TakesAPathWithoutAnyDotAsFoldersAndRefusesOneWithoutDrive) {
    const auto plan = net::PlanFolders("D:\\dl\\data");
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->folders, "dl\\data");
    EXPECT_EQ(plan->prefixes, (std::vector<std::string>{"dl", "dl\\data"}));

    EXPECT_FALSE(net::PlanFolders("dl\\x.zip"));
    EXPECT_FALSE(net::PlanFolders(""));
    // No folder is made out of a file name that follows the drive directly.
    const auto driveRelative = net::PlanFolders("C:x.zip");
    ASSERT_TRUE(driveRelative);
    EXPECT_TRUE(driveRelative->prefixes.empty());
}

}  // namespace
