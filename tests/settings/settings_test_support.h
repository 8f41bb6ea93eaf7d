#pragma once
// What the settings tests share: the profile store under test (the portable
// store natively, the Windows functions in the Win32 test program), and
// doubles of the window and the engine that record what they were asked.
#include "settings/car_coefficients_store.h"
#include "settings/profile_store.h"
#include "settings/settings_hand_over.h"
#include "settings/settings_view.h"
#include "tests/settings/test_files.h"

#include <string>
#include <vector>

namespace gripline::test {

// Defined once per test program: which store the shared test bodies use.
ProfileStore& storeUnderTest();

class RecordingView final : public SettingsView {
  public:
    void refreshControls(const FfbSettings& settings) override { Refreshed.push_back(settings); }
    void log(const std::wstring& line) override { Lines.push_back(line); }
    void showCar(const std::wstring& label, const CarCoefficients& values) override {
        CarLabels.push_back(label);
        ShownCoefficients = values;
    }

    std::vector<FfbSettings> Refreshed;
    std::vector<std::wstring> Lines;
    std::vector<std::wstring> CarLabels;
    CarCoefficients ShownCoefficients;
};

class RecordingEngine final : public SettingsHandOver {
  public:
    void storeSettings(const FfbSettings& settings) override { Settings.push_back(settings); }
    void storeCustomCars(const CustomCarList& custom) override { CustomCars.push_back(custom); }

    std::vector<FfbSettings> Settings;
    std::vector<CustomCarList> CustomCars;
};

} // namespace gripline::test
