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

// Times from damaged files may lie anywhere in 64 bits: sums and differences
// stop at the ends of the range instead of overflowing.
int64_t saturated(uint64_t us) {
    return us > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())
               ? std::numeric_limits<int64_t>::max()
               : static_cast<int64_t>(us);
}

int64_t saturatedSum(int64_t a, int64_t b) {
    int64_t sum;
    if (__builtin_add_overflow(a, b, &sum))
        return b > 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
    return sum;
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
        const double d = heldAt(wheel, saturatedSum(saturated(samples[i].TimeUs), offsetUs)) -
                         requestedMagnitude(samples[i]);
        sum += d * d;
    }
    return sum;
}

// The best of `steps` + 1 offsets from `from` on, `step` apart.
int64_t bestOffset(const std::vector<RecordingSample>& samples, size_t stride,
                   const std::vector<WheelForcePoint>& wheel, int64_t from, uint64_t steps,
                   int64_t step) {
    int64_t best = from;
    double bestCost = std::numeric_limits<double>::infinity();
    for (uint64_t k = 0; k <= steps; ++k) {
        // In unsigned arithmetic: the result lies between from and to.
        const auto offset = static_cast<int64_t>(static_cast<uint64_t>(from) + k * static_cast<uint64_t>(step));
        const double cost = mismatch(samples, stride, wheel, offset);
        if (cost < bestCost) {
            bestCost = cost;
            best = offset;
        }
    }
    return best;
}

// Offsets from `from` to `to` at least `step` apart, at most `most` + 1 of
// them: the step grows with a span no real drive has.
int64_t bestOffsetBetween(const std::vector<RecordingSample>& samples, size_t stride,
                          const std::vector<WheelForcePoint>& wheel, int64_t from, int64_t to,
                          int64_t step, uint64_t most, int64_t& usedStep) {
    const uint64_t span = static_cast<uint64_t>(to) - static_cast<uint64_t>(from);
    usedStep = static_cast<int64_t>(std::max(static_cast<uint64_t>(step), span / most + (span % most != 0)));
    return bestOffset(samples, stride, wheel, from, span / static_cast<uint64_t>(usedStep), usedStep);
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
    // A log is written in time order; a damaged one is put in order, which
    // every lookup on it assumes.
    std::stable_sort(out.begin(), out.end(),
                     [](const WheelForcePoint& a, const WheelForcePoint& b) { return a.atUs < b.atUs; });
    return true;
}

int64_t alignRecordingToWheel(const std::vector<RecordingSample>& samples,
                              const std::vector<WheelForcePoint>& wheel) {
    if (samples.empty() || wheel.empty())
        return 0;
    // Every offset that keeps the recording inside the log; a recording
    // longer than the log starts with it.
    const int64_t first = saturated(samples.front().TimeUs);
    const int64_t last = saturated(samples.back().TimeUs);
    const int64_t from = saturatedSum(wheel.front().atUs, -first);
    const int64_t to = std::max(from, saturatedSum(wheel.back().atUs, -last));
    // Coarse on a few hundred samples (10 ms apart; at most 20 000 offsets,
    // so a span of years from a damaged file costs no more than 200 s of
    // log), then on all around the best, finer each time, to the half
    // millisecond.
    const size_t coarseStride = std::max<size_t>(1, samples.size() / 300);
    int64_t step = 0;
    int64_t best = bestOffsetBetween(samples, coarseStride, wheel, from, to, 10'000, 20'000, step);
    const size_t fineStride = std::max<size_t>(1, samples.size() / 5000);
    while (step > 500) {
        const int64_t around = step;
        best = bestOffsetBetween(samples, fineStride, wheel, std::max(from, saturatedSum(best, -around)),
                                 std::min(to, saturatedSum(best, around)), 500, 40, step);
    }
    return best;
}

double wheelMismatchRms(const std::vector<RecordingSample>& samples,
                        const std::vector<WheelForcePoint>& wheel, int64_t offsetUs) {
    if (samples.empty())
        return 0;
    return std::sqrt(mismatch(samples, 1, wheel, offsetUs) / static_cast<double>(samples.size()));
}

} // namespace gripline
