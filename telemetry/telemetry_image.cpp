#include "telemetry/telemetry_image.h"

#include "telemetry/telemetry_layout.h"
#include "telemetry/telemetry_variables.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace gripline {

namespace {

void storeInt32(std::span<uint8_t> bytes, size_t offset, int32_t value) {
    std::memcpy(bytes.data() + offset, &value, sizeof value);
}

void storeText(std::span<uint8_t> bytes, size_t offset, size_t capacity, std::string_view text) {
    std::memcpy(bytes.data() + offset, text.data(), std::min(text.size(), capacity - 1));
}

int32_t elementSize(int32_t type) {
    return (type == irsdk::kChar || type == irsdk::kBool) ? 1 : (type == irsdk::kDouble ? 8 : 4);
}

// Rounds up to a multiple of 16 so that every part starts aligned.
int32_t aligned(int64_t value) { return static_cast<int32_t>((value + 15) / 16 * 16); }

} // namespace

TelemetryImage::TelemetryImage(std::vector<TelemetryVarSpec> vars, int numBuf,
                               int32_t sessionCapacity)
    : numVars_(static_cast<int32_t>(vars.size())), numBuf_(numBuf) {
    varHeaders_.assign(vars.size() * irsdk::kVarHeaderSize, 0);
    int32_t offset = 0;
    for (size_t k = 0; k < vars.size(); ++k) {
        const TelemetryVarSpec& v = vars[k];
        const size_t at = k * irsdk::kVarHeaderSize;
        storeInt32(varHeaders_, at + irsdk::kVarType, v.type);
        storeInt32(varHeaders_, at + irsdk::kVarOffset, offset);
        storeInt32(varHeaders_, at + irsdk::kVarCount, v.count);
        storeText(varHeaders_, at + irsdk::kVarName, irsdk::kVarNameSize, v.name);
        storeText(varHeaders_, at + irsdk::kVarDesc, irsdk::kVarDescSize, v.desc);
        storeText(varHeaders_, at + irsdk::kVarUnit, irsdk::kVarUnitSize, v.unit);
        offset += elementSize(v.type) * std::max(v.count, 0);
    }
    bufLen_ = std::max(offset, 1);
    place(sessionCapacity);
}

TelemetryImage::TelemetryImage(std::span<const uint8_t> varHeaders, int32_t numVars,
                               int32_t bufLen, int numBuf, int32_t sessionCapacity)
    : varHeaders_(varHeaders.begin(), varHeaders.end()), numVars_(numVars), bufLen_(bufLen),
      numBuf_(numBuf) {
    place(sessionCapacity);
}

void TelemetryImage::place(int32_t sessionCapacity) {
    numBuf_ = std::clamp(numBuf_, 1, irsdk::kMaxBuffers);
    sessionOffset_ = static_cast<int32_t>(irsdk::kHeaderSize);
    sessionCapacity_ = sessionCapacity;
    varHeaderOffset_ = aligned(int64_t{sessionOffset_} + sessionCapacity_);
    buffersOffset_ = aligned(int64_t{varHeaderOffset_} + static_cast<int64_t>(varHeaders_.size()));
    end_ = int64_t{buffersOffset_} + int64_t{numBuf_} * bufLen_;
}

void TelemetryImage::format(std::span<uint8_t> block) const {
    std::fill(block.begin(), block.begin() + static_cast<ptrdiff_t>(size()), uint8_t{0});
    storeInt32(block, irsdk::kVer, 2);
    storeInt32(block, irsdk::kTickRate, 60);
    storeInt32(block, irsdk::kSessionInfoOffset, sessionOffset_);
    storeInt32(block, irsdk::kNumVars, numVars_);
    storeInt32(block, irsdk::kVarHeaderOffset, varHeaderOffset_);
    storeInt32(block, irsdk::kNumBuf, numBuf_);
    storeInt32(block, irsdk::kBufLen, bufLen_);
    // Tick count -1 marks a buffer nothing has been published into yet, so a
    // reader attached early takes no empty line for tick 0.
    for (int i = 0; i < numBuf_; ++i) {
        storeInt32(block, irsdk::kVarBuf + irsdk::kVarBufStride * i + irsdk::kVarBufTickCount, -1);
        storeInt32(block, irsdk::kVarBuf + irsdk::kVarBufStride * i + irsdk::kVarBufOffset,
                   bufferOffset(i));
    }
    std::memcpy(block.data() + varHeaderOffset_, varHeaders_.data(), varHeaders_.size());
}

void TelemetryImage::setConnected(std::span<uint8_t> block, bool connected) {
    storeInt32(block, irsdk::kStatus, connected ? irsdk::kStatusConnected : 0);
}

