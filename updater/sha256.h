#pragma once
// SHA-256 of a whole buffer, as 64 lower-case hexadecimal digits: what the
// release writes into the manifest for each program and what a download is
// checked against before anything is replaced.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace gripline {

std::string sha256Hex(std::span<const uint8_t> bytes);

// True for exactly 64 hexadecimal digits (either case).
bool isSha256Hex(std::string_view text);

} // namespace gripline
