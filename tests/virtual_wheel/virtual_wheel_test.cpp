// The virtual wheel's DLL driven through its DirectInput8Create the way the
// program drives a force-feedback wheel, under Wine's real threads, events
// and clock. Each test reads what the wheel logged.
#include "tests/virtual_wheel/wheel_under_test_win32.h"
#include "tools/virtual_wheel/virtual_wheel_ids.h"

#include <gtest/gtest.h>

#include <tlhelp32.h>
#include <windows.h>

#include <algorithm>

namespace gripline::test {
namespace {

using wheel::kVirtualWheelInstance;

constexpr HRESULT kInputLost = static_cast<HRESULT>(DIERR_INPUTLOST);
constexpr HRESULT kNotExclusive = static_cast<HRESULT>(DIERR_NOTEXCLUSIVEACQUIRED);
constexpr HRESULT kNotAcquired = static_cast<HRESULT>(DIERR_NOTACQUIRED);

HRESULT createDirectInput(ComRef<IDirectInput8W>& out, REFIID iid = IID_IDirectInput8W) {
    return wheelDirectInput8Create()(GetModuleHandleW(nullptr), DIRECTINPUT_VERSION, iid,
                                     out.putVoid(), nullptr);
}

std::vector<DIDEVICEINSTANCEW> enumerate(IDirectInput8W* input, DWORD devClass, DWORD flags) {
    std::vector<DIDEVICEINSTANCEW> found;
    const auto collect = [](LPCDIDEVICEINSTANCEW device, LPVOID ref) -> BOOL {
        static_cast<std::vector<DIDEVICEINSTANCEW>*>(ref)->push_back(*device);
        return DIENUM_CONTINUE;
    };
    EXPECT_EQ(input->EnumDevices(devClass, collect, &found, flags), DI_OK);
    return found;
}

DWORD threadCount() {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{sizeof entry};
    DWORD count = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        count += entry.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(snapshot);
    return count;
}

// One constant force on the steering axis, as the program sets it up.
struct ConstantForce {
    explicit ConstantForce(LONG magnitude) {
        force.lMagnitude = magnitude;
        effect.dwSize = sizeof effect;
        effect.dwFlags = DIEFF_CARTESIAN | DIEFF_OBJECTOFFSETS;
        effect.dwDuration = INFINITE;
        effect.dwGain = DI_FFNOMINALMAX;
        effect.dwTriggerButton = DIEB_NOTRIGGER;
        effect.cAxes = 1;
        effect.rgdwAxes = &axis;
        effect.rglDirection = &direction;
        effect.cbTypeSpecificParams = sizeof force;
        effect.lpvTypeSpecificParams = &force;
    }
    DICONSTANTFORCE force{};
    DWORD axis = DIJOFS_X;
    LONG direction = 0;
    DIEFFECT effect{};
};

HRESULT setMagnitude(IDirectInputEffect* effect, LONG magnitude) {
    ConstantForce update(magnitude);
    return effect->SetParameters(&update.effect, DIEP_TYPESPECIFICPARAMS | DIEP_NORESTART);
}

LONG steering(IDirectInputDevice8W* device) {
    DIJOYSTATE state{};
    EXPECT_EQ(device->GetDeviceState(sizeof state, &state), DI_OK);
    return state.lX;
}

// The rim turns in real time and a starved axis thread drops what it cannot
// catch up, so a turn is waited for (up to 30 s), not timed.
template <class Reached> LONG steeringUntil(IDirectInputDevice8W* device, Reached reached) {
    LONG x = steering(device);
    for (int i = 0; i < 3000 && !reached(x); ++i) {
        Sleep(10);
        x = steering(device);
    }
    return x;
}

// The program's opening sequence, up to a playing constant force.
class OpenWheel : public ::testing::Test {
  protected:
    void open(LONG magnitude = 0) {
        ASSERT_EQ(createDirectInput(input), DI_OK);
        ASSERT_EQ(input->CreateDevice(kVirtualWheelInstance, device.put(), nullptr), DI_OK);
        ASSERT_EQ(device->SetDataFormat(&c_dfDIJoystick), DI_OK);
        ASSERT_EQ(device->SetCooperativeLevel(window.get(), DISCL_EXCLUSIVE | DISCL_BACKGROUND),
                  DI_OK);
        DIPROPDWORD autocenter{{sizeof autocenter, sizeof(DIPROPHEADER), 0, DIPH_DEVICE},
                               DIPROPAUTOCENTER_OFF};
        ASSERT_EQ(device->SetProperty(DIPROP_AUTOCENTER, &autocenter.diph), DI_OK);
        ASSERT_EQ(device->SetEventNotification(moved), DI_OK);
        ASSERT_EQ(device->Acquire(), DI_OK);
        ConstantForce initial(magnitude);
        ASSERT_EQ(device->CreateEffect(GUID_ConstantForce, &initial.effect, effect.put(), nullptr),
                  DI_OK);
        ASSERT_EQ(effect->Start(1, 0), DI_OK);
    }
    ~OpenWheel() override { CloseHandle(moved); }

