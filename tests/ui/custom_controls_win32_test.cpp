// The custom controls and the session log in a window of the test's own,
// driven with real window messages under Wine.
#include "ui/checkbox_win32.h"
#include "ui/control_ids.h"
#include "ui/session_log_win32.h"
#include "ui/slider_win32.h"

#include <gtest/gtest.h>

#include <vector>

namespace gripline {
namespace {

struct Notification {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

std::vector<Notification> notifications;

LRESULT CALLBACK parentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kSliderChangedMessage || message == kCheckboxToggledMessage) {
        notifications.push_back({message, wParam, lParam});
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

class ControlsTest : public ::testing::Test {
  protected:
    // One parent for the suite: a top-level window costs seconds under Xvfb.
    static void SetUpTestSuite() {
        instance_ = GetModuleHandleW(nullptr);
        WNDCLASSW wc{};
        wc.lpfnWndProc = parentProc;
        wc.hInstance = instance_;
        wc.lpszClassName = L"GriplineControlsTestParent";
        RegisterClassW(&wc);
        registerSliderClass(instance_, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        registerCheckboxClass(instance_, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        parent_ =
            CreateWindowExW(0, L"GriplineControlsTestParent", L"controls", WS_OVERLAPPEDWINDOW, 0,
                            0, 600, 400, nullptr, nullptr, instance_, nullptr);
        ShowWindow(parent_, SW_SHOW);
    }
    static void TearDownTestSuite() { DestroyWindow(parent_); }
    void SetUp() override {
        ASSERT_NE(parent_, nullptr) << "no window: is DISPLAY set to an Xvfb display?";
        notifications.clear();
    }
    // Each test starts with an empty parent.
    void TearDown() override {
        while (HWND child = GetWindow(parent_, GW_CHILD))
            DestroyWindow(child);
    }

    HWND slider(SliderRecord& record, int32_t lo, int32_t hi, int32_t value) {
        record.minimum = lo;
        record.maximum = hi;
        record.value = value;
        return createSliderWindow(instance_, parent_, 1100, RECT{20, 20, 264, 50}, record);
    }

    static void send(HWND window, UINT message, int x, int y = 15) {
        SendMessageW(window, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON,
                     MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
    }

    static inline HINSTANCE instance_ = nullptr;
    static inline HWND parent_ = nullptr;
};

TEST_F(ControlsTest, ClicksOnASliderPickValuesAndNotifyTheParent) {
    SliderRecord record;
    HWND h = slider(record, 0, 20, 5);
    RECT client;
    GetClientRect(h, &client);
    ASSERT_EQ(client.right, 244);

    const std::pair<int, int32_t> clicks[] = {{10, 0}, {234, 20}, {122, 10}};
    for (auto [x, expected] : clicks) {
        notifications.clear();
        send(h, WM_LBUTTONDOWN, x);
        send(h, WM_LBUTTONUP, x);
        EXPECT_EQ(record.value, expected) << "x = " << x;
        ASSERT_EQ(notifications.size(), 1u) << "x = " << x;
        EXPECT_EQ(notifications[0].message, kSliderChangedMessage);
        EXPECT_EQ(notifications[0].wParam, static_cast<WPARAM>(expected));
        EXPECT_EQ(notifications[0].lParam, reinterpret_cast<LPARAM>(h));
    }
}

TEST_F(ControlsTest, ADragReleasedOutsideKeepsTheCaptureAndEndsAtTheTrackEnd) {
    SliderRecord record;
    HWND h = slider(record, 0, 20, 0);
    send(h, WM_LBUTTONDOWN, 122);
    EXPECT_EQ(GetCapture(), h);
    EXPECT_EQ(record.value, 10);
    send(h, WM_MOUSEMOVE, 700, 90); // far right of the slider and below it
    EXPECT_EQ(GetCapture(), h);
    EXPECT_EQ(record.value, 20);
    send(h, WM_LBUTTONUP, -400, 90); // released far to the left
    EXPECT_NE(GetCapture(), h);
    EXPECT_EQ(record.value, 0);
    EXPECT_EQ(record.dragging, 0);
    EXPECT_EQ(notifications.size(), 3u);
}

TEST_F(ControlsTest, KeysMoveTheSliderAndNothingIsSentAtTheEnds) {
    SliderRecord record;
    HWND h = slider(record, 0, 20, 19);
    SendMessageW(h, WM_KEYDOWN, VK_RIGHT, 0);
    EXPECT_EQ(record.value, 20);
    SendMessageW(h, WM_KEYDOWN, VK_RIGHT, 0);
    SendMessageW(h, WM_KEYDOWN, VK_END, 0);
    EXPECT_EQ(notifications.size(), 1u); // already at the maximum
    SendMessageW(h, WM_KEYDOWN, VK_HOME, 0);
    SendMessageW(h, WM_KEYDOWN, VK_LEFT, 0);
    SendMessageW(h, WM_KEYDOWN, 'A', 0);
    EXPECT_EQ(record.value, 0);
    EXPECT_EQ(notifications.size(), 2u);
}

TEST_F(ControlsTest, ACheckBoxToggledBySpaceNotifiesLikeAClick) {
    CheckboxRecord record;
    record.id = kParkedCheck;
    record.caption = L"Reduce force when parked";
    HWND h = createCheckboxWindow(instance_, parent_, RECT{48, 20, 298, 44}, nullptr, record);
    ASSERT_NE(h, nullptr);
    send(h, WM_LBUTTONDOWN, 5);
    send(h, WM_LBUTTONUP, 5);
    SendMessageW(h, WM_KEYDOWN, VK_SPACE, 0);
    SendMessageW(h, WM_KEYDOWN, VK_RETURN, 0);
    SendMessageW(h, WM_KEYDOWN, 'X', 0);
    ASSERT_EQ(notifications.size(), 3u);
    for (const Notification& n : notifications) {
        EXPECT_EQ(n.message, kCheckboxToggledMessage);
        EXPECT_EQ(n.wParam, static_cast<WPARAM>(kParkedCheck));
        EXPECT_EQ(n.lParam, reinterpret_cast<LPARAM>(h));
    }
    EXPECT_EQ(record.checked, 1); // three toggles
}

std::wstring textOf(HWND edit) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
    text.resize(
        static_cast<size_t>(GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
    return text;
}

HWND logPane(HWND parent) {
    // As the main window makes it: scrolling, so text beyond its height fits.
    const DWORD style = WS_CHILD | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY;
    return CreateWindowExW(WS_EX_CLIENTEDGE, L"Edit", L"", style, 0, 0, 500, 60, parent, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

TEST_F(ControlsTest, HoursOfLoggingKeepTheNewestLinesInPaneAndWindow) {
    // Past the edit control's default limit (32767), yet small enough for
    // Wine's edit control to take every line quickly.
    constexpr size_t kLimit = 48 * 1024;
    SessionLog log(kLimit);
    log.attachPane(logPane(parent_));
    log.showLogWindow(parent_, nullptr);
    ASSERT_NE(log.logWindow(), nullptr);
    const std::wstring filler(200, L'.');
    const int lines = static_cast<int>(2 * kLimit / filler.size());
    for (int i = 0; i < lines; ++i)
        log.log(L"line " + std::to_wstring(i) + L" " + filler);
    log.log(L"DirectInput FFB error: the newest line");
    for (HWND edit : {GetWindow(parent_, GW_CHILD), log.logWindow()}) {
        SCOPED_TRACE(edit == log.logWindow() ? "log window" : "pane");
        const std::wstring text = textOf(edit);
        EXPECT_LE(text.size(), kLimit);
        EXPECT_GT(text.size(), kLimit / 2);
        EXPECT_EQ(text.find(L"line 0 "), std::wstring::npos);
        EXPECT_EQ(text.rfind(L"DirectInput FFB error: the newest line\r\n"), text.size() - 40);
        EXPECT_EQ(text.substr(0, 5), L"line "); // whole lines only
    }
    log.destroyLogWindow();
}

TEST_F(ControlsTest, AReopenedLogWindowHoldsEveryLine) {
    SessionLog log;
    log.attachPane(logPane(parent_));
    log.log(L"before");
    log.showLogWindow(parent_, nullptr);
    HWND first = log.logWindow();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(textOf(first), L"before\r\n");
    log.log(L"while open");
    SendMessageW(first, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(first));
    log.log(L"after closing");
    log.showLogWindow(parent_, nullptr);
    EXPECT_EQ(textOf(log.logWindow()), L"before\r\nwhile open\r\nafter closing\r\n");
    log.destroyLogWindow();
}

TEST_F(ControlsTest, AClipReportIsLoggedOnce) {
    SessionLog log;
    HWND pane = logPane(parent_);
    log.attachPane(pane);
    EngineStatus status;
    status.ClipReportCount = 4;
    status.ClipPercent = 3.0f;
    log.reportClipping(status);
    log.reportClipping(status);
    EXPECT_EQ(textOf(pane), L"3.00% of samples were clipped\r\n"
                            L"Consider lowering Force strength to reduce clipping.\r\n");
}

} // namespace
} // namespace gripline
