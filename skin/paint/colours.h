// Skin states and the colours that the skinning engine and the painters share.
// Colours are COLORREF values, 0x00BBGGRR: blue in the high byte, red in the low.
#pragma once
#include <cstdint>

namespace skin {

using Colour = std::uint32_t;  // 0x00BBGGRR

// Visual state of a skinned control.
enum SkinState : int {
    kStateNormal = 0,
    kStateHot = 1,      // the mouse is over it
    kStatePressed = 2,
    kStateDisabled = 3,
};

inline constexpr Colour kKeyColour = 0xFF00FF;               // transparent pixels of the skin images
inline constexpr Colour kSkinBorderColour = 0xD5A554;        // frames of enabled controls
inline constexpr Colour kSkinBorderDisabledColour = 0xE9CFA4; // frames of disabled controls
inline constexpr Colour kProgressFillColour = 0xF6D64C;      // progress bars
inline constexpr Colour kPressedBoxFrameColour = 0xC48639;   // check box frame while pressed
inline constexpr Colour kDisabledTextColour = 0x968A79;      // push-button caption when disabled
inline constexpr Colour kWhite = 0xFFFFFF;
inline constexpr Colour kBlack = 0x000000;

constexpr std::uint8_t RedOf(Colour c) { return static_cast<std::uint8_t>(c & 0xFF); }
constexpr std::uint8_t GreenOf(Colour c) { return static_cast<std::uint8_t>((c >> 8) & 0xFF); }
constexpr std::uint8_t BlueOf(Colour c) { return static_cast<std::uint8_t>((c >> 16) & 0xFF); }
constexpr Colour MakeColour(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return Colour{red} | (Colour{green} << 8) | (Colour{blue} << 16);
}

}  // namespace skin
