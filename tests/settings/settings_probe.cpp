// Writes a settings file with everything the program keeps in it, or reads
// one back, and prints what it holds in a canonical text form. A test runs
// it from both builds: the file one build writes must read the same in the
// other, and in a later run of the same build.
//
//   settings_probe write FILE [--store ini|win32]   prints what it wrote
//   settings_probe read FILE [--store ini|win32]    prints what it read
//   settings_probe add-contexts FILE [--store ...]  adds an entry for each
//                                                   context to FILE
//
// The Windows build uses the private-profile functions unless told
// "--store ini"; the native build has only the portable store.
#include "settings/car_key.h"
#include "settings/ini_profile_store.h"
#include "settings/settings_keeper.h"
#include "settings/wide_text.h"
#ifdef _WIN32
#include "settings/profile_store_win32.h"

#include <fcntl.h>
#include <io.h>
#endif

#include <charconv>
#include <cstdio>
#include <iostream>
#include <memory>
#include <sstream>
#include <vector>

namespace gripline {
namespace {

constexpr int32_t kDriverId = 4711;
const std::wstring kDriverName = L"Mika Häkkinen 東京";
// The cars whose entries are printed, in this order; the file is read lazily.
const std::vector<std::wstring> kCars = {L"skippy", L"mx5 mx52016", L"Ärger car", L"rt2000"};

class NoView final : public SettingsView {
  public:
    void refreshControls(const FfbSettings&) override {}
    void log(const std::wstring& line) override { std::cerr << wideToUtf8(line) << "\n"; }
    void showCar(const std::wstring&, const CarCoefficients&) override {}
};

class NoEngine final : public SettingsHandOver {
  public:
    void storeSettings(const FfbSettings&) override {}
    void storeCustomCars(const CustomCarList&) override {}
};

// Every field differs from its default and from the other records'.
FfbSettings varied(int32_t seed) {
    FfbSettings s;
    for (int i = 0; i < kFfbSettingCount; ++i) {
        const SettingDescriptor& row = kFfbSettingTable[i];
        row.set(s, row.kind == SettingKind::Flag ? (seed + i) % 2 : seed * 100 + i);
    }
    s.OversteerCorrection = 100 + seed; // within what reading keeps
    s.UseCarSpecificSettings = 1;
    return s;
}

// Coefficients that survive the file's scaling exactly.
CarCoefficients exact(int32_t tenths, int32_t thousandths, int32_t lateral, int32_t hundredths,
                      int32_t tenthDegrees) {
    CarCoefficients c;
    c.YawRateMultiplier = static_cast<float>(tenths) / 10.0f;
    c.YawSteerGain = static_cast<float>(thousandths) / 1000.0f;
    c.LateralAccelDivisor = static_cast<float>(lateral);
    c.ResistanceGain = static_cast<float>(hundredths) / 100.0f;
    c.SteerMarginBias = static_cast<float>(tenthDegrees) / 572.9578f;
    return c;
}

void fillState(SettingsState& state) {
    state.Profiles.List = {
        {L"Default", varied(1)}, {L"Пилот 東京 \"fast\" one", varied(2)}, {L"Third", varied(3)}};
    state.Profiles.Active = 1;
    state.Profiles.InUse = state.Profiles.List[1].Settings;
    storeCarSettings(state.CarEntries, 0, L"skippy", varied(4));
    storeCarSettings(state.CarEntries, 0, L"Ärger Car", varied(5));
    storeCarSettings(state.CarEntries, 1, L"MX5 MX52016", varied(6));
    storeCoefficients(state.CustomCars, {L"skippy", exact(375, 5, 95, 113, 6)});
    storeCoefficients(state.CustomCars, {L"dallarap217", exact(-23, 450, 130, 200, -100)});
}

std::string number(float value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

void printSettings(std::ostream& out, const FfbSettings& s) {
    for (const SettingDescriptor& row : kFfbSettingTable)
        out << " " << row.key << "=" << row.get(s);
    out << "\n";
}

// `carEntry` gives a car's settings in a profile, or false when it has none.
template <typename CarEntry>
void print(std::ostream& out, const SettingsState& state, const SettingsFile& file,
           CarEntry carEntry) {
    const ProfileSet& profiles = state.Profiles;
    out << "profiles " << profiles.List.size() << " active " << profiles.Active << "\n";
    for (size_t i = 0; i < profiles.List.size(); ++i) {
        out << "profile " << i << " name \"" << wideToUtf8(profiles.List[i].Name) << "\"\n ";
        printSettings(out, profiles.List[i].Settings);
        for (const std::wstring& car : kCars) {
            FfbSettings settings;
            if (carEntry(static_cast<int32_t>(i), car, settings)) {
                out << " car \"" << wideToUtf8(car) << "\"\n  ";
                printSettings(out, settings);
            }
        }
    }
    for (const CarCoefficientEntry& e : state.CustomCars)
        out << "coefficients \"" << wideToUtf8(e.Car) << "\" " << number(e.Values.YawRateMultiplier)
            << " " << number(e.Values.YawSteerGain) << " " << number(e.Values.LateralAccelDivisor)
            << " " << number(e.Values.ResistanceGain) << " " << number(e.Values.SteerMarginBias)
            << "\n";
    out << "driver " << kDriverId << " \"" << wideToUtf8(readDriverName(file, kDriverId)) << "\"\n";
}

int write(ProfileStore& store, const std::filesystem::path& path) {
    SettingsState state;
    fillState(state);
    NoView view;
    NoEngine engine;
    SettingsKeeper keeper(state, SettingsFile(store, path), view, engine);
    if (!keeper.saveAll() || !rememberDriverName(keeper.file(), kDriverId, kDriverName))
        return 1;
    print(std::cout, state, keeper.file(),
          [&](int32_t profile, const std::wstring& car, FfbSettings& s) {
              CarSettingsEntry* entry = findCarEntry(state.CarEntries, profile, car);
              if (entry != nullptr)
                  s = entry->Settings;
              return entry != nullptr;
          });
    return 0;
}

int read(ProfileStore& store, const std::filesystem::path& path) {
    SettingsState state;
    NoView view;
    NoEngine engine;
    SettingsKeeper keeper(state, SettingsFile(store, path), view, engine);
    keeper.loadCoefficients();
    keeper.loadProfiles();
    print(std::cout, state, keeper.file(),
          [&](int32_t profile, const std::wstring& car, FfbSettings& s) {
              if (!fileHasCarEntry(keeper.file(), profile, car))
                  return false;
              s = carSettingsFor(state.CarEntries, keeper.file(), profile, car, FfbSettings{});
              return true;
          });
    return 0;
}

// What a driver of this release leaves in a file: the file's own entries,
// plus one for each context of its first car.
int addContexts(ProfileStore& store, const std::filesystem::path& path) {
    SettingsState state;
    NoView view;
    NoEngine engine;
    SettingsKeeper keeper(state, SettingsFile(store, path), view, engine);
    keeper.loadCoefficients();
    keeper.loadProfiles();
    for (int32_t profile = 0; profile < static_cast<int32_t>(state.Profiles.List.size()); ++profile)
        for (const std::wstring& car : kCars)
            carSettingsFor(state.CarEntries, keeper.file(), profile, car, FfbSettings{});
    const DrivingContext wet =
        resolveDrivingContext(kCars[1], L"tsukuba 2kfull", L"Tsukuba Circuit 2k Full", true);
    for (ContextScope scope : {ContextScope::CarTrackWet, ContextScope::CarWet})
        storeContextSettings(state.CarEntries, state.Profiles.Active, contextKey(wet, scope),
                             varied(7 + static_cast<int32_t>(scope)));
    keeper.changeContext(wet);
    return keeper.saveAll() ? 0 : 1;
}

int run(const std::vector<std::wstring>& args) {
    if (args.size() != 2 && !(args.size() == 4 && args[2] == L"--store")) {
        std::cerr << "usage: settings_probe write|read|add-contexts FILE [--store ini|win32]\n";
        return 2;
    }
    std::unique_ptr<ProfileStore> store = std::make_unique<IniProfileStore>();
#ifdef _WIN32
    if (args.size() != 4 || args[3] != L"ini")
        store = std::make_unique<Win32ProfileStore>();
#endif
    const std::filesystem::path path = pathFromText(args[1]);
    if (args[0] == L"write")
        return write(*store, path);
    if (args[0] == L"add-contexts")
        return addContexts(*store, path);
    return read(*store, path);
}

} // namespace
} // namespace gripline

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdout), _O_BINARY); // byte-identical output to the native build's
    return gripline::run(std::vector<std::wstring>(argv + 1, argv + argc));
}
#else
int main(int argc, char** argv) {
    std::vector<std::wstring> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(gripline::utf8ToWide(argv[i]));
    return gripline::run(args);
}
#endif
