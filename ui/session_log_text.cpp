#include "ui/session_log_text.h"

#include "ui/added_latency_text.h"

#include <cwchar>

namespace gripline {

namespace {

constexpr size_t kLineBuffer = 512; // characters, terminator included
constexpr std::wstring_view kLineEnd = L"\r\n";

// A clipped share above this many percent earns the advice to lower the
// force strength.
constexpr double kClipAdviceAbove = 2.5;

} // namespace

std::wstring logLine(std::wstring_view message) {
    const size_t room = kLineBuffer - 1 - kLineEnd.size();
    std::wstring line(message.substr(0, room));
    line += kLineEnd;
    return line;
}

size_t logTrimLength(std::wstring_view text, size_t incoming, size_t limit) {
    if (text.size() + incoming <= limit)
        return 0;
    const size_t target = limit - limit / 4;
    const size_t keep = incoming >= target ? 0 : target - incoming;
    if (keep == 0)
        return text.size();
    // Cut at the first line end at or after the characters we must drop, so
    // the pane never starts in the middle of a line.
    const size_t mustDrop = text.size() - keep;
    const size_t end = text.find(kLineEnd, mustDrop >= 2 ? mustDrop - 2 : 0);
    return end == std::wstring_view::npos ? text.size() : end + kLineEnd.size();
}

std::vector<std::wstring> ClipReporter::linesFor(const EngineStatus& status) {
    if (status.ClipReportCount == 0 || status.ClipReportCount == lastSeen_)
        return {};
    lastSeen_ = status.ClipReportCount;
    wchar_t text[96];
    std::swprintf(text, 96, L"%.02f%% of samples were clipped",
                  static_cast<double>(status.ClipPercent));
    std::vector<std::wstring> lines{
        text + stintLatencyText(status.ClipReportLatencyP50Ns, status.ClipReportLatencyP99Ns)};
    if (status.ClipPercent > kClipAdviceAbove)
        lines.emplace_back(L"Consider lowering Force strength to reduce clipping.");
    return lines;
}

} // namespace gripline
