#include "skin/engine/skin_kind.h"
#include "skin/engine/skin_routing.h"

#include <gtest/gtest.h>

using namespace skin;

TEST(ClassRecognition, IgnoresLetterCaseAndKnowsEveryName) {
    EXPECT_EQ(ClassifySkinClass("ThunderRT6CommandButton"), SkinKind::PushButton);
    EXPECT_EQ(ClassifySkinClass("Form"), SkinKind::Form);
    EXPECT_EQ(ClassifySkinClass("#32770"), SkinKind::Form);
    EXPECT_EQ(ClassifySkinClass("BUTTON"), SkinKind::PushButton);
    EXPECT_EQ(ClassifySkinClass("ComboBox"), SkinKind::ComboBox);
    EXPECT_EQ(ClassifySkinClass("Combo"), SkinKind::ComboBox);
    EXPECT_EQ(ClassifySkinClass("ThunderDriveListBox"), SkinKind::DriveList);
    EXPECT_EQ(ClassifySkinClass("ThunderRT6CheckBox"), SkinKind::CheckBox);
    EXPECT_EQ(ClassifySkinClass("ThunderOptionButton"), SkinKind::OptionButton);
    EXPECT_EQ(ClassifySkinClass("ProgressBar20WndClass"), SkinKind::ProgressBar);
    EXPECT_EQ(ClassifySkinClass("SysHeader32"), SkinKind::Header);
    EXPECT_EQ(ClassifySkinClass("msvb_lib_header"), SkinKind::Header);
    EXPECT_EQ(ClassifySkinClass("DataListWndClass"), SkinKind::DataList);
    EXPECT_EQ(ClassifySkinClass("DBListWndClass"), SkinKind::DataList);
    EXPECT_EQ(ClassifySkinClass("ComboLBox"), SkinKind::ComboList);
}

TEST(ClassRecognition, GridIsAPrefixMatchAndEverythingElseIsOther) {
    EXPECT_EQ(ClassifySkinClass("ApexGrid"), SkinKind::Grid);
    EXPECT_EQ(ClassifySkinClass("ApexGridOleDB32"), SkinKind::Grid);
    EXPECT_EQ(ClassifySkinClass("apexgri"), SkinKind::Other);
    EXPECT_EQ(ClassifySkinClass("xapexgrid"), SkinKind::Other);
    // Exact names only: neither prefixes nor extensions of a listed name.
    EXPECT_EQ(ClassifySkinClass("buttons"), SkinKind::Other);
    EXPECT_EQ(ClassifySkinClass("formx"), SkinKind::Other);
    EXPECT_EQ(ClassifySkinClass("Edit"), SkinKind::Other);
    EXPECT_EQ(ClassifySkinClass("SysListView32"), SkinKind::Other);
    EXPECT_EQ(ClassifySkinClass("ListBox"), SkinKind::Other);
    EXPECT_EQ(ClassifySkinClass(""), SkinKind::Other);
}

TEST(Fade, PaintsEightySixStepsFromZeroAndSixtySixFromSixty) {
    const auto count = [](int alpha) {
        int paints = 0, last = -1;
        for (;;) {
            ++paints;
            last = alpha;
            const FadeTick t = AdvanceFade(alpha);
            if (t.done) {
                EXPECT_EQ(t.next, 0);
                break;
            }
            alpha = t.next;
        }
        EXPECT_EQ(last, 255);   // the last blend is opaque, so the face ends exactly as rendered
        return paints;
    };
    EXPECT_EQ(count(kFadeFromMove), 86);
    EXPECT_EQ(count(kFadeFromRelease), 66);
}

