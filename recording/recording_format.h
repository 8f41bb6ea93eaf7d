#pragma once
// The recording file: one fixed 380-byte header with the drive's context,
// then one fixed 88-byte sample per simulator tick. Little-endian, no
// padding, no count and no footer: closing the file is the only end marker,
// so a recording cut short by a crash is still readable up to its last
// whole sample. Both programs share these records byte for byte.
#include <cstddef>
#include <cstdint>
#include <string>

namespace gripline {

inline constexpr char kRecordingMagic[8] = {'K', 'V', 'T', 'R', 'E', 'C', '1', '\0'};
inline constexpr uint32_t kRecordingVersion = 2;
inline constexpr uint32_t kRecordingHeaderSize = 380;
inline constexpr uint32_t kRecordingSampleSize = 88;
inline constexpr uint32_t kRecordingTickRateHz = 60;
inline constexpr size_t kRecordingTextSize = 64;

// The header's 380 bytes are not a multiple of 8: packed to 4 so the
// 64-bit start time needs no padding after the reserved bytes. Every other
// field is naturally aligned in both records.
#pragma pack(push, 4)
struct RecordingHeader {
    char Magic[8];
    uint32_t Version;
    uint32_t HeaderSize;
    uint32_t SampleSize;
    uint32_t TickRateHz;
    uint64_t StartTimeMs;
    char CarName[kRecordingTextSize];
    char DriverName[kRecordingTextSize];
    char ProfileName[kRecordingTextSize];
    int32_t ForceStrength;
    int32_t Bumps;
    int32_t BumpImpacts;
    int32_t UndersteerResistance;
    int32_t SuspensionDetailPriority;
    int32_t CarForceBalance;
    float YawRateMultiplier;
    float LateralAccelDivisor;
    float ResistanceGain;
    float SteerMarginBias;
    float WheelbaseMaxTorqueNm;
    int32_t AbsVibration;
    float YawSteerGain;
    uint8_t Reserved[104];
};
#pragma pack(pop)

struct RecordingSample {
    uint64_t TimeUs;
    int32_t TickCount;
    float Speed;
    float SteeringWheelAngle;
    float SteeringWheelTorque;
    float VelocityX;
    float VelocityY;
    float LongAccel;
    float LatAccel;
    float YawRate;
    float UndersteerMargin;
    float UndersteerActivity;
    float BaseForce;
    float ResistanceForce;
    float SuspensionDetailForce;
    float OversteerSmoothed;
    float FinalForce;
    float FullScaleNm;
    float CrashFactor;
    uint8_t Clipped;
    uint8_t SuspensionPriority;
    uint8_t AbsActive;
    uint8_t Reserved[5];
};

static_assert(sizeof(RecordingHeader) == kRecordingHeaderSize);
static_assert(offsetof(RecordingHeader, StartTimeMs) == 24);
static_assert(offsetof(RecordingHeader, CarName) == 32);
static_assert(offsetof(RecordingHeader, DriverName) == 96);
static_assert(offsetof(RecordingHeader, ProfileName) == 160);
static_assert(offsetof(RecordingHeader, ForceStrength) == 224);
static_assert(offsetof(RecordingHeader, CarForceBalance) == 244);
static_assert(offsetof(RecordingHeader, YawRateMultiplier) == 248);
static_assert(offsetof(RecordingHeader, WheelbaseMaxTorqueNm) == 264);
static_assert(offsetof(RecordingHeader, AbsVibration) == 268);
static_assert(offsetof(RecordingHeader, YawSteerGain) == 272);
static_assert(offsetof(RecordingHeader, Reserved) == 276);

static_assert(sizeof(RecordingSample) == kRecordingSampleSize);
static_assert(offsetof(RecordingSample, TickCount) == 8);
static_assert(offsetof(RecordingSample, Speed) == 12);
static_assert(offsetof(RecordingSample, YawRate) == 40);
static_assert(offsetof(RecordingSample, UndersteerMargin) == 44);
static_assert(offsetof(RecordingSample, BaseForce) == 52);
static_assert(offsetof(RecordingSample, FinalForce) == 68);
static_assert(offsetof(RecordingSample, CrashFactor) == 76);
static_assert(offsetof(RecordingSample, Clipped) == 80);
static_assert(offsetof(RecordingSample, AbsActive) == 82);

// The records are written and read as raw bytes; both builds are
// little-endian x86, which the file's byte order matches.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__);

// Copies UTF-8 `text` into a 64-byte field: at most 63 bytes, cut before a
// character that would not fit whole, zero bytes up to the end.
void setRecordingText(char (&field)[kRecordingTextSize], const std::string& text);

// The text of a field up to its first zero byte.
std::string recordingText(const char (&field)[kRecordingTextSize]);

// A header with the fixed fields set (magic, version, sizes, tick rate) and
// everything else zero.
RecordingHeader makeRecordingHeader();

} // namespace gripline
