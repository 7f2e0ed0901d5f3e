// Colour tables of the five skin images. Where every pixel is fixed (the combo
// button, the marks, the header items) the tables hold them all in compact
// form: per-row colours and spans. The push-button faces are given by anchor
// rows with straight shading between them, and the round boxes by a ring
// drawn around a shaded interior, with their fixed rows laid over it.
#include "skin/paint/images.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace skin {

namespace {

constexpr Colour K = kKeyColour;

Colour Blend(Colour from, Colour to, double t) {
    auto mix = [t](int a, int b) {
        return static_cast<std::uint8_t>(std::lround(a + (b - a) * t));
    };
    return MakeColour(mix(RedOf(from), RedOf(to)), mix(GreenOf(from), GreenOf(to)), mix(BlueOf(from), BlueOf(to)));
}

ImagePixels Blank(SkinImageId id, Colour fill) {
    const ImageSize size = SizeOf(id);
    ImagePixels image;
    image.width = size.width;
    image.height = size.height;
    image.pixels.assign(static_cast<std::size_t>(size.width * size.height), fill);
    return image;
}

void Put(ImagePixels& image, int x, int y, Colour c) {
    image.pixels[static_cast<std::size_t>(y * image.width + x)] = c;
}

// ---- push-button faces ----------------------------------------------------
// Each 7 x 21 face: a one-pixel frame with softened corners around a shaded
// face. Rows between two anchor rows shade in a straight line from one to the
// other, column by column; frame columns stay one colour that way.
struct AnchorRow {
    int row;
    std::array<Colour, 7> colours;
};

constexpr std::array<AnchorRow, 8> kNormalFace{{
    {0, {0xF9E1BF, 0xE3B36B, 0xD8972C, 0xD58F1B, 0xD8972C, 0xE3B36B, 0xF9E1BF}},
    {1, {0xE3B36B, 0xFBF4EA, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFBF4EA, 0xE3B36B}},
    {2, {0xD8972C, 0xFEFCF9, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFEFCF9, 0xD8972C}},
    {3, {0xD58F1B, 0xFDFAF5, 0xFCF8F1, 0xFCF8F1, 0xFCF8F1, 0xFDFAF5, 0xD58F1B}},
    {17, {0xD58F1B, 0xF0DEC9, 0xEAD0B1, 0xEAD0B1, 0xEAD0B1, 0xF0DEC9, 0xD58F1B}},
    {18, {0xD8962A, 0xEDD6BC, 0xE8CCAA, 0xE8CCAA, 0xE8CCAA, 0xEDD6BC, 0xD8962A}},
    {19, {0xE1AE60, 0xE9CFB0, 0xE7CAA6, 0xE7CAA6, 0xE7CAA6, 0xE9CFB0, 0xE1AE60}},
    {20, {0xFBE7CA, 0xE1AE60, 0xD8962A, 0xD58F1B, 0xD8962A, 0xE1AE60, 0xFBE7CA}},
}};

// Hot: a bright sky-blue rim (columns 1 and 5, rows 1 and 19) round a pale centre.
constexpr std::array<AnchorRow, 8> kHotFace{{
    {0, {0xF9E1BF, 0xE3B36B, 0xD8972C, 0xD58F1B, 0xD8972C, 0xE3B36B, 0xF9E1BF}},
    {1, {0xE3B36B, 0xFBC34C, 0xFBC34C, 0xFBC34C, 0xFBC34C, 0xFBC34C, 0xE3B36B}},
    {2, {0xD8972C, 0xFBC34C, 0xFDE4B0, 0xFCEFD6, 0xFEE5B3, 0xFBC34C, 0xD8972C}},
    {3, {0xD58F1B, 0xFBC146, 0xFDE3AE, 0xFCEED2, 0xFEE4B0, 0xFBC146, 0xD58F1B}},
    {17, {0xD58F1B, 0xF8BA39, 0xF5D08F, 0xF2D4A7, 0xF3CC88, 0xF8BA39, 0xD58F1B}},
    {18, {0xD8962A, 0xF8BA39, 0xF6CF8A, 0xF3D2A2, 0xF4CB84, 0xF8BA39, 0xD8962A}},
    {19, {0xE1AE60, 0xF8BA39, 0xF8BA39, 0xF8BA39, 0xF8BA39, 0xF8BA39, 0xE1AE60}},
    {20, {0xFBE7CA, 0xE1AE60, 0xD8962A, 0xD58F1B, 0xD8962A, 0xE1AE60, 0xFBE7CA}},
}};

// Pressed: deep sky blue at the top, paling downwards.
constexpr std::array<AnchorRow, 8> kPressedFace{{
    {0, {0xF9E1BF, 0xE3B36B, 0xD8972C, 0xD58F1B, 0xD8972C, 0xE3B36B, 0xF9E1BF}},
    {1, {0xE3B36B, 0xF8B530, 0xF8B530, 0xF8B530, 0xF8B530, 0xF8B530, 0xE3B36B}},
    {2, {0xD8972C, 0xF9B731, 0xF1C678, 0xF2CF94, 0xF3C97F, 0xF9B731, 0xD8972C}},
    {3, {0xD58F1B, 0xF9B731, 0xF2CA83, 0xF3D49F, 0xF4CE8A, 0xF9B731, 0xD58F1B}},
    {17, {0xD58F1B, 0xFCBF3E, 0xFEE4AE, 0xFDEAC3, 0xFDE2AC, 0xFCBF3E, 0xD58F1B}},
    {18, {0xD8962A, 0xFCBF3E, 0xFEE6B3, 0xFDEBC7, 0xFDE4B1, 0xFCBF3E, 0xD8962A}},
    {19, {0xE1AE60, 0xFCC247, 0xFCC247, 0xFCC247, 0xFCC247, 0xFCC247, 0xE1AE60}},
    {20, {0xFBE7CA, 0xE1AE60, 0xD8962A, 0xD58F1B, 0xD8962A, 0xE1AE60, 0xFBE7CA}},
}};

// Disabled: near white inside a pale frame.
constexpr std::array<AnchorRow, 8> kDisabledFace{{
    {0, {0xFBF7F2, 0xEFD5AF, 0xEAC78F, 0xE8C387, 0xEAC78F, 0xEFD5AF, 0xFBF7F2}},
    {1, {0xEFD5AF, 0xFDFBF8, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFDFBF8, 0xEFD5AF}},
    {2, {0xEAC78F, 0xFEFDFB, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFEFDFB, 0xEAC78F}},
    {3, {0xE8C387, 0xFCF8F3, 0xFBF7F2, 0xFBF7F2, 0xFBF7F2, 0xFCF8F3, 0xE8C387}},
    {17, {0xE8C387, 0xF6EADE, 0xF3E3D2, 0xF3E3D2, 0xF3E3D2, 0xF6EADE, 0xE8C387}},
    {18, {0xEAC68E, 0xF5E8DB, 0xF2E1CF, 0xF2E1CF, 0xF2E1CF, 0xF5E8DB, 0xEAC68E}},
    {19, {0xEED2A9, 0xF4E6D8, 0xF2E0CD, 0xF2E0CD, 0xF2E0CD, 0xF4E6D8, 0xEED2A9}},
    {20, {0xFBF6F2, 0xEED2A9, 0xEAC68E, 0xE8C387, 0xEAC68E, 0xEED2A9, 0xFBF6F2}},
}};

ImagePixels ButtonImage() {
    ImagePixels image = Blank(SkinImageId::Button, K);
    const std::array<const std::array<AnchorRow, 8>*, 4> faces{&kNormalFace, &kHotFace, &kPressedFace, &kDisabledFace};
    for (int state = 0; state < 4; ++state) {
        const auto& anchors = *faces[static_cast<std::size_t>(state)];
        for (std::size_t a = 0; a + 1 < anchors.size(); ++a) {
            const AnchorRow& from = anchors[a];
            const AnchorRow& to = anchors[a + 1];
            const int span = to.row - from.row;
            for (int row = from.row; row <= to.row; ++row) {
                const double t = static_cast<double>(row - from.row) / span;
                for (int x = 0; x < 7; ++x) {
                    Put(image, x, 21 * state + row,
                        Blend(from.colours[static_cast<std::size_t>(x)], to.colours[static_cast<std::size_t>(x)], t));
                }
            }
        }
    }
    return image;
}

// ---- combo box button -----------------------------------------------------
// Per row: hot face x 1 and 3, hot x 2, pressed x 5 and 7, pressed x 6.
constexpr std::array<std::array<Colour, 4>, 18> kComboFaces{{
    {0xFFF9E8, 0xFFF9E8, 0xF3E1BE, 0xF3E1BE},
    {0xFEF8E6, 0xFDEEC1, 0xF3E1C0, 0xE2B561},
    {0xFEF7E4, 0xFCEBBC, 0xF4E3C1, 0xE3B865},
    {0xFDF6E2, 0xFAE8B7, 0xF5E4C3, 0xE5BB6A},
    {0xFDF5E0, 0xF9E5B2, 0xF5E5C6, 0xE6BE70},
    {0xFCF3DE, 0xF7E1AC, 0xF6E7C8, 0xE8C276},
    {0xFBF1DB, 0xF5DDA5, 0xF7E8CB, 0xEAC57C},
    {0xFAF0D9, 0xF3D99F, 0xF7E9CD, 0xECC983},
    {0xF9EED6, 0xF1D598, 0xF8EBD0, 0xEECD8A},
    {0xF9EDD3, 0xEFD191, 0xF9EDD3, 0xEFD191},
    {0xF8EBD0, 0xEECD8A, 0xF9EED6, 0xF1D598},
    {0xF7E9CD, 0xECC983, 0xFAF0D9, 0xF3D99F},
    {0xF7E8CB, 0xEAC57C, 0xFBF1DB, 0xF5DDA5},
    {0xF6E7C8, 0xE8C276, 0xFCF3DE, 0xF7E1AC},
    {0xF5E5C6, 0xE6BE70, 0xFDF5E0, 0xF9E5B2},
    {0xF5E4C3, 0xE5BB6A, 0xFDF6E2, 0xFAE8B7},
    {0xF4E3C1, 0xE3B865, 0xFEF7E4, 0xFCEBBC},
    {0xF3E1C0, 0xF3E1C0, 0xFEF8E6, 0xFEF8E6},
}};
constexpr Colour kComboFaceEdge = 0xD1A04E;  // column 0 of each face
constexpr Colour kArrowEnabled = 0x5F5519;
constexpr Colour kArrowDisabled = 0xACA584;

// A downward triangle, 7 x 4: row r covers columns r..6-r.
void PutArrow(ImagePixels& image, int left, int top, Colour c) {
    for (int r = 0; r < 4; ++r) {
        for (int x = r; x <= 6 - r; ++x) Put(image, left + x, top + r, c);
    }
}

ImagePixels ComboButtonImage() {
    ImagePixels image = Blank(SkinImageId::ComboButton, K);
    for (int y = 0; y < 18; ++y) {
        const auto& row = kComboFaces[static_cast<std::size_t>(y)];
        const Colour line[8] = {kComboFaceEdge, row[0], row[1], row[0], kComboFaceEdge, row[2], row[3], row[2]};
        for (int x = 0; x < 8; ++x) Put(image, x, y, line[x]);
    }
    PutArrow(image, 8, 0, kArrowEnabled);
    PutArrow(image, 8, 4, kArrowDisabled);
    return image;
}

// ---- marks ----------------------------------------------------------------
struct Span {
    int from, to;  // inclusive columns; from > to for none
};
// Check mark, 9 x 8: up to two spans per row, one colour per row.
constexpr std::array<std::array<Span, 2>, 8> kCheckSpans{{
    {{{8, 8}, {1, 0}}},
    {{{7, 8}, {1, 0}}},
    {{{6, 8}, {1, 0}}},
    {{{0, 1}, {5, 7}}},
    {{{0, 2}, {4, 6}}},
    {{{1, 5}, {1, 0}}},
    {{{2, 4}, {1, 0}}},
    {{{3, 3}, {1, 0}}},
}};
constexpr std::array<Colour, 8> kCheckEnabled{0x1DB754, 0x1BB451, 0x17AF4D, 0x13A948, 0x0FA243, 0x0A9C3E, 0x069639, 0x029135};
constexpr std::array<Colour, 8> kCheckDisabled{0x8CDAA8, 0x8BD9A6, 0x89D6A4, 0x87D3A2, 0x85D09F, 0x82CD9D, 0x80C99A, 0x7EC798};
// Indeterminate square, 7 x 7, one colour per row.
constexpr std::array<Colour, 7> kSquareEnabled{0x1BB451, 0x18B04E, 0x14AB49, 0x10A445, 0x0C9E40, 0x07983B, 0x069639};
constexpr std::array<Colour, 7> kSquareDisabled{0x8BD9A6, 0x89D6A4, 0x87D4A3, 0x86D1A0, 0x83CE9E, 0x81CA9B, 0x80C99A};
// Option dot, 5 x 5, every pixel.
constexpr std::array<std::array<Colour, 5>, 5> kDotEnabled{{
    {K, 0x60CC87, 0x28BA5C, 0x60CC87, K},
    {0x5EC883, 0x19B14F, 0x19B14F, 0x19B14F, 0x5EC883},
    {0x1DAC50, 0x12A847, 0x12A847, 0x12A847, 0x1DAC50},
    {0x54BA78, 0x0B9D3F, 0x0B9D3F, 0x0B9D3F, 0x54BA78},
    {K, 0x4FB473, 0x109940, 0x4FB473, K},
}};
constexpr std::array<std::array<Colour, 5>, 5> kDotDisabled{{
    {K, 0xAFE5C3, 0x93DCAD, 0xAFE5C3, K},
    {0xAEE3C1, 0x8CD8A7, 0x8CD8A7, 0x8CD8A7, 0xAEE3C1},
    {0x8ED5A7, 0x88D3A3, 0x88D3A3, 0x88D3A3, 0x8ED5A7},
    {0xA9DCBB, 0x85CE9F, 0x85CE9F, 0x85CE9F, 0xA9DCBB},
    {K, 0xA7D9B9, 0x87CC9F, 0xA7D9B9, K},
}};

ImagePixels MarkImage() {
    ImagePixels image = Blank(SkinImageId::Mark, K);
    for (int half = 0; half < 2; ++half) {
        const int left = 9 * half;
        const auto& check = half == 0 ? kCheckEnabled : kCheckDisabled;
        const auto& square = half == 0 ? kSquareEnabled : kSquareDisabled;
        const auto& dot = half == 0 ? kDotEnabled : kDotDisabled;
        for (int y = 0; y < 8; ++y) {
            for (const Span& s : kCheckSpans[static_cast<std::size_t>(y)]) {
                for (int x = s.from; x <= s.to; ++x) Put(image, left + x, y, check[static_cast<std::size_t>(y)]);
            }
        }
        for (int y = 0; y < 7; ++y) {
            for (int x = 0; x < 7; ++x) Put(image, left + 1 + x, 9 + y, square[static_cast<std::size_t>(y)]);
        }
        for (int y = 0; y < 5; ++y) {
            for (int x = 0; x < 5; ++x) {
                Put(image, left + 2 + x, 18 + y, dot[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)]);
            }
        }
    }
    return image;
}

