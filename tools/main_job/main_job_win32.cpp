// The whole drive as a driver makes it, run headless under Wine: the
// simulator stand-in plays a recorded drive and then a lap of corners,
// kerbs, ABS braking and a crash; the real Gripline window (with the
// virtual wheel beside it) is driven through its buttons: Start, Record,
// Stop rec, Stop, then Analyzer on the recording, and its advice handed back
// to the running Gripline. Screenshots, the recording and the wheel's force
// log end up in the output folder.
//
// The wheel is the PID wheel, through Wine's own dinput8 and HID stack, when
// its tool and a descriptor are named (its raw report log is kept as
// pid_wheel.log, decoded into wheel.log); otherwise the virtual wheel.
//
//   main_job OUTDIR PROGRAMDIR IBT SESSIONTEXT RECORDSECONDS [PIDTOOL DESCRIPTOR]
#include "analyzer/analyzer_controls.h"
#include "tests/support/gui_driver_win32.h"
#include "tests/support/pid_wheel_child_win32.h"
#include "tests/support/standin_child_win32.h"
#include "tests/support/wheel_log.h"
#include "tools/main_job/window_job_win32.h"
#include "ui/control_ids.h"

#include <windows.h>

#include <cstdio>
#include <optional>
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

// The wheel the drive plays on, and what it received in the virtual
// wheel's log shape.
class JobWheel {
  public:
    JobWheel(const std::wstring& out, const std::wstring& pidTool, const std::wstring& descriptor)
        : wheelLog_(out + L"\\wheel.log") {
        if (pidTool.empty()) {
            test::useVirtualWheel();
            SetEnvironmentVariableW(L"GRIPLINE_WHEEL_LOG", wheelLog_.c_str());
            return;
        }
        pid_.emplace(pidTool, out + L"\\pid_wheel.log");
        std::string error;
        if (!pid_->install(descriptor, L"OpenFFBoard", error))
            failJob("the PID wheel did not install: " + error);
        say("PID wheel installed: " + narrow(descriptor) + ", Wine's own dinput8");
    }
    std::vector<test::WheelEvent> events() const {
        return pid_ ? pid_->events() : test::parseWheelLog(test::readFile(wheelLog_));
    }
    // The PID wheel's events go to wheel.log for the checks and the plot.
    void keepLog() const {
        if (pid_ && !pid_->writeWheelLog(wheelLog_))
            failJob("could not write wheel.log");
    }
    // True once the wheel has received force for `span` since its first
    // update (the start delay and fade-in are behind it).
    bool forceFlowingFor(std::chrono::microseconds span) const {
        const auto sent = test::magnitudes(events());
        return !sent.empty() && sent.back().number() != 0 &&
               sent.back().atUs - sent.front().atUs >= span.count();
    }

  private:
    std::wstring wheelLog_;
    std::optional<test::PidWheelChild> pid_;
};

HWND waitForAnalyzer() {
    HWND analyzer = nullptr;
    test::waitFor(
        [&] {
            return (analyzer = FindWindowW(nullptr, L"Gripline Analyzer v0.1.0.134")) != nullptr;
        },
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
    if (argc != 6 && argc != 8) {
        std::fprintf(stderr, "usage: main_job OUTDIR PROGRAMDIR IBT SESSIONTEXT RECORDSECONDS "
                             "[PIDTOOL DESCRIPTOR]\n");
        return 2;
    }
    const std::wstring out = argv[1], program = argv[2], ibt = argv[3], session = argv[4];
    const int recordSeconds = _wtoi(argv[5]);
    const JobWheel wheel(out, argc == 8 ? argv[6] : L"", argc == 8 ? argv[7] : L"");

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
    if (!test::waitFor([&] { return wheel.forceFlowingFor(3s); }, kLimit))
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
    // The stint's report, with the latency Gripline added to its ticks.
    const std::wstring stint = L"of samples were clipped; added latency";
    if (window.lineStarting(stint).empty())
        failJob("no stint report with the added latency");
    // The last stint's lines come with the window's refreshes after the
    // stop: the log is read once it has held still for 2 s (or after 60 s).
    std::wstring settled;
    for (int still = 0, polls = 0; still < 4 && polls < 120; ++polls) {
        std::this_thread::sleep_for(500ms);
        const std::wstring now = window.log();
        still = now == settled ? still + 1 : 0;
        settled = now;
    }
    say("stint report: " + narrow(window.scrollLogTo(stint)));
    window.screenshot(out + L"\\gripline_stint_report.png");
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
    // The Analyzer says it sent the advice in a box of its own, which must
    // be gone before its window can close.
    DWORD analyzerId = 0;
    GetWindowThreadProcessId(analyzer, &analyzerId);
    const HWND notice = test::waitForTopWindow(L"#32770", analyzerId, kLimit);
    if (!notice)
        failJob("the Analyzer never said it sent the advice");
    PostMessageW(notice, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    if (!test::waitFor([&] { return !IsWindow(notice); }, kLimit))
        failJob("the Analyzer's notice stayed open");
    PostMessageW(analyzer, WM_CLOSE, 0, 0);
    if (!test::waitFor([&] { return !IsWindow(analyzer); }, kLimit))
        failJob("the Analyzer did not close");

    PostMessageW(handle, WM_CLOSE, 0, 0);
    if (gripline.waitExit(60s) != 0)
        failJob("Gripline did not close cleanly");
    say("Gripline closed, settings saved");
    wheel.keepLog();
    return 0;
}
