#pragma once
// The fixture the window's Wine tests share: the real program in a folder of
// its own with the virtual wheel logging every force it receives, a
// stand-in to drive it, and a tear-down that closes both whatever the test
// left running.
#include "tests/e2e/program_folder_win32.h"
#include "tests/support/gui_driver_win32.h"
#include "tests/support/standin_child_win32.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <string>

namespace gripline::test {

class WindowOnVirtualWheel : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "the window needs an X display (scripts/wine-session.sh)";
        ASSERT_TRUE(folder.addVirtualWheel());
        ASSERT_TRUE(overrides.ok());
        SetEnvironmentVariableW(L"GRIPLINE_WHEEL_LOG", wheelLog.c_str());
    }
    void TearDown() override {
        using namespace std::chrono_literals;
        SetEnvironmentVariableW(L"GRIPLINE_WHEEL_LOG", nullptr);
        if (window && IsWindow(window))
            PostMessageW(window, WM_CLOSE, 0, 0);
        program.waitExit(30s);
        closeStandin();
    }

    // As the simulator ends: the connection bit is cleared first.
    void closeStandin() {
        using namespace std::chrono_literals;
        if (HWND w = FindWindowW(L"GriplineSimulatorStandin", nullptr))
            PostMessageW(w, WM_CLOSE, 0, 0);
        standin.waitExit(30s);
    }

    ProgramFolder folder;
    NativeDinputForTheProgram overrides;
    const std::wstring wheelLog = tempFile(L"wheel") + L".log";
    StandinChild standin;
    ProgramProcess program;
    HWND window = nullptr;
};

} // namespace gripline::test
