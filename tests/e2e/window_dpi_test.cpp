// The real Torvix_Commercial.exe on a 144-DPI screen under Wine: ctest runs
// this in a prefix of its own, whose LogPixels the test sets before the
// program starts. The window must be the 96-DPI layout scaled by 1.5, with
// every control at its scaled place, and must lay itself out again when the
// system tells it of another DPI. Every slider's caption and value must fit
// its box in the font the window draws them with.
#include "common/dpi_scale.h"
#include "tests/e2e/program_folder_win32.h"
#include "tests/support/gui_driver_win32.h"
#include "engine/added_latency.h"
#include "ui/added_latency_label_win32.h"
#include "ui/added_latency_text.h"
#include "ui/buttons_dialog_win32.h"
#include "ui/control_ids.h"
#include "ui/main_window_win32.h"
#include "ui/slider_values.h"
#include "ui/window_layout.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>

namespace gripline {
namespace {

using namespace std::chrono_literals;

constexpr int kDpi = 144;

RECT scaled(const PixelRect& place, int dpi) {
    const PixelRect r = scaleToDpi(place, dpi);
    return {r.left, r.top, r.right, r.bottom};
}

// Every control of the layout (the combo boxes aside) at its place scaled to
// `dpi`, and each slider's caption on its line.
void expectLaidOutAt(HWND window, int dpi) {
    for (const ControlSpec& c : mainWindowControls()) {
        if (c.kind == ControlKind::DropDownList || c.kind == ControlKind::EditableDropDown)
            continue; // a closed combo box is as high as its font makes it
        const RECT expected = scaled(controlPlace(c), dpi);
        HWND h = c.id ? GetDlgItem(window, c.id) : test::childAt(window, expected);
        ASSERT_NE(h, nullptr) << "nothing at the scaled place of " << c.id << " at " << dpi;
        const RECT r = test::placeInParent(h);
        EXPECT_TRUE(EqualRect(&r, &expected))
            << c.id << " at " << dpi << ": " << r.left << "," << r.top << " " << r.right - r.left
            << "x" << r.bottom - r.top;
        if (c.kind == ControlKind::Slider) {
            EXPECT_EQ(
                test::windowText(test::childAt(window, scaled(sliderLabelPlaces(c).caption, dpi))),
                c.text);
        }
    }
}

// WM_DPICHANGED carries a pointer to the suggested frame: it is written into
// the program's own memory, where its window procedure reads it.
bool sendDpiChanged(DWORD pid, HWND window, int dpi, const RECT& frame) {
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid);
    if (!process)
        return false;
    void* remote =
        VirtualAllocEx(process, nullptr, sizeof(frame), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    bool sent = remote && WriteProcessMemory(process, remote, &frame, sizeof(frame), nullptr);
    sent = sent &&
           SendMessageTimeoutW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                               reinterpret_cast<LPARAM>(remote), SMTO_ABORTIFHUNG, 10000, nullptr);
    if (remote)
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return sent;
}

// Every slider's caption, and its widest value, fits its box at 96 and 144
// DPI, and so does the status bar's widest added latency, in the font the
// window asks for (Segoe UI; under Wine its condensed stand-in), measured as
// the static control draws it.
TEST(WindowAtHighDpi, EverySliderTextAndTheAddedLatencyFitTheirBoxes) {
    HDC screen = GetDC(nullptr);
    for (int dpi : {kLayoutDpi, kDpi}) {
        HFONT font = CreateFontW(-scaleToDpi(15, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                 DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                 CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Segoe UI");
        HGDIOBJ previous = SelectObject(screen, font);
        const auto width = [&](const std::wstring& text) {
            SIZE size{};
            GetTextExtentPoint32W(screen, text.c_str(), static_cast<int>(text.size()), &size);
            return static_cast<int>(size.cx);
        };
        for (const ControlSpec& c : mainWindowControls()) {
            if (c.kind != ControlKind::Slider)
                continue;
            const SliderLabelPlaces labels = sliderLabelPlaces(c);
            EXPECT_LE(width(c.text), scaleToDpi(labels.caption, dpi).width())
                << c.id << " at " << dpi;
            for (int32_t value : {c.minimum, c.maximum})
                EXPECT_LE(width(sliderValueText(c.id, value)),
                          scaleToDpi(labels.value, dpi).width())
                    << c.id << " = " << value << " at " << dpi;
        }
        EXPECT_LE(width(addedLatencyText(AddedLatency::kBeyondCeiling)),
                  scaleToDpi(AddedLatencyLabel::kWidth, dpi))
            << "the status bar's added latency at " << dpi;
        SelectObject(screen, previous);
        DeleteObject(font);
    }
    ReleaseDC(nullptr, screen);
}

TEST(WindowAtHighDpi, IsTheLayoutScaledAndFollowsADpiChange) {
    if (!std::getenv("GRIPLINE_TEST_HIGH_DPI"))
        GTEST_SKIP() << "needs a prefix of its own (ctest's e2e_window_dpi_tests)";
    const DWORD logPixels = kDpi;
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD,
                              &logPixels, sizeof(logPixels)),
              ERROR_SUCCESS);
    // This thread reads the program's places as they are, not as Wine would
    // scale them for a caller unaware of DPI.
    SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);

