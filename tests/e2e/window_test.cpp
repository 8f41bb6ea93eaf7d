// The real Torvix_Commercial.exe under Wine + Xvfb, driven from outside as
// a user would: its window and controls, the session log, a second
// instance, and a clean close. A screenshot of the window is kept.
#include "tests/e2e/program_folder_win32.h"
#include "tests/support/gui_driver_win32.h"
#include "tests/support/standin_child_win32.h"
#include "ui/advice_copy_data.h"
#include "ui/control_ids.h"
#include "ui/main_window_win32.h"
#include "ui/single_instance_win32.h"
#include "ui/window_layout.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

namespace gripline {
namespace {

using namespace std::chrono_literals;
using test::NativeDinputForTheProgram;
using test::ProgramFolder;
using test::ProgramProcess;

constexpr auto kStartLimit = 60s; // a cold Wine start on a busy machine
constexpr auto kExitLimit = 60s;

class WindowTest : public ::testing::Test {
  protected:
    // Starts the program and waits for its main window.
    HWND start(ProgramProcess& process, const std::wstring& arguments = L"") {
        if (!process.start(folder_.exe(), arguments))
            return nullptr;
        return test::waitForTopWindow(L"TorvixCommercialWindow", process.id(), kStartLimit);
    }
    HWND item(int id) const { return GetDlgItem(window_, id); }
    HWND logPane() const { return test::childAt(window_, {48, 718, 1548, 774}); }
    std::wstring logText() const { return test::windowText(logPane()); }
    // The log once it reads `expected`: the window shows before the device
    // list is made and its line logged.
    std::wstring logOnceItIs(const std::wstring& expected) const {
        return test::textOnceItIs(logPane(), expected);
    }
    // Closes the window as the user does and returns the exit code.
    int close() {
        PostMessageW(window_, WM_CLOSE, 0, 0);
        return program_.waitExit(kExitLimit);
    }

