// Paints the five skin images into memory surfaces, one SetPixel per pixel.
#include "skin/paint/paint.h"

namespace skin {

namespace {

MemorySurface PaintImage(SkinImageId id) {
    const ImagePixels image = SkinImagePixels(id);
    MemorySurface surface = CreateMemorySurface(image.width, image.height);
    if (!surface) return surface;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) SetPixel(surface.get(), x, y, image.at(x, y));
    }
    return surface;
}

}  // namespace

SkinImages BuildSkinImages() {
    SkinImages images;
    images.button = PaintImage(SkinImageId::Button);
    images.comboButton = PaintImage(SkinImageId::ComboButton);
    images.mark = PaintImage(SkinImageId::Mark);
    images.roundBox = PaintImage(SkinImageId::RoundBox);
    images.headerItem = PaintImage(SkinImageId::HeaderItem);
    return images;
}

}  // namespace skin
