// The whole drive as a driver makes it, run headless under Wine: the
// simulator stand-in plays a recorded drive and then a lap of corners,
// kerbs, ABS braking and a crash; the real Gripline window (with the
// virtual wheel beside it) is driven through its buttons: Start, Record,
// Stop rec, Stop, then Analyzer on the recording, and its advice handed back
// to the running Gripline. Screenshots, the recording and the wheel's force
// log end up in the output folder.
//
//   main_job OUTDIR PROGRAMDIR IBT SESSIONTEXT RECORDSECONDS
#include "analyzer/analyzer_controls.h"
#include "tests/support/gui_driver_win32.h"
#include "tests/support/standin_child_win32.h"
#include "tests/support/wheel_log.h"
#include "tools/main_job/window_job_win32.h"
#include "ui/control_ids.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <thread>

using namespace gripline;
using namespace std::chrono_literals;

namespace {

using test::closeStandin;
using test::failJob;
using test::GriplineWindow;
using test::narrow;
using test::startStandin;

constexpr auto kLimit = test::kJobLimit;
constexpr const wchar_t* kLap = L"straight,left-corner,kerbs,abs-braking,right-corner,crash";

void say(const std::string& line) {
    std::printf("main job: %s\n", line.c_str());
    std::fflush(stdout);
}

// True once the wheel has received force for `span` since its first update
// (the start delay and fade-in are behind it), read from its log.
bool forceFlowingFor(const std::wstring& wheelLog, std::chrono::microseconds span) {
    const auto sent = test::magnitudes(test::parseWheelLog(test::readFile(wheelLog)));
    return !sent.empty() && sent.back().number() != 0 &&
           sent.back().atUs - sent.front().atUs >= span.count();
}

HWND waitForAnalyzer() {
    HWND analyzer = nullptr;
    test::waitFor([&] { return (analyzer = FindWindowW(nullptr, L"Gripline Analyzer v0.1.0.134")) != nullptr; },
                  kLimit);
    return analyzer;
}

// The Analyzer's report pane holds the report once it has read the file.
bool analyzerShowsReport(HWND analyzer) {
    return test::waitFor(
        [&] {
            bool found = false;
            EnumChildWindows(
                analyzer,
                [](HWND child, LPARAM out) -> BOOL {
                    if (test::windowText(child).starts_with(L"SESSION")) {
                        *reinterpret_cast<bool*>(out) = true;
                        return FALSE;
                    }
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&found));
            return found;
        },
        kLimit);
}

} // namespace

int drive(int argc, wchar_t** argv);

int wmain(int argc, wchar_t** argv) {
    try {
        return drive(argc, argv);
    } catch (const test::JobFailure& failure) {
        say("FAILED: " + failure.why);
        return 1;
    }
}

int drive(int argc, wchar_t** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: main_job OUTDIR PROGRAMDIR IBT SESSIONTEXT RECORDSECONDS\n");
        return 2;
    }
    const std::wstring out = argv[1], program = argv[2], ibt = argv[3], session = argv[4];
    const int recordSeconds = _wtoi(argv[5]);
    test::useVirtualWheel();
    SetEnvironmentVariableW(L"GRIPLINE_WHEEL_LOG", (out + L"\\wheel.log").c_str());

    test::StandinChild standin;
    say("simulator stand-in: the recorded drive at Spielberg, looped");
    startStandin(standin, {L"--ibt", ibt, L"--loop", L"--exit-after", L"600"});

    test::ProgramProcess gripline;
    const HWND handle = test::startGripline(gripline, program);
    const GriplineWindow window(handle, say);
    window.expectLine(L"Force feedback devices found.");
    window.tick(kDebugLoggingCheck);
    window.expectLine(L"Debug logging enabled.");

    test::click(window.item(kStartButton));
    window.expectLine(L"FFB engine started.");
    window.expectLine(L"Telemetry: On track.");
    // The picture shows the drive with force on the wheel: past the start
    // delay and the fade-in, however long a busy machine takes to get there.
    if (!test::waitFor([&] { return forceFlowingFor(out + L"\\wheel.log", 3s); }, kLimit))
        failJob("the wheel received no force");
    window.screenshot(out + L"\\gripline_on_track.png");

    say("simulator stand-in: a lap of corners, kerbs, ABS braking and a crash in the F4");
    closeStandin(standin);
    startStandin(standin, {L"--scenario", kLap, L"--loop", L"--session-text", session,
                           L"--exit-after", L"600"});
    // The F4 replaces the Mercedes: the window takes the new car's settings.
    window.expectLine(L"Using driver profile settings for this car.", 2);

    // Record as the driver does, again a moment later while the engine has
    // not yet seen the new car on track. Each press ends in one of the two
    // lines; which one is waited for as long as a busy machine needs.
    const std::wstring started = L"Telemetry recording started.";
    const std::wstring notOnTrack = L"Could not start telemetry recording. Enter the track first.";
    for (size_t attempt = 1;; ++attempt) {
        PostMessageW(handle, WM_COMMAND, MAKEWPARAM(kRecordButton, BN_CLICKED),
                     reinterpret_cast<LPARAM>(window.item(kRecordButton)));
        std::wstring proposed;
        if (!test::answerSaveDialog(handle, out + L"\\drive.kvtrec", proposed, kLimit))
            failJob("the save dialog was not answered");
        say("save dialog proposed " + narrow(proposed));
        const bool answered = test::waitFor(
            [&] { return window.count(started) > 0 || window.count(notOnTrack) >= attempt; },
            kLimit);
        if (window.count(started) > 0)
            break;
        if (!answered || attempt == 10)
            failJob("the recording did not start; the log holds:\n" + narrow(window.log()));
        say("not on track yet, Record again in 2 s");
        std::this_thread::sleep_for(2s);
    }
    window.expectLine(L"Telemetry recording started.");
    std::this_thread::sleep_for(std::chrono::seconds(recordSeconds / 2));
    window.screenshot(out + L"\\gripline_recording.png");
    std::this_thread::sleep_for(std::chrono::seconds(recordSeconds - recordSeconds / 2));
    test::click(window.item(kStopRecordButton));
    window.expectLine(L"Telemetry recording saved.");
    test::click(window.item(kStopButton));
    window.expectLine(L"FFB engine stopped.");
    closeStandin(standin);

    test::click(window.item(kAnalyzerButton));
    const HWND analyzer = waitForAnalyzer();
    if (!analyzer)
        failJob("the Analyzer did not open");
    if (!analyzerShowsReport(analyzer))
        failJob("the Analyzer shows no report");
    RECT area;
    GetWindowRect(analyzer, &area);
    if (!test::screenshot(area, out + L"\\analyzer.png"))
        failJob("no screenshot of the Analyzer");
    say("screenshot analyzer.png");

    // "Use advise": the Analyzer starts a second Gripline with the advice
    // file, which hands it to the running one and exits; the running one
    // applies it to the profile and the car and saves.
    PostMessageW(analyzer, WM_COMMAND, MAKEWPARAM(kAdviceButtonId, BN_CLICKED), 0);
    window.expectLine(L"Analyzer advice applied to profile Default for car formulair04.");
    window.screenshot(out + L"\\gripline_advice_applied.png");
    if (HWND notice = test::findOwnedWindow(L"#32770", analyzer))
        PostMessageW(notice, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    std::this_thread::sleep_for(1s);
    PostMessageW(analyzer, WM_CLOSE, 0, 0);

    PostMessageW(handle, WM_CLOSE, 0, 0);
    if (gripline.waitExit(60s) != 0)
        failJob("Gripline did not close cleanly");
    say("Gripline closed, settings saved");
    return 0;
}
