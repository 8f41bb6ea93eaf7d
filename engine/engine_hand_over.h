#pragma once
// The settings logic hands the engine its copies through this adapter.
#include "engine/ffb_engine.h"
#include "settings/settings_hand_over.h"

namespace gripline {

class EngineHandOver final : public SettingsHandOver {
  public:
    explicit EngineHandOver(FfbEngine& engine) : engine_(engine) {}
    void storeSettings(const FfbSettings& settings) override { engine_.storeSettings(settings); }
    void storeSettingsFaded(const FfbSettings& settings) override {
        engine_.storeSettingsFaded(settings);
    }
    void storeCustomCars(const CustomCarList& custom) override { engine_.storeCustomCars(custom); }

  private:
    FfbEngine& engine_;
};

} // namespace gripline
