// The window's side of Auto strength against a recording window: the Force
// strength slider following the engine, each settled value logged once, and
// the last one kept when the stint ends or the car changes.
#include "ui/auto_strength_controller.h"

#include "tests/ui/binding_test_support.h"
#include "ui/control_ids.h"

#include <gtest/gtest.h>

namespace gripline {
namespace {

using Lines = std::vector<std::wstring>;

class AutoStrengthControllerTest : public ::testing::Test, protected test::KeeperOnFile {
  protected:
    void settle(int32_t strength, float p99Nm, int32_t seconds) {
        status.AutoStrength = strength;
        status.AutoStrengthSettled = strength;
        status.AutoStrengthP99Nm = p99Nm;
        status.AutoStrengthSeconds = seconds;
        ++status.AutoStrengthSettledCount;
    }
    int32_t slider() { return controls.SliderValues[kForceStrengthSlider]; }

    test::RecordingControls controls;
    EngineStatus status;
    AutoStrengthController controller{state, keeper, view, controls};
};

TEST(AutoStrengthLogLine, NamesCarTrackP99AndSpan) {
    EXPECT_EQ(autoStrengthLogLine(62, L"formulair04", L"Tsukuba Circuit 2k Full", 25.84f, 60),
              L"Auto strength 62 % for formulair04 at Tsukuba Circuit 2k Full (P99 25.8 N\u00B7m "
              L"over 60 s)");
    EXPECT_EQ(autoStrengthLogLine(100, L"mx5 mx52016", L"", 3.0f, 21),
              L"Auto strength 100 % for mx5 mx52016 (P99 3.0 N\u00B7m over 21 s)");
}

TEST_F(AutoStrengthControllerTest, FollowsAnnouncesAndKeepsTheValueWhenTheStintEnds) {
    state.Profiles.InUse.AutoStrength = 1;
    status.Connected = status.OnTrack = true;
    status.CarName = L"formulair04";
    status.AutoStrength = 50;
    controller.follow(status);
    status.AutoStrength = 47;
    controller.follow(status);
    EXPECT_EQ(slider(), 47) << "the slider moves with the engine";
    EXPECT_TRUE(view.Lines.empty());

    settle(31, 25.8f, 60);
    controller.follow(status);
    controller.follow(status);
    EXPECT_EQ(view.Lines, Lines{autoStrengthLogLine(31, L"formulair04", L"", 25.8f, 60)})
        << "each settled value once";
    EXPECT_EQ(state.Profiles.InUse.ForceStrength, 50) << "kept only when the stint ends";

    status.OnTrack = false;
    controller.follow(status);
    EXPECT_EQ(state.Profiles.InUse.ForceStrength, 31);
    ASSERT_FALSE(engine.Settings.empty());
    EXPECT_EQ(engine.Settings.back().ForceStrength, 31) << "the next stint starts from it";
    EXPECT_EQ(state.Profiles.active().Settings.ForceStrength, 31) << "stored where it is kept";

    // Another car reported while on track ends the stint too, and so does
    // the simulator going with the car's last line still on track.
    status.OnTrack = true;
    settle(44, 18.2f, 58);
    controller.follow(status);
    status.CarName = L"mx5 mx52016";
    controller.follow(status);
    EXPECT_EQ(state.Profiles.InUse.ForceStrength, 44);
    settle(45, 18.0f, 60);
    controller.follow(status);
    status.Connected = false;
    controller.follow(status);
    EXPECT_EQ(state.Profiles.InUse.ForceStrength, 45);
    status.Connected = true;

    // Switched off: the slider shows the stored value, and a value settled
    // before is not stored over the driver's choice.
    settle(60, 13.3f, 60);
    controller.follow(status);
    state.Profiles.InUse.AutoStrength = 0;
    status.OnTrack = false;
    controller.follow(status);
    EXPECT_EQ(slider(), 45);
    EXPECT_EQ(state.Profiles.InUse.ForceStrength, 45);
}

} // namespace
} // namespace gripline
