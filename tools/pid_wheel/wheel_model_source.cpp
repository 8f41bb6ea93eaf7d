#include "tools/pid_wheel/wheel_model_source.h"

#include "tools/pid_wheel/hid_descriptor.h"
#include "tools/pid_wheel/pid_device_model.h"

namespace gripline::pidwheel {

std::optional<std::vector<uint8_t>> descriptorBytesOf(std::string_view fileBytes, bool binary,
                                                      std::string& error) {
    std::optional<std::vector<uint8_t>> bytes =
        binary ? std::vector<uint8_t>(fileBytes.begin(), fileBytes.end())
               : parseDescriptorText(fileBytes, error);
    if (bytes && bytes->empty()) {
        error = "the descriptor is empty";
        return std::nullopt;
    }
    if (bytes && bytes->size() > kDriverMaxDescriptorBytes) {
        error = "the descriptor has " + std::to_string(bytes->size()) +
                " bytes; the driver takes " + std::to_string(kDriverMaxDescriptorBytes) +
                " at most";
        return std::nullopt;
    }
    return bytes;
}

std::optional<WheelModel> modelFor(std::span<const uint8_t> descriptor, std::string& error) {
    const auto parsed = parseReportDescriptor(descriptor, error);
    if (!parsed)
        return std::nullopt;
    const auto device = deviceModelOf(*parsed, error);
    if (!device)
        return std::nullopt;
    // The driver plays at most 32 buttons: one 32-bit word of script state.
    WheelModel model;
    const InputLayout& in = device->input;
    model.inputReportId = in.reportId;
    model.inputReportBytes = in.reportBytes;
    model.axisBitOffset = in.axisBitOffset;
    model.axisBits = in.axisBits;
    model.axisMinimum = in.axisMinimum;
    model.axisMaximum = in.axisMaximum;
    model.buttonBitOffset = in.buttonBitOffset;
    model.buttonCount = in.buttonCount < 32 ? in.buttonCount : 32;
    model.featureAnswers = device->packedFeatureAnswers();
    model.createEffectReportId = device->createEffectReportId;
    model.blockLoadReportId = device->blockLoadReportId;
    model.blockIndexByte = device->blockIndexByte;
    if (model.inputReportBytes > kDriverMaxInputBytes) {
        error = "the input report has " + std::to_string(model.inputReportBytes) +
                " bytes; the driver plays " + std::to_string(kDriverMaxInputBytes) + " at most";
        return std::nullopt;
    }
    if (model.featureAnswers.size() > kDriverMaxFeatureAnswerBytes) {
        error = "the feature reports take " + std::to_string(model.featureAnswers.size()) +
                " bytes; the driver holds " + std::to_string(kDriverMaxFeatureAnswerBytes) +
                " at most";
        return std::nullopt;
    }
    return model;
}

} // namespace gripline::pidwheel
