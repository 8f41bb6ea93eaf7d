// The fault soak, headless under Wine: the real Gripline window drives the
// virtual wheel through the faults a rig meets, for MINUTES. In turn the
// simulator stand-in is closed cleanly, killed without clearing its bit
// (TerminateProcess), restarted back to back into the other layout (the
// recorded drive's table or the scenarios' table), and frozen (it stops
// publishing with its bit set, --stop-after); the scenario lap goes off
// track once a lap. The virtual wheel reports input lost, then unplugged,
// for about a second at a time (its failure script) and comes back. One
// recording runs across all of it, and once the settings file is held open
// without sharing while Save is pressed.
//
// The judge reads the block the stand-ins publish (every tick seen, with its
// time and track state), the wheel's log (every magnitude, same clock) and
// the window's log, and prints: the faults injected, the force off within
// 300 ms of the last tick (and nothing but zero until the simulator's
// return), the wheel's effect started again within 2 s of the return, the
// wheel episodes recovered, the failed save's line, and the program's
// handle count and private memory at the start and the end.
//
//   soak_faults OUTDIR PROGRAMDIR IBT SESSIONTEXT MINUTES
#include "common/qpc_clock_win32.h"
#include "telemetry/telemetry_layout.h"
#include "telemetry/telemetry_variables.h"
#include "tests/support/gui_driver_win32.h"
#include "tests/support/standin_child_win32.h"
#include "tests/support/wheel_log.h"
#include "tools/main_job/window_job_win32.h"
#include "ui/control_ids.h"

#include <windows.h>

#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace gripline;
using namespace std::chrono_literals;

namespace {

using test::failJob;
using test::GriplineWindow;
using test::narrow;

constexpr auto kLimit = test::kJobLimit;
constexpr const wchar_t* kLap = L"straight,left-corner,kerbs,off-track,abs-braking,right-corner";
constexpr int64_t kDriveUs = 10'000'000; // on track between faults
constexpr int64_t kAwayUs = 1'500'000;   // the simulator away before it returns
constexpr int64_t kForceOffUs = 300'000; // the force must be off this long after the last tick
constexpr int64_t kBackOnUs = 2'000'000; // the effect must start again this long after the return
constexpr int64_t kStartDelayUs = 1'000'000; // zeros after a return: the start delay is 1.2 s
constexpr int64_t kHandleGrowth = 32;
constexpr int64_t kMemoryGrowth = 16 << 20;

QpcClock qpc;
int64_t nowUs() {
    return qpc.nowNs() / 1000;
}

void say(const std::string& line) {
    std::printf("soak: %s\n", line.c_str());
    std::fflush(stdout);
}

// Every tick the stand-ins publish, seen by polling the block every 2 ms:
// the time it was first seen (µs, the wheel log's clock) and its track state.
struct SeenTick {
    int64_t atUs;
    int32_t tick;
    bool onTrack;
};

class BlockWatcher {
  public:
    BlockWatcher() : thread_([this] { run(); }) {}
    ~BlockWatcher() {
        stop_.store(true);
        thread_.join();
    }
    std::vector<SeenTick> ticks() const {
        std::lock_guard lock(mutex_);
        return ticks_;
    }
    int64_t lastTickUs() const {
        std::lock_guard lock(mutex_);
        return ticks_.empty() ? 0 : ticks_.back().atUs;
    }
    // The last tick once the watcher has looked at the block twice more: on
    // a busy machine its 2 ms polls can fall behind the stand-in, and a tick
    // it has not yet seen would make the force seem to come off late.
    int64_t lastTickUsOnceSeen() const {
        const uint64_t from = looks_.load();
        const auto limit = std::chrono::steady_clock::now() + 10s;
        while (looks_.load() < from + 2 && std::chrono::steady_clock::now() < limit)
            std::this_thread::sleep_for(1ms);
        return lastTickUs();
    }

