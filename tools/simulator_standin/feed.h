#pragma once
// What the stand-in publishes: a recorded telemetry file, a raw shared-memory
// image or a synthetic scenario, laid out as the simulator lays out its live
// block. Loaded before the shared memory exists; then prepare() writes the
// block once and publish() writes one line per tick (publishing thread only).
#include "telemetry/ibt_file.h"
#include "telemetry/telemetry_image.h"
#include "tools/simulator_standin/scenarios.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace gripline::standin {

// The simulator's own reservations, read from the live image: the session
// text at 112 with 512 KiB for it (so the variable headers start at 524 400),
// and three rotating buffers.
inline constexpr int32_t kSessionCapacity = 512 * 1024;
inline constexpr int kRotatingBuffers = 3;
// Fits every layout here (the live image is 1 191 936 bytes) with room to
// spare, so a second stand-in can publish into a mapping a first one made.
inline constexpr size_t kMinimumMappingSize = 2 * 1024 * 1024;

// The live layout around a variable-header table.
TelemetryImage liveLayout(std::span<const uint8_t> varHeaders, int32_t numVars, int32_t bufLen);

// Bytes to ask for when creating the mapping for a block of `blockSize`.
size_t mappingSizeFor(size_t blockSize);
// Whether an existing mapping of `mappingSize` bytes holds the block; if not,
// a reason that says what to do.
bool blockFits(size_t mappingSize, size_t blockSize, std::string& error);

class Feed {
  public:
    bool loadIbt(const std::filesystem::path& path, std::string& error);
    bool loadImage(const std::filesystem::path& path, std::string& error);
    bool loadScenario(std::string_view name, std::string& error);
    // The same from bytes already read; `name` is what description() shows.
    bool useIbt(std::vector<uint8_t> bytes, std::string_view name, std::string& error);
    bool useImage(std::vector<uint8_t> bytes, std::string_view name, std::string& error);
    // Publishes this session text instead of the recording's or scenario's
    // own (after loading one of them; an image keeps its own text).
    bool loadSessionText(const std::filesystem::path& path, std::string& error);
    bool useSessionText(std::string text, std::string& error);

    // "ibt w13_spielberg_390ticks.ibt: 390 lines" and the like.
    const std::string& description() const { return description_; }
    size_t blockSize() const;
    // Lines per pass; 0 for an image, which is signalled but never changed.
    int32_t lineCount() const;

    // Writes the whole block: layout, session text (raising sessionInfoUpdate
    // above whatever the block held, so a reader still attached to an earlier
    // stand-in's block rescans it) and status bit 0. An image is copied as it
    // is, except that `connected` false clears its status bit.
    void prepare(std::span<uint8_t> block, bool connected);
    // Writes line `lineIndex` into the next rotating buffer with `tick` as its
    // tick count. A scenario whose car or track differs from the one before
    // publishes its own session text first, as the simulator does on a new
    // session. Allocates nothing.
    void publish(std::span<uint8_t> block, int32_t lineIndex, int32_t tick);

  private:
    enum class Kind { None, Ibt, Image, Scenario };

    Kind kind_ = Kind::None;
    std::optional<TelemetryImage> layout_; // Ibt and Scenario
    IbtFile ibt_;
    std::vector<uint8_t> image_;
    std::vector<const ScenarioInfo*> scenarios_; // played one after another
    std::vector<std::string> scenarioTexts_;     // each one's session text
    const ScenarioIdentity* publishedIdentity_ = nullptr; // whose text the block holds
    bool sessionTextGiven_ = false; // --session-text: one text for the whole run
    std::vector<uint8_t> line_; // a scenario's line, reused every tick
    std::string sessionText_;
    std::string description_;
};

} // namespace gripline::standin