void TelemetryImage::setSessionText(std::span<uint8_t> block, std::string_view text) const {
    const auto length = static_cast<int32_t>(
        std::min<size_t>(text.size(), static_cast<size_t>(std::max(sessionCapacity_ - 1, 0))));
    std::memset(block.data() + sessionOffset_, 0, static_cast<size_t>(sessionCapacity_));
    std::memcpy(block.data() + sessionOffset_, text.data(), static_cast<size_t>(length));
    storeInt32(block, irsdk::kSessionInfoLen, length);
    std::atomic_thread_fence(std::memory_order_release);
    storeInt32(block, irsdk::kSessionInfoUpdate, loadInt32(block, irsdk::kSessionInfoUpdate) + 1);
}

void TelemetryImage::publishLine(std::span<uint8_t> block, std::span<const uint8_t> line,
                                 int32_t tick) {
    const int i = next_;
    next_ = (next_ + 1) % numBuf_;
    std::memcpy(block.data() + bufferOffset(i), line.data(),
                std::min(line.size(), static_cast<size_t>(bufLen_)));
    // The tick count goes last: a reader seeing it sees the whole line.
    std::atomic_thread_fence(std::memory_order_release);
    auto* tickCount = reinterpret_cast<volatile int32_t*>(
        block.data() + irsdk::kVarBuf + irsdk::kVarBufStride * i + irsdk::kVarBufTickCount);
    *tickCount = tick;
}

int32_t TelemetryImage::offsetOf(std::string_view name, int32_t* count) const {
    for (int32_t k = 0; k < numVars_; ++k) {
        const size_t at = static_cast<size_t>(k) * irsdk::kVarHeaderSize;
        const char* stored = reinterpret_cast<const char*>(varHeaders_.data() + at + irsdk::kVarName);
        if (std::string_view(stored, strnlen(stored, irsdk::kVarNameSize)) == name) {
            if (count)
                *count = loadInt32(varHeaders_, at + irsdk::kVarCount);
            return loadInt32(varHeaders_, at + irsdk::kVarOffset);
        }
    }
    return -1;
}

void TelemetryImage::setFloat(std::span<uint8_t> line, std::string_view name, float value,
                              int element) const {
    int32_t count = 0;
    const int32_t offset = offsetOf(name, &count);
    if (offset < 0 || element < 0 || element >= std::max(count, 1) ||
        static_cast<size_t>(offset + 4 * (element + 1)) > line.size())
        return;
    std::memcpy(line.data() + offset + 4 * element, &value, sizeof value);
}

void TelemetryImage::setBool(std::span<uint8_t> line, std::string_view name, bool value) const {
    const int32_t offset = offsetOf(name);
    if (offset >= 0 && static_cast<size_t>(offset) < line.size())
        line[static_cast<size_t>(offset)] = value ? 1 : 0;
}

void TelemetryImage::setArray(std::span<uint8_t> line, std::string_view name,
                              std::span<const float> values) const {
    for (size_t i = 0; i < values.size(); ++i)
        setFloat(line, name, values[i], static_cast<int>(i));
}

} // namespace gripline

namespace gripline {

std::vector<TelemetryVarSpec> standardTelemetryVars() {
    using namespace irsdk;
    return {
        {"SessionTime", kDouble, 1, "s", "Seconds since session start"},
        {"SessionTick", kInt, 1, "", "Current update number"},
        {"IsOnTrack", kBool, 1, "", "1=Car on track physics running with player in car"},
        {"Speed", kFloat, 1, "m/s", "GPS vehicle speed"},
        {"SteeringWheelTorque", kFloat, 1, "N*m", "Output torque on steering shaft"},
        {"SteeringWheelTorque_ST", kFloat, 6, "N*m", "Output torque on steering shaft at 360 Hz"},
        {"SteeringWheelAngle", kFloat, 1, "rad", "Steering wheel angle"},
        {"SteeringWheelAngleMax", kFloat, 1, "rad", "Steering wheel max angle"},
        {"VelocityX", kFloat, 1, "m/s", "X velocity"},
        {"VelocityY", kFloat, 1, "m/s", "Y velocity"},
        {"LongAccel", kFloat, 1, "m/s^2", "Longitudinal acceleration (including gravity)"},
        {"LatAccel", kFloat, 1, "m/s^2", "Lateral acceleration (including gravity)"},
        {"YawRate", kFloat, 1, "rad/s", "Yaw rate"},
        {"BrakeABSactive", kBool, 1, "", "true if abs is currently reducing brake force pressure"},
        {"LFshockDefl_ST", kFloat, 6, "m", "LF shock deflection at 360 Hz"},
        {"RFshockDefl_ST", kFloat, 6, "m", "RF shock deflection at 360 Hz"},
        {"CFshockDefl_ST", kFloat, 6, "m", "CF shock deflection at 360 Hz"},
        {"IsReplayPlaying", kBool, 1, "", "0=replay not playing  1=replay playing"},
        {"WeatherDeclaredWet", kBool, 1, "", "The steward says rain tires can be used"},
        {"TrackWetness", kInt, 1, "irsdk_TrackWetness", "How wet is the average track surface"},
    };
}

} // namespace gripline
