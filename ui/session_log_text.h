#pragma once
// The session log's text rules, apart from the edit controls that show it:
// line format, trimming of the oldest lines and the clip report.
#include "engine/engine_status.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace gripline {

// Characters the pane and the log window keep. Far beyond a long session of
// ordinary messages; only hours of debug logging reach it.
inline constexpr size_t kLogTextLimit = 256 * 1024;

// `message` with its line end, cut to fit the 512-character line buffer
// (511 characters and the terminator). The line end always survives the cut.
std::wstring logLine(std::wstring_view message);

// How many leading characters of `text` to remove so that `incoming` more
// fit within `limit`: 0 while they fit, otherwise whole lines up to a
// quarter of the limit below it, so trimming happens once in a while rather
// than on every line. Never more than the text.
size_t logTrimLength(std::wstring_view text, size_t incoming, size_t limit = kLogTextLimit);

// The lines a status copy adds to the log: the clip report with the stint's
// added latency, once per new report counter. Window thread only.
class ClipReporter {
  public:
    std::vector<std::wstring> linesFor(const EngineStatus& status);

  private:
    uint32_t lastSeen_ = 0;
};

} // namespace gripline
