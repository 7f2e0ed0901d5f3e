// The main window's fixed layout and texts. Positions are in twips (1/1440
// inch, 15 to the pixel at 96 dpi) and convert to pixels with the screen's
// real resolution. assets/make_assets.py reads the control table below to
// draw the background artwork under each control, so keep one control per
// line in the form {"Name", left, top, width, height}.
#pragma once
#include <array>
#include <string_view>

namespace app {

struct TwipsBox {
    int left, top, width, height;
};

struct Placement {
    std::string_view name;   // the control's name on the form
    TwipsBox box;
};

// Client area of FormTovi.
inline constexpr int kClientWidthTwips = 8085;
inline constexpr int kClientHeightTwips = 6885;

// Index of each control in kLayout, also its child-window id minus kFirstControlId.
enum class Control : int {
    Text1, Label34, ListView1, Label2, Label3, Label4, Label1, Label5,
    LinkLbl0, LinkLbl1, LinkLbl2, LinkLbl3, LinkLbl4, PicAboutIco, Picture1,
    Count
};

inline constexpr int kLinkCount = 5;
inline constexpr int kFirstControlId = 1000;

inline constexpr std::array<Placement, static_cast<size_t>(Control::Count)> kLayout{{
    {"Text1", {2400, 750, 2895, 225}},
    {"Label34", {5400, 600, 975, 435}},
    {"ListView1", {120, 1200, 7815, 2895}},
    {"Label2", {480, 4320, 7335, 705}},
    {"Label3", {480, 5040, 615, 195}},
    {"Label4", {1200, 5040, 3975, 255}},
    {"Label1", {6600, 4920, 1215, 315}},
    {"Label5", {6600, 5640, 1335, 195}},
    {"Link_Lbl(0)", {600, 6360, 1215, 255}},
    {"Link_Lbl(1)", {2040, 6360, 1215, 255}},
    {"Link_Lbl(2)", {3360, 6360, 1215, 255}},
    {"Link_Lbl(3)", {4800, 6360, 1215, 255}},
    {"Link_Lbl(4)", {6120, 6360, 1215, 255}},
    {"Pic_AboutIco", {120, 6360, 255, 255}},
    {"Picture1", {2040, 2760, 615, 615}},
}};

constexpr const Placement& PlacementOf(Control c) { return kLayout[static_cast<size_t>(c)]; }
constexpr int ControlIdOf(Control c) { return kFirstControlId + static_cast<int>(c); }
constexpr Control LinkLabel(int index) { return static_cast<Control>(static_cast<int>(Control::LinkLbl0) + index); }

// Twips to pixels at dpi dots per inch, rounded to the nearest pixel.
constexpr int TwipsToPixels(int twips, int dpi) { return (twips * dpi + 720) / 1440; }

// The artwork is drawn at four resolutions (100%, 125%, 150% and 200%), each
// with every face placed from the table above converted at that resolution,
// so that at those screen resolutions it lies under the controls pixel for
// pixel. Any other resolution stretches the nearest larger drawing.
inline constexpr int kArtDpi = 96;
inline constexpr int kArtWidth = 540;    // at kArtDpi
inline constexpr int kArtHeight = 461;
inline constexpr std::array<int, 4> kArtDpis{96, 120, 144, 192};

// Pixel size of the artwork drawn for artDpi: (540, 461) scaled, rounded up.
constexpr int ArtPixels(int pixelsAt96, int artDpi) { return (pixelsAt96 * artDpi + kArtDpi - 1) / kArtDpi; }

// The drawing to use at dpi: the one made for it, else the nearest larger
// one (shrinking keeps detail), else the largest.
constexpr int ArtDpiFor(int dpi) {
    for (int d : kArtDpis) {
        if (d >= dpi) return d;
    }
    return kArtDpis.back();
}

// Pixels at dpi of a length given in pixels at 96 dpi, rounded to the nearest.
constexpr int ScaledPixels(int pixelsAt96, int dpi) { return (pixelsAt96 * dpi + kArtDpi / 2) / kArtDpi; }

// Texts (UTF-8).
inline constexpr std::string_view kCaption = "ToviArdo答题器";
inline constexpr std::string_view kAnswerCaption = "答案：";
inline constexpr std::string_view kQuestionColumn = "题目";
inline constexpr std::string_view kAnswerColumn = "答案";
inline constexpr std::string_view kTrayTip = "Tovi最小化模板";

// What Label2 shows at start-up and after a reset.
inline constexpr std::string_view kHelpText =
    "输入完关键字按回车键\"Enter\"，\"↑\"，\"↓\"可快速进入题目显示栏,按删除键\"←\""
    "可返回查询关键字窗口，继续输入关键字";

inline constexpr std::array<std::string_view, kLinkCount> kLinkCaptions{
    "Tovi首页", "新闻中心", "Ardo首页", "火爆论坛", "游戏下载"};

}  // namespace app
