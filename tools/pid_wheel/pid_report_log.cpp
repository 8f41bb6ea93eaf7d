#include "tools/pid_wheel/pid_report_log.h"

#include "tools/pid_wheel/pid_device_model.h"

#include <charconv>
#include <cmath>

namespace gripline::pidwheel {

namespace {

struct Named {
    uint16_t usage;
    const char* name;
};

constexpr Named kDeviceControls[] = {{0x97, "enable"}, {0x98, "disable"}, {0x99, "stopall"},
                                     {0x9A, "reset"},  {0x9B, "pause"},   {0x9C, "continue"}};
constexpr Named kEffectTypes[] = {{0x26, "constant"},     {0x27, "ramp"},     {0x30, "square"},
                                  {0x31, "sine"},         {0x32, "triangle"}, {0x33, "sawtoothup"},
                                  {0x34, "sawtoothdown"}, {0x40, "spring"},   {0x41, "damper"},
                                  {0x42, "inertia"},      {0x43, "friction"}, {0x28, "custom"}};

const char* nameOf(std::span<const Named> table, uint16_t usage) {
    for (const Named& n : table)
        if (n.usage == usage)
            return n.name;
    return nullptr;
}

std::string_view nextWord(std::string_view& rest) {
    const size_t start = rest.find_first_not_of(" \t\r");
    if (start == std::string_view::npos) {
        rest = {};
        return {};
    }
    rest.remove_prefix(start);
    const size_t end = rest.find_first_of(" \t\r");
    const std::string_view word = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end);
    return word;
}

std::optional<std::vector<uint8_t>> hexBytes(std::string_view hex) {
    if (hex.empty() || hex.size() % 2 != 0 || hex.size() / 2 > kMaxReportBytes)
        return std::nullopt;
    std::vector<uint8_t> out(hex.size() / 2);
    for (size_t i = 0; i < out.size(); ++i) {
        const auto r = std::from_chars(hex.data() + 2 * i, hex.data() + 2 * i + 2, out[i], 16);
        if (r.ec != std::errc() || r.ptr != hex.data() + 2 * i + 2)
            return std::nullopt;
    }
    return out;
}

// The usages an array or bit field of Device Control or Effect Operation
// selects in this report.
std::vector<uint16_t> selectedUsages(const HidField& f, std::span<const uint8_t> report) {
    std::vector<uint16_t> out;
    for (uint32_t i = 0; i < f.count; ++i) {
        const auto v = fieldValue(f, i, report);
        if (!v)
            continue;
        if (f.variable) {
            if (*v != 0)
                if (const auto u = f.usageOf(i))
                    out.push_back(u->id);
        } else if (*v >= f.logicalMin &&
                   *v - f.logicalMin < static_cast<int64_t>(f.usages.size())) {
            out.push_back(f.usages[static_cast<size_t>(*v - f.logicalMin)].id);
        }
    }
    return out;
}

} // namespace

std::optional<int64_t> unscale(int64_t raw, int32_t logicalMin, int32_t logicalMax,
                               int32_t physicalMin, int32_t physicalMax) {
    if (raw < logicalMin || raw > logicalMax || logicalMax <= logicalMin ||
        physicalMax <= physicalMin)
        return std::nullopt;
    const int64_t logicalSpan = int64_t{logicalMax} - logicalMin;
    const int64_t physicalSpan = int64_t{physicalMax} - physicalMin;
    auto forward = [&](int64_t v) {
        return logicalMin + (v - physicalMin) * logicalSpan / physicalSpan;
    };
    const double exact =
        physicalMin + static_cast<double>(raw - logicalMin) * physicalSpan / logicalSpan;
    const auto guess = static_cast<int64_t>(std::floor(exact));
    for (int64_t v = guess - 1; v <= guess + 2; ++v)
        if (v >= physicalMin && v <= physicalMax && forward(v) == raw)
            return v;
    return std::llround(exact); // several values scale onto one: the nearest
}

PidReportDecoder::PidReportDecoder(HidDescriptor descriptor) : descriptor_(std::move(descriptor)) {
    for (uint8_t id : descriptor_.reportIds(ReportKind::Feature))
        if (reportIs(ReportKind::Feature, id, pid::kCreateNewEffectReport))
            hostPool_ = false;
}

bool PidReportDecoder::reportIs(ReportKind kind, uint8_t id, uint16_t reportUsage) const {
    for (const HidField& f : descriptor_.fields)
        if (f.kind == kind && f.reportId == id && f.inCollection({pid::kPage, reportUsage}))
            return true;
    return false;
}

