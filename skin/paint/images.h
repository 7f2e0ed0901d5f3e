// The five skin images as pixels: every colour of every image, computed from
// the constant tables in images.cpp. Painting them into memory DCs is the
// Windows side's job (BuildSkinImages); this part is portable so that the
// pictures themselves can be checked pixel by pixel.
#pragma once
#include <vector>

#include "skin/paint/colours.h"

namespace skin {

enum class SkinImageId { Button, ComboButton, Mark, RoundBox, HeaderItem };

// Layout of the images (width x height):
//   Button       7 x 84  four 7 x 21 faces stacked, state n at y = 21 n
//   ComboButton 15 x 18  hot face 4 x 18 at x 0, pressed face at x 4,
//                        arrow 7 x 4 at (8, 0) enabled and (8, 4) disabled
//   Mark        18 x 24  left half enabled, right half disabled: check mark
//                        9 x 8 at (0, 0)/(9, 0), square 7 x 7 at (1, 9)/(10, 9),
//                        option dot 5 x 5 at (2, 18)/(11, 18)
//   RoundBox    13 x 52  four 13 x 13 round boxes stacked, state n at y = 13 n
//   HeaderItem   9 x 20  three 3 x 20 faces side by side, state n at x = 3 n
struct ImageSize {
    int width;
    int height;
};
ImageSize SizeOf(SkinImageId id);

struct ImagePixels {
    int width = 0;
    int height = 0;
    std::vector<Colour> pixels;  // row by row, top row first
    Colour at(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};

// Every pixel of one image; key colour (kKeyColour) where it is transparent.
ImagePixels SkinImagePixels(SkinImageId id);

}  // namespace skin
