// The skin images checked against the colours written out here a second time,
// row by row as they read in the design tables, so a slip in either copy shows.
#include "skin/paint/images.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

using namespace skin;

namespace {

constexpr Colour K = kKeyColour;

// "F9E1BF E3B36B K ..." -> colours; K is the key colour; "xN" repeats the previous one.
std::vector<Colour> Row(const std::string& text) {
    std::vector<Colour> out;
    std::istringstream in(text);
    std::string word;
    while (in >> word) {
        if (word == "K") out.push_back(K);
        else if (word[0] == 'x') out.insert(out.end(), std::stoul(word.substr(1)) - 1, out.back());
        else out.push_back(static_cast<Colour>(std::stoul(word, nullptr, 16)));
    }
    return out;
}

std::string Hex(Colour c) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%06X", c);
    return buf;
}

void ExpectRow(const ImagePixels& image, int x0, int y, const std::string& text) {
    const std::vector<Colour> want = Row(text);
    for (std::size_t i = 0; i < want.size(); ++i) {
        const int x = x0 + static_cast<int>(i);
        EXPECT_EQ(Hex(image.at(x, y)), Hex(want[i])) << "pixel (" << x << ", " << y << ")";
    }
}

int Brightness(Colour c) { return RedOf(c) + GreenOf(c) + BlueOf(c); }

}  // namespace

TEST(SkinImages, HaveTheirSizesAndTwoThousandOneHundredFortySixPixels) {
    const int expected[5][2] = {{7, 84}, {15, 18}, {18, 24}, {13, 52}, {9, 20}};
    std::size_t total = 0;
    int i = 0;
    for (SkinImageId id : {SkinImageId::Button, SkinImageId::ComboButton, SkinImageId::Mark, SkinImageId::RoundBox,
                           SkinImageId::HeaderItem}) {
        const ImagePixels image = SkinImagePixels(id);
        EXPECT_EQ(image.width, expected[i][0]);
        EXPECT_EQ(image.height, expected[i][1]);
        EXPECT_EQ(image.pixels.size(), static_cast<std::size_t>(image.width * image.height));
        total += image.pixels.size();
        ++i;
    }
    EXPECT_EQ(total, 2146u);
}

TEST(ButtonImage, FacesHaveTheStatedRowsFramesAndNoKeyColour) {
    const ImagePixels b = SkinImagePixels(SkinImageId::Button);
    const std::string edgeTop = "F9E1BF E3B36B D8972C D58F1B D8972C E3B36B F9E1BF";
    const std::string edgeBottom = "FBE7CA E1AE60 D8962A D58F1B D8962A E1AE60 FBE7CA";
    const std::string rows[4][4] = {
        {edgeTop, "D58F1B FDFAF5 FCF8F1 FCF8F1 FCF8F1 FDFAF5 D58F1B", "D58F1B F0DEC9 EAD0B1 EAD0B1 EAD0B1 F0DEC9 D58F1B",
         edgeBottom},
        {edgeTop, "D58F1B FBC146 FDE3AE FCEED2 FEE4B0 FBC146 D58F1B", "D58F1B F8BA39 F5D08F F2D4A7 F3CC88 F8BA39 D58F1B",
         edgeBottom},
        {edgeTop, "D58F1B F9B731 F2CA83 F3D49F F4CE8A F9B731 D58F1B", "D58F1B FCBF3E FEE4AE FDEAC3 FDE2AC FCBF3E D58F1B",
         edgeBottom},
        {"FBF7F2 EFD5AF EAC78F E8C387 EAC78F EFD5AF FBF7F2", "E8C387 FCF8F3 FBF7F2 FBF7F2 FBF7F2 FCF8F3 E8C387",
         "E8C387 F6EADE F3E3D2 F3E3D2 F3E3D2 F6EADE E8C387", "FBF6F2 EED2A9 EAC68E E8C387 EAC68E EED2A9 FBF6F2"},
    };
    const int rowAt[4] = {0, 3, 17, 20};
    for (int face = 0; face < 4; ++face) {
        for (int r = 0; r < 4; ++r) ExpectRow(b, 0, 21 * face + rowAt[r], rows[face][r]);
        const Colour frame = face == 3 ? 0xE8C387 : 0xD58F1B;
        for (int y = 3; y <= 17; ++y) {
            EXPECT_EQ(Hex(b.at(0, 21 * face + y)), Hex(frame));
            EXPECT_EQ(Hex(b.at(6, 21 * face + y)), Hex(frame));
        }
    }
    for (Colour c : b.pixels) ASSERT_NE(c, K);
}

