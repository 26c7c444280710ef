#include "app/splash_dlg.h"

#include <gtest/gtest.h>
#include <wx/gdicmn.h>

#include <vector>

namespace cantavo {
namespace {

TEST(SplashFade, ElevenAlphasThenHideAndTheLevelStartsOver) {
    g_nFadeLevel = 0;
    int step = 0;
    std::vector<int> alphas;
    for (int tick = 0; tick < 12; ++tick) alphas.push_back(NextFadeAlpha(step));
    // Levels 4, 12, 24, ..., 264 (step/100 added each tick); alpha = level + 10, at most 255.
    EXPECT_EQ(alphas, (std::vector<int>{14, 22, 34, 50, 70, 94, 122, 154, 190, 230, 255, -1}));
    EXPECT_EQ(g_nFadeLevel, 0);
}

TEST(SplashFade, BlendIsAConstantAlphaMix) {
    wxImage destination(1, 1), source(1, 1);
    destination.SetRGB(0, 0, 200, 0, 100);
    source.SetRGB(0, 0, 0, 255, 100);
    BlendOnto(destination, source, 51);  // 20 %
    EXPECT_EQ(destination.GetRed(0, 0), 160);
    EXPECT_EQ(destination.GetGreen(0, 0), 51);
    EXPECT_EQ(destination.GetBlue(0, 0), 100);
    BlendOnto(destination, source, 255);
    EXPECT_EQ(destination.GetRed(0, 0), 0);
    EXPECT_EQ(destination.GetGreen(0, 0), 255);
}

TEST(SplashDlg, FadesInOverElevenTicksAndHidesAtTheTwelfth) {
    g_nFadeLevel = 0;
    auto* splash = new CSplashDlg;
    ASSERT_TRUE(splash->Create(nullptr));
    EXPECT_EQ(splash->GetClientSize(), wxSize(646, 607));
    const wxSize screen = wxGetDisplaySize();
    EXPECT_EQ(splash->GetPosition(), wxPoint((screen.x - 646) / 2, (screen.y - 607) / 2));
    splash->StartFade();
    splash->Show();
    EXPECT_TRUE(splash->IsFading());
    for (int tick = 0; tick < 11; ++tick) splash->OnFadeTick();
    // The last drawing tick is opaque: the window shows exactly the picture.
    ASSERT_TRUE(splash->ShownImage().IsOk());
    EXPECT_EQ(0, memcmp(splash->ShownImage().GetData(), splash->Picture().GetData(), 646 * 607 * 3));
    EXPECT_TRUE(splash->IsShown());
    splash->OnFadeTick();
    EXPECT_FALSE(splash->IsShown());
    EXPECT_FALSE(splash->IsFading());
    delete splash;
}

}  // namespace
}  // namespace cantavo
