#pragma once
// Taking over the Analyzer's advice in the force-feedback program.
#include "settings/profile_store.h"
#include "settings/settings_keeper.h"
#include "settings/settings_view.h"

#include <filesystem>
#include <functional>

namespace gripline {

// What applying advice touches: the settings logic's state and the keeper
// that saves it, shows the car and hands copies to the engine, the window,
// and the window's profile list, which the SettingsView port does not cover.
struct AdviceTarget {
    SettingsState& State;
    SettingsKeeper& Keeper; // must have been built on State and Window
    SettingsView& Window;
    ProfileStore& Store;                // reads the advice file
    std::function<void()> FillProfiles; // refill the profile list, select the active one
};

// Applies the advice file at `path` to the driver profile it names (created
// from the active one when missing, renamed to the file's letter case when
// found), to that car's settings and coefficients when it names a car, then
// saves everything and logs one line. An unusable file logs "Could not load
// analyzer advice file." and changes nothing. An advice file (one whose
// advice section has a "Version") is deleted in either case; any other file
// is left alone. Window thread only: called once at start-up for
// --apply-advice (after the main window exists) and for every path another
// instance hands over by WM_COPYDATA. True when the advice was applied.
bool applyAdviceFile(const AdviceTarget& target, const std::filesystem::path& path);

} // namespace gripline
