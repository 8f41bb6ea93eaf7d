#pragma once
// The settings and coefficients the program would drive a car with, taken
// from a settings file without a window: for tools that replay a drive.
#include "settings/car_coefficients_store.h"
#include "settings/ffb_settings.h"
#include "settings/profile_store.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace gripline {

struct DrivingSettings {
    std::wstring ProfileName;
    FfbSettings Settings;            // the copy the engine would be handed
    CustomCarList CustomCars;        // the engine's copy of the custom list
    CarCoefficients Coefficients;    // what the engine resolves for the car each tick
    std::wstring CoefficientsSource; // "generic", "custom" or the built-in row's name
    bool CarEntryFound = false;      // the car had settings of its own in that profile
};

// Loads the file as the program starts, selects the profile named
// `profileName` (without regard to case; the active one when empty) and,
// with car-specific settings on in it, applies the entry of `carPath` (none
// when empty). False with a one-line reason when the file does not exist or
// no profile has that name.
bool loadDrivingSettings(ProfileStore& store, const std::filesystem::path& file,
                         std::wstring_view profileName, std::wstring_view carPath,
                         DrivingSettings& out, std::string& error);

} // namespace gripline
