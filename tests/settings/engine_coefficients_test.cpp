// The engine's side of the coefficient hand-over: what it resolves per tick
// from the copy of the custom list the window gave it.
#include "engine/engine_hand_over.h"
#include "engine/ffb_engine.h"

#include <gtest/gtest.h>

namespace gripline {
namespace {

TEST(EngineCoefficients, FollowTheCustomListHandedOver) {
    FfbEngine engine;
    EngineHandOver handOver(engine);
    CarCoefficients out;
    EXPECT_STREQ(engine.resolveCoefficients(L"DALLARAP217", true, out), L"dallarap217");
    EXPECT_EQ(out.ResistanceGain, 1.55f);

    CustomCarList custom;
    CarCoefficientEntry mine{L"dallarap217", {}};
    mine.Values.YawRateMultiplier = 51.5f;
    ASSERT_TRUE(storeCoefficients(custom, mine));
    handOver.storeCustomCars(custom);
    custom.clear(); // the engine holds a copy of its own
    EXPECT_STREQ(engine.resolveCoefficients(L"DALLARAP217", true, out), L"custom");
    EXPECT_EQ(out.YawRateMultiplier, 51.5f);
    EXPECT_STREQ(engine.resolveCoefficients(L"dallarap217", false, out), L"generic");
    EXPECT_EQ(out.LateralAccelDivisor, 110.0f);

    FfbSettings settings;
    settings.ForceStrength = 77;
    handOver.storeSettings(settings);
    EXPECT_EQ(engine.copySettings().ForceStrength, 77);
}

} // namespace
} // namespace gripline
