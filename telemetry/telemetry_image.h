#pragma once
// Lays out and fills a block in the simulator's live shared-memory layout:
// header, session text, variable headers and rotating data buffers. The
// simulator stand-in publishes through it; tests build blocks with it.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace gripline {

struct TelemetryVarSpec {
    TelemetryVarSpec(std::string name_, int32_t type_ = 4, int32_t count_ = 1,
                     std::string unit_ = {}, std::string desc_ = {})
        : name(std::move(name_)), type(type_), count(count_), unit(std::move(unit_)),
          desc(std::move(desc_)) {}

    std::string name;
    int32_t type = 4; // irsdk::kFloat
    int32_t count = 1;
    std::string unit;
    std::string desc;
};

class TelemetryImage {
  public:
    // A new layout with the given variables packed one after another in the
    // line (each count × 1 byte for bools and chars, × 4 otherwise).
    TelemetryImage(std::vector<TelemetryVarSpec> vars, int numBuf = 3,
                   int32_t sessionCapacity = 64 * 1024);
    // A layout that keeps a recorded file's variable-header table (and so
    // every offset inside a line) as it is.
    TelemetryImage(std::span<const uint8_t> varHeaders, int32_t numVars, int32_t bufLen,
                   int numBuf = 3, int32_t sessionCapacity = 64 * 1024);

    // Bytes the block needs.
    size_t size() const { return static_cast<size_t>(end_); }
    int32_t lineLength() const { return bufLen_; }
    int numBuf() const { return numBuf_; }

    // Writes header and variable headers into `block` (at least size() bytes)
    // with every tick count -1 (nothing published) and the status bit clear.
    void format(std::span<uint8_t> block) const;

    static void setConnected(std::span<uint8_t> block, bool connected);
    // Copies the text (truncated to the capacity) and raises sessionInfoUpdate.
    void setSessionText(std::span<uint8_t> block, std::string_view text) const;
    // Writes `line` into the next rotating buffer, then its tick count, so a
    // reader that sees the new tick count sees the whole line.
    void publishLine(std::span<uint8_t> block, std::span<const uint8_t> line, int32_t tick);

    // A zeroed line and helpers that fill it by variable name (unknown names
    // and out-of-range elements are ignored).
    std::vector<uint8_t> newLine() const { return std::vector<uint8_t>(bufLen_, 0); }
    void setFloat(std::span<uint8_t> line, std::string_view name, float value,
                  int element = 0) const;
    void setBool(std::span<uint8_t> line, std::string_view name, bool value) const;
    void setArray(std::span<uint8_t> line, std::string_view name,
                  std::span<const float> values) const;
    // Offset of a variable inside a line, -1 when unknown.
    int32_t offsetOf(std::string_view name, int32_t* count = nullptr) const;

    // Where the parts lie in the block.
    int32_t sessionOffset() const { return sessionOffset_; }
    int32_t varHeaderOffset() const { return varHeaderOffset_; }
    int32_t bufferOffset(int i) const { return buffersOffset_ + i * bufLen_; }

  private:
    void place(int32_t sessionCapacity);

    std::vector<uint8_t> varHeaders_; // numVars × 144 bytes
    int32_t numVars_ = 0;
    int32_t bufLen_ = 0;
    int numBuf_ = 3;
    int32_t sessionOffset_ = 0;
    int32_t sessionCapacity_ = 0;
    int32_t varHeaderOffset_ = 0;
    int32_t buffersOffset_ = 0;
    int64_t end_ = 0;
    int next_ = 0; // buffer the next line goes into
};

} // namespace gripline

namespace gripline {

// The variables the program reads, declared as the simulator
// declares them (one-byte flags, float scalars, six-element 360 Hz arrays),
// preceded by a few the simulator always has, so indices are not all 0..14.
std::vector<TelemetryVarSpec> standardTelemetryVars();

} // namespace gripline
