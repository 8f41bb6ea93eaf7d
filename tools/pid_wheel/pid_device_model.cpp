#include "tools/pid_wheel/pid_device_model.h"

#include <algorithm>

namespace gripline::pidwheel {

namespace {

constexpr Usage kAxisX{0x01, 0x30};
constexpr uint16_t kButtonPage = 0x09;
constexpr int32_t kEffectsAtOnce = 40;

bool findAxis(const HidDescriptor& d, InputLayout& input) {
    for (const HidField& f : d.fields) {
        if (f.kind != ReportKind::Input || !f.variable || f.constant)
            continue;
        for (uint32_t i = 0; i < f.count; ++i) {
            if (f.usageOf(i) == kAxisX) {
                input.reportId = f.reportId;
                input.axisBitOffset = f.bitOffset + i * f.bitSize;
                input.axisBits = f.bitSize;
                input.axisMinimum = f.logicalMin;
                input.axisMaximum = f.logicalMax;
                return true;
            }
        }
    }
    return false;
}

// The first field of buttons in the axis' report, one bit each.
bool findButtons(const HidDescriptor& d, InputLayout& input, std::string& error) {
    for (const HidField& f : d.fields) {
        if (f.kind != ReportKind::Input || f.reportId != input.reportId || f.constant)
            continue;
        const auto first = f.usageOf(0);
        if (!first || first->page != kButtonPage)
            continue;
        if (!f.variable || f.bitSize != 1) {
            error = "the buttons are not one bit each";
            return false;
        }
        input.buttonBitOffset = f.bitOffset;
        input.buttonCount = f.count;
        return true;
    }
    return true; // a wheel without buttons still steers
}

const HidField* findField(const HidDescriptor& d, ReportKind kind, uint8_t id, Usage usage) {
    for (const HidField& f : d.fields)
        if (f.kind == kind && f.reportId == id)
            for (uint32_t i = 0; i < f.count || (!f.variable && i < f.usages.size()); ++i)
                if (f.usageOf(i) == usage)
                    return &f;
    return nullptr;
}

// Sets a variable field's value for `usage`, or an array field to select it.
void answer(const HidDescriptor& d, uint8_t id, Usage usage, int64_t value,
            std::vector<uint8_t>& report) {
    const HidField* f = findField(d, ReportKind::Feature, id, usage);
    if (!f)
        return;
    // An array of one usage over a wide range (as Block Load's pool space is
    // declared) carries a value, not a choice.
    if (!f->variable && f->usages.size() > 1) {
        const auto at = std::find(f->usages.begin(), f->usages.end(), usage) - f->usages.begin();
        setFieldValue(*f, 0, f->logicalMin + at, report);
        return;
    }
    for (uint32_t i = 0; i < f->count; ++i)
        if (f->usageOf(i) == usage)
            setFieldValue(*f, i, std::clamp<int64_t>(value, f->logicalMin, f->logicalMax), report);
}

// Which PID report a feature report ID carries, from its fields' collections.
bool featureIs(const HidDescriptor& d, uint8_t id, uint16_t reportUsage) {
    for (const HidField& f : d.fields)
        if (f.kind == ReportKind::Feature && f.reportId == id &&
            f.inCollection({pid::kPage, reportUsage}))
            return true;
    return false;
}

} // namespace

std::vector<uint8_t> PidDeviceModel::packedFeatureAnswers() const {
    std::vector<uint8_t> out;
    for (const FeatureAnswer& a : featureAnswers) {
        out.push_back(static_cast<uint8_t>(a.bytes.size() & 0xFF));
        out.push_back(static_cast<uint8_t>(a.bytes.size() >> 8));
        out.insert(out.end(), a.bytes.begin(), a.bytes.end());
    }
    return out;
}

std::optional<PidDeviceModel> deviceModelOf(const HidDescriptor& d, std::string& error) {
    PidDeviceModel model;
    if (!findAxis(d, model.input)) {
        error = "no steering axis (Generic Desktop X) in an input report";
        return std::nullopt;
    }
    if (!findButtons(d, model.input, error))
        return std::nullopt;
    model.input.reportBytes = d.reportBytes(ReportKind::Input, model.input.reportId);

    const std::vector<uint8_t> features = d.reportIds(ReportKind::Feature);
    for (uint8_t id : features)
        if (featureIs(d, id, pid::kCreateNewEffectReport))
            model.createEffectReportId = id;
    for (uint8_t id : features) {
        std::vector<uint8_t> report(d.reportBytes(ReportKind::Feature, id), 0);
        report[0] = id;
        if (featureIs(d, id, pid::kPoolReport)) {
            answer(d, id, {pid::kPage, pid::kRamPoolSize}, 0xFFFF, report);
            answer(d, id, {pid::kPage, pid::kSimultaneousEffectsMax}, kEffectsAtOnce, report);
            // A device that allocates effects itself says so; otherwise
            // DirectInput numbers them.
            answer(d, id, {pid::kPage, pid::kDeviceManagedPool},
                   model.createEffectReportId != 0 ? 1 : 0, report);
        }
        if (featureIs(d, id, pid::kBlockLoadReport)) {
            const HidField* index =
                findField(d, ReportKind::Feature, id, {pid::kPage, pid::kEffectBlockIndex});
            if (!index || index->bitSize != 8 || index->bitOffset % 8 != 0) {
                error = "the Block Load report's effect index is not a whole byte";
                return std::nullopt;
            }
            model.blockLoadReportId = id;
            model.blockIndexByte = index->bitOffset / 8;
            setFieldValue(*index, 0, 1, report);
            answer(d, id, {pid::kPage, pid::kBlockLoadSuccess}, 1, report);
            answer(d, id, {pid::kPage, pid::kRamPoolAvailable}, 0xFFFF, report);
        }
        model.featureAnswers.push_back({std::move(report)});
    }
    return model;
}

} // namespace gripline::pidwheel