const HidField* PidReportDecoder::field(ReportKind kind, uint8_t id, uint16_t usage) const {
    for (const HidField& f : descriptor_.fields) {
        if (f.kind != kind || f.reportId != id || f.constant)
            continue;
        for (const Usage& u : f.usages)
            if (u == Usage{pid::kPage, usage})
                return &f;
    }
    return nullptr;
}

std::optional<int64_t> PidReportDecoder::value(ReportKind kind, uint8_t id, uint16_t usage,
                                               std::span<const uint8_t> report) const {
    const HidField* f = field(kind, id, usage);
    if (!f)
        return std::nullopt;
    for (uint32_t i = 0; i < f->count; ++i)
        if (f->usageOf(i) == Usage{pid::kPage, usage})
            return fieldValue(*f, i, report);
    return std::nullopt;
}

std::vector<WheelLogEvent> PidReportDecoder::decodeLine(std::string_view line) {
    std::vector<WheelLogEvent> out;
    std::string_view rest = line;
    const std::string_view time = nextWord(rest);
    int64_t atUs = 0;
    const auto r = std::from_chars(time.data(), time.data() + time.size(), atUs);
    if (time.empty() || r.ec != std::errc() || r.ptr != time.data() + time.size())
        return out;
    const std::string_view kind = nextWord(rest);
    if (kind == "started" || kind == "removed") {
        out.push_back({atUs, kind == "started" ? "plugged" : "unplugged", ""});
        if (kind == "removed")
            known_.clear();
        return out;
    }
    const std::string_view hex = nextWord(rest);
    const auto bytes = hexBytes(hex);
    if (!bytes)
        return out;
    const uint8_t id = descriptor_.hasReportIds ? (*bytes)[0] : 0;
    if (kind == "write" || kind == "setoutput") {
        decodeOutput(atUs, *bytes, out);
    } else if (kind == "setfeature" &&
               reportIs(ReportKind::Feature, id, pid::kCreateNewEffectReport)) {
        const HidField* type = field(ReportKind::Feature, id, pid::kConstantForce);
        const char* name = "unknown";
        if (type)
            for (uint16_t u : selectedUsages(*type, *bytes))
                if (const char* n = nameOf(kEffectTypes, u))
                    name = n;
        out.push_back({atUs, "effect", name});
    } else if (kind == "setfeature") {
        out.push_back({atUs, "report", "setfeature " + std::string(hex)});
    }
    return out; // feature and input reads change nothing on the device
}

void PidReportDecoder::decodeOutput(int64_t atUs, std::span<const uint8_t> report,
                                    std::vector<WheelLogEvent>& out) {
    const uint8_t id = descriptor_.hasReportIds ? report[0] : 0;
    const ReportKind k = ReportKind::Output;
    if (reportIs(k, id, pid::kSetConstantForceReport)) {
        const HidField* f = field(k, id, pid::kMagnitude);
        const auto raw = value(k, id, pid::kMagnitude, report);
        const auto v =
            f && raw ? unscale(*raw, f->logicalMin, f->logicalMax, -10000, 10000) : std::nullopt;
        out.push_back({atUs, "magnitude", v ? std::to_string(*v) : "out-of-range"});
    } else if (reportIs(k, id, pid::kDeviceControlReport) || reportIs(k, id, pid::kDeviceControl)) {
        for (const HidField& f : descriptor_.fields)
            if (f.kind == k && f.reportId == id && !f.constant)
                for (uint16_t u : selectedUsages(f, report))
                    if (const char* n = nameOf(kDeviceControls, u))
                        out.push_back({atUs, n, ""});
    } else if (reportIs(k, id, pid::kDeviceGainReport)) {
        const HidField* f = field(k, id, pid::kDeviceGain);
        const auto raw = value(k, id, pid::kDeviceGain, report);
        const auto v =
            f && raw ? unscale(*raw, f->logicalMin, f->logicalMax, 0, 10000) : std::nullopt;
        out.push_back({atUs, "gain", v ? std::to_string(*v) : "out-of-range"});
    } else if (reportIs(k, id, pid::kEffectOperationReport)) {
        const HidField* f = field(k, id, pid::kOpEffectStart);
        for (uint16_t u : f ? selectedUsages(*f, report) : std::vector<uint16_t>{}) {
            if (u == pid::kOpEffectStart)
                out.push_back({atUs, "start", ""});
            else if (u == pid::kOpEffectStartSolo)
                out.push_back({atUs, "start", "solo"});
            else if (u == pid::kOpEffectStop)
                out.push_back({atUs, "stop", ""});
        }
    } else if (reportIs(k, id, pid::kBlockFreeReport)) {
        if (const auto index = value(k, id, pid::kEffectBlockIndex, report))
            known_.erase(*index);
        out.push_back({atUs, "release", "effect"});
    } else if (reportIs(k, id, pid::kSetEffectReport)) {
        decodeSetEffect(atUs, id, report, out);
    } else if (reportIs(k, id, pid::kSetEnvelopeReport)) {
        const auto level = [&](uint16_t usage) {
            const HidField* f = field(k, id, usage);
            const auto raw = value(k, id, usage, report);
            const auto v =
                f && raw ? unscale(*raw, f->logicalMin, f->logicalMax, 0, 10000) : std::nullopt;
            return v ? std::to_string(*v) : std::string("?");
        };
        out.push_back({atUs, "envelope", level(pid::kAttackLevel) + "/" + level(pid::kFadeLevel)});
    } else {
        std::string hex;
        static constexpr char kDigits[] = "0123456789abcdef";
        for (uint8_t b : report)
            hex += {kDigits[b >> 4], kDigits[b & 15]};
        out.push_back({atUs, "report", "write " + hex});
    }
}

