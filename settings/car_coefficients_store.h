#pragma once
// The user's own coefficient entries (the custom list), the lookups of the
// window and of the engine, and the list's sections in the settings file.
#include "settings/car_coefficient_entry.h"
#include "settings/car_coefficients.h"
#include "settings/settings_file.h"

#include <string_view>
#include <vector>

namespace gripline {

using CustomCarList = std::vector<CarCoefficientEntry>;

// Hand-edited counts beyond this are not read (see kMaxProfiles).
inline constexpr int32_t kMaxCoefficientEntries = 1000;

// The coefficients of a car nothing is known about.
CarCoefficients defaultCoefficients();
// "generic" with those.
CarCoefficientEntry genericCoefficients();

// The window's lookup, by normalised key ("generic" when empty): the first
// custom entry, else the built-in row, else the key with the defaults.
CarCoefficientEntry coefficientsFor(const CustomCarList& custom, std::wstring_view name);
// The same for a key already normalised (the driving context's).
CarCoefficientEntry coefficientsForKey(const CustomCarList& custom, std::wstring_view carKey);

// The engine's lookup of the car path as the simulator names it, compared
// without regard to case but not normalised. With car-specific settings off,
// fixed values; else the first custom entry, else the built-in row, else the
// defaults. Writes `out` and returns where the values came from: "generic",
// "custom" or the row's name (static text). Allocates nothing.
const wchar_t* resolveCoefficients(const CustomCarList& custom, std::wstring_view carPath,
                                   bool useCarSpecific, CarCoefficients& out);

// Keeps `entry` under its normalised key, replacing the first entry of that
// key or appending. False, and nothing kept, when the key is empty.
bool storeCoefficients(CustomCarList& custom, const CarCoefficientEntry& entry);

// True for "generic" and for every car the custom list or the table knows.
bool hasCoefficients(const CustomCarList& custom, std::wstring_view name);
// The same for a key already normalised; empty is "generic".
bool hasCoefficientsForKey(const CustomCarList& custom, std::wstring_view carKey);

// Reads the custom list from "Coefficients" and "Coefficient%d"; entries
// without a car are skipped, duplicates kept (the first wins in lookups).
CustomCarList loadCoefficients(const SettingsFile& file);
// False when a write failed.
bool saveCoefficients(SettingsFile& file, const CustomCarList& custom);

} // namespace gripline
