#pragma once
// What the install tool takes from a descriptor file for the driver: its
// bytes (binary, or the text form) and, from the device model of the core,
// the registry values of the input layout, the feature answers and the
// effect pool reports. Portable.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace gripline::pidwheel {

// The driver's registry values that come from the descriptor.
struct WheelModel {
    uint32_t inputReportId = 0;
    uint32_t inputReportBytes = 0;            // the report ID byte included
    uint32_t axisBitOffset = 0, axisBits = 0; // bits from the report's ID byte
    int32_t axisMinimum = 0, axisMaximum = 0; // logical
    uint32_t buttonBitOffset = 0, buttonCount = 0;
    std::vector<uint8_t> featureAnswers; // [length lo, length hi, report bytes]...
    uint32_t createEffectReportId = 0, blockLoadReportId = 0, blockIndexByte = 0;
};

// What the driver holds (driver/wheel_device.h; keep the two in step).
inline constexpr size_t kDriverMaxDescriptorBytes = 4096;
inline constexpr size_t kDriverMaxFeatureAnswerBytes = 1024; // packed, length words included
inline constexpr uint32_t kDriverMaxInputBytes = 64;
inline constexpr size_t kDriverMaxStringChars = 127;

// `fileBytes` as a descriptor: taken as they are when `binary`, else read as
// hexadecimal bytes with "//" and "#" comments.
std::optional<std::vector<uint8_t>> descriptorBytesOf(std::string_view fileBytes, bool binary,
                                                      std::string& error);
// False with a reason when the descriptor is no wheel the driver can play,
// or more than it holds.
std::optional<WheelModel> modelFor(std::span<const uint8_t> descriptor, std::string& error);

} // namespace gripline::pidwheel
