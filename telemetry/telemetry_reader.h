#pragma once
// Copies one consistent telemetry line per simulator tick out of the
// simulator's rotating buffers. Owned and driven by the engine thread alone.
#include "telemetry/telemetry_snapshot.h"
#include "telemetry/telemetry_source.h"
#include "telemetry/telemetry_variables.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace gripline {

class TelemetryReader {
  public:
    explicit TelemetryReader(TelemetrySource& source);
    ~TelemetryReader();
    TelemetryReader(const TelemetryReader&) = delete;
    TelemetryReader& operator=(const TelemetryReader&) = delete;

    // Attaches and resolves the variables; true at once when already attached.
    bool open();
    // Detaches; the line buffer keeps its allocation for the next attachment.
    void close();
    bool isOpen() const { return view_ != nullptr; }

    // Resolves the variables again from the header as it is now: a simulator
    // started anew may publish another variable table into the same block.
    // A table that places the variables elsewhere counts as a new simulator.
    void refreshVariables();

    // How many times the simulator behind the view was replaced since the
    // reader was made: its variable table changed (or its newest tick went
    // backwards) while the view stayed attached. The engine compares it
    // after each read and starts over as on a new connection when it grew.
    uint32_t simulatorsReplaced() const { return replaced_; }

    int32_t findVar(std::string_view name) const;
    int32_t varIndex(TelemetryVar var) const { return vars_[static_cast<int>(var)]; }

    // Copies the newest complete line into `snapshot`. False when there is no
    // view, no buffer, a line outside the view, or two torn copies in a row.
    bool readLatest(TelemetrySnapshot& snapshot);

    // Whether the simulator has published a tick newer than the last read:
    // one read of one word, the tick count of the buffer it writes next (it
    // goes round them in turn). For watching for a tick without waiting to
    // be woken; false before the first read.
    bool newerTickPublished() const;

    // Header fields the engine looks at each pass (0 while detached).
    bool simulatorConnected() const;
    int32_t sessionInfoUpdate() const;
    // The session-information text, empty when absent or not inside the view.
    std::span<const uint8_t> sessionText() const;

    TelemetrySource& source() { return source_; }
    size_t lineCapacity() const { return line_.capacity(); }

  private:
    // The header words that define the layout the variables were resolved
    // from, and the session-information counter a rewrite bumps.
    struct LayoutFields {
        int32_t numVars = 0;
        int32_t varHeaderOffset = 0;
        int32_t bufLen = 0;
        int32_t numBuf = 0;
        int32_t sessionInfoUpdate = 0;
        bool sameTable(const LayoutFields& o) const {
            return numVars == o.numVars && varHeaderOffset == o.varHeaderOffset &&
                   bufLen == o.bufLen && numBuf == o.numBuf;
        }
    };

    LayoutFields layoutFields() const;
    void followLayout();
    void resolve(bool countChange);
    int32_t headerField(size_t offset) const;
    std::span<const uint8_t> image() const { return {view_, viewSize_}; }

    TelemetrySource& source_;
    const uint8_t* view_ = nullptr;
    size_t viewSize_ = 0;
    TelemetryVarIndices vars_ = noTelemetryVars();
    TelemetryVarPlaces places_{};  // where vars_ pointed when resolved
    LayoutFields resolvedFrom_;    // the header as it was then
    bool settling_ = false;        // resolve again until two resolutions agree
    std::optional<int32_t> lastTick_; // newest tick read since attaching
    int nextBuffer_ = 0;              // the buffer after the one last read
    uint32_t replaced_ = 0;
    std::vector<uint8_t> line_; // one copied data line, reused across reads
};

} // namespace gripline