TEST(ButtonImage, FacesShadeInTheirDirections) {
    const ImagePixels b = SkinImagePixels(SkinImageId::Button);
    for (int y = 3; y < 17; ++y) {
        // normal and disabled darken (turn blue) downwards; pressed pales downwards
        EXPECT_GE(Brightness(b.at(3, y)), Brightness(b.at(3, y + 1))) << y;
        EXPECT_LE(Brightness(b.at(3, 42 + y)), Brightness(b.at(3, 42 + y + 1))) << y;
        EXPECT_GE(Brightness(b.at(3, 63 + y)), Brightness(b.at(3, 63 + y + 1))) << y;
    }
    // white highlight rows under the top edge of the normal face
    EXPECT_EQ(Hex(b.at(3, 1)), "FFFFFF");
    EXPECT_EQ(Hex(b.at(3, 2)), "FFFFFF");
    for (int y = 0; y < 84; ++y) EXPECT_EQ(b.at(0, y), b.at(6, y)) << y;  // both sides of the frame match
}

TEST(ComboButtonImage, HasEveryStatedPixel) {
    const ImagePixels c = SkinImagePixels(SkinImageId::ComboButton);
    // hot x1/x3, hot x2, pressed x5/x7, pressed x6
    const char* faces[18] = {
        "FFF9E8 FFF9E8 F3E1BE F3E1BE", "FEF8E6 FDEEC1 F3E1C0 E2B561", "FEF7E4 FCEBBC F4E3C1 E3B865",
        "FDF6E2 FAE8B7 F5E4C3 E5BB6A", "FDF5E0 F9E5B2 F5E5C6 E6BE70", "FCF3DE F7E1AC F6E7C8 E8C276",
        "FBF1DB F5DDA5 F7E8CB EAC57C", "FAF0D9 F3D99F F7E9CD ECC983", "F9EED6 F1D598 F8EBD0 EECD8A",
        "F9EDD3 EFD191 F9EDD3 EFD191", "F8EBD0 EECD8A F9EED6 F1D598", "F7E9CD ECC983 FAF0D9 F3D99F",
        "F7E8CB EAC57C FBF1DB F5DDA5", "F6E7C8 E8C276 FCF3DE F7E1AC", "F5E5C6 E6BE70 FDF5E0 F9E5B2",
        "F5E4C3 E5BB6A FDF6E2 FAE8B7", "F4E3C1 E3B865 FEF7E4 FCEBBC", "F3E1C0 F3E1C0 FEF8E6 FEF8E6",
    };
    const char* arrow[4] = {"#######", ".#####.", "..###..", "...#..."};
    for (int y = 0; y < 18; ++y) {
        const std::vector<Colour> f = Row(faces[y]);
        const Colour want[8] = {0xD1A04E, f[0], f[1], f[0], 0xD1A04E, f[2], f[3], f[2]};
        for (int x = 0; x < 8; ++x) EXPECT_EQ(Hex(c.at(x, y)), Hex(want[x])) << x << "," << y;
        for (int x = 8; x < 15; ++x) {
            Colour glyph = K;
            if (y < 4 && arrow[y][x - 8] == '#') glyph = 0x5F5519;
            if (y >= 4 && y < 8 && arrow[y - 4][x - 8] == '#') glyph = 0xACA584;
            EXPECT_EQ(Hex(c.at(x, y)), Hex(glyph)) << x << "," << y;
        }
    }
}