void PidReportDecoder::decodeSetEffect(int64_t atUs, uint8_t id, std::span<const uint8_t> report,
                                       std::vector<WheelLogEvent>& out) {
    const ReportKind k = ReportKind::Output;
    const char* type = "unknown";
    if (const HidField* f = field(k, id, pid::kConstantForce))
        for (uint16_t u : selectedUsages(*f, report))
            if (const char* n = nameOf(kEffectTypes, u))
                type = n;
    const auto index = value(k, id, pid::kEffectBlockIndex, report);
    if (hostPool_ && index && known_.insert(*index).second)
        out.push_back({atUs, "effect", type});
    out.push_back({atUs, "seteffect", type});
    if (const HidField* f = field(k, id, pid::kGain)) {
        const auto v = unscale(value(k, id, pid::kGain, report).value_or(-1), f->logicalMin,
                               f->logicalMax, 0, 10000);
        out.push_back({atUs, "effectgain", v ? std::to_string(*v) : "out-of-range"});
    }
    if (const HidField* f = field(k, id, pid::kDuration)) {
        const auto raw = value(k, id, pid::kDuration, report);
        const bool finite = raw && *raw >= f->logicalMin && *raw <= f->logicalMax;
        out.push_back({atUs, "duration", finite ? std::to_string(*raw) : "infinite"});
    }
    // Axes Enable: bit n for the descriptor's n-th axis, in order.
    int64_t axes = 0;
    uint32_t axis = 0;
    for (const HidField& f : descriptor_.fields)
        if (f.kind == k && f.reportId == id && f.inCollection({pid::kPage, pid::kAxesEnable}))
            for (uint32_t i = 0; i < f.count && axis < 32; ++i, ++axis)
                if (fieldValue(f, i, report).value_or(0) != 0)
                    axes |= int64_t{1} << axis;
    out.push_back({atUs, "axes", std::to_string(axes)});
    for (const HidField& f : descriptor_.fields)
        if (f.kind == k && f.reportId == id && f.inCollection({pid::kPage, pid::kDirection})) {
            const auto raw = fieldValue(f, 0, report);
            const auto v = raw ? unscale(*raw, f.logicalMin, f.logicalMax, 0, 35900) : std::nullopt;
            out.push_back({atUs, "direction", v ? std::to_string(*v) : "out-of-range"});
            break;
        }
}

std::vector<WheelLogEvent> PidReportDecoder::decodeLog(std::string_view text) {
    std::vector<WheelLogEvent> out;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        for (WheelLogEvent& e : decodeLine(text.substr(0, end)))
            out.push_back(std::move(e));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return out;
}

std::string formatWheelLog(const std::vector<WheelLogEvent>& events) {
    std::string out;
    for (const WheelLogEvent& e : events) {
        out += std::to_string(e.atUs) + ' ' + e.name;
        if (!e.value.empty())
            out += ' ' + e.value;
        out += '\n';
    }
    return out;
}

} // namespace gripline::pidwheel
