#pragma once
// The binding's tests share a window double that records what the controls
// were asked to show, and a settings keeper on a fresh settings file.
#include "settings/run_on_startup.h"
#include "settings/settings_keeper.h"
#include "tests/settings/settings_test_support.h"
#include "ui/binding_controls.h"

#include <map>
#include <string>
#include <vector>

namespace gripline::test {

class RecordingControls final : public BindingControls {
  public:
    void showSliderValue(int id, int32_t value, const std::wstring& text) override {
        SliderValues[id] = value;
        SliderTexts[id] = text;
    }
    void showChecked(int id, bool checked) override { Checked[id] = checked; }
    void selectOutputMode(int32_t mode) override { OutputMode = mode; }
    std::wstring wheelbaseFieldText() override { return WheelbaseField; }
    void showWheelbaseText(const std::wstring& text) override { WheelbaseField = text; }
    void showProfiles(const std::vector<std::wstring>& names, int32_t selected) override {
        ProfileNames = names;
        SelectedProfile = selected;
    }
    std::wstring profileBoxText() override { return ProfileBox; }
    void showCarLabel(const std::wstring& label) override { CarLabel = label; }

    std::map<int, int32_t> SliderValues;
    std::map<int, std::wstring> SliderTexts;
    std::map<int, bool> Checked;
    int32_t OutputMode = -1;
    std::wstring WheelbaseField;
    std::vector<std::wstring> ProfileNames;
    int32_t SelectedProfile = -2;
    std::wstring ProfileBox;
    std::wstring CarLabel;
};

class RecordingStartupEntry final : public StartupEntry {
  public:
    bool set(const std::wstring& name, const std::wstring& command) override {
        Values[name] = command;
        return true;
    }
    bool remove(const std::wstring& name) override {
        Values.erase(name);
        return true;
    }
    std::map<std::wstring, std::wstring> Values;
};

// Two profiles, "Default" active, on a settings file of the test's own.
struct KeeperOnFile {
    KeeperOnFile() {
        state.Profiles.List = {{L"Default", {}}, {L"Second", {}}};
        state.Profiles.InUse = state.Profiles.List[0].Settings;
    }
    std::filesystem::path path = freshTestDir() / "Torvix_profiles.ini";
    SettingsState state;
    RecordingView view;
    RecordingEngine engine;
    SettingsKeeper keeper{state, SettingsFile(storeUnderTest(), path), view, engine};
};

} // namespace gripline::test