  private:
    void run() {
        test::BlockReader block;
        std::vector<uint8_t> line;
        int32_t last = INT32_MIN;
        while (!stop_.load()) {
            std::this_thread::sleep_for(2ms);
            int32_t tick = 0;
            const bool read = block.open() && block.readNewest(tick, line);
            looks_.fetch_add(1);
            if (!read || tick == last)
                continue;
            last = tick;
            std::lock_guard lock(mutex_);
            ticks_.push_back({nowUs(), tick, onTrack(block.view(), line)});
        }
    }

    // "IsOnTrack" where this stand-in's table puts it.
    static bool onTrack(std::span<const uint8_t> view, const std::vector<uint8_t>& line) {
        const int32_t index = findVariable(view, "IsOnTrack");
        if (index < 0)
            return false;
        const int64_t header = int64_t{loadInt32(view, irsdk::kVarHeaderOffset)} +
                               index * int64_t{irsdk::kVarHeaderSize};
        const int32_t offset = loadInt32(view, static_cast<size_t>(header + irsdk::kVarOffset));
        return offset >= 0 && static_cast<size_t>(offset) < line.size() &&
               line[static_cast<size_t>(offset)] != 0;
    }

    mutable std::mutex mutex_;
    std::vector<SeenTick> ticks_;
    std::atomic<bool> stop_{false};
    std::atomic<uint64_t> looks_{0};
    std::thread thread_;
};

enum class FaultKind { Closed, Killed, Restarted, Frozen };
const char* kindName(FaultKind kind) {
    switch (kind) {
    case FaultKind::Closed:
        return "closed cleanly";
    case FaultKind::Killed:
        return "killed (TerminateProcess, bit left set)";
    case FaultKind::Restarted:
        return "restarted back to back into the other layout";
    default:
        return "frozen (stopped publishing, bit set)";
    }
}

struct Fault {
    FaultKind kind;
    int64_t lastTickUs = 0; // the last tick of the simulator that went
    int64_t returnUs = 0;   // the first tick of the one that came back
};

// Input lost for 300 SetParameters calls (about a third of a second of
// output: the stage's reacquire brings it back), then unplugged for three
// calls (the stage gives the wheel up at once and the engine opens it anew,
// a new device whose calls the script has passed by), every 30 000 calls:
// the count runs only while force is on, so an episode comes every minute
// or so of driving. A count of calls, not a time: an unplug scripted for a
// thousand calls would outlast the soak, as each new device of the
// engine's makes only a call or two before it gives it up again.
std::wstring wheelFailureScript(int minutes) {
    std::wstring script;
    for (int k = 1; k <= minutes * 2 + 2; ++k) {
        const int at = k * 30'000;
        script += L"SetParameters:0x8007001E:300:" + std::to_wstring(at) +
                  L",SetParameters:0x80040209:3:" + std::to_wstring(at + 300) + L",";
    }
    return script;
}

struct Usage {
    size_t handles = 0;
    SIZE_T privateBytes = 0;
};

// SystemHandleInformation's entries (winternl.h leaves them out).
struct SystemHandleEntry {
    ULONG ownerPid;
    UCHAR objectType;
    UCHAR flags;
    USHORT handle;
    PVOID object;
    ACCESS_MASK access;
};

// Handles: the system's handle table, counted for the process (Wine's
// GetProcessHandleCount always answers 0). Private memory: the commit
// charge, which Windows reports as both PrivateUsage and PagefileUsage and
// Wine only as the latter.
Usage usageOf(DWORD pid) {
    Usage usage;
    std::vector<uint8_t> table(1 << 20);
    ULONG needed = 0;
    NTSTATUS status;
    while ((status = NtQuerySystemInformation(static_cast<SYSTEM_INFORMATION_CLASS>(16),
                                              table.data(), static_cast<ULONG>(table.size()),
                                              &needed)) == static_cast<NTSTATUS>(0xC0000004) &&
           table.size() < (64u << 20))
        table.resize(table.size() * 2);
    if (status == 0) {
        const ULONG count = *reinterpret_cast<const ULONG*>(table.data());
        const auto* entries =
            reinterpret_cast<const SystemHandleEntry*>(table.data() + sizeof(ULONG_PTR));
        for (ULONG i = 0; i < count; ++i)
            usage.handles += entries[i].ownerPid == pid;
    }
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process)
        return usage;
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(process, &counters, sizeof counters))
        usage.privateBytes = counters.PagefileUsage;
    CloseHandle(process);
    return usage;
}