    ProgramFolder folder_;
    ProgramProcess program_;
    HWND window_ = nullptr;
};

RECT place(int x, int y, int width, int height) {
    return {x, y, x + width, y + height};
}

void expectPlace(HWND control, RECT expected, const std::wstring& what) {
    ASSERT_NE(control, nullptr) << "missing: " << std::string(what.begin(), what.end());
    const RECT r = test::placeInParent(control);
    EXPECT_TRUE(EqualRect(&r, &expected))
        << std::string(what.begin(), what.end()) << " at " << r.left << "," << r.top << " "
        << r.right - r.left << "x" << r.bottom - r.top;
}

// Every control of the layout at its place, with its class, id and text.
void expectControl(HWND window, const ControlSpec& s) {
    const std::wstring what = s.text;
    switch (s.kind) {
    case ControlKind::Label:
    case ControlKind::SectionLabel:
    case ControlKind::CarLabel: {
        HWND h = test::childAt(window, place(s.x, s.y, s.width, s.height));
        expectPlace(h, place(s.x, s.y, s.width, s.height), what);
        EXPECT_EQ(test::className(h), L"Static");
        EXPECT_EQ(test::windowText(h), s.text);
        break;
    }
    case ControlKind::DropDownList:
    case ControlKind::EditableDropDown: {
        HWND h = GetDlgItem(window, s.id);
        ASSERT_NE(h, nullptr) << s.id;
        EXPECT_EQ(test::className(h), L"ComboBox");
        const RECT r = test::placeInParent(h); // the closed box: the list's height is not shown
        EXPECT_EQ(r.left, s.x);
        EXPECT_EQ(r.top, s.y);
        EXPECT_EQ(r.right - r.left, s.width);
        break;
    }
    case ControlKind::Button:
    case ControlKind::DisabledButton: {
        HWND h = GetDlgItem(window, s.id);
        expectPlace(h, place(s.x, s.y, s.width, s.height), what);
        EXPECT_EQ(test::className(h), L"Button");
        EXPECT_EQ(test::windowText(h), s.text);
        // Test needs a wheel in the list, and these windows start without one.
        const bool offered = s.kind == ControlKind::Button && s.id != kWheelTestButton;
        EXPECT_EQ(IsWindowEnabled(h) != FALSE, offered) << s.id;
        break;
    }
    case ControlKind::Checkbox: {
        HWND h = GetDlgItem(window, s.id);
        expectPlace(h, place(s.x, s.y, 250, 24), what);
        EXPECT_EQ(test::className(h), L"TorvixCheckbox");
        EXPECT_EQ(test::windowText(h), s.text);
        break;
    }
    case ControlKind::Slider: {
        HWND h = GetDlgItem(window, s.id);
        expectPlace(h, place(s.x, s.y + 26, 244, 30), what);
        EXPECT_EQ(test::className(h), L"TorvixSlider");
        const SliderLabelPlaces labels = sliderLabelPlaces(s);
        const RECT captionPlace = place(s.x, s.y, s.width, 22);
        HWND caption = test::childAt(window, captionPlace);
        expectPlace(caption, captionPlace, what);
        EXPECT_EQ(test::windowText(caption), s.text);
        const RECT valuePlace = place(labels.value.left, s.y, labels.value.width(), 22);
        expectPlace(test::childAt(window, valuePlace), valuePlace, what + L" value");
        break;
    }
    case ControlKind::WheelbaseField:
    case ControlKind::LogPane: {
        HWND h = test::childAt(window, place(s.x, s.y, s.width, s.height));
        expectPlace(h, place(s.x, s.y, s.width, s.height), L"edit field");
        EXPECT_EQ(test::className(h), L"Edit");
        if (s.id) {
            EXPECT_EQ(GetDlgCtrlID(h), s.id);
        }
        break;
    }
    }
}

// The value label of the slider whose caption is at (x, y), once it reads
// `expected`.
std::wstring sliderValue(HWND window, int x, int y, const std::wstring& expected) {
    for (const ControlSpec& s : mainWindowControls())
        if (s.kind == ControlKind::Slider && s.x == x && s.y == y) {
            const PixelRect v = sliderLabelPlaces(s).value;
            return test::textOnceItIs(
                test::childAt(window, place(v.left, v.top, v.width(), v.height())), expected);
        }
    return L"";
}

TEST_F(WindowTest, StartsWithoutSettingsShowsTheLayoutAndSavesOnClose) {
    window_ = start(program_);
    ASSERT_NE(window_, nullptr) << "no Gripline window appeared";
    EXPECT_EQ(test::windowText(window_), L"Gripline v0.1.0.134");
    RECT frame, client;
    GetWindowRect(window_, &frame);
    GetClientRect(window_, &client);
    EXPECT_EQ(frame.right - frame.left, 1620);
    EXPECT_EQ(frame.bottom - frame.top, 875);
    EXPECT_GE(client.bottom, 790 + kStatusBarHeight); // the session log clears the status bar
    EXPECT_EQ(GetWindowLongW(window_, GWL_STYLE) & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0);

    EXPECT_EQ(logOnceItIs(L"No force feedback device found.\r\n"),
              L"No force feedback device found.\r\n");
    for (const ControlSpec& control : mainWindowControls())
        expectControl(window_, control);
    EXPECT_EQ(SendMessageW(item(kDeviceCombo), CB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(SendMessageW(item(kOutputModeCombo), CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(sliderValue(window_, 374, 288, L"50%"), L"50%"); // force strength's default
    EXPECT_EQ(sliderValue(window_, 978, 218, L"6.0 g"), L"6.0 g");

    RECT screen;
    GetWindowRect(window_, &screen);
    const std::wstring shot = test::windowsPath(GRIPLINE_ARTIFACTS "/gripline_window.png");
    EXPECT_TRUE(test::screenshot(screen, shot));

    // The minimum-force slider, 0 to 20 over 244 pixels, by mouse messages.
    HWND minForce = item(1100);
    for (auto [x, text] : {std::pair{234, L"20"}, {10, L"0"}, {122, L"10"}}) {
        test::mouse(minForce, WM_LBUTTONDOWN, x, 15);
        test::mouse(minForce, WM_LBUTTONUP, x, 15);
        EXPECT_EQ(sliderValue(window_, 374, 218, text), text) << x;
    }

    // No wheel to start with: the driver is told and nothing else changes.
    test::click(item(kStartButton));
    EXPECT_EQ(logText(),
              L"No force feedback device found.\r\nSelect a force feedback wheel first.\r\n");
    EXPECT_TRUE(IsWindowEnabled(item(kStartButton)));
    EXPECT_FALSE(IsWindowEnabled(item(kStopButton)));
    EXPECT_FALSE(IsWindowEnabled(item(kRecordButton)));

    ASSERT_EQ(close(), 0);
    // The settings file is UTF-16 (it keeps every character of a name).
    const std::wstring settings = test::settingsText(folder_.settings());
    EXPECT_NE(settings.find(L"\r\nMinForce=10\r\n"), std::wstring::npos);
}

TEST_F(WindowTest, ASecondInstanceHandsOverItsAdvicePathAndRestoresTheFirst) {
    window_ = start(program_);
    ASSERT_NE(window_, nullptr);
    const std::wstring before = L"No force feedback device found.\r\n";
    ASSERT_EQ(logOnceItIs(before), before);

    ShowWindow(window_, SW_MINIMIZE);
    ASSERT_TRUE(test::waitFor([&] { return IsIconic(window_) != FALSE; }, 10s));
    ProgramProcess second;
    ASSERT_TRUE(second.start(folder_.exe(), L"--Apply-Advice \"C:\\no such folder\\advice.ini\""));
    EXPECT_EQ(second.waitExit(kExitLimit), 0);
    EXPECT_TRUE(test::waitFor([&] { return IsIconic(window_) == FALSE; }, 10s));
    // The first instance handled the path: this one cannot be read.
    const std::wstring handled = before + L"Could not load analyzer advice file.\r\n";
    EXPECT_EQ(logOnceItIs(handled), handled);

    ShowWindow(window_, SW_MINIMIZE);
    ASSERT_TRUE(test::waitFor([&] { return IsIconic(window_) != FALSE; }, 10s));
    ProgramProcess third;
    ASSERT_TRUE(third.start(folder_.exe()));
    EXPECT_EQ(third.waitExit(kExitLimit), 0);
    EXPECT_TRUE(test::waitFor([&] { return IsIconic(window_) == FALSE; }, 10s));
    EXPECT_EQ(logText(), handled); // nothing new

    EXPECT_EQ(close(), 0);
}

// What a first instance's window received through WM_COPYDATA.
std::wstring handedOverPath;

LRESULT CALLBACK lateWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COPYDATA) {
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (data->dwData == kAdviceCopyDataTag)
            handedOverPath = static_cast<const wchar_t*>(data->lpData);
        return 1;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// A first instance still loading its settings owns the mutex but has no
// window yet: this test is that instance, and shows its window late.
TEST_F(WindowTest, ASecondInstanceWaitsForTheWindowOfOneStillStarting) {
    ScopedHandle mutex(CreateMutexW(nullptr, TRUE, kSingleInstanceMutex));
    ASSERT_TRUE(mutex);
    ASSERT_NE(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    ProgramProcess second;
    ASSERT_TRUE(second.start(folder_.exe(), L"--apply-advice \"C:\\late\\advice.ini\""));
    std::this_thread::sleep_for(3s);

    WNDCLASSW cls{};
    cls.lpfnWndProc = lateWindowProc;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = kMainWindowClass;
    ASSERT_NE(RegisterClassW(&cls), 0);
    HWND late = CreateWindowExW(0, kMainWindowClass, L"starting", WS_OVERLAPPEDWINDOW, 0, 0, 200,
                                100, nullptr, nullptr, cls.hInstance, nullptr);
    ASSERT_NE(late, nullptr);
    // The window answers as a running program's does (the second instance
    // also restores it) until the second instance has left.
    int exitCode = -1;
    EXPECT_TRUE(test::waitFor(
        [&] {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&message);
            return (exitCode = second.waitExit(20ms)) != -1;
        },
        kExitLimit));
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(handedOverPath, L"C:\\late\\advice.ini");
    DestroyWindow(late);
    UnregisterClassW(kMainWindowClass, cls.hInstance);
}

LRESULT sendAdvice(HWND window, const std::wstring& path, DWORD byteCount) {
    COPYDATASTRUCT data{kAdviceCopyDataTag, byteCount, const_cast<wchar_t*>(path.c_str())};
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG,
                        30000, &result);
    return static_cast<LRESULT>(result);
}

TEST_F(WindowTest, TheLogWindowOpenedAgainHoldsEveryLine) {
    window_ = start(program_);
    ASSERT_NE(window_, nullptr);
    const std::wstring devices = L"No force feedback device found.\r\n";
    ASSERT_EQ(logOnceItIs(devices), devices);
    test::click(item(kViewLogButton));
    HWND logWindow = nullptr;
    ASSERT_TRUE(test::waitFor(
        [&] { return (logWindow = test::findOwnedWindow(L"Edit", window_)) != nullptr; }, 30s));
    EXPECT_EQ(test::windowText(logWindow), logText());
    SendMessageW(logWindow, WM_CLOSE, 0, 0);
    ASSERT_TRUE(test::waitFor([&] { return !IsWindow(logWindow); }, 10s));

    const std::wstring missing = L"C:\\missing\\advice.ini";
    EXPECT_EQ(sendAdvice(window_, missing, 1), 0); // too short to hold a character
    EXPECT_EQ(sendAdvice(window_, missing, static_cast<DWORD>((missing.size() + 1) * 2)), 1);
    const std::wstring pane = logText();
    EXPECT_EQ(pane, L"No force feedback device found.\r\nCould not load analyzer advice file.\r\n");

    test::click(item(kViewLogButton));
    ASSERT_TRUE(test::waitFor(
        [&] { return (logWindow = test::findOwnedWindow(L"Edit", window_)) != nullptr; }, 30s));
    EXPECT_EQ(test::windowText(logWindow), pane);
    EXPECT_EQ(close(), 0);
}

// With the virtual wheel beside the program, the wheel is listed, chosen
// and announced.
TEST_F(WindowTest, AnAttachedWheelIsListedAndAnnounced) {
    ASSERT_TRUE(folder_.addVirtualWheel());
    NativeDinputForTheProgram overrides;
    ASSERT_TRUE(overrides.ok());
    window_ = start(program_);
    ASSERT_NE(window_, nullptr);
    EXPECT_EQ(logOnceItIs(L"Force feedback devices found.\r\n"), L"Force feedback devices found.\r\n");
    EXPECT_EQ(SendMessageW(item(kDeviceCombo), CB_GETCOUNT, 0, 0), 1);
    EXPECT_EQ(SendMessageW(item(kDeviceCombo), CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(close(), 0);
}

} // namespace
} // namespace gripline
