// Settings that follow the track and the wet, in the real window on the
// virtual wheel under Wine: the stand-in drives the MX-5 at Tsukuba, then a
// wet session at the test circuit that dries. The settings file holds an
// entry for the car at Tsukuba and one for the car in the wet, of clearly
// different strength: the window's context text follows each change, the
// force level follows it through a fade (no step at the wheel), and the file
// the program leaves keeps every key where the previous release reads it.
#include "common/qpc_clock_win32.h"
#include "tests/e2e/program_folder_win32.h"
#include "tests/e2e/window_on_virtual_wheel_win32.h"
#include "tests/support/gui_driver_win32.h"
#include "tests/support/standin_child_win32.h"
#include "tests/support/wheel_log.h"
#include "ui/control_ids.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace gripline {
namespace {

using namespace std::chrono_literals;
using test::waitFor;

constexpr auto kStartLimit = 60s;
// A context change shows after the stand-in's scenario boundary, the wet
// state's hold-off and a status refresh; a busy machine is slower.
constexpr auto kEventLimit = 60s;
const std::wstring kTrackLabel = L"Settings: mx5 mx52016 \u00B7 Tsukuba Circuit 2k Full";
const std::wstring kWetLabel = L"Settings: mx5 mx52016 \u00B7 wet";

std::string narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text)
        out += c < 128 ? static_cast<char>(c) : '?';
    return out;
}

int64_t nowUs() {
    return qpcClock().nowNs() / 1000;
}

class WindowContext : public test::WindowOnVirtualWheel {
  protected:

    void write(const wchar_t* section, const wchar_t* key, const wchar_t* value) {
        ASSERT_TRUE(WritePrivateProfileStringW(section, key, value, folder.settings().c_str()));
    }
    std::wstring setting(const std::wstring& section, const wchar_t* key) const {
        wchar_t value[256] = {};
        GetPrivateProfileStringW(section.c_str(), key, L"<none>", value, 256,
                                 folder.settings().c_str());
        return value;
    }
    // One profile with car-specific settings on at 50 %, the car at Tsukuba
    // at 100 % and the car in the wet at 20 %.
    void prepareSettings() {
        write(L"Profiles", L"Count", L"1");
        write(L"Profiles", L"Selected", L"0");
        write(L"Profile0", L"Name", L"Default");
        write(L"Profile0", L"UseCarSpecificSettings", L"1");
        write(L"Profile0", L"ForceStrength", L"50");
        const wchar_t* track = L"CarContext0_mx5_mx52016@track_tsukuba_2kfull";
        write(track, L"Exists", L"1");
        write(track, L"Car", L"mx5 mx52016");
        write(track, L"Track", L"tsukuba 2kfull");
        write(track, L"ForceStrength", L"100");
        const wchar_t* wet = L"CarContext0_mx5_mx52016@wet";
        write(wet, L"Exists", L"1");
        write(wet, L"Car", L"mx5 mx52016");
        write(wet, L"Wet", L"1");
        write(wet, L"ForceStrength", L"20");
    }

    std::wstring contextText() const { return test::windowText(GetDlgItem(window, kContextLabel)); }
    // Waits for the context text to read `label`; the moment it was seen (µs
    // on the wheel log's clock), or 0.
    int64_t waitForContext(const std::wstring& label) const {
        return waitFor([&] { return contextText() == label; }, kEventLimit) ? nowUs() : 0;
    }
    std::wstring logText() const {
        return test::windowText(test::childAt(window, {48, 718, 1548, 774}));
    }

    // The wheel's magnitudes between two moments.
    std::vector<test::WheelEvent> forcesBetween(int64_t fromUs, int64_t toUs) const {
        std::vector<test::WheelEvent> out;
        for (const test::WheelEvent& e :
             test::magnitudes(test::parseWheelLog(test::readFile(wheelLog))))
            if (e.atUs >= fromUs && e.atUs < toUs)
                out.push_back(e);
        return out;
    }
    static int32_t peak(const std::vector<test::WheelEvent>& forces) {
        int32_t largest = 0;
        for (const test::WheelEvent& e : forces)
            largest = std::max(largest, std::abs(e.number()));
        return largest;
    }
    // The events around the largest step, for the report of a failure.
    static std::string aroundLargestStep(const std::vector<test::WheelEvent>& forces,
                                         int64_t originUs) {
        size_t at = 0;
        int32_t largest = -1;
        for (size_t i = 1; i < forces.size(); ++i)
            if (std::abs(forces[i].number() - forces[i - 1].number()) > largest) {
                largest = std::abs(forces[i].number() - forces[i - 1].number());
                at = i;
            }
        std::string text;
        for (size_t i = at > 5 ? at - 5 : 0; i < std::min(forces.size(), at + 5); ++i)
            text += std::to_string((forces[i].atUs - originUs) / 1000) + " ms: " + forces[i].value +
                    "\n";
        return text;
    }
    static int32_t largestStep(const std::vector<test::WheelEvent>& forces) {
        int32_t largest = 0;
        for (size_t i = 1; i < forces.size(); ++i)
            largest = std::max(largest, std::abs(forces[i].number() - forces[i - 1].number()));
        return largest;
    }
};

