#include "tools/gripline_cli/force_plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>

namespace gripline {

namespace {

// Canvas and plot area, in SVG user units.
constexpr double kWidth = 1600, kHeight = 560;
constexpr double kLeft = 80, kRight = 30, kTop = 70, kPlotHeight = 360;
constexpr double kPlotWidth = kWidth - kLeft - kRight;
constexpr double kPercentRange = 125; // the plot shows ±125 % of full scale
constexpr double kMarkRowTop = kTop + kPlotHeight + 40, kMarkRowHeight = 12;

constexpr const char* kBackground = "#11151c";
constexpr const char* kText = "#d0d6e0";
constexpr const char* kGrid = "#2a313c";
constexpr const char* kSimulatorColour = "#8a94a3";
constexpr const char* kGriplineColour = "#2f80ed";
constexpr const char* kWheelColour = "#3ecf8e";
constexpr const char* kClipColour = "#eb5757";
constexpr const char* kAbsColour = "#f2994a";
constexpr const char* kCrashColour = "#bb6bd9";

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

// The time axis. A recording's times only grow, so the first and the last
// sample span it (when the last lies before the first, a damaged file, the
// smallest and the largest time do). A damaged time anywhere else is drawn
// at the plot's edge: every point lands inside the plot, however absurd.
class Scale {
  public:
    Scale(double startUs, double endUs) : startUs_(startUs), spanUs_(std::max(endUs - startUs, 1.0)) {}
    double x(double us) const {
        return kLeft + std::clamp((us - startUs_) / spanUs_, 0.0, 1.0) * kPlotWidth;
    }
    static double y(double percent) {
        const double clamped = std::clamp(percent, -kPercentRange, kPercentRange);
        return kTop + (kPercentRange - clamped) / (2 * kPercentRange) * kPlotHeight;
    }
    double seconds() const { return spanUs_ / 1e6; }
    double startUs() const { return startUs_; }

