#include "tools/simulator_standin/standin_options.h"

#include "tools/simulator_standin/scenarios.h"

#include <charconv>
#include <cmath>
#include <string_view>

namespace gripline::standin {

namespace {

constexpr int32_t kMaxRateHz = 1000;
// Ten years: longer durations are surely a typing error, and the nanosecond
// count stays far from overflowing.
constexpr double kMaxSeconds = 10.0 * 365 * 24 * 3600;

// Paths arrive as UTF-8 so that the Windows build keeps every character of a
// wide command line.
std::filesystem::path pathFromUtf8(std::string_view text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

bool parseSeconds(std::string_view text, std::optional<int64_t>& ns) {
    double seconds = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(seconds) ||
        seconds < 0 || seconds > kMaxSeconds)
        return false;
    ns = std::llround(seconds * 1e9);
    return true;
}

bool parseRate(std::string_view text, int32_t& hz) {
    int32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 1 || value > kMaxRateHz)
        return false;
    hz = value;
    return true;
}

bool setSource(StandinOptions& options, SourceKind kind, std::string_view value,
               std::string& error) {
    if (options.source != SourceKind::None) {
        error = "choose only one of --ibt, --image and --scenario";
        return false;
    }
    options.source = kind;
    if (kind == SourceKind::Scenario) {
        std::vector<const ScenarioInfo*> drives;
        if (!findScenarios(value, drives, error))
            return false;
        options.scenario = std::string(value);
    } else {
        options.sourcePath = pathFromUtf8(value);
    }
    return true;
}

// Applies an option that takes a value. False with a reason on a bad value.
bool applyValue(StandinOptions& options, std::string_view name, std::string_view value,
                std::string& error) {
    if (name == "--ibt")
        return setSource(options, SourceKind::Ibt, value, error);
    if (name == "--image")
        return setSource(options, SourceKind::Image, value, error);
    if (name == "--scenario")
        return setSource(options, SourceKind::Scenario, value, error);
    if (name == "--rate") {
        if (parseRate(value, options.rateHz))
            return true;
        error =
            "--rate needs a whole number of hertz from 1 to 1000, not '" + std::string(value) + "'";
        return false;
    }
    if (name == "--start-delay") {
        std::optional<int64_t> ns;
        if (parseSeconds(value, ns)) {
            options.startDelayNs = *ns;
            return true;
        }
        error = "--start-delay needs a number of seconds (0 or more), not '" +
                std::string(value) + "'";
        return false;
    }
    if (name == "--stop-after" || name == "--exit-after") {
        auto& ns = name == "--stop-after" ? options.stopAfterNs : options.exitAfterNs;
        if (parseSeconds(value, ns))
            return true;
        error = std::string(name) + " needs a number of seconds (0 or more), not '" +
                std::string(value) + "'";
        return false;
    }
    if (name == "--session-text") {
        options.sessionText = pathFromUtf8(value);
        return true;
    }
    if (name == "--write-ibt") {
        options.writeIbt = pathFromUtf8(value);
        return true;
    }
    (name == "--broadcast-log" ? options.broadcastLog : options.timingLog) = pathFromUtf8(value);
    return true;
}

bool takesValue(std::string_view name) {
    for (std::string_view known :
         {"--ibt", "--image", "--scenario", "--rate", "--stop-after", "--exit-after",
          "--start-delay", "--broadcast-log", "--timing-log", "--session-text",
          "--write-ibt"})
        if (name == known)
            return true;
    return false;
}

bool applyFlag(StandinOptions& options, std::string_view name) {
    if (name == "--help" || name == "-h")
        options.help = true;
    else if (name == "--list-scenarios")
        options.listScenarios = true;
    else if (name == "--loop")
        options.loop = true;
    else if (name == "--status-clear")
        options.statusClear = true;
    else
        return false;
    return true;
}

} // namespace