TEST(ProgressGeometry, HalfOfTheRangeFillsHalfAndOverflowIsClamped) {
    EXPECT_EQ(ProgressFillLength(100, ProgressFraction(15000)), 50);
    EXPECT_EQ(ProgressFillLength(15, ProgressFraction(15000)), 8);   // 7.5 rounds to even
    EXPECT_EQ(ProgressFillLength(13, ProgressFraction(15000)), 6);   // 6.5 rounds to even
    EXPECT_EQ(ProgressFillLength(100, ProgressFraction(0)), 0);
    EXPECT_EQ(ProgressFillLength(100, ProgressFraction(30000)), 100);
    EXPECT_EQ(ProgressFillLength(100, ProgressFraction(90000)), 100);
    EXPECT_EQ(ProgressFillLength(100, ProgressFraction(-500)), 0);
}

TEST(FrameGeometry, EveryEdgeRingLiesInsideThePreviousOnAllSides) {
    const Ring r1 = EdgeRing(100, 20, 1);
    const Ring r2 = EdgeRing(100, 20, 2);
    EXPECT_EQ(r1.x + r1.width, 99);    // right column 98
    EXPECT_EQ(r2.x + r2.width, 98);    // right column 97, not 98 again
    EXPECT_EQ(r2.y + r2.height, 18);
}

TEST(Routing, PaintsAreHandledPerKindAndTheRestPassesOn) {
    EXPECT_EQ(RouteOf(msg::kPaint, SkinKind::Form), Route::PassOn);
    EXPECT_EQ(RouteOf(msg::kPaint, SkinKind::Other), Route::PassOn);
    EXPECT_EQ(RouteOf(msg::kPaint, SkinKind::Grid), Route::KindHandler);
    EXPECT_EQ(RouteOf(msg::kNcPaint, SkinKind::ProgressBar), Route::KindHandler);
    EXPECT_EQ(RouteOf(msg::kNcPaint, SkinKind::DataList), Route::PassOn);
    EXPECT_EQ(RouteOf(msg::kNcPaint, SkinKind::ComboList), Route::FrameRule);
    EXPECT_EQ(RouteOf(msg::kNcPaint, SkinKind::PushButton), Route::FrameRule);
    EXPECT_EQ(RouteOf(msg::kTimer, SkinKind::PushButton), Route::KindHandler);
    EXPECT_EQ(RouteOf(msg::kTimer, SkinKind::CheckBox), Route::PassOn);
    EXPECT_EQ(RouteOf(msg::kKeyDown, SkinKind::CheckBox), Route::KindHandler);
    EXPECT_EQ(RouteOf(msg::kKeyDown, SkinKind::ComboBox), Route::PassOn);
    EXPECT_EQ(RouteOf(msg::kSetFocus, SkinKind::OptionButton), Route::KindHandler);
    EXPECT_EQ(RouteOf(msg::kSetFocus, SkinKind::CheckBox), Route::PassOn);
    EXPECT_EQ(RouteOf(msg::kLButtonDblClk, SkinKind::Header), Route::KindHandler);
    EXPECT_EQ(RouteOf(msg::kLButtonDblClk, SkinKind::ComboBox), Route::PassOn);
    EXPECT_EQ(RouteOf(msg::kWindowPosChanging, SkinKind::DriveList), Route::KindHandler);
    EXPECT_EQ(RouteOf(msg::kWindowPosChanging, SkinKind::PushButton), Route::PassOn);
    EXPECT_EQ(RouteOf(msg::kMouseMove, SkinKind::ProgressBar), Route::PassOn);
    EXPECT_EQ(RouteOf(0x0009, SkinKind::PushButton), Route::PassOn);
    for (SkinKind k : {SkinKind::Form, SkinKind::PushButton, SkinKind::Other}) {
        EXPECT_EQ(RouteOf(msg::kDestroy, k), Route::Destroy);
        EXPECT_EQ(RouteOf(msg::kActivate, k), Route::Activate);
        EXPECT_EQ(RouteOf(msg::kEnterIdle, k), Route::AttachLParam);
        EXPECT_EQ(RouteOf(msg::kCtlColorListBox, k), Route::AttachLParam);
    }
}