class Soak {
  public:
    Soak(std::wstring out, std::wstring program, std::wstring ibt, std::wstring session,
         int minutes)
        : out_(std::move(out)), program_(std::move(program)), ibt_(std::move(ibt)),
          session_(std::move(session)), startUs_(nowUs()),
          endUs_(startUs_ + int64_t{minutes} * 60'000'000), minutes_(minutes) {}

    int run();

  private:
    std::vector<std::wstring> layoutArgs(bool lap) const {
        if (lap)
            return {L"--scenario", kLap, L"--loop", L"--session-text", session_};
        return {L"--ibt", ibt_, L"--loop"};
    }

    // Starts the next stand-in and waits for its first tick; its time.
    int64_t startStandin(std::vector<std::wstring> args) {
        const size_t before = watcher_.ticks().size();
        const int64_t started = nowUs();
        test::startStandin(standin_, args);
        int64_t first = 0;
        test::waitFor(
            [&] {
                const auto ticks = watcher_.ticks();
                for (size_t i = before; i < ticks.size(); ++i)
                    if (ticks[i].atUs >= started)
                        return (first = ticks[i].atUs) != 0;
                return false;
            },
            kLimit);
        if (first == 0)
            failJob("the stand-in published nothing");
        return first;
    }

    void closeStandin() { test::closeStandin(standin_); }

    void drive(int64_t forUs) {
        const int64_t until = std::min(nowUs() + forUs, endUs_ + kDriveUs);
        while (nowUs() < until)
            std::this_thread::sleep_for(50ms);
    }

    void record();
    void failedSave();
    void inject(FaultKind kind);
    int judge(const Usage& start, const Usage& end);

    const std::wstring out_, program_, ibt_, session_;
    const int64_t startUs_, endUs_;
    const int minutes_;
    BlockWatcher watcher_;
    test::StandinChild standin_;
    std::unique_ptr<GriplineWindow> window_;
    std::vector<Fault> faults_;
    bool lap_ = false; // the layout now running
    std::wstring failedSaveLine_;
    std::wstring finalLog_;
};

void Soak::record() {
    const std::wstring started = L"Telemetry recording started.";
    const std::wstring notOnTrack = L"Could not start telemetry recording. Enter the track first.";
    for (size_t attempt = 1;; ++attempt) {
        PostMessageW(window_->handle(), WM_COMMAND, MAKEWPARAM(kRecordButton, BN_CLICKED),
                     reinterpret_cast<LPARAM>(window_->item(kRecordButton)));
        std::wstring proposed;
        if (!test::answerSaveDialog(window_->handle(), out_ + L"\\soak.kvtrec", proposed, kLimit))
            failJob("the save dialog was not answered");
        test::waitFor(
            [&] { return window_->count(started) > 0 || window_->count(notOnTrack) >= attempt; },
            kLimit);
        if (window_->count(started) > 0)
            return;
        if (attempt == 10)
            failJob("the recording did not start");
        std::this_thread::sleep_for(2s);
    }
}

