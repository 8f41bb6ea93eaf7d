// The settings file beside the program and the advice file the Analyzer
// hands over, as a user's editor or a damaged disk may leave them. The first
// byte picks which; the rest is the file.
//   settings: read (coefficients, profiles, the current car's own
//     settings), write everything into a new file, read that back: the
//     second reading equals what was written.
//   advice: read it twice (the same content), apply it to the settings of
//     a fresh file, then read the saved file back: it holds what the
//     program holds in memory.
#include "settings/advice_file.h"
#include "settings/apply_advice.h"
#include "settings/ini_profile_store.h"
#include "settings/settings_keeper.h"
#include "tests/fuzz/fuzz_check.h"

#include <filesystem>

using namespace gripline;

namespace {

class QuietView final : public SettingsView {
  public:
    void refreshControls(const FfbSettings&) override {}
    void log(const std::wstring&) override {}
    void showCar(const std::wstring&, const CarCoefficients&) override {}
};

class QuietEngine final : public SettingsHandOver {
  public:
    void storeSettings(const FfbSettings&) override {}
    void storeCustomCars(const CustomCarList&) override {}
};

struct Program {
    explicit Program(const std::filesystem::path& path)
        : keeper(state, SettingsFile(store, path), view, engine) {}
    // Start-up's order: the coefficients, then the profiles.
    void load() {
        keeper.loadCoefficients();
        keeper.loadProfiles();
    }
    IniProfileStore store;
    SettingsState state;
    QuietView view;
    QuietEngine engine;
    SettingsKeeper keeper;
};

void checkSameSettings(const SettingsState& read, const SettingsState& written) {
    const ProfileSet& a = read.Profiles;
    const ProfileSet& b = written.Profiles;
    FUZZ_CHECK(a.List.size() == b.List.size(), "as many profiles read back as written");
    for (size_t i = 0; i < a.List.size(); ++i) {
        FUZZ_CHECK(a.List[i].Name == b.List[i].Name, "each profile's name read back");
        FUZZ_CHECK(a.List[i].Settings == b.List[i].Settings, "each profile's settings read back");
    }
    FUZZ_CHECK(a.Active == b.Active, "the active profile read back");
    FUZZ_CHECK(read.CustomCars == written.CustomCars, "the car coefficients read back");
}

void settingsRoundTrip(const std::filesystem::path& given, const std::filesystem::path& written) {
    Program first(given);
    first.load();
    first.state.Context.CarKey = L"mx5 mx52016";
    first.keeper.applyCarSettings(false);

    std::filesystem::remove(written);
    Program copy(written);
    copy.state = first.state;
    FUZZ_CHECK(copy.keeper.saveAll(), "a new file in our own folder can be written");
    Program second(written);
    second.load();
    checkSameSettings(second.state, copy.state);
}

void adviceApplied(const std::filesystem::path& advice, const std::filesystem::path& settings) {
    IniProfileStore store;
    const auto once = readAdvice(store, advice);
    const auto twice = readAdvice(store, advice);
    FUZZ_CHECK(once.has_value() == twice.has_value(), "the same file reads the same");
    std::filesystem::remove(settings);
    Program program(settings);
    program.load();
    applyAdviceFile({program.state, program.keeper, program.view, program.store, [] {}}, advice);
    program.keeper.storeCurrentSettings();
    Program after(settings);
    after.load();
    checkSameSettings(after.state, program.state);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    static const std::filesystem::path given = fuzz::scratchFile("given.ini");
    static const std::filesystem::path written = fuzz::scratchFile("Torvix_profiles.ini");
    fuzz::writeScratch(given, {data + 1, size - 1});
    if (data[0] % 2 == 0)
        settingsRoundTrip(given, written);
    else
        adviceApplied(given, written);
    return 0;
}