    test::ProgramFolder folder;
    test::ProgramProcess program;
    ASSERT_TRUE(program.start(folder.exe()));
    HWND window = test::waitForTopWindow(kMainWindowClass, program.id(), 60s);
    ASSERT_NE(window, nullptr) << "no Gripline window appeared";
    // The manifest's per-monitor awareness took. Wine answers GetDpiForWindow
    // for another process's window with the asker's own DPI (96 here), so
    // the window's size is what shows that LogPixels took.
    EXPECT_EQ(GetAwarenessFromDpiAwarenessContext(GetWindowDpiAwarenessContext(window)),
              DPI_AWARENESS_PER_MONITOR_AWARE);
    RECT frame, client;
    GetWindowRect(window, &frame);
    GetClientRect(window, &client);
    ASSERT_EQ(frame.right - frame.left, 2430) << "LogPixels did not take";
    EXPECT_EQ(frame.bottom - frame.top, 1313);
    // The session log's panel clears the status bar, both scaled.
    EXPECT_GE(client.bottom, scaleToDpi(790 + kStatusBarHeight, kDpi));
    EXPECT_GE(client.right, scaleToDpi(1576, kDpi));
    expectLaidOutAt(window, kDpi);
    EXPECT_TRUE(test::screenshot(
        frame, test::windowsPath(GRIPLINE_ARTIFACTS "/gripline_window_144dpi.png")));

    // The Buttons dialog opens at the window's DPI: its Close button at its
    // 96-DPI place (right and below the action rows) scaled.
    test::click(GetDlgItem(window, kButtonsButton));
    HWND dialog = nullptr;
    RECT close{};
    const auto closeScaled = [&] {
        dialog = FindWindowW(kButtonsDialogClass, nullptr);
        close = test::placeInParent(GetDlgItem(dialog, kCloseButtonsDialog));
        return close.right - close.left == scaleToDpi(96, kDpi) &&
               close.bottom - close.top == scaleToDpi(30, kDpi);
    };
    EXPECT_TRUE(test::waitFor(closeScaled, 30s));
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(close.right - close.left, scaleToDpi(96, kDpi));
    EXPECT_EQ(close.bottom - close.top, scaleToDpi(30, kDpi));
    RECT dialogFrame;
    GetWindowRect(dialog, &dialogFrame);
    EXPECT_TRUE(test::screenshot(
        dialogFrame, test::windowsPath(GRIPLINE_ARTIFACTS "/gripline_buttons_dialog_144dpi.png")));
    test::click(GetDlgItem(dialog, kCloseButtonsDialog));

    // Dragged to a 96-DPI screen: the suggested frame and the layout's own
    // places again.
    const RECT at96{frame.left, frame.top, frame.left + kMainWindowWidth,
                    frame.top + kMainWindowHeight};
    ASSERT_TRUE(sendDpiChanged(program.id(), window, kLayoutDpi, at96));
    GetWindowRect(window, &frame);
    EXPECT_TRUE(EqualRect(&frame, &at96));
    expectLaidOutAt(window, kLayoutDpi);

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.waitExit(60s), 0);
}

} // namespace
} // namespace gripline
