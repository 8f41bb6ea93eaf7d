#pragma once
// Finding the telemetry variables the force model and the driving context need in a
// variable-header table, and decoding one data line into a snapshot. Shared
// by the live reader and the telemetry-file tools. Every offset and length
// is checked against the bytes actually present: a table or a line that
// does not fit is treated as missing, never read past.
#include "telemetry/telemetry_snapshot.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace gripline {

enum class TelemetryVar : int {
    IsOnTrack,
    Speed,
    SteeringWheelTorque,
    SteeringWheelTorqueSt,
    SteeringWheelAngle,
    SteeringWheelAngleMax,
    VelocityX,
    VelocityY,
    LongAccel,
    LatAccel,
    YawRate,
    BrakeABSactive,
    LFshockDeflSt,
    RFshockDeflSt,
    CFshockDeflSt,
    IsReplayPlaying,
    WeatherDeclaredWet,
    TrackWetness,
    Count
};

inline constexpr int kTelemetryVarCount = static_cast<int>(TelemetryVar::Count);

// The simulator's names, in the order of TelemetryVar.
extern const std::array<std::string_view, kTelemetryVarCount> kTelemetryVarNames;

// Index of each variable in the header table, -1 when absent.
using TelemetryVarIndices = std::array<int32_t, kTelemetryVarCount>;

TelemetryVarIndices noTelemetryVars();

// Where one variable lies in a header table: its index and the type, offset
// and count its header declares; index -1 and zeros when absent. Two tables
// that give the variables equal places are read from the same bytes
// in the same way.
struct TelemetryVarPlace {
    int32_t index = -1;
    int32_t type = 0;
    int32_t offset = 0;
    int32_t count = 0;
    bool operator==(const TelemetryVarPlace&) const = default;
};
using TelemetryVarPlaces = std::array<TelemetryVarPlace, kTelemetryVarCount>;

// Reads a little-endian int32 at offset; 0 when it does not fit.
int32_t loadInt32(std::span<const uint8_t> bytes, size_t offset);

// Index of the first variable header whose name equals `name` (compared over
// at most 32 characters, up to the terminating zero), or -1. `image` is the
// whole view or file: the header gives numVars and varHeaderOffset; only the
// headers that lie entirely inside `image` are looked at.
int32_t findVariable(std::span<const uint8_t> image, std::string_view name);

// All the indices, in the order of TelemetryVar.
TelemetryVarIndices resolveVariables(std::span<const uint8_t> image);

// The places of the variables at `vars` in the table as it is in `image` now.
TelemetryVarPlaces placesOf(std::span<const uint8_t> image, const TelemetryVarIndices& vars);

// Whether every variable found in `places` still has its name, type, offset
// and count at its index in `image`: eighteen header compares, cheap enough
// for every read.
bool placesHold(std::span<const uint8_t> image, const TelemetryVarPlaces& places);

// Copies up to six 4-byte elements of array variable `index` out of `line`.
// Returns the number copied: 0 for index -1, a header outside the image, a
// type other than float, or values that do not fit the line.
int32_t readArray(std::span<const uint8_t> image, std::span<const uint8_t> line, int32_t index,
                  float (&out)[kSubSamples]);

// Fills `snapshot` from one data line: Valid, TickCount = tick, every scalar,
// the sub-sample arrays and their counts. Variables that are absent, do not
// fit the line, or declare a type or count that does not fit the read (a
// flag must be a bool or char, everything else a float, with at least one
// element) read as 0 / false.
void decodeLine(std::span<const uint8_t> image, const TelemetryVarIndices& vars,
                std::span<const uint8_t> line, int32_t tick, TelemetrySnapshot& snapshot);

} // namespace gripline
