#pragma once
// The advice path a second instance hands to the running one in a
// WM_COPYDATA message: the tag, and the checks on what arrives.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace gripline {

// "QMXA" in memory order.
inline constexpr uint32_t kAdviceCopyDataTag =
    uint32_t{'Q'} | uint32_t{'M'} << 8 | uint32_t{'X'} << 16 | uint32_t{'A'} << 24;

// The path in a received message, or nothing when the tag differs, the data
// is missing or holds less than one character. The text ends at its first
// zero and never runs past `byteCount` / 2 characters: the sender is another
// process and its count is all we can trust.
std::optional<std::wstring> adviceFromCopyData(uint64_t tag, const void* data, size_t byteCount);

} // namespace gripline
