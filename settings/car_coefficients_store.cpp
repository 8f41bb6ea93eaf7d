#include "settings/car_coefficients_store.h"

#include "settings/ascii_case.h"
#include "settings/builtin_cars.h"
#include "settings/car_key.h"
#include "settings/rounding.h"

#include <algorithm>

namespace gripline {

namespace {

constexpr const wchar_t* kGeneric = L"generic";
constexpr size_t kCarCapacity = 128;

// The stored keys scale each coefficient to whole numbers; the steer margin
// bias is kept in tenths of a degree (572.9578 = 1800 / pi). Reading
// divides in single precision.
constexpr double kYawRateScale = 10.0;
constexpr double kYawSteerScale = 1000.0;
constexpr double kResistanceScale = 100.0;
constexpr double kMarginBiasScale = 572.9578;

float unscale(int32_t stored, double scale) {
    return static_cast<float>(stored) / static_cast<float>(scale);
}

CarCoefficients makeValues(float yawRate, float yawSteer, float lateral, float resistance,
                           float marginBias) {
    CarCoefficients values;
    values.YawRateMultiplier = yawRate;
    values.YawSteerGain = yawSteer;
    values.LateralAccelDivisor = lateral;
    values.ResistanceGain = resistance;
    values.SteerMarginBias = marginBias;
    return values;
}

const CarCoefficientEntry* findCustom(const CustomCarList& custom, std::wstring_view name) {
    for (const CarCoefficientEntry& entry : custom)
        if (equalsIgnoreCase(entry.Car, name))
            return &entry;
    return nullptr;
}

CarCoefficientEntry readEntry(const SettingsFile& file, const std::wstring& section) {
    CarCoefficientEntry entry;
    entry.Car = normalizeCarKey(file.readString(section, L"Car", L"", kCarCapacity));
    entry.Values =
        makeValues(unscale(file.readInt(section, L"YawRateMultiplierTenth", 440), kYawRateScale),
                   unscale(file.readInt(section, L"YawSteerGainThousand", 0), kYawSteerScale),
                   unscale(file.readInt(section, L"LateralAccelDivisor", 110), 1.0),
                   unscale(file.readInt(section, L"ResistanceGainHundred", 100), kResistanceScale),
                   unscale(file.readInt(section, L"SteerMarginBiasTenthDeg", 0), kMarginBiasScale));
    return entry;
}

bool writeEntry(SettingsFile& file, const std::wstring& section, const CarCoefficientEntry& entry) {
    const CarCoefficients& v = entry.Values;
    bool ok = file.writeString(section, L"Car", entry.Car);
    ok = file.writeInt(section, L"YawRateMultiplierTenth",
                       roundScaled(v.YawRateMultiplier, kYawRateScale)) &&
         ok;
    ok = file.writeInt(section, L"YawSteerGainThousand",
                       roundScaled(v.YawSteerGain, kYawSteerScale)) &&
         ok;
    ok = file.writeInt(section, L"LateralAccelDivisor", roundScaled(v.LateralAccelDivisor)) && ok;
    ok = file.writeInt(section, L"ResistanceGainHundred",
                       roundScaled(v.ResistanceGain, kResistanceScale)) &&
         ok;
    ok = file.writeInt(section, L"SteerMarginBiasTenthDeg",
                       roundScaled(v.SteerMarginBias, kMarginBiasScale)) &&
         ok;
    return ok;
}

} // namespace

CarCoefficients defaultCoefficients() {
    return makeValues(40.0f, 0.0f, 90.0f, 1.0f, 0.0f);
}

CarCoefficientEntry genericCoefficients() {
    return {kGeneric, defaultCoefficients()};
}

CarCoefficientEntry coefficientsFor(const CustomCarList& custom, std::wstring_view name) {
    return coefficientsForKey(custom, normalizeCarKey(name));
}

CarCoefficientEntry coefficientsForKey(const CustomCarList& custom, std::wstring_view carKey) {
    const std::wstring key = carKey.empty() ? std::wstring(kGeneric) : std::wstring(carKey);
    if (const CarCoefficientEntry* entry = findCustom(custom, key))
        return *entry;
    if (const BuiltinCar* row = findBuiltinCar(key))
        return {key, builtinValues(*row)};
    return {key, defaultCoefficients()};
}

const wchar_t* resolveCoefficients(const CustomCarList& custom, std::wstring_view carPath,
                                   bool useCarSpecific, CarCoefficients& out) {
    if (!useCarSpecific) {
        // Without car-specific settings every car gets one set, kept from
        // before the per-car table existed.
        out = makeValues(44.0f, 0.0f, 110.0f, 1.0f, 0.0f);
        return kGeneric;
    }
    if (const CarCoefficientEntry* entry = findCustom(custom, carPath)) {
        out = entry->Values;
        return L"custom";
    }
    if (const BuiltinCar* row = findBuiltinCar(carPath)) {
        out = builtinValues(*row);
        return row->Car;
    }
    out = defaultCoefficients();
    return kGeneric;
}

bool storeCoefficients(CustomCarList& custom, const CarCoefficientEntry& entry) {
    CarCoefficientEntry kept{normalizeCarKey(entry.Car), entry.Values};
    if (kept.Car.empty())
        return false;
    const auto same = [&](const CarCoefficientEntry& e) {
        return equalsIgnoreCase(e.Car, kept.Car);
    };
    if (auto it = std::find_if(custom.begin(), custom.end(), same); it != custom.end())
        *it = std::move(kept);
    else
        custom.push_back(std::move(kept));
    return true;
}

bool hasCoefficients(const CustomCarList& custom, std::wstring_view name) {
    if (equalsIgnoreCase(name, kGeneric))
        return true;
    const std::wstring key = normalizeCarKey(name);
    return !key.empty() && hasCoefficientsForKey(custom, key);
}

bool hasCoefficientsForKey(const CustomCarList& custom, std::wstring_view carKey) {
    if (carKey.empty() || equalsIgnoreCase(carKey, kGeneric))
        return true;
    return findCustom(custom, carKey) != nullptr || findBuiltinCar(carKey) != nullptr;
}

CustomCarList loadCoefficients(const SettingsFile& file) {
    CustomCarList custom;
    const int32_t count =
        std::min(file.readInt(L"Coefficients", L"Count", 0), kMaxCoefficientEntries);
    for (int32_t i = 0; i < count; ++i) {
        CarCoefficientEntry entry = readEntry(file, numbered(L"Coefficient", i));
        if (!entry.Car.empty())
            custom.push_back(std::move(entry));
    }
    return custom;
}

bool saveCoefficients(SettingsFile& file, const CustomCarList& custom) {
    bool ok = file.writeInt(L"Coefficients", L"Count", static_cast<int32_t>(custom.size()));
    for (size_t i = 0; i < custom.size(); ++i)
        ok = writeEntry(file, numbered(L"Coefficient", static_cast<int32_t>(i)), custom[i]) && ok;
    return ok;
}

} // namespace gripline
