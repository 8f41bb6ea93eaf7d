#include "ui/added_latency_text.h"

#include "engine/added_latency.h"

#include <cwchar>
#include <iterator>

namespace gripline {

std::wstring latencyMsText(int64_t ns) {
    if (ns > AddedLatency::kCeilingNs)
        return L">" + latencyMsText(AddedLatency::kCeilingNs);
    wchar_t text[32];
    std::swprintf(text, std::size(text), L"%.2f", static_cast<double>(ns) / 1e6);
    return text;
}

std::wstring addedLatencyText(int64_t p99Ns) {
    if (p99Ns == AddedLatency::kNone)
        return L"Added -";
    return L"Added " + latencyMsText(p99Ns) + L" ms";
}

std::wstring stintLatencyText(int64_t p50Ns, int64_t p99Ns) {
    if (p50Ns == AddedLatency::kNone || p99Ns == AddedLatency::kNone)
        return {};
    return L"; added latency p50 " + latencyMsText(p50Ns) + L" ms, p99 " + latencyMsText(p99Ns) +
           L" ms";
}

} // namespace gripline
