// Settings that follow the car, the track and the wet: which entry a context
// resolves to, and a settings file written before contexts existed, which
// must load unchanged and keep every key the earlier release reads after
// this one has added context entries to it.
#include "settings/car_key.h"
#include "settings/car_settings.h"
#include "settings/ini_text.h"
#include "settings/settings_keeper.h"
#include "tests/settings/settings_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <tuple>
#include <utility>

namespace gripline {
namespace {

using test::freshTestDir;
using test::storeUnderTest;

// Under Wine a Unix path is reached through the drive that maps "/".
std::filesystem::path testData(const char* name) {
#ifdef _WIN32
    return std::filesystem::path("Z:" GRIPLINE_TESTDATA) / name;
#else
    return std::filesystem::path(GRIPLINE_TESTDATA) / name;
#endif
}

FfbSettings strength(int32_t value) {
    FfbSettings s;
    s.ForceStrength = value;
    s.UseCarSpecificSettings = 1;
    return s;
}

TEST(DrivingContext, NamesBecomeKeysOnceAndTheLabelSaysWhichEntryIsInUse) {
    const DrivingContext c = resolveDrivingContext(L" FormulaIR04\r\n", L"Tsukuba 2kfull ",
                                                   L"Tsukuba Circuit 2k Full", true);
    EXPECT_EQ(c.CarKey, L"formulair04");
    EXPECT_EQ(c.TrackKey, L"tsukuba 2kfull");
    EXPECT_EQ(contextLabel(c, ContextScope::CarTrackWet, L"Default"),
              L"formulair04 \u00B7 Tsukuba Circuit 2k Full \u00B7 wet");
    EXPECT_EQ(contextLabel(c, ContextScope::CarWet, L"Default"), L"formulair04 \u00B7 wet");
    EXPECT_EQ(contextLabel(c, ContextScope::Car, L"Default"), L"formulair04");
    EXPECT_EQ(contextLabel(c, ContextScope::Profile, L"Default"), L"Default");
    EXPECT_EQ(resolveDrivingContext(L"generic", L"", L"Somewhere", false).TrackDisplayName, L"")
        << "no track key, nothing to show";
    EXPECT_EQ(contextSectionName(3, L"mx5 mx52016", L"", false), L"CarProfile3_mx5_mx52016");
    EXPECT_EQ(contextSectionName(3, L"mx5 mx52016", L"tsukuba 2kfull", true),
              L"CarContext3_mx5_mx52016@track_tsukuba_2kfull@wet");
    EXPECT_EQ(contextSectionName(3, L"mx5 mx52016", L"wet", false),
              L"CarContext3_mx5_mx52016@track_wet")
        << "a track named like the wet marker is still a track";
}

// Which entry each context takes, given which entries the car has: the most
// specific that has any, never one that needs what the context lacks.
TEST(DrivingContext, ResolvesFromTheMostSpecificEntryThatExists) {
    using S = ContextScope;
    struct Case {
        std::vector<S> entries; // what the car "mx5" has in profile 0
        bool track, wet;
        S expected;
    } cases[] = {
        {{}, true, true, S::Profile},
        {{S::Car}, true, true, S::Car},
        {{S::Car, S::CarWet}, true, true, S::CarWet},
        {{S::Car, S::CarWet, S::CarTrack}, true, true, S::CarTrack},
        {{S::Car, S::CarWet, S::CarTrack, S::CarTrackWet}, true, true, S::CarTrackWet},
        {{S::Car, S::CarWet, S::CarTrack, S::CarTrackWet}, true, false, S::CarTrack},
        {{S::Car, S::CarWet, S::CarTrack, S::CarTrackWet}, false, true, S::CarWet},
        {{S::Car, S::CarWet, S::CarTrack, S::CarTrackWet}, false, false, S::Car},
        {{S::CarWet, S::CarTrackWet}, true, false, S::Profile},
        {{S::CarTrack}, false, true, S::Profile},
    };
    const DrivingContext full = resolveDrivingContext(L"mx5", L"tsukuba", L"Tsukuba", true);
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(n++);
        const std::filesystem::path path = freshTestDir() / "Torvix_profiles.ini";
        SettingsFile file(storeUnderTest(), path);
        CarSettingsList entries;
        // Half the entries only in the file, read lazily; the rest in memory.
        for (size_t i = 0; i < c.entries.size(); ++i) {
            CarSettingsList& target = entries;
            CarSettingsList written;
            storeContextSettings(i % 2 ? written : target, 0, contextKey(full, c.entries[i]),
                                 strength(10 + static_cast<int32_t>(i)));
            ASSERT_TRUE(saveCarEntries(file, written));
        }
        DrivingContext context = full;
        if (!c.track)
            context.TrackKey.clear();
        context.Wet = c.wet;
        EXPECT_EQ(resolveScope(entries, file, 0, context), c.expected);
        EXPECT_EQ(resolveScope(entries, file, 1, context), S::Profile) << "another profile's";
    }
}

// The window's status refresh hands the keeper a new context: the context
// left keeps what the driver set, the new one's entry fades in, and Save
// writes where the settings came from unless told otherwise.
TEST(DrivingContext, AContextChangeKeepsWhatWasSetAndFadesTheNewSettingsIn) {
    struct FadeRecorder final : SettingsHandOver {
        void storeSettings(const FfbSettings& s) override { Plain.push_back(s.ForceStrength); }
        void storeSettingsFaded(const FfbSettings& s) override { Faded.push_back(s.ForceStrength); }
        void storeCustomCars(const CustomCarList&) override {}
        std::vector<int32_t> Plain, Faded;
    } engine;
    struct ContextView final : SettingsView {
        void refreshControls(const FfbSettings&) override {}
        void log(const std::wstring& line) override { Lines.push_back(line); }
        void showCar(const std::wstring&, const CarCoefficients&) override {}
        void showContext(const std::wstring& label) override { Label = label; }
        std::vector<std::wstring> Lines;
        std::wstring Label;
    } view;
    SettingsState state;
    state.Profiles.List = {{L"Default", strength(50)}};
    state.Profiles.InUse = state.Profiles.List[0].Settings;
    SettingsKeeper keeper(state, SettingsFile(storeUnderTest(), freshTestDir() / "s.ini"), view,
                          engine);
    const DrivingContext dry = resolveDrivingContext(L"mx5", L"tsukuba", L"Tsukuba", false);
    DrivingContext wet = dry;
    wet.Wet = true;
    storeContextSettings(state.CarEntries, 0, contextKey(dry, ContextScope::CarTrack),
                         strength(90));

    keeper.changeContext(dry);
    EXPECT_EQ(state.Profiles.InUse.ForceStrength, 90);
    EXPECT_EQ(view.Label, L"Settings: mx5 \u00B7 Tsukuba");
    keeper.changeContext(wet); // no wet entry: the track's own stays in force
    EXPECT_EQ(view.Label, L"Settings: mx5 \u00B7 Tsukuba");
    state.Profiles.InUse.ForceStrength = 91; // the driver moves the slider
    keeper.storeCurrentSettings();
    storeContextSettings(state.CarEntries, 0, contextKey(wet, ContextScope::CarWet), strength(25));
    keeper.changeContext(dry);
    keeper.changeContext(wet);
    EXPECT_EQ(state.Profiles.InUse.ForceStrength, 91) << "the track's entry is more specific";
    keeper.changeContext(resolveDrivingContext(L"mx5", L"", L"", true));
    EXPECT_EQ(state.Profiles.InUse.ForceStrength, 25);
    EXPECT_EQ(view.Label, L"Settings: mx5 \u00B7 wet");
    EXPECT_EQ(view.Lines.back(), L"Settings in use: mx5 \u00B7 wet.");
    EXPECT_EQ(engine.Faded, (std::vector<int32_t>{90, 90, 91, 91, 25}));
    EXPECT_TRUE(engine.Plain.empty()) << "a context change is never a step";
    keeper.changeContext(resolveDrivingContext(L"generic", L"", L"", false));
    EXPECT_EQ(state.Context.CarKey, L"mx5") << "no car known keeps the context in use";
}

// Every section and key of `file` as the file holds them.
std::map<std::pair<std::wstring, std::wstring>, std::wstring>
iniEntries(const std::filesystem::path& file) {
    std::map<std::pair<std::wstring, std::wstring>, std::wstring> entries;
    const std::wstring text = decodeIniBytes(test::readBytes(file)).Text;
    std::wstring section;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos)
            end = text.size();
        std::wstring line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == L'\r')
            line.pop_back();
        if (line.size() > 1 && line.front() == L'[' && line.back() == L']')
            section = line.substr(1, line.size() - 2);
        else if (const size_t eq = line.find(L'='); eq != std::wstring::npos)
            entries[{section, line.substr(0, eq)}] = line.substr(eq + 1);
    }
    return entries;
}