    MessageWindow window;
    HANDLE moved = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    ComRef<IDirectInput8W> input;
    ComRef<IDirectInputDevice8W> device;
    ComRef<IDirectInputEffect> effect;
};

TEST(VirtualWheelEnumeration, ListsOneForceFeedbackWheelForGameControllersAndAll) {
    WheelEnvironment environment;
    ComRef<IDirectInput8W> input;
    ASSERT_EQ(createDirectInput(input), DI_OK);

    const auto wheels =
        enumerate(input.get(), DI8DEVCLASS_GAMECTRL, DIEDFL_ATTACHEDONLY | DIEDFL_FORCEFEEDBACK);
    ASSERT_EQ(wheels.size(), 1u);
    EXPECT_TRUE(IsEqualGUID(wheels[0].guidInstance, kVirtualWheelInstance));
    EXPECT_TRUE(IsEqualGUID(wheels[0].guidProduct, wheel::kVirtualWheelProduct));
    EXPECT_STREQ(wheels[0].tszProductName, L"Gripline Virtual Wheel FFB");
    EXPECT_STREQ(wheels[0].tszInstanceName, L"Gripline Virtual Wheel");
    EXPECT_EQ(GET_DIDEVICE_TYPE(wheels[0].dwDevType), DI8DEVTYPE_DRIVING);
    EXPECT_EQ(GET_DIDEVICE_SUBTYPE(wheels[0].dwDevType), DI8DEVTYPEDRIVING_DUALPEDALS);
    EXPECT_EQ(enumerate(input.get(), DI8DEVCLASS_ALL, DIEDFL_ALLDEVICES).size(), 1u);
    EXPECT_EQ(enumerate(input.get(), DI8DEVCLASS_KEYBOARD, DIEDFL_ATTACHEDONLY).size(), 0u);

    ComRef<IDirectInputDevice8W> device;
    EXPECT_EQ(input->CreateDevice(GUID_SysKeyboard, device.put(), nullptr), DIERR_DEVICENOTREG);
    EXPECT_FALSE(device);
    ComRef<IDirectInput8W> ansi;
    EXPECT_EQ(createDirectInput(ansi, IID_IDirectInput8A), DIERR_NOINTERFACE);
    EXPECT_FALSE(ansi);
    input.reset();
    EXPECT_EQ(environment.events(),
              (std::vector<std::string>{"create", "enum", "enum", "enum", "release dinput"}));
}

TEST_F(OpenWheel, LogsTheOpeningAndEveryMagnitudeWithTheTimeItArrived) {
    WheelEnvironment environment;
    open();
    const std::vector<LONG> magnitudes = {0, 2500, -2500, 10000, -10000, 1234, 1234, 12000};
    for (const LONG magnitude : magnitudes) {
        const int64_t beforeUs = qpcNowUs();
        EXPECT_EQ(setMagnitude(effect.get(), magnitude), magnitude > 10000 ? DI_TRUNCATED : DI_OK);
        const int64_t afterUs = qpcNowUs();
        // Already in the file when the call returns, stamped on our clock.
        const WheelLogLine last = environment.log().back();
        EXPECT_EQ(last.event + " " + last.value, "magnitude " + std::to_string(magnitude));
        EXPECT_GE(last.qpcUs, beforeUs);
        EXPECT_LE(last.qpcUs, afterUs);
    }
    const auto events = environment.events();
    ASSERT_GE(events.size(), 9u);
    EXPECT_EQ(std::vector<std::string>(events.begin(), events.begin() + 9),
              (std::vector<std::string>{"create", "device", "dataformat", "cooplevel 9",
                                        "autocenter 0", "notify", "acquire", "effect 0", "start"}));
    const auto lines = environment.log();
    EXPECT_TRUE(std::is_sorted(lines.begin(), lines.end(),
                               [](const auto& a, const auto& b) { return a.qpcUs < b.qpcUs; }));
}

TEST_F(OpenWheel, FollowsDirectInputsRulesOnAcquisitionAndDataFormat) {
    WheelEnvironment environment;
    open();
    DIJOYSTATE2 state2{};
    EXPECT_EQ(device->GetDeviceState(sizeof state2, &state2), DIERR_INVALIDPARAM)
        << "size of the format set (DIJOYSTATE)";
    EXPECT_EQ(device->SetDataFormat(&c_dfDIJoystick2), DIERR_ACQUIRED);
    EXPECT_EQ(device->Acquire(), S_FALSE);

    EXPECT_EQ(device->Unacquire(), DI_OK);
    EXPECT_EQ(device->Unacquire(), DI_NOEFFECT);
    DWORD status = 1;
    EXPECT_EQ(effect->GetEffectStatus(&status), DI_OK);
    EXPECT_EQ(status, 0u) << "unacquiring stops the effect";
    EXPECT_EQ(effect->Start(1, 0), kNotExclusive);
    EXPECT_EQ(device->Poll(), kNotAcquired);

    ASSERT_EQ(device->SetDataFormat(&c_dfDIJoystick2), DI_OK);
    ASSERT_EQ(device->SetCooperativeLevel(window.get(), DISCL_NONEXCLUSIVE | DISCL_BACKGROUND),
              DI_OK);
    ASSERT_EQ(device->Acquire(), DI_OK);
    EXPECT_EQ(effect->Start(1, 0), kNotExclusive) << "force feedback needs the exclusive level";
    ASSERT_EQ(device->GetDeviceState(sizeof state2, &state2), DI_OK);
    EXPECT_EQ(state2.lX, 32767);
    EXPECT_EQ(state2.rgdwPOV[0], 0xFFFFFFFFu) << "POVs centred";
    EXPECT_EQ(device->SetCooperativeLevel(nullptr, DISCL_EXCLUSIVE | DISCL_BACKGROUND), E_HANDLE);
}

TEST_F(OpenWheel, ScriptedInputLostComesOnceAndLeavesTheWheelUnacquiredUntilAcquire) {
    WheelEnvironment environment(L"SetParameters:0x8007001E:1:3, nonsense:1");
    open(500);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(setMagnitude(effect.get(), 1000 + i), DI_OK);
    EXPECT_EQ(setMagnitude(effect.get(), 2000), kInputLost);

    DIJOYSTATE state{};
    EXPECT_EQ(device->GetDeviceState(sizeof state, &state), kNotAcquired);
    EXPECT_EQ(setMagnitude(effect.get(), 2001), DI_DOWNLOADSKIPPED) << "kept, not downloaded";
    EXPECT_EQ(effect->Start(1, 0), kNotExclusive);

    ASSERT_EQ(device->Acquire(), DI_OK);
    EXPECT_EQ(effect->Start(1, 0), DI_OK);
    EXPECT_EQ(setMagnitude(effect.get(), 2002), DI_OK);

    std::vector<std::string> forces;
    for (const std::string& event : environment.events())
        if (event.starts_with("magnitude") || event.starts_with("fail") ||
            event.starts_with("badspec") || event.starts_with("acquire"))
            forces.push_back(event);
    EXPECT_EQ(forces, (std::vector<std::string>{"badspec nonsense:1", "acquire", "magnitude 1000",
                                                "magnitude 1001", "magnitude 1002",
                                                "fail SetParameters 0x8007001E", "acquire",
                                                "magnitude 2002"}));
}

TEST(VirtualWheelScript, CountsCallsAcrossDirectInputObjectsOfOneEnvironment) {
    WheelEnvironment environment(L"DirectInput8Create:0x80004005:1:1,CreateEffect:0x80070005:2");
    ComRef<IDirectInput8W> first, second, third;
    EXPECT_EQ(createDirectInput(first), DI_OK);
    EXPECT_EQ(createDirectInput(second), E_FAIL);
    EXPECT_FALSE(second);
    EXPECT_EQ(createDirectInput(third), DI_OK);

    ComRef<IDirectInputDevice8W> device;
    ASSERT_EQ(third->CreateDevice(kVirtualWheelInstance, device.put(), nullptr), DI_OK);
    ComRef<IDirectInputEffect> effect;
    EXPECT_EQ(device->CreateEffect(GUID_ConstantForce, nullptr, effect.put(), nullptr),
              E_ACCESSDENIED);
    EXPECT_EQ(device->CreateEffect(GUID_ConstantForce, nullptr, effect.put(), nullptr),
              E_ACCESSDENIED);
    EXPECT_FALSE(effect);
    EXPECT_EQ(device->CreateEffect(GUID_ConstantForce, nullptr, effect.put(), nullptr), DI_OK);
    EXPECT_TRUE(effect);
}

TEST_F(OpenWheel, SustainedForceTurnsTheWheelItsWayAndSignalsEachMove) {
    WheelEnvironment environment;
    open();
    const LONG centre = steering(device.get());
    EXPECT_EQ(centre, 32767);
    // A negative magnitude comes from the left and turns the wheel right.
    ASSERT_EQ(setMagnitude(effect.get(), -5000), DI_OK);
    EXPECT_EQ(WaitForSingleObject(moved, 30000), WAIT_OBJECT_0) << "lX moved, event signalled";
    const LONG right = steeringUntil(device.get(), [&](LONG x) { return x > centre + 500; });
    EXPECT_GT(right, centre + 500);

    ASSERT_EQ(setMagnitude(effect.get(), 5000), DI_OK);
    const LONG back = steeringUntil(device.get(), [&](LONG x) { return x < right - 500; });
    EXPECT_LT(back, right - 500);
    EXPECT_EQ(environment.log().back().event + " " + environment.log().back().value,
              "state " + std::to_string(back));

    // Unacquired, the motor stops and the program hears no more moves.
    ASSERT_EQ(device->Unacquire(), DI_OK);
    ResetEvent(moved);
    EXPECT_EQ(WaitForSingleObject(moved, 100), static_cast<DWORD>(WAIT_TIMEOUT));
}

TEST_F(OpenWheel, ReleasingEverythingEndsTheDeviceThreadWhicheverGoesFirst) {
    WheelEnvironment environment;
    const DWORD before = threadCount();
    open(3000);
    EXPECT_EQ(threadCount(), before + 1) << "one axis thread per device";

    device.reset(); // the effect still holds the device
    EXPECT_EQ(threadCount(), before + 1);
    effect.reset();
    EXPECT_EQ(threadCount(), before) << "joined by the last Release";
    input.reset();
    const auto events = environment.events();
    EXPECT_EQ(std::vector<std::string>(events.end() - 3, events.end()),
              (std::vector<std::string>{"release effect", "release device", "release dinput"}));
}

} // namespace
} // namespace gripline::test
