// Button bindings: which action a press means, presses counted once while
// held, the settings file's section of their own, and what each action does
// in the window.
#include "ui/button_bindings.h"

#include "tests/ui/binding_test_support.h"
#include "ui/button_bindings_file.h"
#include "ui/button_commands.h"
#include "ui/button_watch.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <fstream>

namespace gripline {
namespace {

DeviceGuid guid(uint8_t first) {
    DeviceGuid g;
    for (size_t i = 0; i < 16; ++i)
        g.bytes[i] = static_cast<uint8_t>(first + i);
    return g;
}

const DeviceGuid kWheel = guid(0x10);
const DeviceGuid kReplugged = guid(0x30);
const DeviceGuid kBox = guid(0x50);
const DeviceGuid kSecondBox = guid(0x70);
// {011A8358-D1D4-4903-BE2A-74CA30ED47C5} in DirectInput's byte order.
const DeviceGuid kVirtualWheel = {{0x58, 0x83, 0x1a, 0x01, 0xd4, 0xd1, 0x03, 0x49, 0xbe, 0x2a,
                                   0x74, 0xca, 0x30, 0xed, 0x47, 0xc5}};

TEST(ButtonBindings, APressMeansTheActionOfItsOwnDeviceElseOfTheSameProductUnplugged) {
    ButtonBindings b;
    b.bind(ButtonAction::StrengthUp, {kWheel, L"Wheel", 4, L"Button 5"});
    b.bind(ButtonAction::ForceOffOn, {kBox, L"Box", 0, L"Button 1"});
    b.bind(ButtonAction::NextProfile, {kSecondBox, L"Box", 1, L"Button 2"});
    const std::vector<AttachedDevice> wheelMoved = {{kReplugged, L"Wheel"}, {kBox, L"Box"}};
    const std::vector<AttachedDevice> bothBoxes = {{kBox, L"Box"}, {kSecondBox, L"Box"}};
    struct Case {
        const char* what;
        ButtonPress press;
        std::vector<AttachedDevice> attached;
        std::optional<ButtonAction> expected;
    };
    const std::vector<Case> cases = {
        {"its own device", {kWheel, L"Wheel", 4}, {{kWheel, L"Wheel"}}, ButtonAction::StrengthUp},
        {"another button", {kWheel, L"Wheel", 3}, {{kWheel, L"Wheel"}}, std::nullopt},
        {"re-plugged under another instance", {kReplugged, L"Wheel", 4}, wheelMoved,
         ButtonAction::StrengthUp},
        {"same product while the bound one is attached", {kSecondBox, L"Box", 0}, bothBoxes,
         std::nullopt},
        {"each of two boxes keeps its own buttons", {kSecondBox, L"Box", 1}, bothBoxes,
         ButtonAction::NextProfile},
        {"another product", {kReplugged, L"Pedals", 4}, wheelMoved, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(b.actionFor(c.press, c.attached), c.expected) << c.what;

    // One button means one thing: bound again, it leaves its old action.
    b.bind(ButtonAction::StrengthDown, {kWheel, L"Wheel", 4, L"Button 5"});
    EXPECT_FALSE(b.binding(ButtonAction::StrengthUp));
    EXPECT_EQ(bindingText(*b.binding(ButtonAction::StrengthDown)), L"Wheel, Button 5");
    b.clear(ButtonAction::StrengthDown);
    b.clear(ButtonAction::ForceOffOn);
    b.clear(ButtonAction::NextProfile);
    EXPECT_TRUE(b.empty());
}

TEST(ButtonBindings, AHeldButtonActsOnceAndWhatWasHeldAtFirstSightNotAtAll) {
    PressTracker tracker;
    auto set = [](std::initializer_list<int> buttons) {
        ButtonSet s;
        for (int b : buttons)
            s.set(static_cast<size_t>(b));
        return s;
    };
    EXPECT_EQ(tracker.pressed(kWheel, set({2})), set({})) << "held before we looked";
    EXPECT_EQ(tracker.pressed(kWheel, set({2, 4})), set({4}));
    EXPECT_EQ(tracker.pressed(kWheel, set({2, 4})), set({})) << "held: once";
    EXPECT_EQ(tracker.pressed(kBox, set({4})), set({})) << "devices apart";
    EXPECT_EQ(tracker.pressed(kWheel, set({})), set({}));
    EXPECT_EQ(tracker.pressed(kWheel, set({4})), set({4})) << "released and pressed again";
    tracker.forget(kWheel);
    EXPECT_EQ(tracker.pressed(kWheel, set({4, 5})), set({}));
}

TEST(ButtonBindingsFile, GuidTextRoundTripsAndAnythingElseIsRefused) {
    const std::wstring text = guidText(kVirtualWheel);
    EXPECT_EQ(text, L"{011A8358-D1D4-4903-BE2A-74CA30ED47C5}");
    EXPECT_EQ(parseGuid(text), kVirtualWheel);
    EXPECT_EQ(parseGuid(L"{011a8358-d1d4-4903-be2a-74ca30ed47c5}"), kVirtualWheel);
    for (const wchar_t* bad : {L"", L"011A8358-D1D4-4903-BE2A-74CA30ED47C5",
                               L"{011A8358-D1D4-4903-BE2A-74CA30ED47C}",
                               L"{011A8358-D1D4-4903-BE2A+74CA30ED47C5}",
                               L"{011A8358-D1D4-4903-BE2A-74CA30ED47CG}"})
        EXPECT_FALSE(parseGuid(bad)) << std::string(bad, bad + std::wcslen(bad));
}

// A file of the program before bindings existed: loaded, nothing is bound;
// bindings saved and cleared again leave every other line as it was.
TEST(ButtonBindingsFile, AnOlderFileLoadsUnboundAndKeepsEveryKeyThroughSaves) {
    const std::filesystem::path path = test::freshTestDir() / "Torvix_profiles.ini";
    const std::string older = "[Profiles]\r\nCount=1\r\nSelected=0\r\n[Profile0]\r\nName=Ann\r\n"
                              "ForceStrength=65\r\n[DriverIdentity]\r\n4711=Ann Driver\r\n";
    std::ofstream(path, std::ios::binary) << older;
    SettingsFile file(test::storeUnderTest(), path);
    EXPECT_TRUE(readButtonBindings(file).empty());

    ButtonBindings b;
    b.bind(ButtonAction::StrengthUp, {kVirtualWheel, L"Gripline Virtual Wheel FFB", 4, L"Button 5"});
    b.bind(ButtonAction::RecordStopRec, {kBox, L"Box", 30, L"A"});
    ASSERT_TRUE(writeButtonBindings(file, b));
    const ButtonBindings read = readButtonBindings(file);
    for (const ButtonActionInfo& info : buttonActions())
        EXPECT_EQ(read.binding(info.action), b.binding(info.action));
    EXPECT_EQ(file.readInt(L"Profile0", L"ForceStrength", 0), 65);
    EXPECT_EQ(file.readString(L"DriverIdentity", L"4711", L"", 128), L"Ann Driver");

    b.clear(ButtonAction::StrengthUp);
    b.clear(ButtonAction::RecordStopRec);
    ASSERT_TRUE(writeButtonBindings(file, b));
    EXPECT_TRUE(readButtonBindings(file).empty());
    EXPECT_EQ(file.readString(kButtonBindingsSection, L"StrengthUpDevice", L"none", 64), L"none");
    EXPECT_EQ(file.readString(L"Profile0", L"Name", L"", 128), L"Ann");

    // Damaged keys leave that action unbound, nothing else.
    file.writeString(kButtonBindingsSection, L"ForceOffOnDevice", L"{not a guid}");
    file.writeString(kButtonBindingsSection, L"ForceOffOnButton", L"3");
    file.writeString(kButtonBindingsSection, L"NextProfileDevice", guidText(kBox));
    file.writeString(kButtonBindingsSection, L"NextProfileButton", L"3x");
    file.writeString(kButtonBindingsSection, L"StrengthDownDevice", guidText(kBox));
    file.writeString(kButtonBindingsSection, L"StrengthDownButton", L"6");
    const ButtonBindings damaged = readButtonBindings(file);
    EXPECT_FALSE(damaged.binding(ButtonAction::ForceOffOn));
    EXPECT_FALSE(damaged.binding(ButtonAction::NextProfile));
    ASSERT_TRUE(damaged.binding(ButtonAction::StrengthDown));
    EXPECT_EQ(damaged.binding(ButtonAction::StrengthDown)->buttonName, L"Button 7");
}

class NoRecordWindow final : public RecordControls {
  public:
    void commitWheelbaseField() override {}
    std::optional<std::filesystem::path> askRecordingPath(const std::wstring&) override {
        ADD_FAILURE() << "a button never opens the dialog";
        return std::nullopt;
    }
    std::wstring profileBoxText() override { return L"Default"; }
    void showRecordButtons(const RecordButtons&) override {}
};

class ButtonCommandsTest : public ::testing::Test, protected test::KeeperOnFile {
  protected:
    test::RecordingControls controls;
    test::RecordingStartupEntry startup;
    ControlBinding binding{state, keeper, view, controls, startup, L"C:\\G\\Torvix_Commercial.exe"};
    FfbEngine ffb;
    NoRecordWindow recordWindow;
    RecordCommands record{ffb, view, recordWindow};
    ButtonCommands commands{state, binding, record, ffb, view, "C:\\G"};
    LocalTime now{2026, 12, 7, 20, 0, 0};
};

TEST_F(ButtonCommandsTest, EachActionChangesWhatItsButtonSaysAndLogsIt) {
    state.Profiles.InUse.ForceStrength = 400; // stored beyond the slider: steps from 100
    const std::vector<std::pair<ButtonAction, int32_t>> steps = {
        {ButtonAction::StrengthDown, 95}, {ButtonAction::StrengthUp, 100},
        {ButtonAction::StrengthUp, 100}, {ButtonAction::StrengthDown, 95}};
    for (const auto& [action, expected] : steps) {
        commands.run(action, now);
        EXPECT_EQ(state.Profiles.InUse.ForceStrength, expected);
        EXPECT_EQ(controls.SliderTexts[1101], std::to_wstring(expected) + L"%");
        EXPECT_EQ(engine.Settings.back().ForceStrength, expected) << "the engine follows at once";
        EXPECT_EQ(view.Lines.back(), L"Force strength " + std::to_wstring(expected) + L"% (button).");
    }
    state.Profiles.InUse.ForceStrength = 3;
    commands.run(ButtonAction::StrengthDown, now);
    EXPECT_EQ(state.Profiles.InUse.ForceStrength, 0);

    commands.run(ButtonAction::ForceOffOn, now);
    EXPECT_TRUE(ffb.forceOff());
    EXPECT_EQ(view.Lines.back(), L"Force off (button).");
    commands.run(ButtonAction::ForceOffOn, now);
    EXPECT_FALSE(ffb.forceOff());
    EXPECT_EQ(view.Lines.back(), L"Force on (button).");

    commands.run(ButtonAction::NextProfile, now);
    EXPECT_EQ(state.Profiles.Active, 1);
    EXPECT_EQ(controls.SelectedProfile, 1);
    EXPECT_EQ(view.Lines.back(), L"Driver profile loaded.");
    commands.run(ButtonAction::NextProfile, now);
    EXPECT_EQ(state.Profiles.Active, 0) << "round to the first";

    commands.run(ButtonAction::RecordStopRec, now); // no dialog, and no engine
    EXPECT_EQ(view.Lines.back(), L"Start the FFB engine before recording telemetry.");
}

// The dialog's Bind takes the next press (the first of a poll), saves it
// and says so; later presses of that button run its action; a wait of 10 s
// in vain ends unbound.
TEST_F(ButtonCommandsTest, BindTakesTheNextPressAndThenThePressRunsItsAction) {
    SettingsFile file(test::storeUnderTest(), path);
    ButtonWatch watch(file, view, commands);
    watch.load();
    EXPECT_FALSE(watch.watching());
    const std::vector<AttachedDevice> attached = {{kWheel, L"Wheel"}, {kBox, L"Box"}};
    const NamedPress fifth{{kWheel, L"Wheel", 4}, L"Button 5"};
    const NamedPress other{{kBox, L"Box", 0}, L"Button 1"};

    watch.startBind(ButtonAction::StrengthUp, 0);
    EXPECT_TRUE(watch.watching());
    EXPECT_TRUE(watch.takePresses(std::vector{fifth, other}, attached, now));
    EXPECT_EQ(view.Lines.back(), L"Force strength + bound to Wheel, Button 5.");
    EXPECT_FALSE(watch.waitingFor());
    EXPECT_EQ(readButtonBindings(file).binding(ButtonAction::StrengthUp)->buttonName, L"Button 5")
        << "saved at once";

    EXPECT_FALSE(watch.takePresses(std::vector{other, fifth}, attached, now));
    EXPECT_EQ(state.Profiles.InUse.ForceStrength, 55);
    EXPECT_EQ(view.Lines.back(), L"Force strength 55% (button).");

    watch.startBind(ButtonAction::ForceOffOn, 1'000);
    EXPECT_FALSE(watch.expire(ButtonWatch::kBindWaitNs));
    EXPECT_TRUE(watch.expire(ButtonWatch::kBindWaitNs + 1'000));
    EXPECT_EQ(view.Lines.back(), L"Force off / on: no button was pressed within 10 s.");
    EXPECT_FALSE(watch.bindings().binding(ButtonAction::ForceOffOn));

    watch.clear(ButtonAction::StrengthUp);
    EXPECT_FALSE(watch.watching());
    EXPECT_TRUE(readButtonBindings(file).empty());
}

} // namespace
} // namespace gripline