// ---- round boxes ----------------------------------------------------------
// Each 13 x 13 box is a ring of radius 6 round (6, 6). A pixel's squared
// distance d2 from the centre decides what it is: beyond 45 key colour; 37 to
// 45 the soft outside of the ring, which by symmetry repeats the fixed top row
// (x 5, 4 and 3 of row 0 lie at 37, 40 and 45); 36 the ring itself; below 36
// the interior, darkened towards the ring by the weights below.
struct RoundBoxRows {
    std::array<Colour, 7> top;      // row 0, x 3..9
    std::array<Colour, 13> middle;  // row 6, x 0..12; x 0 is the ring colour
};

constexpr std::array<RoundBoxRows, 4> kRoundBoxRows{{
    {{0xE7CFBC, 0xD9B395, 0xD3A886, 0xD2A683, 0xD3A886, 0xD9B395, 0xE7CFBC},
     {0xD2A683, 0xFAF7F3, 0xFEFEFD, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFEFEFD,
      0xFAF7F3, 0xD2A683}},
    {{0xE7CFBC, 0xD9B395, 0xD3A886, 0xD2A683, 0xD3A886, 0xD9B395, 0xE7CFBC},
     {0xD2A683, 0xF8EAC4, 0xF8EBC5, 0xF9ECC7, 0xF9EDC9, 0xFAEECC, 0xFAEECF, 0xFAF0D0, 0xFAF1D4, 0xFBF1D6, 0xFBF2D9,
      0xFCF4DB, 0xD2A683}},
    {{0xDDBCA4, 0xCA9976, 0xC28B67, 0xC18964, 0xC28B67, 0xCA9976, 0xDDBCA4},
     {0xC18964, 0xF5E1AD, 0xF5E2AE, 0xF5E2B1, 0xF7E5B4, 0xF7E6B8, 0xF8E7BC, 0xF9EABF, 0xF9ECC3, 0xF9EDC8, 0xFAEFCD,
      0xFAEFCF, 0xC18964}},
    {{0xF3E7DD, 0xECD9CA, 0xE9D3C2, 0xE8D2C1, 0xE9D3C2, 0xECD9CA, 0xF3E7DD},
     {0xE8D2C1, 0xFCFBF9, 0xFEFEFE, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFEFEFE,
      0xFCFBF9, 0xE8D2C1}},
}};

