#pragma once
// What the PID wheel's driver needs to know of its descriptor, worked out
// once at install time so the driver itself parses nothing: where the
// steering axis and the buttons sit in its input report, and the answers
// to the feature reports DirectInput reads (the effect pool, Block Load).
#include "tools/pid_wheel/hid_descriptor.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace gripline::pidwheel {

// Usages of the HID Physical Interface Device page (0x0F) that matter here.
namespace pid {
inline constexpr uint16_t kPage = 0x0F;
inline constexpr uint16_t kSetEffectReport = 0x21;
inline constexpr uint16_t kEffectBlockIndex = 0x22;
inline constexpr uint16_t kEffectType = 0x25;
inline constexpr uint16_t kConstantForce = 0x26;
inline constexpr uint16_t kDuration = 0x50;
inline constexpr uint16_t kGain = 0x52;
inline constexpr uint16_t kAxesEnable = 0x55;
inline constexpr uint16_t kDirectionEnable = 0x56;
inline constexpr uint16_t kDirection = 0x57;
inline constexpr uint16_t kSetEnvelopeReport = 0x5A;
inline constexpr uint16_t kAttackLevel = 0x5B;
inline constexpr uint16_t kFadeLevel = 0x5D;
inline constexpr uint16_t kMagnitude = 0x70;
inline constexpr uint16_t kSetConstantForceReport = 0x73;
inline constexpr uint16_t kEffectOperationReport = 0x77;
inline constexpr uint16_t kEffectOperation = 0x78;
inline constexpr uint16_t kOpEffectStart = 0x79;
inline constexpr uint16_t kOpEffectStartSolo = 0x7A;
inline constexpr uint16_t kOpEffectStop = 0x7B;
inline constexpr uint16_t kLoopCount = 0x7C;
inline constexpr uint16_t kDeviceGainReport = 0x7D;
inline constexpr uint16_t kDeviceGain = 0x7E;
inline constexpr uint16_t kPoolReport = 0x7F;
inline constexpr uint16_t kRamPoolSize = 0x80;
inline constexpr uint16_t kSimultaneousEffectsMax = 0x83;
inline constexpr uint16_t kBlockLoadReport = 0x89;
inline constexpr uint16_t kBlockLoadStatus = 0x8B;
inline constexpr uint16_t kBlockLoadSuccess = 0x8C;
inline constexpr uint16_t kBlockFreeReport = 0x90;
inline constexpr uint16_t kDeviceControlReport = 0x95;
inline constexpr uint16_t kDeviceControl = 0x96;
inline constexpr uint16_t kDcEnableActuators = 0x97;
inline constexpr uint16_t kDcDeviceReset = 0x9A;
inline constexpr uint16_t kDeviceManagedPool = 0xA9;
inline constexpr uint16_t kCreateNewEffectReport = 0xAB;
inline constexpr uint16_t kRamPoolAvailable = 0xAC;
} // namespace pid

struct InputLayout {
    uint8_t reportId = 0;
    uint32_t reportBytes = 0; // the report ID byte included
    uint32_t axisBitOffset = 0, axisBits = 0;
    int32_t axisMinimum = 0, axisMaximum = 0; // logical
    uint32_t buttonBitOffset = 0, buttonCount = 0;
};

struct FeatureAnswer {
    std::vector<uint8_t> bytes; // the whole report, its ID byte first
};

struct PidDeviceModel {
    InputLayout input;
    std::vector<FeatureAnswer> featureAnswers;
    uint8_t createEffectReportId = 0; // 0: the host manages the effect pool
    uint8_t blockLoadReportId = 0;
    uint32_t blockIndexByte = 0; // where Block Load carries the new effect's index
    // The registry's FeatureAnswers value: [length low, length high, bytes]...
    std::vector<uint8_t> packedFeatureAnswers() const;
};

// False with a reason when the descriptor is no force-feedback wheel the
// driver can play: no steering axis in an input report, a button field that
// is not one bit a button, or a Block Load index that is not a whole byte.
std::optional<PidDeviceModel> deviceModelOf(const HidDescriptor& descriptor, std::string& error);

} // namespace gripline::pidwheel