TEST(MarkImage, HoldsTheSixGlyphsOnKeyColourAndNothingElse) {
    const ImagePixels m = SkinImagePixels(SkinImageId::Mark);
    std::vector<Colour> want(18 * 24, K);
    auto put = [&want](int x, int y, Colour c) { want[static_cast<std::size_t>(y * 18 + x)] = c; };
    const char* check[8] = {"........#", ".......##", "......###", "##...###.",
                            "###.###..", ".#####...", "..###....", "...#....."};
    const std::vector<Colour> checkOn = Row("1DB754 1BB451 17AF4D 13A948 0FA243 0A9C3E 069639 029135");
    const std::vector<Colour> checkOff = Row("8CDAA8 8BD9A6 89D6A4 87D3A2 85D09F 82CD9D 80C99A 7EC798");
    const std::vector<Colour> squareOn = Row("1BB451 18B04E 14AB49 10A445 0C9E40 07983B 069639");
    const std::vector<Colour> squareOff = Row("8BD9A6 89D6A4 87D4A3 86D1A0 83CE9E 81CA9B 80C99A");
    const char* dotOn[5] = {"K 60CC87 28BA5C 60CC87 K", "5EC883 19B14F 19B14F 19B14F 5EC883",
                            "1DAC50 12A847 12A847 12A847 1DAC50", "54BA78 0B9D3F 0B9D3F 0B9D3F 54BA78",
                            "K 4FB473 109940 4FB473 K"};
    const char* dotOff[5] = {"K AFE5C3 93DCAD AFE5C3 K", "AEE3C1 8CD8A7 8CD8A7 8CD8A7 AEE3C1",
                             "8ED5A7 88D3A3 88D3A3 88D3A3 8ED5A7", "A9DCBB 85CE9F 85CE9F 85CE9F A9DCBB",
                             "K A7D9B9 87CC9F A7D9B9 K"};
    for (int half = 0; half < 2; ++half) {
        const int left = 9 * half;
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 9; ++x) {
                if (check[y][x] == '#') put(left + x, y, (half ? checkOff : checkOn)[static_cast<std::size_t>(y)]);
            }
        }
        for (int y = 0; y < 7; ++y) {
            for (int x = 0; x < 7; ++x) put(left + 1 + x, 9 + y, (half ? squareOff : squareOn)[static_cast<std::size_t>(y)]);
        }
        for (int y = 0; y < 5; ++y) {
            const std::vector<Colour> row = Row(half ? dotOff[y] : dotOn[y]);
            for (int x = 0; x < 5; ++x) put(left + 2 + x, 18 + y, row[static_cast<std::size_t>(x)]);
        }
    }
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 18; ++x) EXPECT_EQ(Hex(m.at(x, y)), Hex(want[static_cast<std::size_t>(y * 18 + x)])) << x << "," << y;
    }
    for (int y : {8, 16, 17, 23}) {
        for (int x = 0; x < 18; ++x) EXPECT_EQ(m.at(x, y), K);
    }
}

