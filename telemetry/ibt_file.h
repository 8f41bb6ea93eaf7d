#pragma once
// A telemetry file as the simulator writes it to disk: the header and the
// variable headers of the live block, a 32-byte disk sub-header whose last
// int32 is the number of stored lines, the session text, and the lines one
// after another from varBuf[0]'s offset.
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace gripline {

class IbtFile {
  public:
    // Takes the file's bytes and checks that the header, the variable
    // headers and every declared line lie inside them.
    bool parse(std::vector<uint8_t> bytes, std::string& error);
    bool load(const std::filesystem::path& path, std::string& error);

    // The whole file: header and variable headers at their usual offsets.
    std::span<const uint8_t> image() const { return bytes_; }
    int32_t lineCount() const { return lineCount_; }
    int32_t lineLength() const { return lineLength_; }
    std::span<const uint8_t> line(int32_t index) const;
    // The session text, empty when absent or outside the file.
    std::span<const uint8_t> sessionText() const;

  private:
    std::vector<uint8_t> bytes_;
    int32_t lineCount_ = 0;
    int32_t lineLength_ = 0;
    int64_t firstLine_ = 0;
};

} // namespace gripline
