#include "tools/gripline_cli/wheel_force_log.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace gripline {

namespace {

std::string_view nextField(std::string_view& line) {
    const size_t start = line.find_first_not_of(' ');
    if (start == std::string_view::npos) {
        line = {};
        return {};
    }
    line.remove_prefix(start);
    const size_t end = std::min(line.find(' '), line.size());
    const std::string_view field = line.substr(0, end);
    line.remove_prefix(end);
    return field;
}

template <typename T> bool parseNumber(std::string_view text, T& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

// The magnitude the engine asked for with the recorded force.
double requestedMagnitude(const RecordingSample& s) {
    if (!(s.FullScaleNm > 0) || !std::isfinite(s.FinalForce))
        return 0;
    return std::clamp(static_cast<double>(s.FinalForce) / s.FullScaleNm * 10000.0, -9996.0,
                      9996.0);
}

// What the device held at `atUs`: the last magnitude received by then.
int32_t heldAt(const std::vector<WheelForcePoint>& wheel, int64_t atUs) {
    const auto after = std::upper_bound(
        wheel.begin(), wheel.end(), atUs,
        [](int64_t t, const WheelForcePoint& p) { return t < p.atUs; });
    return after == wheel.begin() ? 0 : std::prev(after)->magnitude;
}

double mismatch(const std::vector<RecordingSample>& samples, size_t stride,
                const std::vector<WheelForcePoint>& wheel, int64_t offsetUs) {
    double sum = 0;
    for (size_t i = 0; i < samples.size(); i += stride) {
        const double d = heldAt(wheel, static_cast<int64_t>(samples[i].TimeUs) + offsetUs) -
                         requestedMagnitude(samples[i]);
        sum += d * d;
    }
    return sum;
}

int64_t bestOffset(const std::vector<RecordingSample>& samples, size_t stride,
                   const std::vector<WheelForcePoint>& wheel, int64_t from, int64_t to,
                   int64_t step) {
    int64_t best = from;
    double bestCost = std::numeric_limits<double>::infinity();
    for (int64_t offset = from; offset <= to; offset += step) {
        const double cost = mismatch(samples, stride, wheel, offset);
        if (cost < bestCost) {
            bestCost = cost;
            best = offset;
        }
    }
    return best;
}

} // namespace

bool parseWheelForceLog(std::string_view text, std::vector<WheelForcePoint>& out,
                        std::string& error) {
    out.clear();
    size_t lineNumber = 0;
    while (!text.empty()) {
        const size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const std::string_view time = nextField(line);
        if (nextField(line) != "magnitude")
            continue;
        WheelForcePoint point;
        if (!parseNumber(time, point.atUs) || !parseNumber(nextField(line), point.magnitude)) {
            error = "wheel log line " + std::to_string(lineNumber) + ": not \"<us> magnitude <value>\"";
            return false;
        }
        out.push_back(point);
    }
    return true;
}

int64_t alignRecordingToWheel(const std::vector<RecordingSample>& samples,
                              const std::vector<WheelForcePoint>& wheel) {
    if (samples.empty() || wheel.empty())
        return 0;
    // Every offset that keeps the recording inside the log; a recording
    // longer than the log starts with it.
    const auto first = static_cast<int64_t>(samples.front().TimeUs);
    const auto last = static_cast<int64_t>(samples.back().TimeUs);
    const int64_t from = wheel.front().atUs - first;
    const int64_t to = std::max(from, wheel.back().atUs - last);
    // Coarse on a few hundred samples, then to the millisecond on all.
    const size_t coarseStride = std::max<size_t>(1, samples.size() / 300);
    const int64_t coarse = bestOffset(samples, coarseStride, wheel, from, to, 10'000);
    const size_t fineStride = std::max<size_t>(1, samples.size() / 5000);
    return bestOffset(samples, fineStride, wheel, std::max(from, coarse - 10'000),
                      std::min(to, coarse + 10'000), 500);
}

} // namespace gripline