TEST(RoundBoxImage, BoxesAreCirclesOnKeyColourWithTheStatedRows) {
    const ImagePixels r = SkinImagePixels(SkinImageId::RoundBox);
    const int keyEachSide[13] = {3, 2, 1, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3};
    for (int box = 0; box < 4; ++box) {
        for (int y = 0; y < 13; ++y) {
            for (int x = 0; x < 13; ++x) {
                const bool outside = x < keyEachSide[y] || x >= 13 - keyEachSide[y];
                EXPECT_EQ(r.at(x, 13 * box + y) == K, outside) << "box " << box << " (" << x << ", " << y << ")";
            }
        }
    }
    const char* top[4] = {"E7CFBC D9B395 D3A886 D2A683 D3A886 D9B395 E7CFBC",
                          "E7CFBC D9B395 D3A886 D2A683 D3A886 D9B395 E7CFBC",
                          "DDBCA4 CA9976 C28B67 C18964 C28B67 CA9976 DDBCA4",
                          "F3E7DD ECD9CA E9D3C2 E8D2C1 E9D3C2 ECD9CA F3E7DD"};
    const char* middle[4] = {
        "D2A683 FAF7F3 FEFEFD FFFFFF x7 FEFEFD FAF7F3 D2A683",
        "D2A683 F8EAC4 F8EBC5 F9ECC7 F9EDC9 FAEECC FAEECF FAF0D0 FAF1D4 FBF1D6 FBF2D9 FCF4DB D2A683",
        "C18964 F5E1AD F5E2AE F5E2B1 F7E5B4 F7E6B8 F8E7BC F9EABF F9ECC3 F9EDC8 FAEFCD FAEFCF C18964",
        "E8D2C1 FCFBF9 FEFEFE FFFFFF x7 FEFEFE FCFBF9 E8D2C1",
    };
    for (int box = 0; box < 4; ++box) {
        ExpectRow(r, 3, 13 * box, top[box]);
        ExpectRow(r, 0, 13 * box + 6, middle[box]);
    }
    const char* bands[10] = {
        "F8EAC3 F8EAC3 F8EAC4 F8EAC4 F9ECC6 F9ECC9 F9EDCB FAEECD FAEFD0 FBF0D3 FAF1D6",
        "F8EAC3 F8EAC3 F8EBC5 F8ECC7 F9EDC9 F9EDCB FAEECE FAF0D0 FBF0D3 FBF1D6 FBF2D9",
        "F8EAC4 F8EBC5 F9ECC7 F9EDC9 FAEECC FAEECF FAF0D0 FAF1D4 FBF1D6 FBF2D9 FCF4DB",
        "F8EBC5 F8EBC7 F9ECC9 FAEECC FAEFCE FBF0D1 FBF0D4 FCF1D7 FCF3D9 FCF3DC FCF4DE",
        "F9ECC7 F9EDCA F9EECC FAEFCF FAEFD2 FBF1D4 FBF2D8 FBF3DA FCF4DC FCF4DE FDF5E0",
        "F5E2B0 F7E5B3 F7E6B8 F8E7BA F8EABE F8ECC3 FAECC7 F9EECC FAEFCE FDF1D3 FAF1D5",
        "F5E2AE F7E2B0 F7E5B3 F7E6B8 F8E7BB F8EABE F9EAC3 F9EDC8 FAEECD FDEFCF FAF1D3",
        "F5E1AD F5E2AE F5E2B1 F7E5B4 F7E6B8 F8E7BC F9EABF F9ECC3 F9EDC8 FAEFCD FAEFCF",
        "F5E1AD F5E1AD F5E1AE F7E5B1 F7E6B4 F8E7B9 F8E8BB F8E8C1 F9ECC5 F9EDC8 FAEECD",
        "F5E1AD F5E1AD F5E1AD F5E1AE F5E5B2 F7E6B4 F8E7B9 F8E8BC F9EAC1 F9ECC6 FAEECA",
    };
    for (int i = 0; i < 5; ++i) {
        ExpectRow(r, 1, 17 + i, bands[i]);
        ExpectRow(r, 1, 30 + i, bands[5 + i]);
    }
}