// Save while another program holds the settings file without sharing: the
// write fails (as root, Wine writes through a read-only attribute, so a
// read-only folder cannot make it fail here). Then Save once more, free.
void Soak::failedSave() {
    const std::wstring path = program_ + L"\\Torvix_profiles.ini";
    HANDLE held = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (held == INVALID_HANDLE_VALUE)
        failJob("could not hold the settings file");
    test::click(window_->item(kSaveProfileButton));
    failedSaveLine_ = window_->lineStarting(L"Could not save settings to ");
    CloseHandle(held);
    say("save with the settings file held: " + narrow(failedSaveLine_));
    const size_t saved = window_->count(L"Car settings and coefficients saved.") +
                         window_->count(L"Driver profile saved.");
    test::click(window_->item(kSaveProfileButton));
    if (!test::waitFor(
            [&] {
                return window_->count(L"Car settings and coefficients saved.") +
                           window_->count(L"Driver profile saved.") >
                       saved;
            },
            kLimit))
        failJob("Save did not succeed once the file was free");
}

void Soak::inject(FaultKind kind) {
    Fault fault{kind};
    switch (kind) {
    case FaultKind::Closed:
        closeStandin();
        fault.lastTickUs = watcher_.lastTickUsOnceSeen();
        std::this_thread::sleep_for(std::chrono::microseconds(kAwayUs));
        break;
    case FaultKind::Killed:
        standin_.kill();
        fault.lastTickUs = watcher_.lastTickUsOnceSeen();
        std::this_thread::sleep_for(std::chrono::microseconds(kAwayUs));
        break;
    case FaultKind::Restarted:
        closeStandin();
        fault.lastTickUs = watcher_.lastTickUsOnceSeen();
        lap_ = !lap_;
        break;
    case FaultKind::Frozen:
        // This stand-in was started with --stop-after: it stops by itself
        // and says so; frozen for a while, then ended as a hung program is.
        if (!standin_.waitForOut("stopped publishing", kLimit))
            failJob("the stand-in never froze: " + standin_.out());
        fault.lastTickUs = watcher_.lastTickUsOnceSeen();
        std::this_thread::sleep_for(std::chrono::microseconds(kAwayUs));
        standin_.kill();
        break;
    }
    faults_.push_back(fault);
    say(std::string("fault ") + std::to_string(faults_.size()) + ": " + kindName(kind));
}

int Soak::run() {
    test::useVirtualWheel();
    SetEnvironmentVariableW(L"GRIPLINE_WHEEL_LOG", (out_ + L"\\wheel.log").c_str());
    SetEnvironmentVariableW(L"GRIPLINE_WHEEL_FAIL", wheelFailureScript(minutes_).c_str());

    startStandin(layoutArgs(lap_));
    test::ProgramProcess gripline;
    const HWND handle = test::startGripline(gripline, program_);
    window_ = std::make_unique<GriplineWindow>(handle, say);
    window_->expectLine(L"Force feedback devices found.");
    window_->tick(kDebugLoggingCheck);
    test::click(window_->item(kStartButton));
    window_->expectLine(L"FFB engine started.");
    window_->expectLine(L"Telemetry: On track.");
    record();
    say("recording to soak.kvtrec");
    test::click(window_->item(kSaveProfileButton)); // the settings file exists from here on
    drive(kDriveUs);

    const FaultKind order[] = {FaultKind::Closed, FaultKind::Killed, FaultKind::Restarted,
                               FaultKind::Frozen};
    Usage start;
    bool savedFailed = false;
    for (size_t n = 0; nowUs() < endUs_ || n < 4; ++n) {
        const FaultKind kind = order[n % 4];
        inject(kind);
        std::vector<std::wstring> args = layoutArgs(lap_);
        const FaultKind next = order[(n + 1) % 4];
        if (next == FaultKind::Frozen)
            for (const wchar_t* extra : {L"--stop-after", L"10"})
                args.push_back(extra);
        faults_.back().returnUs = startStandin(args);
        if (n == 0)
            start = usageOf(gripline.id());
        if (!savedFailed && nowUs() > endUs_ - (endUs_ - faults_.front().returnUs) / 2) {
            failedSave();
            savedFailed = true;
        }
        drive(next == FaultKind::Frozen ? 0 : kDriveUs);
    }
    if (!savedFailed)
        failedSave();
    const Usage end = usageOf(gripline.id());

    test::click(window_->item(kStopRecordButton));
    window_->expectLine(L"Telemetry recording saved.");
    test::click(window_->item(kStopButton));
    window_->expectLine(L"FFB engine stopped.");
    finalLog_ = window_->log(); // the window is gone when the judge reads
    closeStandin();
    PostMessageW(handle, WM_CLOSE, 0, 0);
    if (gripline.waitExit(60s) != 0)
        failJob("Gripline did not close cleanly");
    return judge(start, end);
}