// Rows 4..8, x 1..11 of the hot box (image rows 17..21) and of the pressed box
// (rows 30..34): the bands that the check-box painter stretches.
using Band = std::array<std::array<Colour, 11>, 5>;
constexpr Band kHotBand{{
    {0xF8EAC3, 0xF8EAC3, 0xF8EAC4, 0xF8EAC4, 0xF9ECC6, 0xF9ECC9, 0xF9EDCB, 0xFAEECD, 0xFAEFD0, 0xFBF0D3, 0xFAF1D6},
    {0xF8EAC3, 0xF8EAC3, 0xF8EBC5, 0xF8ECC7, 0xF9EDC9, 0xF9EDCB, 0xFAEECE, 0xFAF0D0, 0xFBF0D3, 0xFBF1D6, 0xFBF2D9},
    {0xF8EAC4, 0xF8EBC5, 0xF9ECC7, 0xF9EDC9, 0xFAEECC, 0xFAEECF, 0xFAF0D0, 0xFAF1D4, 0xFBF1D6, 0xFBF2D9, 0xFCF4DB},
    {0xF8EBC5, 0xF8EBC7, 0xF9ECC9, 0xFAEECC, 0xFAEFCE, 0xFBF0D1, 0xFBF0D4, 0xFCF1D7, 0xFCF3D9, 0xFCF3DC, 0xFCF4DE},
    {0xF9ECC7, 0xF9EDCA, 0xF9EECC, 0xFAEFCF, 0xFAEFD2, 0xFBF1D4, 0xFBF2D8, 0xFBF3DA, 0xFCF4DC, 0xFCF4DE, 0xFDF5E0},
}};
constexpr Band kPressedBand{{
    {0xF5E2B0, 0xF7E5B3, 0xF7E6B8, 0xF8E7BA, 0xF8EABE, 0xF8ECC3, 0xFAECC7, 0xF9EECC, 0xFAEFCE, 0xFDF1D3, 0xFAF1D5},
    {0xF5E2AE, 0xF7E2B0, 0xF7E5B3, 0xF7E6B8, 0xF8E7BB, 0xF8EABE, 0xF9EAC3, 0xF9EDC8, 0xFAEECD, 0xFDEFCF, 0xFAF1D3},
    {0xF5E1AD, 0xF5E2AE, 0xF5E2B1, 0xF7E5B4, 0xF7E6B8, 0xF8E7BC, 0xF9EABF, 0xF9ECC3, 0xF9EDC8, 0xFAEFCD, 0xFAEFCF},
    {0xF5E1AD, 0xF5E1AD, 0xF5E1AE, 0xF7E5B1, 0xF7E6B4, 0xF8E7B9, 0xF8E8BB, 0xF8E8C1, 0xF9ECC5, 0xF9EDC8, 0xFAEECD},
    {0xF5E1AD, 0xF5E1AD, 0xF5E1AD, 0xF5E1AE, 0xF5E5B2, 0xF7E6B4, 0xF8E7B9, 0xF8E8BC, 0xF9EAC1, 0xF9ECC6, 0xFAEECA},
}};
constexpr Colour kPressedUpperRight = 0xFDF1D5;  // lightest corner of the pressed interior
constexpr Colour kNormalTop = 0xF0E8E1;          // pale blue-grey at the top of the normal interior