bool parseStandinOptions(std::span<const std::string> args, StandinOptions& options,
                         std::string& error) {
    options = StandinOptions{};
    for (size_t i = 0; i < args.size(); ++i) {
        std::string_view arg = args[i];
        std::string_view name = arg;
        std::optional<std::string_view> value;
        if (const size_t eq = arg.find('='); arg.starts_with("--") && eq != arg.npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        }
        if (takesValue(name)) {
            if (!value && i + 1 >= args.size()) {
                error = std::string(name) + " needs a value (see --help)";
                return false;
            }
            if (!applyValue(options, name, value ? *value : std::string_view(args[++i]), error))
                return false;
        } else if (value || !applyFlag(options, name)) {
            error = "unknown option '" + std::string(arg) + "' (see --help)";
            return false;
        }
    }
    // A file holds the synthetic drives only: a recording or an image is a
    // file already, and a file carries the first scenario's own session.
    if (!options.writeIbt.empty() && options.source != SourceKind::Scenario &&
        options.source != SourceKind::None) {
        error = "--write-ibt writes --scenario drives to a file; it cannot take --ibt or --image";
        return false;
    }
    if (!options.writeIbt.empty() && !options.sessionText.empty()) {
        error = "--write-ibt writes the first scenario's own session text, not --session-text";
        return false;
    }
    if (!options.help && !options.writeIbt.empty() && options.source == SourceKind::None) {
        error = "--write-ibt needs --scenario NAMES to write";
        return false;
    }
    if (!options.help && !options.listScenarios && options.source == SourceKind::None) {
        error = "nothing to publish: give --ibt FILE, --image FILE or --scenario NAME";
        return false;
    }
    // An image is published byte for byte, its own text included.
    if (!options.sessionText.empty() && options.source == SourceKind::Image) {
        error = "--session-text works with --ibt and --scenario, not with --image";
        return false;
    }
    return true;
}

std::string standinUsage() {
    std::string text =
        "simulator_standin: stands in for the iRacing simulator. Creates its shared memory\n"
        "\"Local\\IRSDKMemMapFileName\" and data-valid event \"Local\\IRSDKDataValidEvent\",\n"
        "publishes telemetry into them and logs the broadcast commands it receives.\n"
        "\n"
        "usage: simulator_standin (--ibt FILE | --image FILE | --scenario NAME) [options]\n"
        "       simulator_standin --scenario NAMES --write-ibt FILE\n"
        "\n"
        "  --ibt FILE            replay a recorded telemetry file, one line per tick\n"
        "                        (tick count of line i = i, counting on across loops)\n"
        "  --image FILE          copy a raw shared-memory image and signal it unchanged\n"
        "  --scenario NAME       publish a synthetic drive of 10 s (see below); several\n"
        "                        names separated by commas play one after another\n"
        "  --session-text FILE   publish this session-information text instead of the\n"
        "                        recording's or the scenario's own (not with --image)\n"
        "  --write-ibt FILE      write the scenarios, played once, as a telemetry file\n"
        "                        (.ibt, tick counts from 0, the first scenario's session\n"
        "                        text) and exit without creating the shared memory\n"
        "  --loop                start again at the end instead of stopping\n"
        "  --status-clear        hold status bit 0 (simulator connected) clear\n"
        "  --rate HZ             ticks per second, 1 to 1000 (default 60)\n"
        "  --stop-after SECONDS  stop publishing after SECONDS but keep running\n"
        "  --exit-after SECONDS  exit normally after SECONDS\n"
        "  --start-delay SECONDS wait SECONDS with the block in place (status bit set,\n"
        "                        session text, no line yet) before the first tick, so a\n"
        "                        reader can attach and see every line\n"
        "  --broadcast-log FILE  append every broadcast command received (needs a display)\n"
        "  --timing-log FILE     append 'tick qpc_ns' for every tick, taken before SetEvent\n"
        "  --list-scenarios      print the scenario names\n"
        "  --help                print this text\n"
        "\n"
        "Without --loop the stand-in exits at the end of the data unless --exit-after or\n"
        "--stop-after keep it running. On exit it clears status bit 0 first.\n"
        "\n"
        "scenarios:\n";
    for (const ScenarioInfo& s : scenarios())
        text += "  " + std::string(s.name) + std::string(14 - s.name.size(), ' ') +
                std::string(s.summary) + "\n";
    return text;
}

} // namespace gripline::standin