// What the wheel held at `atUs`: the last magnitude it received by then.
int32_t heldAt(const std::vector<test::WheelEvent>& sent, int64_t atUs) {
    int32_t held = 0;
    for (const test::WheelEvent& e : sent) {
        if (e.atUs > atUs)
            break;
        held = e.number();
    }
    return held;
}

int Soak::judge(const Usage& start, const Usage& end) {
    const auto events = test::parseWheelLog(test::readFile(out_ + L"\\wheel.log"));
    // What the wheel plays, event by event: each magnitude it received, and
    // nothing once its effect stops or the device is lost (a failed call
    // leaves it unacquired, its effects stopped) until the next magnitude.
    std::vector<test::WheelEvent> sent;
    for (const test::WheelEvent& e : events) {
        if (e.name == "magnitude")
            sent.push_back(e);
        else if (e.name == "stop" || e.name == "fail" || e.name == "unacquire")
            sent.push_back({e.atUs, "off", "0"});
    }
    int failures = 0;
    auto verdict = [&](bool ok) {
        failures += ok ? 0 : 1;
        return ok ? "" : "  <-- FAILED";
    };

    // Wheel episodes: scripted failures less than a second apart; back when
    // the wheel is acquired again after the episode's last failure, by a
    // reacquire or by the device the engine opens anew after giving the
    // wheel up (an episode whose wheel was released at Stop, with no device
    // acquired after it, is cut short).
    struct Episode {
        int64_t firstUs, lastUs, backUs; // backUs 0: not back
    };
    std::vector<Episode> episodes;
    size_t cutShort = 0;
    for (size_t i = 0; i < events.size();) {
        if (events[i].name != "fail") {
            ++i;
            continue;
        }
        Episode episode{events[i].atUs, events[i].atUs, 0};
        size_t j = i + 1;
        for (; j < events.size(); ++j)
            if (events[j].name == "fail") {
                if (events[j].atUs - episode.lastUs > 1'000'000)
                    break;
                episode.lastUs = events[j].atUs;
            }
        int64_t releasedUs = 0;
        for (size_t k = i + 1; k < events.size() && !episode.backUs; ++k) {
            if (events[k].atUs <= episode.lastUs)
                continue;
            if (events[k].name == "fail")
                break; // the next episode
            if (events[k].name == "acquire")
                episode.backUs = events[k].atUs;
            else if (events[k].name == "release" && events[k].value == "device" && !releasedUs)
                releasedUs = events[k].atUs;
        }
        if (!episode.backUs && releasedUs)
            cutShort += releasedUs - episode.lastUs < 5'000'000; // Stop came while it was lost
        episodes.push_back(episode);
        i = j;
    }
    size_t recovered = 0;
    int64_t worstRecovery = 0;
    for (const Episode& e : episodes)
        if (e.backUs) {
            ++recovered;
            worstRecovery = std::max(worstRecovery, e.backUs - e.lastUs);
        }
    // Where the simulator returned while the wheel was lost, the force can
    // come back only once the wheel has: measured from then.
    auto backBase = [&](int64_t returnUs) {
        for (const Episode& e : episodes)
            if (e.firstUs < returnUs + kBackOnUs && e.backUs > returnUs)
                returnUs = std::max(returnUs, e.backUs);
        return returnUs;
    };

    // Force off within 300 ms of each fault's last tick, then nothing but
    // zero until a second after the simulator's return (its start delay).
    int64_t slowestOff = 0, slowestBack = 0;
    size_t offInTime = 0, backInTime = 0, nonZeroWhileOff = 0;
    std::string perFault;
    int counts[4] = {};
    for (const Fault& f : faults_) {
        ++counts[static_cast<int>(f.kind)];
        int64_t offAt = f.lastTickUs;
        for (const auto& e : sent)
            if (e.atUs > f.lastTickUs && e.atUs < f.returnUs && e.number() != 0)
                offAt = e.atUs; // still pushing: off only after this
        if (heldAt(sent, offAt) != 0)
            for (const auto& e : sent)
                if (e.atUs > offAt && e.number() == 0) {
                    offAt = e.atUs;
                    break;
                }
        const int64_t off = offAt - f.lastTickUs;
        slowestOff = std::max(slowestOff, off);
        const int64_t windowEnd = std::max(f.returnUs, f.lastTickUs + kForceOffUs) + kStartDelayUs;
        size_t pushing = 0;
        for (const auto& e : sent)
            pushing += e.atUs > f.lastTickUs + kForceOffUs && e.atUs < windowEnd && e.number() != 0;
        nonZeroWhileOff += pushing;
        offInTime +=
            off <= kForceOffUs && heldAt(sent, f.lastTickUs + kForceOffUs) == 0 && pushing == 0;
        // Back on: the effect started again after the return.
        int64_t back = INT64_MAX;
        const int64_t base = backBase(f.returnUs);
        for (const auto& e : events)
            if (e.atUs > base && e.name == "start") {
                back = e.atUs - base;
                break;
            }
        slowestBack = std::max(slowestBack, back);
        backInTime += back <= kBackOnUs;
        char line[256];
        std::snprintf(
            line, sizeof line,
            "  %-46s last tick at %7.3f s: force off after %4.0f ms, non-zero while away %zu, "
            "back %.3f s after the return at %.3f s\n",
            kindName(f.kind), (f.lastTickUs - startUs_) / 1e6, off / 1000.0, pushing,
            back == INT64_MAX ? -1.0 : back / 1e6, (f.returnUs - startUs_) / 1e6);
        perFault += line;
    }

    // Off track inside the scenario lap: the first off-track tick to the
    // next on-track one.
    const auto ticks = watcher_.ticks();
    size_t offTrack = 0, offTrackPushing = 0;
    for (size_t i = 1; i < ticks.size(); ++i) {
        if (ticks[i].onTrack || !ticks[i - 1].onTrack)
            continue;
        ++offTrack;
        size_t j = i;
        while (j < ticks.size() && !ticks[j].onTrack && ticks[j].atUs - ticks[j - 1].atUs < 200'000)
            ++j;
        const int64_t until = j < ticks.size() ? ticks[j].atUs : ticks[j - 1].atUs;
        for (const auto& e : sent)
            offTrackPushing +=
                e.atUs > ticks[i].atUs + kForceOffUs && e.atUs < until && e.number() != 0;
    }

    // Steps between two magnitudes the wheel received, zeros aside; those
    // right after a reacquire shown apart (docs/departures.md, "A reacquire
    // climbs back within the slew limit").
    int32_t largestStep = 0, largestAfterReacquire = 0, previous = 0;
    bool reacquired = false;
    for (const test::WheelEvent& e : events) {
        if (e.name == "acquire")
            reacquired = true;
        if (e.name != "magnitude")
            continue;
        const int32_t m = e.number();
        if (m != 0) {
            int32_t& largest = reacquired ? largestAfterReacquire : largestStep;
            largest = std::max(largest, std::abs(m - previous));
            reacquired = false;
        }
        previous = m;
    }
    const std::wstring& log = finalLog_;
    size_t inputErrors = 0;
    for (size_t at = log.find(L"DirectInput FFB error: "); at != std::wstring::npos;
         at = log.find(L"DirectInput FFB error: ", at + 1))
        ++inputErrors;
    std::printf("\n== fault soak: %d minute(s), %zu faults injected (%d closed cleanly, %d killed, "
                "%d restarted "
                "into the other layout, %d frozen), %zu off-track stretches\n",
                minutes_, faults_.size(), counts[0], counts[1], counts[2], counts[3], offTrack);
    std::fputs(perFault.c_str(), stdout);
    std::printf("force off within 300 ms of the last tick: %zu of %zu (slowest %.0f ms)%s\n",
                offInTime, faults_.size(), slowestOff / 1000.0,
                verdict(offInTime == faults_.size()));
    std::printf(
        "non-zero magnitudes while the simulator was away or frozen: %zu; while off track: %zu%s\n",
        nonZeroWhileOff, offTrackPushing, verdict(nonZeroWhileOff == 0 && offTrackPushing == 0));
    std::printf("effect started again within 2 s of the simulator's return (or of the wheel's, "
                "when it was lost "
                "then): %zu of %zu (slowest %.2f s)%s\n",
                backInTime, faults_.size(), slowestBack / 1e6,
                verdict(backInTime == faults_.size()));
    std::printf(
        "wheel episodes (input lost, then unplugged): %zu, acquired again: %zu (slowest %.2f s "
        "after its "
        "last failure), cut short by Stop: %zu; DirectInput errors in the window's log: %zu%s\n",
        episodes.size(), recovered, worstRecovery / 1e6, cutShort, inputErrors,
        verdict(recovered + cutShort == episodes.size() && (episodes.empty() || inputErrors > 0)));
    std::printf(
        "largest step between two magnitudes the wheel received (zeros aside): %d; right after a "
        "reacquire: %d\n",
        largestStep, largestAfterReacquire);
    std::printf("read-only save: \"%s\"%s\n", narrow(failedSaveLine_).c_str(),
                verdict(failedSaveLine_.ends_with(L"Torvix_profiles.ini.")));
    std::printf(
        "handles %zu at the start, %zu at the end; private memory %.1f MB at the start, %.1f MB at "
        "the end%s\n",
        start.handles, end.handles, start.privateBytes / 1048576.0, end.privateBytes / 1048576.0,
        verdict(start.handles > 0 &&
                static_cast<int64_t>(end.handles) - static_cast<int64_t>(start.handles) <=
                    kHandleGrowth &&
                static_cast<int64_t>(end.privateBytes) - static_cast<int64_t>(start.privateBytes) <=
                    kMemoryGrowth));
    // Left on: a last magnitude that is not zero, with the effect neither
    // stopped nor released after it.
    bool leftOn = !sent.empty() && sent.back().number() != 0;
    for (const auto& e : events)
        if (leftOn && e.atUs >= sent.back().atUs &&
            (e.name == "stop" || (e.name == "release" && e.value == "effect")))
            leftOn = false;
    std::printf("last magnitude the wheel received: %d, then %s%s\n",
                sent.empty() ? 0 : sent.back().number(),
                events.empty() ? "nothing"
                               : (events.back().name + " " + events.back().value).c_str(),
                verdict(!leftOn));
    std::fflush(stdout);
    return failures == 0 ? 0 : 1;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: soak_faults OUTDIR PROGRAMDIR IBT SESSIONTEXT MINUTES\n");
        return 2;
    }
    try {
        Soak soak(argv[1], argv[2], argv[3], argv[4], std::max(1, _wtoi(argv[5])));
        return soak.run();
    } catch (const test::JobFailure& failure) {
        say("FAILED: " + failure.why);
        return 1;
    }
}