// How far an interior pixel at squared distance d2 takes the ring colour.
double RingWeight(int d2) {
    switch (d2) {
    case 34: return 0.75;
    case 32: return 0.80;
    case 29: return 0.30;
    case 26: return 0.15;
    case 25: return 0.11;
    case 20: return 0.05;
    case 18: return 0.04;
    case 17: return 0.03;
    case 16: return 0.02;
    case 13: return 0.01;
    default: return 0.0;
    }
}

Colour BandAt(const Band& band, int row, int column) {
    return band[static_cast<std::size_t>(row - 4)][static_cast<std::size_t>(column - 1)];
}

// Interior colour of box `state` at (x, y) before the ring is laid over it.
Colour Interior(int state, int x, int y) {
    switch (state) {
    case 0:  // white, shading to pale blue-grey towards the top
        return y >= 6 ? 0xFFFFFF : Blend(kNormalTop, 0xFFFFFF, (y - 1) / 5.0);
    case 1: {  // constant along x + y: darkest upper left, lightest lower right
        const int row = std::clamp(y, 4, 8);
        return BandAt(kHotBand, row, std::clamp(x + (y - row), 1, 11));
    }
    case 2: {  // constant along x - y: darkest lower left, lightest upper right
        const int row = std::clamp(y, 4, 8);
        const int column = x - y + row;
        if (column > 11) return Blend(BandAt(kPressedBand, row, 11), kPressedUpperRight, std::min(1.0, (column - 11) / 2.0));
        return BandAt(kPressedBand, row, std::max(column, 1));
    }
    default:
        return 0xFFFFFF;
    }
}

