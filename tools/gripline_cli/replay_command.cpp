// gripline replay FILE.ibt [--settings FILE.ini [--profile NAME] [--car
// CARPATH]] [--mode 0|1] [--set Key=Value]... [--coefficients Y,G,L,R,M]
// [--samples OUT.csv] [--record OUT.kvtrec] [--auto-strength TARGET] [--loop N]:
// the magnitudes the engine would send for a recorded drive, the stint
// counters summed over it with the counted forces' P99, the recording the
// engine would have written, and with --auto-strength the strength Auto
// strength sets over the drive.
#include "engine/engine_status.h"
#include "recording/recording_header.h"
#include "settings/driving_settings.h"
#include "settings/ini_profile_store.h"
#include "settings/wide_text.h"
#include "telemetry/ibt_file.h"
#include "tools/gripline_cli/gripline_cli.h"
#include "tools/gripline_cli/replay_run.h"

#include <charconv>
#include <cstdio>
#include <cmath>
#include <fstream>
#include <optional>
#include <ostream>
#include <string>
#include <system_error>
#include <vector>

namespace gripline::cli {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kUsage =
    "usage: gripline replay FILE.ibt [--settings FILE.ini [--profile NAME] [--car CARPATH]] "
    "[--mode 0|1] [--set Key=Value]... [--coefficients Y,G,L,R,M] [--samples OUT.csv] "
    "[--record OUT.kvtrec] [--auto-strength TARGET] [--loop N] [--count-parked]";

struct ReplayRequest {
    fs::path file;
    std::optional<fs::path> samples;
    std::optional<fs::path> record;
    std::optional<fs::path> settingsFile;
    std::wstring profile;             // empty: the active profile
    std::optional<std::wstring> car;  // none: the car of the recorded session
    std::vector<std::string> changes; // "Key=Value", applied over the loaded settings
    std::optional<CarCoefficients> coefficients;
    std::optional<int32_t> autoStrengthTarget; // percent of full scale
    int32_t loops = 1;
    bool countParked = false;
};

// The whole text, as a decimal int32 with an optional minus sign.
bool parseInt(std::string_view text, int32_t& value) {
    const char* end = text.data() + text.size();
    const auto [stop, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && stop == end && !text.empty();
}

bool parseFloat(std::string_view text, float& value) {
    const char* end = text.data() + text.size();
    const auto [stop, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && stop == end && !text.empty() && std::isfinite(value);
}

// "Key=Value": a settings field name and an integer (0 or 1 for a flag).
std::optional<std::string> applySetting(std::string_view assignment, FfbSettings& settings) {
    const size_t equals = assignment.find('=');
    if (equals == std::string_view::npos)
        return "--set takes Key=Value, not \"" + std::string(assignment) + "\"";
    const std::string key(assignment.substr(0, equals));
    const std::string_view text = assignment.substr(equals + 1);
    const SettingDescriptor* row = findSetting(key.c_str());
    if (!row)
        return "unknown setting \"" + key + "\"";
    int32_t value = 0;
    if (!parseInt(text, value) || (row->kind == SettingKind::Flag && value != 0 && value != 1))
        return "bad value \"" + std::string(text) + "\" for " + key +
               (row->kind == SettingKind::Flag ? " (0 or 1)" : " (an integer)");
    row->set(settings, value);
    return std::nullopt;
}

// Five finite numbers in the order of CarCoefficients.
std::optional<std::string> applyCoefficients(std::string_view text, CarCoefficients& c) {
    float* fields[] = {&c.YawRateMultiplier, &c.YawSteerGain, &c.LateralAccelDivisor,
                       &c.ResistanceGain, &c.SteerMarginBias};
    size_t start = 0;
    for (size_t i = 0; i < 5; ++i) {
        const size_t comma = i < 4 ? text.find(',', start) : text.size();
        if (comma == std::string_view::npos ||
            !parseFloat(text.substr(start, comma - start), *fields[i]))
            return "bad coefficients \"" + std::string(text) +
                   "\": five finite numbers Y,G,L,R,M are expected";
        start = comma + 1;
    }
    return std::nullopt;
}

std::optional<std::string> parseRequest(Args args, ReplayRequest& request) {
    bool haveFile = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const bool option = argumentIs(args[i], "--mode") || argumentIs(args[i], "--set") ||
                            argumentIs(args[i], "--coefficients") ||
                            argumentIs(args[i], "--samples") || argumentIs(args[i], "--settings") ||
                            argumentIs(args[i], "--profile") || argumentIs(args[i], "--car") ||
                            argumentIs(args[i], "--record") ||
                            argumentIs(args[i], "--auto-strength") ||
                            argumentIs(args[i], "--loop");
        if (option && i + 1 == args.size())
            return args[i].string() + " needs a value";
        if (argumentIs(args[i], "--count-parked")) {
            request.countParked = true;
            continue;
        }
        if (argumentIs(args[i], "--mode")) {
            const std::string value = args[++i].string();
            if (value != "0" && value != "1")
                return "--mode takes 0 or 1, not \"" + value + "\"";
            request.changes.push_back("Mode=" + value);
        } else if (argumentIs(args[i], "--set")) {
            FfbSettings check;
            if (auto error = applySetting(args[++i].string(), check))
                return error;
            request.changes.push_back(args[i].string());
        } else if (argumentIs(args[i], "--coefficients")) {
            CarCoefficients c;
            if (auto error = applyCoefficients(args[++i].string(), c))
                return error;
            request.coefficients = c;
        } else if (argumentIs(args[i], "--auto-strength")) {
            const std::string value = args[++i].string();
            int32_t target = 0;
            if (!parseInt(value, target) || target < 1 || target > 100)
                return "--auto-strength takes a percent from 1 to 100, not \"" + value + "\"";
            request.autoStrengthTarget = target;
        } else if (argumentIs(args[i], "--loop")) {
            const std::string value = args[++i].string();
            if (!parseInt(value, request.loops) || request.loops < 1 || request.loops > 1000)
                return "--loop takes a count from 1 to 1000, not \"" + value + "\"";
        } else if (argumentIs(args[i], "--samples")) {
            request.samples = args[++i];
        } else if (argumentIs(args[i], "--record")) {
            request.record = args[++i];
        } else if (argumentIs(args[i], "--settings")) {
            request.settingsFile = args[++i];
        } else if (argumentIs(args[i], "--profile")) {
            request.profile = pathText(args[++i]);
        } else if (argumentIs(args[i], "--car")) {
            request.car = pathText(args[++i]);
        } else if (args[i].native().starts_with(fs::path::value_type('-')) || haveFile) {
            return std::string(kUsage);
        } else {
            request.file = args[i];
            haveFile = true;
        }
    }
    if (!haveFile)
        return std::string(kUsage);
    if (!request.settingsFile && (!request.profile.empty() || request.car))
        return "--profile and --car need --settings";
    return std::nullopt;
}

// The settings and coefficients to replay with: the settings file's (the
// profile, the car's entry, the coefficients the engine would resolve for
// the car), or the engine's defaults with car-specific settings off; then
// the single changes of the command line.
bool drivingSettingsFor(const ReplayRequest& request, const IbtFile& ibt, FfbSettings& settings,
                        CarCoefficients& coefficients, std::string& error) {
    settings = FfbSettings{};
    coefficients = defaultReplayCoefficients();
    CustomCarList customCars;
    const std::wstring car = request.car ? *request.car : replayIdentity(ibt).CarPath;
    if (request.settingsFile) {
        IniProfileStore store;
        DrivingSettings driving;
        if (!loadDrivingSettings(store, *request.settingsFile, request.profile, car, driving,
                                 error))
            return false;
        settings = driving.Settings;
        customCars = driving.CustomCars;
    }
    for (const std::string& change : request.changes)
        applySetting(change, settings); // checked while parsing
    if (request.autoStrengthTarget) {
        settings.AutoStrength = 1;
        settings.AutoStrengthTarget = *request.autoStrengthTarget;
    }
    if (request.coefficients)
        coefficients = *request.coefficients;
    else if (request.settingsFile)
        resolveCoefficients(customCars, car, settings.UseCarSpecificSettings != 0, coefficients);
    return true;
}

// The header Record would have written at line 0: the file's car and
// driver, the profile named on the command line, the replay's settings and
// coefficients, and a start time of 0.
RecordingHeader replayHeader(const ReplayRequest& request, const IbtFile& ibt,
                             const FfbSettings& settings, const CarCoefficients& coefficients) {
    const SessionIdentity identity = replayIdentity(ibt);
    RecordingContext context;
    context.CarName = identity.CarPath.empty() ? kGenericCar : identity.CarPath;
    context.DriverName = identity.DriverName.empty() ? kUnknownDriver : identity.DriverName;
    context.ProfileName = request.profile;
    context.Settings = settings;
    context.Coefficients = coefficients;
    context.StartTimeMs = 0;
    return buildRecordingHeader(context);
}

std::string jsonNumber(double value, int decimals);

void writeTotals(std::ostream& out, const ReplayTotals& t) {
    out << "{\"ClipTotal\":" << t.ClipTotal << ",\"ClipCount\":" << t.ClipCount
        << ",\"OutSamples\":" << t.OutSamples << ",\"OutNonZero\":" << t.OutNonZero
        << ",\"OutPeak\":" << t.OutPeak << ",\"CountedP99Nm\":" << jsonNumber(t.CountedP99Nm, 3)
        << ",\"CountedP99Percent\":" << jsonNumber(t.CountedP99Percent, 2) << "}\n";
}

std::string jsonNumber(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

void writeStrengthChange(std::ostream& out, const StrengthChange& change) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f %d\n", change.seconds, change.strength);
    out << text;
}

} // namespace

int replayCommand(Args args, std::ostream& out, std::ostream& err) {
    ReplayRequest request;
    if (auto error = parseRequest(args, request))
        return fail(err, *error);

    IbtFile ibt;
    std::string error;
    std::error_code ec;
    if (fs::is_directory(request.file, ec))
        return fail(err, request.file.string() + ": is a directory");
    if (!ibt.load(request.file, error))
        return fail(err, error);

    FfbSettings settings;
    CarCoefficients coefficients;
    if (!drivingSettingsFor(request, ibt, settings, coefficients, error))
        return fail(err, error);

    // Opened before the run so that a path it cannot write costs nothing.
    std::ofstream csv;
    if (request.samples) {
        csv.open(*request.samples, std::ios::binary | std::ios::trunc);
        if (!csv)
            return fail(err, "cannot write " + request.samples->string());
        csv << "tick,sample,magnitude\n";
    }
    std::optional<ReplayRecording> recording;
    if (request.record)
        recording = ReplayRecording{*request.record,
                                    replayHeader(request, ibt, settings, coefficients)};
    ReplayOptions options;
    options.loops = request.loops;
    options.countParked = request.countParked;
    if (request.autoStrengthTarget)
        options.onStrength = [&](const StrengthChange& change) { writeStrengthChange(out, change); };
    const ReplayTotals totals = replayTelemetry(
        ibt, settings, coefficients,
        [&](const ReplaySample& s) {
            if (request.samples)
                csv << s.tick << ',' << s.sample << ',' << s.magnitude << '\n';
        },
        recording ? &*recording : nullptr, options);
    if (recording && !recording->started)
        return fail(err, "cannot write " + request.record->string());
    if (recording && !recording->complete)
        return fail(err, "could not write " + request.record->string() + " to the end");
    if (request.samples && !csv.flush())
        return fail(err, "cannot write " + request.samples->string());
    writeTotals(out, totals);
    if (request.autoStrengthTarget) {
        if (totals.SettledStrength == 0) {
            out << "settled: none\n";
            out.flush();
            if (totals.CountedTicks == 0)
                return fail(err, "Auto strength counted no tick: every one was parked (below "
                                 "2 m/s), past the lock or under crash protection; "
                                 "--count-parked counts the parked ones");
            return fail(err, "Auto strength did not settle (" +
                                 std::to_string(totals.CountedTicks) +
                                 " ticks counted, strength at the end " +
                                 std::to_string(totals.FinalStrength) +
                                 "): the drive is too short, try --loop");
        }
        out << "settled: " << totals.SettledStrength << '\n';
    }
    return out.flush() ? 0 : fail(err, "cannot write the output");
}

} // namespace gripline::cli
