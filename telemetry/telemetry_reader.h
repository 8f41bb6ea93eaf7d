#pragma once
// Copies one consistent telemetry line per simulator tick out of the
// simulator's rotating buffers. Owned and driven by the engine thread alone.
#include "telemetry/telemetry_snapshot.h"
#include "telemetry/telemetry_source.h"
#include "telemetry/telemetry_variables.h"

#include <cstdint>
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
    void refreshVariables();

    int32_t findVar(std::string_view name) const;
    int32_t varIndex(TelemetryVar var) const { return vars_[static_cast<int>(var)]; }

    // Copies the newest complete line into `snapshot`. False when there is no
    // view, no buffer, a line outside the view, or two torn copies in a row.
    bool readLatest(TelemetrySnapshot& snapshot);

    // Header fields the engine looks at each pass (0 while detached).
    bool simulatorConnected() const;
    int32_t sessionInfoUpdate() const;
    // The session-information text, empty when absent or not inside the view.
    std::span<const uint8_t> sessionText() const;

    TelemetrySource& source() { return source_; }
    size_t lineCapacity() const { return line_.capacity(); }

  private:
    int32_t headerField(size_t offset) const;
    std::span<const uint8_t> image() const { return {view_, viewSize_}; }

    TelemetrySource& source_;
    const uint8_t* view_ = nullptr;
    size_t viewSize_ = 0;
    TelemetryVarIndices vars_ = noTelemetryVars();
    std::vector<uint8_t> line_; // one copied data line, reused across reads
};

} // namespace gripline