ImagePixels RoundBoxImage() {
    ImagePixels image = Blank(SkinImageId::RoundBox, K);
    for (int state = 0; state < 4; ++state) {
        const RoundBoxRows& rows = kRoundBoxRows[static_cast<std::size_t>(state)];
        const Colour ring = rows.middle[0];
        const int top = 13 * state;
        for (int y = 0; y < 13; ++y) {
            for (int x = 0; x < 13; ++x) {
                const int d2 = (x - 6) * (x - 6) + (y - 6) * (y - 6);
                Colour c = K;
                if (d2 > 45) c = K;
                else if (d2 == 45) c = rows.top[0];
                else if (d2 == 41) c = Blend(rows.top[1], rows.top[0], 0.2);
                else if (d2 == 40) c = rows.top[1];
                else if (d2 == 37) c = rows.top[2];
                else if (d2 == 36) c = ring;
                else c = Blend(Interior(state, x, y), ring, RingWeight(d2));
                Put(image, x, top + y, c);
            }
        }
        for (int x = 0; x < 13; ++x) Put(image, x, top + 6, rows.middle[static_cast<std::size_t>(x)]);
    }
    for (int row = 4; row <= 8; ++row) {
        for (int x = 1; x <= 11; ++x) {
            Put(image, x, 13 + row, BandAt(kHotBand, row, x));
            Put(image, x, 26 + row, BandAt(kPressedBand, row, x));
        }
    }
    return image;
}