  private:
    double startUs_, spanUs_;
};

Scale timeScale(const std::vector<RecordingSample>& samples) {
    uint64_t first = samples.front().TimeUs, last = samples.back().TimeUs;
    if (last < first) {
        const auto [low, high] = std::minmax_element(
            samples.begin(), samples.end(),
            [](const RecordingSample& a, const RecordingSample& b) { return a.TimeUs < b.TimeUs; });
        first = low->TimeUs;
        last = high->TimeUs;
    }
    return Scale(static_cast<double>(first), static_cast<double>(last));
}

// Not a number when the sample holds no usable force: drawn as a gap.
double percentOfFullScale(float forceNm, float fullScaleNm) {
    if (!(fullScaleNm > 0) || !std::isfinite(fullScaleNm) || !std::isfinite(forceNm))
        return std::numeric_limits<double>::quiet_NaN();
    return static_cast<double>(forceNm) / fullScaleNm * 100.0;
}

// A trace as polylines, broken where a value is missing (not a number).
// Long drives are drawn as each pixel column's lowest and highest value, so
// no spike is lost and the file stays small; either way the work and the
// text grow with the number of points at most.
std::string polyline(size_t count, const std::function<double(size_t)>& timeUs,
                     const std::function<double(size_t)>& percent, const Scale& scale,
                     const char* colour, double width) {
    std::string out, points;
    auto add = [&](double x, double p) { points += number(x) + "," + number(Scale::y(p)) + " "; };
    auto endLine = [&] {
        if (!points.empty())
            out += "<polyline fill=\"none\" stroke=\"" + std::string(colour) + "\" stroke-width=\"" +
                   number(width) + "\" stroke-linejoin=\"round\" points=\"" + points + "\"/>\n";
        points.clear();
    };
    if (count <= static_cast<size_t>(kPlotWidth) * 2) {
        for (size_t i = 0; i < count; ++i) {
            const double p = percent(i);
            if (std::isnan(p))
                endLine();
            else
                add(scale.x(timeUs(i)), p);
        }
    } else {
        size_t i = 0;
        while (i < count) {
            const int column = static_cast<int>(scale.x(timeUs(i)));
            double low = std::numeric_limits<double>::infinity(), high = -low;
            size_t lowAt = i, highAt = i;
            for (; i < count && static_cast<int>(scale.x(timeUs(i))) == column; ++i) {
                const double p = percent(i);
                if (p < low) low = p, lowAt = i;
                if (p > high) high = p, highAt = i;
            }
            if (low > high) { // nothing but gaps in this column
                endLine();
                continue;
            }
            const bool lowFirst = lowAt <= highAt;
            add(column, lowFirst ? low : high);
            add(column + 0.5, lowFirst ? high : low);
        }
    }
    endLine();
    return out;
}

// Runs of flagged samples as bars in their own row beneath the plot.
std::string markRow(const std::vector<RecordingSample>& samples,
                    const std::function<bool(const RecordingSample&)>& flagged, const Scale& scale,
                    double top, const char* colour, const char* label, size_t& count) {
    std::string out = "<text x=\"" + number(kLeft - 8) + "\" y=\"" + number(top + kMarkRowHeight - 2) +
                      "\" text-anchor=\"end\" fill=\"" + kText + "\" font-size=\"12\">" + label +
                      "</text>\n";
    count = 0;
    for (size_t i = 0; i < samples.size();) {
        if (!flagged(samples[i])) {
            ++i;
            continue;
        }
        const size_t first = i;
        while (i < samples.size() && flagged(samples[i]))
            ++i;
        count += i - first;
        const double x0 = scale.x(static_cast<double>(samples[first].TimeUs));
        const double x1 = scale.x(static_cast<double>(samples[i - 1].TimeUs) + 16'667);
        out += "<rect x=\"" + number(x0) + "\" y=\"" + number(top) + "\" width=\"" +
               number(std::max(x1 - x0, 1.5)) + "\" height=\"" + number(kMarkRowHeight) +
               "\" fill=\"" + colour + "\"/>\n";
    }
    return out;
}

std::string axes(const Scale& scale) {
    std::string out;
    for (int percent = -100; percent <= 100; percent += 50) {
        const double y = Scale::y(percent);
        const bool limit = percent == -100 || percent == 100;
        out += "<line x1=\"" + number(kLeft) + "\" x2=\"" + number(kLeft + kPlotWidth) + "\" y1=\"" +
               number(y) + "\" y2=\"" + number(y) + "\" stroke=\"" + (limit ? kClipColour : kGrid) +
               "\"" + (limit ? " stroke-dasharray=\"6 4\"" : "") + "/>\n";
        out += "<text x=\"" + number(kLeft - 8) + "\" y=\"" + number(y + 4) +
               "\" text-anchor=\"end\" fill=\"" + kText + "\" font-size=\"12\">" +
               std::to_string(percent) + " %</text>\n";
    }
    const double seconds = scale.seconds();
    double step = seconds <= 20 ? 1 : seconds <= 120 ? 10 : seconds <= 1200 ? 60 : 600;
    // At most 20 lines however long the span: a damaged time may claim
    // millions of years.
    while (seconds / step > 20)
        step *= 10;
    const int lines = static_cast<int>(seconds / step + 1e-9);
    for (int line = 0; line <= lines; ++line) {
        const double s = line * step;
        const double x = scale.x(scale.startUs() + s * 1e6);
        out += "<line x1=\"" + number(x) + "\" x2=\"" + number(x) + "\" y1=\"" + number(kTop) +
               "\" y2=\"" + number(kTop + kPlotHeight) + "\" stroke=\"" + kGrid + "\"/>\n";
        out += "<text x=\"" + number(x) + "\" y=\"" + number(kTop + kPlotHeight + 18) +
               "\" text-anchor=\"middle\" fill=\"" + kText + "\" font-size=\"12\">" + number(s) +
               " s</text>\n";
    }
    return out;
}

std::string legendEntry(double x, const char* colour, const std::string& text) {
    return "<rect x=\"" + number(x) + "\" y=\"44\" width=\"18\" height=\"4\" fill=\"" + colour +
           "\"/><text x=\"" + number(x + 24) + "\" y=\"50\" fill=\"" + kText +
           "\" font-size=\"13\">" + escaped(text) + "</text>\n";
}

} // namespace

std::string forcePlotSvg(const ForcePlotInput& input) {
    const RecordingHeader& header = *input.header;
    const std::vector<RecordingSample>& samples = *input.samples;
    const Scale scale = timeScale(samples);

    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + number(kWidth) +
                      "\" height=\"" + number(kHeight) + "\" viewBox=\"0 0 " + number(kWidth) +
                      " " + number(kHeight) + "\" font-family=\"DejaVu Sans, Segoe UI, sans-serif\">\n";
    svg += "<rect width=\"100%\" height=\"100%\" fill=\"" + std::string(kBackground) + "\"/>\n";
    svg += "<text x=\"" + number(kLeft) + "\" y=\"26\" fill=\"" + kText +
           "\" font-size=\"18\">Steering force, share of the wheel's full scale: " +
           escaped(recordingText(header.CarName)) + ", " + escaped(recordingText(header.DriverName)) +
           ", strength " + std::to_string(header.ForceStrength) + " %</text>\n";
    svg += legendEntry(kLeft, kSimulatorColour, "simulator's own torque");
    svg += legendEntry(kLeft + 220, kGriplineColour, "Gripline's force");
    if (input.wheel)
        svg += legendEntry(kLeft + 400, kWheelColour, "received by the wheel");
    svg += legendEntry(kLeft + 620, kClipColour, "full scale: beyond it the force clips");
    svg += axes(scale);

    auto timeOf = [&](size_t i) { return static_cast<double>(samples[i].TimeUs); };
    svg += polyline(
        samples.size(), timeOf,
        [&](size_t i) { return percentOfFullScale(samples[i].SteeringWheelTorque, samples[i].FullScaleNm); },
        scale, kSimulatorColour, 1.2);
    if (input.wheel && !input.wheel->empty()) {
        const std::vector<WheelForcePoint>& wheel = *input.wheel;
        // Only what falls inside the recording (the log is untrusted too:
        // its times need not be in order).
        const double endUs = scale.startUs() + scale.seconds() * 1e6;
        std::vector<WheelForcePoint> inside;
        for (const WheelForcePoint& p : wheel)
            if (static_cast<double>(p.atUs) >= scale.startUs() && static_cast<double>(p.atUs) <= endUs)
                inside.push_back(p);
        svg += polyline(
            inside.size(), [&](size_t i) { return static_cast<double>(inside[i].atUs); },
            [&](size_t i) { return inside[i].magnitude / 100.0; }, scale, kWheelColour, 1.0);
    }
    svg += polyline(
        samples.size(), timeOf,
        [&](size_t i) { return percentOfFullScale(samples[i].FinalForce, samples[i].FullScaleNm); },
        scale, kGriplineColour, 1.6);

    size_t clipped = 0, abs = 0, crash = 0;
    svg += markRow(samples, [](const RecordingSample& s) { return s.Clipped != 0; }, scale,
                   kMarkRowTop, kClipColour, "clipping", clipped);
    svg += markRow(samples, [](const RecordingSample& s) { return s.AbsActive != 0; }, scale,
                   kMarkRowTop + 20, kAbsColour, "ABS", abs);
    svg += markRow(samples, [](const RecordingSample& s) { return s.CrashFactor < 1.0f; }, scale,
                   kMarkRowTop + 40, kCrashColour, "crash", crash);
    const auto share = [&](size_t n) { return number(100.0 * n / samples.size()) + " %"; };
    svg += "<text x=\"" + number(kLeft + kPlotWidth) + "\" y=\"" + number(kHeight - 14) +
           "\" text-anchor=\"end\" fill=\"" + kText + "\" font-size=\"12\">" +
           std::to_string(samples.size()) + " ticks over " + number(scale.seconds()) +
           " s; clipping " + share(clipped) + ", ABS " + share(abs) + ", crash protection " +
           share(crash) + "</text>\n";
    svg += "</svg>\n";
    return svg;
}

} // namespace gripline
