#include "meter/desktop/HoverHelp.h"
#include "meter/desktop/TitleBarZones.h"

#include <gtest/gtest.h>

namespace {

using namespace TitleBarZones;

TEST(TitleBarZones, PressesMoveInTheBandOutsideTheIcon) {
    const struct {
        QPoint twips;
        bool moves;
        bool icon;
    } cases[] = {
        {{20 * 15, 100}, true, false}, // left of the icon area
        {{100, 100}, false, true},     // inside the icon area
        {{30, 15}, false, true},       // its corner, bounds included
        {{255, 255}, false, true},     {{256, 100}, true, false},
        {{3000, 360}, true, false}, // bottom line of the band
        {{3000, 361}, false, false},   {{3000, 400 * 15}, false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StartsMove(c.twips), c.moves) << c.twips.x() << "," << c.twips.y();
        EXPECT_EQ(InIconArea(c.twips), c.icon) << c.twips.x() << "," << c.twips.y();
    }
}

TEST(TitleBarZones, ButtonsOfTheImage) {
    const struct {
        QPoint twips;
        ButtonZone zone;
        bool row;
    } cases[] = {
        {{75, 60}, ButtonZone::Minimise, true}, {{270, 255}, ButtonZone::Minimise, true},
        {{660, 100}, ButtonZone::Close, true},  {{840, 255}, ButtonZone::Close, true},
        {{400, 100}, ButtonZone::None, true},   {{700, 59}, ButtonZone::None, false},
        {{700, 256}, ButtonZone::None, false},  {{74, 100}, ButtonZone::None, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ButtonAt(c.twips), c.zone) << c.twips.x() << "," << c.twips.y();
        EXPECT_EQ(InButtonRow(c.twips), c.row) << c.twips.x() << "," << c.twips.y();
    }
}

TEST(HoverHelp, TextsFollowTheItemAndTheUser) {
    EXPECT_EQ(HoverHelpText("Label7", "Tom"), "用户[Tom]上网的次数。");
    EXPECT_EQ(HoverHelpText("Label6", "Ann"), "用户[Ann]上网的次数。");
    EXPECT_EQ(HoverHelpText("User", "Tom"),
              "本次上网用户，本次上网所产生的费用会记在用户[Tom]的帐上。\r\n"
              "右击显示在任务栏的图标，在弹出的菜单中选“更改用户”可更改当前用户。");
    EXPECT_EQ(HoverHelpText("Label4", "Tom"), "本次计划上网所剩余的时间");
    EXPECT_EQ(HoverHelpText("Label5", "Tom"), "本次计划上网所剩余的时间。");
    EXPECT_EQ(HoverHelpText("Frame2", "Tom"), DefaultHoverHelp);
    EXPECT_EQ(HoverHelpText("Command3", "Tom"), "断开与网络的连接。");
    EXPECT_EQ(HoverHelpText("Label21", "Tom"), "使用本机上网的所有用户因上网所产生的总费用。");
    for (const char* unchanged :
         {"TitLb", "Image1", "Label29", "Label25", "Label30", "NowL", "Label1", "Label31"})
        EXPECT_EQ(HoverHelpText(unchanged, "Tom"), std::nullopt) << unchanged;
}

} // namespace
