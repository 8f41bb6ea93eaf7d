#pragma once
// The simulator's published shared-memory layout. All integers are 32-bit
// little-endian; offsets count from the start of the mapped view (or of a
// telemetry file, which shares the header and variable-header layout).
#include <cstddef>
#include <cstdint>

namespace gripline::irsdk {

inline constexpr const wchar_t* kMemMapName = L"Local\\IRSDKMemMapFileName";
inline constexpr const wchar_t* kDataValidEventName = L"Local\\IRSDKDataValidEvent";
inline constexpr const wchar_t* kBroadcastMessageName = L"IRSDK_BROADCASTMSG";

// Header fields (byte offsets).
inline constexpr size_t kVer = 0;
inline constexpr size_t kStatus = 4; // bit 0 set: simulator connected
inline constexpr size_t kTickRate = 8;
inline constexpr size_t kSessionInfoUpdate = 12;
inline constexpr size_t kSessionInfoLen = 16;
inline constexpr size_t kSessionInfoOffset = 20;
inline constexpr size_t kNumVars = 24;
inline constexpr size_t kVarHeaderOffset = 28;
inline constexpr size_t kNumBuf = 32;
inline constexpr size_t kBufLen = 36;
inline constexpr size_t kVarBuf = 48;
inline constexpr size_t kVarBufStride = 16;
inline constexpr size_t kVarBufTickCount = 0;
inline constexpr size_t kVarBufOffset = 4;
inline constexpr int kMaxBuffers = 4;
inline constexpr size_t kHeaderSize = kVarBuf + kMaxBuffers * kVarBufStride; // 112

inline constexpr int32_t kStatusConnected = 1;

// A telemetry file (.ibt) keeps a 32-byte disk sub-header right after the
// header: int64 start date, float64 start and end session time, int32 lap
// count, int32 record count.
inline constexpr size_t kDiskSubHeader = kHeaderSize;
inline constexpr size_t kDiskSubHeaderSize = 32;
inline constexpr size_t kDiskRecordCount = kDiskSubHeader + 28;

// Variable header (144 bytes).
inline constexpr size_t kVarHeaderSize = 144;
inline constexpr size_t kVarType = 0;
inline constexpr size_t kVarOffset = 4;
inline constexpr size_t kVarCount = 8;
inline constexpr size_t kVarCountAsTime = 12;
inline constexpr size_t kVarName = 16;
inline constexpr size_t kVarNameSize = 32;
inline constexpr size_t kVarDesc = 48;
inline constexpr size_t kVarDescSize = 64;
inline constexpr size_t kVarUnit = 112;
inline constexpr size_t kVarUnitSize = 32;

// Variable types as the simulator declares them (the reader ignores them;
// the stand-in writes them so its layout matches the real one).
enum VarType : int32_t { kChar = 0, kBool = 1, kInt = 2, kBitField = 3, kFloat = 4, kDouble = 5 };

} // namespace gripline::irsdk
