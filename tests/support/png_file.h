#pragma once
// Writes 8-bit RGB images as PNG files: screenshots kept as test artifacts.
// Uncompressed (stored) deflate blocks: larger files, no zlib needed.
#include <cstdint>
#include <string>
#include <vector>

namespace gripline::test {

// `rgb` holds width × height pixels, three bytes each, top row first.
std::vector<uint8_t> encodePng(const std::vector<uint8_t>& rgb, uint32_t width, uint32_t height);

} // namespace gripline::test
