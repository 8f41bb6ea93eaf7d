#include "tools/gripline_cli/gripline_cli.h"

#include <array>
#include <exception>
#include <ostream>

namespace gripline::cli {

namespace {

constexpr std::array kCommands = {
    Command{
        "inspect",
        "inspect FILE",
        "    Prints telemetry snapshots, one JSON object per line. A file whose\n"
        "    name ends in .ibt is a recorded telemetry file: every stored line in\n"
        "    order, TickCount being the line's index from 0. Any other file is an\n"
        "    image of the simulator's shared memory: the newest line.\n"
        "    Keys are the snapshot's fields in order; floats have 9 significant\n"
        "    digits (they read back to the same float32), a value that is not\n"
        "    finite is written as null; arrays have all six sub-samples.\n",
        inspectCommand,
    },
    Command{
        "session",
        "session FILE",
        "    Prints the driver and car found in a session-information text as one\n"
        "    JSON object: {\"Found\": true|false, \"CarPath\": ..., \"DriverName\": ...,\n"
        "    \"DriverUserId\": ..., \"IdentityConsistent\": ..., \"TrackName\": ...,\n"
        "    \"TrackDisplayName\": ...}. When nothing is found the engine's fallback is\n"
        "    shown: \"generic\", \"unknown\", 0, true, \"\", \"\". Names are\n"
        "    UTF-8. FILE is read as: a recorded telemetry file when its name ends in\n"
        "    .ibt (its session text); else a shared-memory image when its first 112\n"
        "    bytes are a header that places a non-empty session text after itself\n"
        "    inside the file (that text); else the whole file is the session text.\n",
        sessionCommand,
    },
#ifdef _WIN32
    Command{
        "watch",
        "watch [--seconds N] [--until-disconnect] [--wheel]",
        "    Runs the force-feedback engine against the simulator's live shared\n"
        "    memory (no wheel is driven) and prints each change of its status:\n"
        "    connected, on track, car and driver, and the output report of every\n"
        "    finished stint. Ends after N seconds (default 60), or with\n"
        "    --until-disconnect once the simulator was connected and is not any\n"
        "    more; then prints how many ticks were read and how many missed.\n"
        "    --wheel drives the first force-feedback wheel found (without it a\n"
        "    placeholder moves nothing) and shows its DirectInput errors.\n"
        "    As in a real run the simulator's own force feedback is muted once it\n"
        "    is connected (maximum force 10 000 N·m) and given back (40 N·m) at the\n"
        "    end.\n",
        watchCommand,
    },
#endif
    Command{
        "replay",
        "replay FILE.ibt [--settings FILE.ini [--profile NAME] [--car CARPATH]]\n"
        "                  [--mode 0|1] [--set Key=Value]... [--coefficients Y,G,L,R,M]\n"
        "                  [--samples OUT.csv] [--record OUT.kvtrec]\n"
        "                  [--auto-strength TARGET] [--loop N] [--count-parked]",
        "    Runs the force-feedback engine over every stored line of a recorded\n"
        "    telemetry file, as it would run live over the same ticks but without\n"
        "    waiting: line n is tick n at n x 16 666 667 ns. Settings are the\n"
        "    defaults, or with --settings those of a settings file as the program\n"
        "    would drive with them: the profile NAME (without regard to case; the\n"
        "    active one without --profile), the car's own entry when car-specific\n"
        "    settings are on (the recorded session's car, or CARPATH), and the\n"
        "    coefficients the engine would resolve for that car. --mode and --set\n"
        "    Key=Value (a settings field name and an integer) are applied after, in\n"
        "    order. --coefficients gives the car's five grip coefficients in\n"
        "    natural units and is used whatever the settings say (without it and\n"
        "    without --settings: 44,0,110,1,0, the engine's with car-specific\n"
        "    settings off). Prints one JSON line with ClipTotal, ClipCount,\n"
        "    OutSamples, OutNonZero and OutPeak summed over the file's stints.\n"
        "    --samples writes OUT.csv: header tick,sample,magnitude, then one row\n"
        "    per magnitude written to the wheel (an end-stop tick has one row,\n"
        "    sample 0, which the counters leave out; an off-track line has none).\n"
        "    --record writes the recording the engine would have written with\n"
        "    Record pressed at line 0: times are the lines' simulated times, the\n"
        "    start time is 0, car and driver come from the file's session text and\n"
        "    the profile name is --profile's (empty without it).\n"
        "    The JSON line ends with CountedP99Nm and CountedP99Percent: the 99th\n"
        "    percentile of |FinalForce| over the ticks Auto strength counts (not\n"
        "    parked below 2 m/s, not past the lock, not under or within 4 s after\n"
        "    crash protection's trigger), in N·m and in percent of the full scale\n"
        "    in force at each tick (2000 / strength N·m).\n"
        "    --auto-strength TARGET (1..100) drives with Auto strength aiming that\n"
        "    P99 at TARGET percent of full scale, the program's own rule, starting\n"
        "    from the settings' ForceStrength; before the JSON line it prints a\n"
        "    line \"SECONDS STRENGTH\" for the first tick and each change, and it\n"
        "    ends with \"settled: S\", the last value that held, or \"settled:\n"
        "    none\" and an error when none did. --loop N (1..1000) plays the file\n"
        "    N times over, the ticks counting on, for a drive long enough to\n"
        "    settle. --count-parked counts parked ticks too, for a file that never\n"
        "    leaves walking pace.\n",
        replayCommand,
    },
    Command{
        "analyze",
        "analyze FILE.kvtrec [--advice]",
        "    Prints the Analyzer's report of a recording, byte for byte as its\n"
        "    window shows it: UTF-8, every line ended by CR LF. With --advice prints\n"
        "    instead the recommendations it would hand to the force-feedback\n"
        "    program, as one JSON object: ProfileName, CarName, ForceStrength,\n"
        "    CarForceBalance, Bumps, BumpImpacts, SuspensionDetailPriority,\n"
        "    AbsVibration, HasCoefficientAdvice, YawRateMultiplier, YawSteerGain,\n"
        "    LateralAccelDivisor, ResistanceGain, SteerMarginBias (radians); floats\n"
        "    with 9 significant digits. A recording the Analyzer would refuse gives\n"
        "    its message on stderr.\n",
        analyzeCommand,
    },
    Command{
        "plot",
        "plot FILE.kvtrec [--wheel-log LOG] -o OUT.svg",
        "    Draws the recorded drive as an SVG picture: the simulator's own\n"
        "    steering torque and the force Gripline sent, both as a share of the\n"
        "    wheel's full scale (dashed lines at 100 %: beyond them the force\n"
        "    clips), over time, with the ticks of clipping, ABS and crash\n"
        "    protection marked beneath. --wheel-log adds what the virtual wheel\n"
        "    received (its GRIPLINE_WHEEL_LOG file), placed on the recording's\n"
        "    clock where its magnitudes best match the recorded forces.\n",
        plotCommand,
    },
};

bool isHelpRequest(const std::filesystem::path& argument) {
    return argumentIs(argument, "help") || argumentIs(argument, "-h") ||
           argumentIs(argument, "--help");
}

} // namespace

std::span<const Command> commands() {
    return kCommands;
}

void printUsage(std::ostream& to) {
    to << "usage: gripline COMMAND [ARGUMENTS]\n"
          "Runs Gripline's core on files. Exit code 0 on success, 1 on an error\n"
          "(one line on stderr starting with \"gripline: \").\n"
          "\n"
          "commands:\n";
    for (const Command& command : kCommands)
        to << "  gripline " << command.synopsis << '\n' << command.help;
}

bool argumentIs(const std::filesystem::path& argument, std::string_view text) {
    const auto& native = argument.native(); // UTF-16 on Windows, bytes elsewhere
    if (native.size() != text.size())
        return false;
    for (size_t i = 0; i < text.size(); ++i)
        if (native[i] != static_cast<unsigned char>(text[i]))
            return false;
    return true;
}

int fail(std::ostream& err, std::string_view message) {
    err << "gripline: " << message << '\n';
    return 1;
}

int runGripline(Args args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        printUsage(err);
        return 1;
    }
    // Paths that cannot be shown in the error text, a file too large for
    // memory: reported like any other failure rather than aborting.
    try {
        if (isHelpRequest(args[0])) {
            printUsage(out);
            return 0;
        }
        for (const Command& command : kCommands)
            if (argumentIs(args[0], command.name))
                return command.run(args.subspan(1), out, err);
        err << "gripline: unknown command \"" << args[0].string() << "\"\n";
    } catch (const std::exception& e) {
        return fail(err, e.what());
    }
    printUsage(err);
    return 1;
}

} // namespace gripline::cli