TEST(RoundBoxImage, InteriorsShadeAsDescribed) {
    const ImagePixels r = SkinImagePixels(SkinImageId::RoundBox);
    // normal: white below the middle, darker towards the top
    EXPECT_EQ(Hex(r.at(6, 9)), "FFFFFF");
    EXPECT_LT(Brightness(r.at(6, 2)), Brightness(r.at(6, 5)));
    // hot: lightens from upper left to lower right
    EXPECT_LT(Brightness(r.at(3, 13 + 3)), Brightness(r.at(9, 13 + 9)));
    // pressed: lightens from lower left to upper right
    EXPECT_LT(Brightness(r.at(3, 26 + 9)), Brightness(r.at(9, 26 + 3)));
    // disabled: white inside
    EXPECT_EQ(Hex(r.at(6, 39 + 3)), "FFFFFF");
    // each box mirrors left to right
    for (int y = 0; y < 52; ++y) {
        if (y / 13 == 1 || y / 13 == 2) continue;  // the hot and pressed boxes shade diagonally
        for (int x = 0; x < 6; ++x) EXPECT_EQ(r.at(x, y), r.at(12 - x, y)) << x << "," << y;
    }
}

TEST(HeaderItemImage, HasEveryStatedPixel) {
    const ImagePixels h = SkinImagePixels(SkinImageId::HeaderItem);
    const char* rows[20] = {
        "FEF5EA FEF5EA FEF5EA FDE6BD FEEED3 FDE6BD FBD797 FBD797 FBD797",
        "FEF4E9 FEF4E9 FEF4E9 FCDEA7 FFEFD6 FCDEA7 FACE7E FFDC9F FACE7E",
        "FDF4E9 FDF3E8 FAEFE0 FCD48F FFEED3 F9D18B FAC566 FFDDA0 F7C364",
        "FDF3E9 FDF2E6 F7E8D6 FBCB77 FFEDD0 F5C571 FAC25E FFDEA2 F4BD5B",
        "FDF5EB FCF1E4 EFD9BC FAC565 FFECCC EDB85B FAC25E FFDFA4 EDB556",
        "FDF5EC FCF0E2 EBD1AE FAC25E FEEBC8 EAB154 FAC25E FFE0A6 EAB154",
        "FDF6ED FBEFE0 E6C79F FAC25E FEE9C4 E5AC51 FAC25E FFE2A8 E5AC51",
        "FDF6EF FBEDDF E2BF94 FAC25E FEE8C1 E1A84F FAC25E FFE3AB E1A84F",
        "FDF7F1 FAECDD DCB582 FAC25E FEE7BD DCA34C FAC25E FFE5AD DCA34C",
        "FBF5ED F6E5D3 D9B07A FAC25E FDE1AF DBA24B FAC25E FFE7B0 DBA24B",
        "FBF4ED F6E5D3 D9B07A FAC25E FDE0AE DBA24B FAC25E FFE8B3 DBA24B",
        "FBF3EB F6E5D3 DAB27D FAC25E FDE1AE DCA34C FAC25E FFEAB6 DCA34C",
        "FAF0E5 F6E5D3 DFBA8C FAC25E FDE1AF E1A84E FAC25E FFECB9 E1A84E",
        "F9EEE2 F6E5D3 E3C197 FAC25E FDE1AF E5AC51 FAC565 FFEDBC E5AD55",
        "F8ECDE F6E5D3 E6C8A3 FAC25E FDE1AF E9B154 FBCA6F FFEFBE E9B65F",
        "F8E9DA F6E5D3 EACFAF FAC25E FDE1AF EDB556 FBD07C FFF2C5 EEBF6D",
        "F6E6D5 F6E5D3 F1DCC4 FAC25E FDE1AF F4BD5A FCD68B FFF2C8 F6CF83",
        "F6E5D3 F6E5D3 F3E1CC FAC25E FDE0AC F7C05C FDDD99 FFF2C8 FAD994",
        "F6E5D3 F6E5D3 F6E5D3 FBCC73 FCDDA8 FBCC73 FDE3A8 FFF2C8 FDE3A8",
        "F2DAC0 x9",
    };
    for (int y = 0; y < 20; ++y) ExpectRow(h, 0, y, rows[y]);
}
