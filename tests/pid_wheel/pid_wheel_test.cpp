// The PID wheel under Wine's own DirectInput: installed in a prefix of its
// own by pid_wheel.exe, listed and driven by the builtin dinput8 (the run
// sets WINEDLLOVERRIDES empty), its report log read back, its scripted input
// seen in the device state, and unplugged and plugged again. Every wait
// polls with a generous deadline: the machine is shared and slow at times.
#include <windows.h>

#include <dinput.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr wchar_t kProduct[] = L"Gripline PID Test Wheel";
constexpr auto kDeadline = std::chrono::seconds(30);

bool pollUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = kDeadline) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (done())
            return true;
        Sleep(20);
    }
    return done();
}

// The driver's clock: the performance counter in microseconds.
int64_t qpcNowUs() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return c.QuadPart / f.QuadPart * 1000000 + c.QuadPart % f.QuadPart * 1000000 / f.QuadPart;
}

// "/work/build/x" as Wine sees it, "Z:\work\build\x" (Wine maps Z: to /).
std::wstring windowsPath(const std::wstring& unixPath) {
    std::wstring path = L"Z:" + unixPath;
    for (wchar_t& c : path)
        if (c == L'/')
            c = L'\\';
    return path;
}

// Runs pid_wheel.exe with `arguments`; its exit code.
int runTool(const std::wstring& arguments) {
    std::wstring command = L"\"" + windowsPath(GRIPLINE_PID_WHEEL_EXE) + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return -1;
    WaitForSingleObject(process.hProcess, 120000);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

struct LogLine {
    int64_t qpcUs = 0;
    std::string kind;
    std::string hex; // the report, its ID byte first
};

std::vector<LogLine> readLog(const fs::path& path) {
    std::ifstream in(path);
    std::vector<LogLine> lines;
    std::string text;
    while (std::getline(in, text)) {
        std::istringstream fields(text);
        LogLine line;
        if (fields >> line.qpcUs >> line.kind) {
            fields >> line.hex;
            lines.push_back(line);
        }
    }
    return lines;
}

template <class T> struct Released {
    void operator()(T* p) const { p->Release(); }
};
template <class T> using ComPtr = std::unique_ptr<T, Released<T>>;

// A message-only window for SetCooperativeLevel: it needs no display.
struct MessageWindow {
    HWND window = CreateWindowExW(0, L"STATIC", L"pid wheel test", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    ~MessageWindow() { DestroyWindow(window); }
};

ComPtr<IDirectInput8W> directInput() {
    IDirectInput8W* di = nullptr;
    DirectInput8Create(GetModuleHandleW(nullptr), DIRECTINPUT_VERSION, IID_IDirectInput8W,
                       reinterpret_cast<void**>(&di), nullptr);
    return ComPtr<IDirectInput8W>(di);
}

// The force-feedback game controllers DirectInput lists now, by name.
std::vector<DIDEVICEINSTANCEW> forceFeedbackControllers(IDirectInput8W* di) {
    std::vector<DIDEVICEINSTANCEW> found;
    di->EnumDevices(
        DI8DEVCLASS_GAMECTRL,
        [](const DIDEVICEINSTANCEW* instance, void* context) -> BOOL {
            static_cast<std::vector<DIDEVICEINSTANCEW>*>(context)->push_back(*instance);
            return DIENUM_CONTINUE;
        },
        &found, DIEDFL_ATTACHEDONLY | DIEDFL_FORCEFEEDBACK);
    return found;
}

bool listsTheWheel(IDirectInput8W* di, GUID* instance = nullptr) {
    for (const DIDEVICEINSTANCEW& d : forceFeedbackControllers(di))
        if (std::wstring(d.tszProductName) == kProduct) {
            if (instance)
                *instance = d.guidInstance;
            return true;
        }
    return false;
}

// The wheel opened as a program opens it: joystick format, exclusive in the
// background, acquired.
struct OpenWheel {
    MessageWindow window;
    ComPtr<IDirectInput8W> di = directInput();
    ComPtr<IDirectInputDevice8W> device;

    bool open() {
        GUID instance{};
        IDirectInputDevice8W* d = nullptr;
        if (!di || !listsTheWheel(di.get(), &instance) ||
            FAILED(di->CreateDevice(instance, &d, nullptr)))
            return false;
        device.reset(d);
        return SUCCEEDED(device->SetDataFormat(&c_dfDIJoystick)) &&
               SUCCEEDED(device->SetCooperativeLevel(window.window,
                                                     DISCL_EXCLUSIVE | DISCL_BACKGROUND)) &&
               SUCCEEDED(device->Acquire());
    }
    HRESULT state(DIJOYSTATE& s) {
        device->Poll();
        return device->GetDeviceState(sizeof(s), &s);
    }
};

class PidWheelUnderWine : public ::testing::Test {
  protected:
    static fs::path folder() { return fs::temp_directory_path() / "gripline_pid_wheel_test"; }
    static fs::path logPath() { return folder() / "wheel.log"; }
    static fs::path scriptPath() { return folder() / "script.txt"; }

    static void SetUpTestSuite() {
        std::error_code ignored;
        fs::remove_all(folder(), ignored);
        fs::create_directories(folder());
        std::ofstream(scriptPath()).flush();
        installed_ = runTool(L"install --descriptor \"" + windowsPath(GRIPLINE_PID_DESCRIPTOR) +
                             L"\" --log \"" + logPath().wstring() + L"\" --script \"" +
                             scriptPath().wstring() + L"\" --product \"" + kProduct + L"\"") == 0;
    }
    static void TearDownTestSuite() { runTool(L"remove"); }

    void SetUp() override { ASSERT_TRUE(installed_) << "pid_wheel install failed"; }

    static std::vector<LogLine> log() { return readLog(logPath()); }
    static void appendScript(const std::string& line) {
        std::ofstream(scriptPath(), std::ios::app) << line << "\n";
    }

    static bool installed_;
};
bool PidWheelUnderWine::installed_ = false;

// What an effect's life through the builtin dinput8 must leave in the
// driver's log with this descriptor's report IDs.
struct ExpectedReport {
    const char* kind;
    const char* idHex;
    const char* what;
};
constexpr ExpectedReport kEffectReports[] = {
    {"setfeature", "11", "Create New Effect"},
    {"getfeature", "12", "Block Load"},
    {"write", "01", "Set Effect"},
    {"write", "05", "Set Constant Force"},
    {"write", "0a", "Effect Operation"},
};

TEST_F(PidWheelUnderWine, BuiltinDirectInputListsTheWheelAndItsEffectCallsArriveAsReports) {
    OpenWheel wheel;
    ASSERT_TRUE(pollUntil([&] { return listsTheWheel(wheel.di.get()); }))
        << "not listed by its product name";
    ASSERT_TRUE(wheel.open());
    const size_t before = log().size();

    LONG axis = DIJOFS_X;
    DWORD axes[] = {static_cast<DWORD>(axis)};
    LONG direction[] = {0};
    DICONSTANTFORCE force{2000};
    DIEFFECT effect{};
    effect.dwSize = sizeof(effect);
    effect.dwFlags = DIEFF_CARTESIAN | DIEFF_OBJECTOFFSETS;
    effect.dwDuration = INFINITE;
    effect.dwGain = DI_FFNOMINALMAX;
    effect.dwTriggerButton = DIEB_NOTRIGGER;
    effect.cAxes = 1;
    effect.rgdwAxes = axes;
    effect.rglDirection = direction;
    effect.cbTypeSpecificParams = sizeof(force);
    effect.lpvTypeSpecificParams = &force;
    IDirectInputEffect* e = nullptr;
    ASSERT_EQ(wheel.device->CreateEffect(GUID_ConstantForce, &effect, &e, nullptr), DI_OK);
    ComPtr<IDirectInputEffect> constant(e);
    ASSERT_EQ(constant->Start(1, 0), DI_OK);
    for (LONG magnitude : {4000, -3000, 7000}) {
        force.lMagnitude = magnitude;
        ASSERT_EQ(constant->SetParameters(&effect, DIEP_TYPESPECIFICPARAMS), DI_OK);
    }
    ASSERT_EQ(constant->Stop(), DI_OK);

    std::vector<LogLine> lines;
    auto has = [&](const ExpectedReport& r) {
        for (size_t i = before; i < lines.size(); ++i)
            if (lines[i].kind == r.kind && lines[i].hex.rfind(r.idHex, 0) == 0)
                return true;
        return false;
    };
    // Every kind of report, and each magnitude's own: the Effect Operation
    // of the Start comes before the magnitudes are logged.
    auto all = [&] {
        lines = log();
        size_t forces = 0;
        for (size_t i = before; i < lines.size(); ++i)
            forces += lines[i].kind == "write" && lines[i].hex.rfind("05", 0) == 0;
        for (const ExpectedReport& r : kEffectReports)
            if (!has(r))
                return false;
        return forces >= 4;
    };
    pollUntil(all);
    for (const ExpectedReport& r : kEffectReports)
        EXPECT_TRUE(has(r)) << r.what << " (" << r.kind << " " << r.idHex
                            << ") missing from the log";

    // The effect is the block the device handed out, and each new
    // magnitude is one Set Constant Force report of its own.
    std::string blockIndex, setEffectBlock;
    std::vector<std::string> magnitudes;
    for (size_t i = before; i < lines.size(); ++i) {
        const LogLine& l = lines[i];
        if (l.kind == "getfeature" && l.hex.rfind("12", 0) == 0 && l.hex.size() >= 4)
            blockIndex = l.hex.substr(2, 2);
        if (l.kind == "write" && l.hex.rfind("01", 0) == 0 && l.hex.size() >= 4)
            setEffectBlock = l.hex.substr(2, 2);
        if (l.kind == "write" && l.hex.rfind("05", 0) == 0)
            magnitudes.push_back(l.hex);
    }
    EXPECT_EQ(setEffectBlock, blockIndex);
    EXPECT_NE(blockIndex, "00");
    EXPECT_GE(magnitudes.size(), 4u) << "the first magnitude and three changes";
}

// Scripted input, appended while the wheel runs: each line must show in
// the state a program reads, and go again when it ends.
struct ScriptedInput {
    const char* what;
    std::string (*line)(int64_t atUs);
    bool (*shows)(const DIJOYSTATE& s);
};
const ScriptedInput kScriptedInputs[] = {
    {"button 3 held for 400 ms", [](int64_t at) { return std::to_string(at) + " 3 400"; },
     [](const DIJOYSTATE& s) { return (s.rgbButtons[2] & 0x80) != 0; }},
    {"axis turned to three quarters", [](int64_t at) { return std::to_string(at) + " axis 16384"; },
     [](const DIJOYSTATE& s) { return s.lX > 45000 && s.lX < 53000; }},
};

// Lines the driver must skip: each would press button 5 or move the axis
// if it were half read.
const char* const kMalformedLines[] = {
    "{at} 5",       "{at} 5 300 extra", "{at}x 5 300",   "{at} 5 -300",
    "{at} 5.0 300", "{at} axis",        "{at} axis 12x", "just words",
};

TEST_F(PidWheelUnderWine, ScriptedInputShowsInTheDeviceState) {
    OpenWheel wheel;
    ASSERT_TRUE(pollUntil([&] { return listsTheWheel(wheel.di.get()); }));
    ASSERT_TRUE(wheel.open());
    DIJOYSTATE state{};
    ASSERT_EQ(wheel.state(state), DI_OK);
    EXPECT_NEAR(state.lX, 32767, 2) << "the axis rests at the centre";

    const int64_t soon = qpcNowUs() + 100000;
    for (std::string line : kMalformedLines) {
        const size_t at = line.find("{at}");
        if (at != std::string::npos)
            line.replace(at, 4, std::to_string(soon));
        appendScript(line);
    }
    bool malformedSeen = false;
    auto read = [&] {
        const bool ok = wheel.state(state) == DI_OK;
        malformedSeen |=
            ok && ((state.rgbButtons[4] & 0x80) || (state.lX < 30000 || state.lX > 53000));
        return ok;
    };
    for (const ScriptedInput& input : kScriptedInputs) {
        appendScript(input.line(qpcNowUs() + 200000));
        EXPECT_TRUE(pollUntil([&] { return read() && input.shows(state); }))
            << input.what << ": lX " << state.lX;
    }
    EXPECT_TRUE(pollUntil([&] { return read() && !(state.rgbButtons[2] & 0x80); }))
        << "button 3 is released when its time is up";
    EXPECT_FALSE(malformedSeen) << "a malformed script line took effect";
}

TEST_F(PidWheelUnderWine, UnpluggedTheWheelFailsAndLeavesTheListUntilPluggedBackIn) {
    OpenWheel wheel;
    ASSERT_TRUE(pollUntil([&] { return listsTheWheel(wheel.di.get()); }));
    ASSERT_TRUE(wheel.open());
    DIJOYSTATE state{};
    ASSERT_EQ(wheel.state(state), DI_OK);

    ASSERT_EQ(runTool(L"unplug"), 0);
    EXPECT_TRUE(pollUntil([&] { return FAILED(wheel.state(state)); }))
        << "reading an unplugged wheel fails";
    EXPECT_TRUE(pollUntil([&] { return !listsTheWheel(wheel.di.get()); }))
        << "an unplugged wheel is not listed";

    ASSERT_EQ(runTool(L"plug"), 0);
    EXPECT_TRUE(pollUntil([&] { return listsTheWheel(wheel.di.get()); }))
        << "the wheel is back in the list";
    OpenWheel again;
    EXPECT_TRUE(pollUntil([&] { return again.open(); })) << "and opens as before";
    std::vector<std::string> events;
    for (const LogLine& l : log())
        if (l.kind == "started" || l.kind == "removed")
            events.push_back(l.kind);
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(events.end() - 3, events.end()),
              (std::vector<std::string>{"started", "removed", "started"}));
}

} // namespace