// The file of the release before contexts: every profile, car entry and
// coefficient loads, and after this release adds an entry for each new
// context and saves, each key of the old file is still there with its
// value, and every new section is one that release never reads.
TEST(SettingsFileBeforeContexts, LoadsUnchangedAndKeepsItsKeysAfterContextsAreAdded) {
    const std::filesystem::path path = freshTestDir() / "Torvix_profiles.ini";
    std::filesystem::copy_file(testData("settings_before_contexts.ini"), path);
    const auto before = iniEntries(path);
    ASSERT_GT(before.size(), 100u);

    test::RecordingView view;
    test::RecordingEngine engine;
    SettingsState state;
    SettingsKeeper keeper(state, SettingsFile(storeUnderTest(), path), view, engine);
    keeper.loadCoefficients();
    keeper.loadProfiles();
    ASSERT_EQ(state.Profiles.List.size(), 3u);
    EXPECT_EQ(state.Profiles.Active, 1);
    EXPECT_EQ(state.Profiles.InUse.ForceStrength, 208);
    ASSERT_EQ(state.CustomCars.size(), 2u);
    EXPECT_EQ(state.CustomCars[1].Car, L"dallarap217");

    for (const auto& [profile, car, force] :
         {std::tuple{0, L"skippy", 408}, {0, L"\u00C4rger car", 508}, {1, L"mx5 mx52016", 608}})
        EXPECT_EQ(carSettingsFor(state.CarEntries, keeper.file(), profile, car, {}).ForceStrength,
                  force);

    const DrivingContext wet =
        resolveDrivingContext(L"MX5 MX52016", L"tsukuba 2kfull", L"Tsukuba Circuit 2k Full", true);
    DrivingContext dry = wet;
    dry.Wet = false;
    storeContextSettings(state.CarEntries, 1, contextKey(dry, ContextScope::CarTrack),
                         strength(70));
    storeContextSettings(state.CarEntries, 1, contextKey(wet, ContextScope::CarWet), strength(30));
    storeContextSettings(state.CarEntries, 1, contextKey(wet, ContextScope::CarTrackWet),
                         strength(40));
    keeper.changeContext(wet);
    EXPECT_EQ(state.Profiles.InUse.ForceStrength, 40);
    ASSERT_TRUE(keeper.saveAll());

    const auto after = iniEntries(path);
    for (const auto& [key, value] : before) {
        const auto found = after.find(key);
        ASSERT_NE(found, after.end()) << "lost [" << std::string(key.first.begin(), key.first.end())
                                      << "] " << std::string(key.second.begin(), key.second.end());
        EXPECT_EQ(found->second, value);
    }
    size_t newSections = 0;
    for (const auto& [key, value] : after) {
        const bool oldSection = std::any_of(before.begin(), before.end(), [&](const auto& e) {
            return e.first.first == key.first;
        });
        if (oldSection)
            continue;
        EXPECT_EQ(key.first.rfind(L"CarContext1_mx5_mx52016@", 0), 0u);
        newSections += key.second == L"Exists";
    }
    EXPECT_EQ(newSections, 3u);

    // This release reads its context entries back after a restart, and the
    // old car entry where the context has none.
    const std::pair<DrivingContext, int32_t> expected[] = {
        {wet, 40},
        {dry, 70},
        {resolveDrivingContext(L"mx5 mx52016", L"", L"", true), 30},
        {resolveDrivingContext(L"mx5 mx52016", L"spa", L"Spa", false), 608},
    };
    for (const auto& [context, force] : expected) {
        SettingsState again;
        SettingsKeeper reread(again, SettingsFile(storeUnderTest(), path), view, engine);
        reread.loadProfiles();
        reread.changeContext(context);
        EXPECT_EQ(again.Profiles.InUse.ForceStrength, force);
    }
}

} // namespace
} // namespace gripline
