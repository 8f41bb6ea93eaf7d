// The Analyzer window's rules: which boxes are offered, when advice may be
// sent, where a resize puts the controls and where the force-feedback
// program is looked for.
#include "analyzer/advice_box_rules.h"
#include "analyzer/advice_hand_off.h"
#include "analyzer/analyzer_controls.h"
#include "analyzer/analyzer_identity.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace gripline {
namespace {

TEST(AnalyzerWindow, TitleCarriesTheReleaseVersion) {
    EXPECT_EQ(analyzerWindowTitle(), L"Gripline Analyzer v0.1.0.134");
}

TEST(AdviceBoxes, FollowTheLoadAndTheFit) {
    const AdviceBoxState none = adviceBoxesAfterLoad(false, true);
    EXPECT_EQ(none.Enabled, AdviceChoice{});
    EXPECT_EQ(none.Ticked, AdviceChoice{});
    EXPECT_FALSE(none.AdviceButtonEnabled);

    const AdviceBoxState profileOnly = adviceBoxesAfterLoad(true, false);
    for (size_t i = 0; i < kAdviceItemCount; ++i) {
        EXPECT_EQ(profileOnly.Enabled.Ticked[i], i < 6) << i;
        EXPECT_EQ(profileOnly.Ticked.Ticked[i], i < 6) << i;
    }
    EXPECT_TRUE(profileOnly.AdviceButtonEnabled);

    const AdviceBoxState all = adviceBoxesAfterLoad(true, true);
    EXPECT_TRUE(all.Enabled.anyCoefficient());
    EXPECT_EQ(all.Ticked, all.Enabled);
}

TEST(AdviceBoxes, AdviceNeedsATickedBoxThatCounts) {
    AdviceChoice coefficient;
    coefficient.set(AdviceItem::SteerMarginBias, true);
    EXPECT_TRUE(adviceCanBeUsed(true, true, coefficient));
    EXPECT_FALSE(adviceCanBeUsed(true, false, coefficient))
        << "no fit: coefficient ticks count for nothing";
    EXPECT_FALSE(adviceCanBeUsed(true, true, AdviceChoice{}));
    AdviceChoice profile;
    profile.set(AdviceItem::AbsVibration, true);
    EXPECT_TRUE(adviceCanBeUsed(true, false, profile));
    EXPECT_FALSE(adviceCanBeUsed(false, true, profile)) << "a failed load sends nothing";
}

TEST(AnalyzerLayout, BoxesHaveDistinctIdsAndDoNotOverlap) {
    std::set<std::wstring> texts;
    for (size_t i = 0; i < kAdviceBoxes.size(); ++i) {
        texts.insert(kAdviceBoxes[i].Text);
        for (size_t j = i + 1; j < kAdviceBoxes.size(); ++j) {
            const ControlPlace& a = kAdviceBoxes[i].Place;
            const ControlPlace& b = kAdviceBoxes[j].Place;
            const bool apart = a.X + a.Width <= b.X || b.X + b.Width <= a.X ||
                               a.Y + a.Height <= b.Y || b.Y + b.Height <= a.Y;
            EXPECT_TRUE(apart) << i << " and " << j;
        }
    }
    EXPECT_EQ(texts.size(), kAdviceItemCount);
    EXPECT_EQ(kLastAdviceBoxId, 112);
}

TEST(AnalyzerLayout, ResizeKeepsButtonsRightAndStretchesThePane) {
    const ResizedPlaces wide = resizedPlaces(1034, 721);
    EXPECT_EQ(wide.OpenButton, (ControlPlace{850, 24, 160, 38}));
    EXPECT_EQ(wide.AdviceButton, (ControlPlace{686, 24, 150, 38}));
    EXPECT_EQ(wide.Report, (ControlPlace{24, 204, 986, 493}));

    const ResizedPlaces narrow = resizedPlaces(300, 300);
    EXPECT_EQ(narrow.OpenButton.X, 116);
    EXPECT_EQ(narrow.AdviceButton.X, 24) << "the two overlap";
    EXPECT_EQ(narrow.Status, (ControlPlace{24, 62, 252, 28}));
    EXPECT_EQ(narrow.Report, (ControlPlace{24, 204, 252, 200})) << "never below 200 high";

    const ResizedPlaces tiny = resizedPlaces(0, 0);
    EXPECT_EQ(tiny.OpenButton.X, 24);
    EXPECT_EQ(tiny.Status.Width, 200);
}

TEST(AdviceHandOff, PrefersTheProgramOfTheSameRelease) {
    std::set<std::wstring> present;
    std::vector<std::wstring> asked;
    auto exists = [&](const std::wstring& path) {
        asked.push_back(path);
        return present.count(path) > 0;
    };
    const std::wstring analyzer = L"C:\\Games\\Gripline\\Torvix Commercial Analyzer.exe";
    EXPECT_FALSE(locateForceFeedbackProgram(analyzer, exists));
    EXPECT_EQ(asked,
              (std::vector<std::wstring>{L"C:\\Games\\Gripline\\Torvix-Commercial-v0.1.0.134.exe",
                                         L"C:\\Games\\Gripline\\Torvix_Commercial.exe"}));

    present = {L"C:\\Games\\Gripline\\Torvix_Commercial.exe",
               L"C:\\Games\\Gripline\\Torvix-Commercial-v0.1.0.134.exe"};
    EXPECT_EQ(locateForceFeedbackProgram(analyzer, exists),
              L"C:\\Games\\Gripline\\Torvix-Commercial-v0.1.0.134.exe");
    present.erase(L"C:\\Games\\Gripline\\Torvix-Commercial-v0.1.0.134.exe");
    EXPECT_EQ(locateForceFeedbackProgram(analyzer, exists),
              L"C:\\Games\\Gripline\\Torvix_Commercial.exe");

    EXPECT_EQ(moduleFolder(L"D:/tools/a\\analyzer.exe"), L"D:/tools/a");
    EXPECT_EQ(moduleFolder(L"analyzer.exe"), L".");
}

TEST(AdviceHandOff, QuotesTheAdvicePath) {
    EXPECT_EQ(applyAdviceParameters(L"C:\\Users\\Jo Doe\\Temp\\gav1A.tmp"),
              L"--apply-advice \"C:\\Users\\Jo Doe\\Temp\\gav1A.tmp\"");
}

} // namespace
} // namespace gripline
