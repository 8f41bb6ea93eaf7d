// gripline plot RECORDING [--wheel-log LOG] -o OUT.svg: a picture of the
// recorded drive, optionally with what the virtual wheel received.
#include "common/file_bytes.h"
#include "recording/recording_file.h"
#include "tools/gripline_cli/force_plot.h"
#include "tools/gripline_cli/gripline_cli.h"

#include <cmath>
#include <fstream>
#include <limits>
#include <optional>
#include <ostream>
#include <system_error>

namespace gripline::cli {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kUsage = "usage: gripline plot RECORDING [--wheel-log LOG] -o OUT.svg";

struct PlotRequest {
    fs::path recording;
    std::optional<fs::path> wheelLog;
    fs::path output;
};

std::optional<std::string> parseRequest(Args args, PlotRequest& request) {
    bool haveRecording = false, haveOutput = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const bool option = argumentIs(args[i], "--wheel-log") || argumentIs(args[i], "-o");
        if (option && i + 1 == args.size())
            return args[i].string() + " needs a value";
        if (argumentIs(args[i], "--wheel-log")) {
            request.wheelLog = args[++i];
        } else if (argumentIs(args[i], "-o")) {
            request.output = args[++i];
            haveOutput = true;
        } else if (args[i].native().starts_with(fs::path::value_type('-')) || haveRecording) {
            return std::string(kUsage);
        } else {
            request.recording = args[i];
            haveRecording = true;
        }
    }
    if (!haveRecording || !haveOutput)
        return std::string(kUsage);
    return std::nullopt;
}

// The wheel's trace on the recording's clock.
bool loadWheelTrace(const fs::path& path, const std::vector<RecordingSample>& samples,
                    std::vector<WheelForcePoint>& trace, int64_t& offsetUs, double& rms,
                    std::string& error) {
    std::vector<uint8_t> bytes;
    if (!readFileBytes(path, bytes, error))
        return false;
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (!parseWheelForceLog(text, trace, error))
        return false;
    if (trace.empty()) {
        error = path.string() + ": no magnitude the wheel received";
        return false;
    }
    offsetUs = alignRecordingToWheel(samples, trace);
    rms = wheelMismatchRms(samples, trace, offsetUs);
    // Saturating: a damaged log or recording may put either anywhere.
    for (WheelForcePoint& point : trace) {
        if (__builtin_sub_overflow(point.atUs, offsetUs, &point.atUs))
            point.atUs = offsetUs > 0 ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
    }
    return true;
}

// Written beside the target and renamed over it, so a failed write never
// leaves half a picture under the name asked for.
bool writeWhole(const fs::path& path, const std::string& text) {
    fs::path partial = path;
    partial += ".partial";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        if (!out || !out.write(text.data(), static_cast<std::streamsize>(text.size())) || !out.flush())
            return false;
    }
    std::error_code ec;
    fs::rename(partial, path, ec);
    if (ec)
        fs::remove(partial, ec);
    return !ec;
}

} // namespace

int plotCommand(Args args, std::ostream& out, std::ostream& err) {
    PlotRequest request;
    if (auto error = parseRequest(args, request))
        return fail(err, *error);

    RecordingHeader header;
    std::vector<RecordingSample> samples;
    std::string error;
    if (!loadRecording(request.recording, header, samples, error))
        return fail(err, request.recording.string() + ": " + error);

    ForcePlotInput input{&header, &samples, std::nullopt};
    int64_t offsetUs = 0;
    double rms = 0;
    if (request.wheelLog) {
        std::vector<WheelForcePoint> trace;
        if (!loadWheelTrace(*request.wheelLog, samples, trace, offsetUs, rms, error))
            return fail(err, error);
        input.wheel = std::move(trace);
    }
    if (!writeWhole(request.output, forcePlotSvg(input)))
        return fail(err, "cannot write " + request.output.string());
    out << request.output.string() << ": " << samples.size() << " ticks";
    if (request.wheelLog)
        out << ", wheel log matched at " << offsetUs << " us, RMS difference "
            << static_cast<long long>(std::llround(rms)) << " of 10000";
    out << '\n';
    return out.flush() ? 0 : fail(err, "cannot write the output");
}

} // namespace gripline::cli
