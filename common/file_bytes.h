#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace gripline {

// Reads a whole file. On failure returns false with a one-line reason.
bool readFileBytes(const std::filesystem::path& path, std::vector<uint8_t>& bytes,
                   std::string& error);

} // namespace gripline