// ---- header items -----------------------------------------------------------
// Faces of states 0, 1, 2 at x 0, 3, 6; row 19 is the line under every face.
constexpr std::array<std::array<Colour, 9>, 20> kHeaderItems{{
    {0xFEF5EA, 0xFEF5EA, 0xFEF5EA, 0xFDE6BD, 0xFEEED3, 0xFDE6BD, 0xFBD797, 0xFBD797, 0xFBD797},
    {0xFEF4E9, 0xFEF4E9, 0xFEF4E9, 0xFCDEA7, 0xFFEFD6, 0xFCDEA7, 0xFACE7E, 0xFFDC9F, 0xFACE7E},
    {0xFDF4E9, 0xFDF3E8, 0xFAEFE0, 0xFCD48F, 0xFFEED3, 0xF9D18B, 0xFAC566, 0xFFDDA0, 0xF7C364},
    {0xFDF3E9, 0xFDF2E6, 0xF7E8D6, 0xFBCB77, 0xFFEDD0, 0xF5C571, 0xFAC25E, 0xFFDEA2, 0xF4BD5B},
    {0xFDF5EB, 0xFCF1E4, 0xEFD9BC, 0xFAC565, 0xFFECCC, 0xEDB85B, 0xFAC25E, 0xFFDFA4, 0xEDB556},
    {0xFDF5EC, 0xFCF0E2, 0xEBD1AE, 0xFAC25E, 0xFEEBC8, 0xEAB154, 0xFAC25E, 0xFFE0A6, 0xEAB154},
    {0xFDF6ED, 0xFBEFE0, 0xE6C79F, 0xFAC25E, 0xFEE9C4, 0xE5AC51, 0xFAC25E, 0xFFE2A8, 0xE5AC51},
    {0xFDF6EF, 0xFBEDDF, 0xE2BF94, 0xFAC25E, 0xFEE8C1, 0xE1A84F, 0xFAC25E, 0xFFE3AB, 0xE1A84F},
    {0xFDF7F1, 0xFAECDD, 0xDCB582, 0xFAC25E, 0xFEE7BD, 0xDCA34C, 0xFAC25E, 0xFFE5AD, 0xDCA34C},
    {0xFBF5ED, 0xF6E5D3, 0xD9B07A, 0xFAC25E, 0xFDE1AF, 0xDBA24B, 0xFAC25E, 0xFFE7B0, 0xDBA24B},
    {0xFBF4ED, 0xF6E5D3, 0xD9B07A, 0xFAC25E, 0xFDE0AE, 0xDBA24B, 0xFAC25E, 0xFFE8B3, 0xDBA24B},
    {0xFBF3EB, 0xF6E5D3, 0xDAB27D, 0xFAC25E, 0xFDE1AE, 0xDCA34C, 0xFAC25E, 0xFFEAB6, 0xDCA34C},
    {0xFAF0E5, 0xF6E5D3, 0xDFBA8C, 0xFAC25E, 0xFDE1AF, 0xE1A84E, 0xFAC25E, 0xFFECB9, 0xE1A84E},
    {0xF9EEE2, 0xF6E5D3, 0xE3C197, 0xFAC25E, 0xFDE1AF, 0xE5AC51, 0xFAC565, 0xFFEDBC, 0xE5AD55},
    {0xF8ECDE, 0xF6E5D3, 0xE6C8A3, 0xFAC25E, 0xFDE1AF, 0xE9B154, 0xFBCA6F, 0xFFEFBE, 0xE9B65F},
    {0xF8E9DA, 0xF6E5D3, 0xEACFAF, 0xFAC25E, 0xFDE1AF, 0xEDB556, 0xFBD07C, 0xFFF2C5, 0xEEBF6D},
    {0xF6E6D5, 0xF6E5D3, 0xF1DCC4, 0xFAC25E, 0xFDE1AF, 0xF4BD5A, 0xFCD68B, 0xFFF2C8, 0xF6CF83},
    {0xF6E5D3, 0xF6E5D3, 0xF3E1CC, 0xFAC25E, 0xFDE0AC, 0xF7C05C, 0xFDDD99, 0xFFF2C8, 0xFAD994},
    {0xF6E5D3, 0xF6E5D3, 0xF6E5D3, 0xFBCC73, 0xFCDDA8, 0xFBCC73, 0xFDE3A8, 0xFFF2C8, 0xFDE3A8},
    {0xF2DAC0, 0xF2DAC0, 0xF2DAC0, 0xF2DAC0, 0xF2DAC0, 0xF2DAC0, 0xF2DAC0, 0xF2DAC0, 0xF2DAC0},
}};

ImagePixels HeaderItemImage() {
    ImagePixels image = Blank(SkinImageId::HeaderItem, K);
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 9; ++x) Put(image, x, y, kHeaderItems[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)]);
    }
    return image;
}

}  // namespace

ImageSize SizeOf(SkinImageId id) {
    switch (id) {
    case SkinImageId::Button: return {7, 84};
    case SkinImageId::ComboButton: return {15, 18};
    case SkinImageId::Mark: return {18, 24};
    case SkinImageId::RoundBox: return {13, 52};
    case SkinImageId::HeaderItem: return {9, 20};
    }
    return {0, 0};
}

ImagePixels SkinImagePixels(SkinImageId id) {
    switch (id) {
    case SkinImageId::Button: return ButtonImage();
    case SkinImageId::ComboButton: return ComboButtonImage();
    case SkinImageId::Mark: return MarkImage();
    case SkinImageId::RoundBox: return RoundBoxImage();
    case SkinImageId::HeaderItem: return HeaderItemImage();
    }
    return {};
}

}  // namespace skin