TEST_F(WindowContext, TheSettingsFollowTheTrackAndTheWetAndFadeBetweenThem) {
    prepareSettings();
    ASSERT_TRUE(program.start(folder.exe()));
    window = test::waitForTopWindow(L"TorvixCommercialWindow", program.id(), kStartLimit);
    ASSERT_NE(window, nullptr) << "no Gripline window appeared";
    EXPECT_EQ(test::textOnceItIs(GetDlgItem(window, kContextLabel), L"Settings: Default"),
              L"Settings: Default")
        << "no car known yet: the profile's";
    ASSERT_TRUE(waitFor(
        [&] { return logText().find(L"Force feedback devices found.") != std::wstring::npos; },
        kEventLimit));
    test::click(GetDlgItem(window, kStartButton));

    // The run: the MX-5 lap and the corner at Tsukuba (20 s), then the wet
    // weave and the drying one at the test circuit (20 s), over and over.
    ASSERT_TRUE(standin.start(
        {L"--scenario", L"mx5-lap,tsukuba,wet,drying", L"--loop", L"--exit-after", L"200"}));
    ASSERT_TRUE(waitFor([] { return FindWindowW(L"GriplineSimulatorStandin", nullptr); }, 30s))
        << "the stand-in did not start (does it play these scenarios?): " << standin.err();

    ASSERT_NE(waitForContext(kTrackLabel), 0) << narrow(contextText()) << "\n" << narrow(logText());
    // Wet at the test circuit (a new session there: the wet state counts at
    // once): the car's wet entry, the circuit having none of its own.
    ASSERT_NE(waitForContext(kWetLabel), 0) << narrow(contextText()) << "\n" << narrow(logText());
    EXPECT_TRUE(waitFor(
        [&] {
            return logText().find(L"Settings in use: mx5 mx52016 \u00B7 wet.") != std::wstring::npos;
        },
        kEventLimit))
        << narrow(logText());
    RECT screen;
    GetWindowRect(window, &screen);
    EXPECT_TRUE(test::screenshot(
        screen, test::windowsPath(std::string(GRIPLINE_ARTIFACTS "/gripline_context_wet.png"))));

    // Dried out mid-weave, 4 s into "drying" (wetness below 4 from 1 s, then
    // the 3 s hold-off): no entry for the circuit in the dry, so the car's
    // own or the profile's, at 50 % where the wet had 20 %.
    const int64_t drySeenUs =
        waitFor([&] { return contextText() != kWetLabel; }, kEventLimit) ? nowUs() : 0;
    ASSERT_NE(drySeenUs, 0);
    EXPECT_TRUE(contextText() == L"Settings: mx5 mx52016" || contextText() == L"Settings: Default")
        << narrow(contextText());
    std::this_thread::sleep_for(5s); // the fade and a weave (3.3 s) at the new strength

    // The refresh that made the change ran at most 250 ms before it was seen,
    // so the fade lies within `fade`; `before` and `after` each hold a whole
    // weave of the same drive, at 20 % and at 50 %.
    const auto before = forcesBetween(drySeenUs - 3'700'000, drySeenUs - 300'000);
    const auto fade = forcesBetween(drySeenUs - 300'000, drySeenUs + 1'500'000);
    const auto after = forcesBetween(drySeenUs + 1'500'000, drySeenUs + 4'900'000);
    ASSERT_FALSE(before.empty() || fade.empty() || after.empty()) << "the wheel received no force";
    std::printf("drying: peak %d at 20 %%, %d at 50 %%; largest step %d before, %d in the fade, "
                "%d after\n",
                peak(before), peak(after), largestStep(before), largestStep(fade),
                largestStep(after));
    EXPECT_GT(peak(after) * 10, peak(before) * 16) << "50 % against 20 %";
    // At once, the change would lift the force by one and a half times its
    // level in one step (417 where the weave's own steps were 40 and 109,
    // measured with the fade taken out); faded, no step in it exceeds the
    // weave's own by more than the road texture's spread.
    EXPECT_LE(largestStep(fade), std::max(largestStep(before), largestStep(after)) + 100)
        << aroundLargestStep(fade, drySeenUs);

    test::click(GetDlgItem(window, kStopButton));
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.waitExit(60s), 0);
    window = nullptr;

    // The file left behind: the context entries as written, and every section
    // either one the previous release reads as before or a context entry,
    // which it never reads.
    EXPECT_EQ(setting(L"Profiles", L"Count"), L"1");
    EXPECT_EQ(setting(L"Profile0", L"ForceStrength"), L"50");
    EXPECT_EQ(setting(L"Profile0", L"UseCarSpecificSettings"), L"1");
    EXPECT_EQ(setting(L"CarContext0_mx5_mx52016@track_tsukuba_2kfull", L"ForceStrength"), L"100");
    EXPECT_EQ(setting(L"CarContext0_mx5_mx52016@wet", L"ForceStrength"), L"20");
    wchar_t names[4096] = {};
    const DWORD length = GetPrivateProfileSectionNamesW(names, 4096, folder.settings().c_str());
    ASSERT_GT(length, 0u);
    for (const wchar_t* name = names; *name; name += wcslen(name) + 1) {
        const std::wstring section = name;
        const bool context =
            section.starts_with(L"CarContext0_") && section.find(L'@') != std::wstring::npos;
        const bool old = section == L"Profiles" || section.starts_with(L"Profile") ||
                         section.starts_with(L"CarProfile0_") ||
                         section.starts_with(L"Coefficient") || section == L"DriverIdentity" ||
                         section == L"ButtonBindings";
        EXPECT_TRUE(context || old) << narrow(section);
        if (section.starts_with(L"CarProfile0_")) {
            EXPECT_EQ(section, L"CarProfile0_mx5_mx52016") << "the car's own entry, as before";
        }
    }
}

} // namespace
} // namespace gripline
