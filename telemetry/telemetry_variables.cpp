#include "telemetry/telemetry_variables.h"

#include "telemetry/telemetry_layout.h"

#include <algorithm>
#include <cstring>

namespace gripline {

const std::array<std::string_view, kTelemetryVarCount> kTelemetryVarNames = {
    "IsOnTrack",      "Speed",          "SteeringWheelTorque", "SteeringWheelTorque_ST",
    "SteeringWheelAngle", "SteeringWheelAngleMax", "VelocityX", "VelocityY",
    "LongAccel",      "LatAccel",       "YawRate",             "BrakeABSactive",
    "LFshockDefl_ST", "RFshockDefl_ST", "CFshockDefl_ST",
    "IsReplayPlaying", "WeatherDeclaredWet", "TrackWetness",
};

namespace {

// Whether [offset, offset + length) lies inside a block of `size` bytes.
// Takes signed 64-bit values so that negative or huge fields from a damaged
// mapping cannot wrap around.
bool fits(int64_t offset, int64_t length, size_t size) {
    return offset >= 0 && length >= 0 && offset + length <= static_cast<int64_t>(size);
}

// Byte offset of variable header `index`, or -1 when it is not inside the image.
int64_t varHeaderAt(std::span<const uint8_t> image, int32_t index) {
    if (index < 0 || index >= loadInt32(image, irsdk::kNumVars))
        return -1;
    const int64_t at = int64_t{loadInt32(image, irsdk::kVarHeaderOffset)} +
                       int64_t{index} * int64_t{irsdk::kVarHeaderSize};
    return fits(at, irsdk::kVarHeaderSize, image.size()) ? at : -1;
}

// The name in the variable header at byte offset `header`: up to its zero, at
// most 32 characters.
std::string_view varName(std::span<const uint8_t> image, int64_t header) {
    const char* stored = reinterpret_cast<const char*>(image.data() + header + irsdk::kVarName);
    return {stored, strnlen(stored, irsdk::kVarNameSize)};
}

// Where variable `index` lies as its header says; index -1 and zeros when
// the header is not inside the image.
TelemetryVarPlace placeAt(std::span<const uint8_t> image, int32_t index) {
    const int64_t header = varHeaderAt(image, index);
    if (header < 0)
        return {};
    const auto at = static_cast<size_t>(header);
    return {index, loadInt32(image, at + irsdk::kVarType), loadInt32(image, at + irsdk::kVarOffset),
            loadInt32(image, at + irsdk::kVarCount)};
}

// How the snapshot reads a value: flags as one byte, enumerations as 4-byte
// integers, everything else as 4-byte floats. A header that declares another
// type (a table rewritten under a stale index, a damaged block) is not read
// as if it were one.
enum class ValueKind { Flag, Int, Float };

bool typeFits(int32_t type, ValueKind kind) {
    if (kind == ValueKind::Flag)
        return type == irsdk::kBool || type == irsdk::kChar;
    if (kind == ValueKind::Int)
        return type == irsdk::kInt || type == irsdk::kBitField;
    return type == irsdk::kFloat;
}

// Offset inside the line of `bytes` bytes of variable `index`, or -1 when the
// variable is absent, declares a type or count the read does not fit, or its
// value does not fit the line.
int64_t valueAt(std::span<const uint8_t> image, size_t lineSize, int32_t index, ValueKind kind,
                int64_t bytes) {
    const int64_t header = varHeaderAt(image, index);
    if (header < 0)
        return -1;
    const auto at = static_cast<size_t>(header);
    if (!typeFits(loadInt32(image, at + irsdk::kVarType), kind) ||
        loadInt32(image, at + irsdk::kVarCount) < 1)
        return -1;
    const int64_t offset = loadInt32(image, at + irsdk::kVarOffset);
    return fits(offset, bytes, lineSize) ? offset : -1;
}

float loadFloat(std::span<const uint8_t> line, int64_t offset) {
    float value = 0;
    std::memcpy(&value, line.data() + offset, sizeof value);
    return value;
}

float scalarFloat(std::span<const uint8_t> image, std::span<const uint8_t> line,
                  const TelemetryVarIndices& vars, TelemetryVar var) {
    const int64_t at = valueAt(image, line.size(), vars[static_cast<int>(var)], ValueKind::Float, 4);
    return at < 0 ? 0.0f : loadFloat(line, at);
}

int32_t scalarInt(std::span<const uint8_t> image, std::span<const uint8_t> line,
                  const TelemetryVarIndices& vars, TelemetryVar var) {
    const int64_t at = valueAt(image, line.size(), vars[static_cast<int>(var)], ValueKind::Int, 4);
    return at < 0 ? 0 : loadInt32(line, static_cast<size_t>(at));
}

bool scalarBool(std::span<const uint8_t> image, std::span<const uint8_t> line,
                const TelemetryVarIndices& vars, TelemetryVar var) {
    const int64_t at = valueAt(image, line.size(), vars[static_cast<int>(var)], ValueKind::Flag, 1);
    return at >= 0 && line[static_cast<size_t>(at)] != 0;
}

} // namespace

TelemetryVarIndices noTelemetryVars() {
    TelemetryVarIndices vars;
    vars.fill(-1);
    return vars;
}

int32_t loadInt32(std::span<const uint8_t> bytes, size_t offset) {
    if (offset > bytes.size() || bytes.size() - offset < 4)
        return 0;
    int32_t value = 0;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

int32_t findVariable(std::span<const uint8_t> image, std::string_view name) {
    if (image.size() < irsdk::kHeaderSize)
        return -1;
    const int32_t numVars = loadInt32(image, irsdk::kNumVars);
    for (int32_t k = 0; k < numVars; ++k) {
        const int64_t header = varHeaderAt(image, k);
        if (header < 0)
            return -1; // the rest of the table lies outside the image too
        if (varName(image, header) == name.substr(0, irsdk::kVarNameSize))
            return k;
    }
    return -1;
}

TelemetryVarPlaces placesOf(std::span<const uint8_t> image, const TelemetryVarIndices& vars) {
    TelemetryVarPlaces places{};
    for (int i = 0; i < kTelemetryVarCount; ++i)
        places[i] = placeAt(image, vars[i]);
    return places;
}

bool placesHold(std::span<const uint8_t> image, const TelemetryVarPlaces& places) {
    for (int i = 0; i < kTelemetryVarCount; ++i) {
        const TelemetryVarPlace& place = places[i];
        if (place.index < 0)
            continue;
        const int64_t header = varHeaderAt(image, place.index);
        if (header < 0 || varName(image, header) != kTelemetryVarNames[i] ||
            placeAt(image, place.index) != place)
            return false;
    }
    return true;
}

TelemetryVarIndices resolveVariables(std::span<const uint8_t> image) {
    TelemetryVarIndices vars;
    for (int i = 0; i < kTelemetryVarCount; ++i)
        vars[i] = findVariable(image, kTelemetryVarNames[i]);
    return vars;
}

int32_t readArray(std::span<const uint8_t> image, std::span<const uint8_t> line, int32_t index,
                  float (&out)[kSubSamples]) {
    const int64_t header = varHeaderAt(image, index);
    if (header < 0)
        return 0;
    const int32_t declared = loadInt32(image, static_cast<size_t>(header) + irsdk::kVarCount);
    const int32_t n = std::clamp(declared, 0, kSubSamples);
    if (n == 0)
        return 0;
    const int64_t at = valueAt(image, line.size(), index, ValueKind::Float, int64_t{4} * n);
    if (at < 0)
        return 0;
    for (int32_t i = 0; i < n; ++i)
        out[i] = loadFloat(line, at + 4 * i);
    return n;
}

void decodeLine(std::span<const uint8_t> image, const TelemetryVarIndices& vars,
                std::span<const uint8_t> line, int32_t tick, TelemetrySnapshot& s) {
    using V = TelemetryVar;
    s = TelemetrySnapshot{};
    s.Valid = true;
    s.TickCount = tick;
    s.IsOnTrack = scalarBool(image, line, vars, V::IsOnTrack);
    s.Speed = scalarFloat(image, line, vars, V::Speed);
    s.SteeringWheelTorque = scalarFloat(image, line, vars, V::SteeringWheelTorque);
    s.SteeringWheelAngle = scalarFloat(image, line, vars, V::SteeringWheelAngle);
    s.SteeringWheelAngleMax = scalarFloat(image, line, vars, V::SteeringWheelAngleMax);
    s.VelocityX = scalarFloat(image, line, vars, V::VelocityX);
    s.VelocityY = scalarFloat(image, line, vars, V::VelocityY);
    s.LongAccel = scalarFloat(image, line, vars, V::LongAccel);
    s.LatAccel = scalarFloat(image, line, vars, V::LatAccel);
    s.YawRate = scalarFloat(image, line, vars, V::YawRate);
    s.BrakeABSactive = scalarBool(image, line, vars, V::BrakeABSactive);
    s.IsReplayPlaying = scalarBool(image, line, vars, V::IsReplayPlaying);
    s.WeatherDeclaredWet = scalarBool(image, line, vars, V::WeatherDeclaredWet);
    s.TrackWetness = scalarInt(image, line, vars, V::TrackWetness);

    const auto index = [&](V var) { return vars[static_cast<int>(var)]; };
    const int32_t torqueCount = readArray(image, line, index(V::SteeringWheelTorqueSt), s.TorqueSt);
    if (torqueCount == 0) {
        s.TorqueSt[0] = s.SteeringWheelTorque;
        s.TorqueStCount = 1;
    } else {
        s.TorqueStCount = torqueCount;
    }

    const int32_t left = readArray(image, line, index(V::LFshockDeflSt), s.LFshockDeflSt);
    const int32_t right = readArray(image, line, index(V::RFshockDeflSt), s.RFshockDeflSt);
    s.ShockStCount = std::min(left, right);
    if (s.ShockStCount > 0) {
        s.LFshockDefl = s.LFshockDeflSt[s.ShockStCount - 1];
        s.RFshockDefl = s.RFshockDeflSt[s.ShockStCount - 1];
    }
    s.CFshockStCount = readArray(image, line, index(V::CFshockDeflSt), s.CFshockDeflSt);
    if (s.CFshockStCount > 0)
        s.CFshockDefl = s.CFshockDeflSt[s.CFshockStCount - 1];
}

} // namespace gripline
