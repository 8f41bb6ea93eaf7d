#include "bench/tick_to_wheel.h"

#include "engine/ffb_output.h"

#include <algorithm>
#include <charconv>
#include <unordered_map>

namespace gripline::bench {

namespace {

// A first sample still not seen on the wheel this long after its write
// never got there as such (the slew limit or the next sample overtook it).
constexpr int64_t kMatchWindowNs = 20'000'000;

// How far each publish came after the simulator's clock: the stand-in
// publishes on a fixed period from its start, so its steady line is the
// slope through the first and last publish, moved down to the earliest.
std::unordered_map<int32_t, int64_t> publishLatenessNs(std::span<const PublishedTick> published) {
    std::unordered_map<int32_t, int64_t> late;
    if (published.size() < 2 || published.back().tick == published.front().tick)
        return late;
    const PublishedTick& first = published.front();
    const double periodNs = static_cast<double>(published.back().signalNs - first.signalNs) /
                            (published.back().tick - first.tick);
    auto offNs = [&](const PublishedTick& p) {
        return p.signalNs - first.signalNs -
               static_cast<int64_t>(periodNs * (p.tick - first.tick));
    };
    int64_t earliest = INT64_MAX;
    for (const PublishedTick& p : published)
        earliest = std::min(earliest, offNs(p));
    for (const PublishedTick& p : published)
        late[p.tick] = offNs(p) - earliest;
    return late;
}

} // namespace

// The wheel logs the value it was sent, not which write it came from, so a
// match must not be an update the output thread read before the write:
//  - the update's time is floored to the µs, so it counts only when even
//    that floor is at or after the write began;
//  - a first sample equal to the sample written before it is skipped (an
//    update carrying the older one carries the same value);
//  - the search ends at the next write of the same value, after which an
//    update carrying it may be that newer write's.
// What is left: an update read before the previous sample's write (more than
// one sample spacing stale) that carries an older, equal value; the output
// thread reads the newest force every loop, so it would have to stall for
// over a millisecond between reading the force and the device call.
// A first sample further than the slew limit from the force before it goes
// out as one full step towards it (the rest follows a step per loop, the
// output stage's deliberate shaping, not a delay): that step carries it
// when the wheel held the force before, so no older write can explain it.
// A tick later than kLateUs is counted by what else was late with it.
TickToWheel matchTicksToWheel(std::span<const PublishedTick> published,
                              std::span<const WrittenSample> written,
                              std::span<const WheelUpdate> updates, int64_t fromNs) {
    TickToWheel result;
    std::unordered_map<int32_t, int64_t> signalNs;
    for (const PublishedTick& p : published)
        if (p.signalNs >= fromNs) {
            signalNs[p.tick] = p.signalNs;
            ++result.published;
        }
    const std::unordered_map<int32_t, int64_t> publishLate = publishLatenessNs(published);
    std::vector<WheelUpdate> byTime(updates.begin(), updates.end());
    std::stable_sort(byTime.begin(), byTime.end(),
                     [](const WheelUpdate& a, const WheelUpdate& b) { return a.atUs < b.atUs; });

    for (size_t i = 0; i < written.size(); ++i) {
        const WrittenSample& first = written[i];
        const auto publish = signalNs.find(first.tick);
        if (first.index != 0 || publish == signalNs.end())
            continue;
        // One match per tick.
        const int64_t publishNs = publish->second;
        signalNs.erase(publish);
        const int32_t before = i > 0 ? written[i - 1].magnitude : 0; // the word starts at 0
        if (first.magnitude == before) {
            ++result.unchanged;
            continue;
        }
        int64_t endNs = first.sentNs + kMatchWindowNs;
        for (size_t j = i + 1; j < written.size() && written[j].sentNs < endNs; ++j)
            if (written[j].magnitude == first.magnitude)
                endNs = written[j].sentNs;
        auto u =
            std::lower_bound(byTime.begin(), byTime.end(), first.sentNs,
                             [](const WheelUpdate& w, int64_t ns) { return w.atUs * 1000 < ns; });
        const int32_t step = std::clamp(first.magnitude - before, -FfbOutput::kSlewLimit,
                                        FfbOutput::kSlewLimit);
        for (; u != byTime.end() && u->atUs * 1000 < endNs; ++u) {
            const bool slewed = step != first.magnitude - before && u != byTime.begin() &&
                                (u - 1)->magnitude == before && u->magnitude == before + step;
            if (slewed)
                ++result.slewed;
            if (u->magnitude == first.magnitude || slewed) {
                const double delayUs = static_cast<double>(u->atUs * 1000 - publishNs) / 1000.0;
                if (delayUs > kLateUs) {
                    ++result.late;
                    if (i > 0 && written[i - 1].sentNs > publishNs)
                        ++result.lateEngineBehind;
                    else if (static_cast<double>(publishLate.at(first.tick)) / 1000.0 > kLateUs)
                        ++result.lateSimulatorLate;
                }
                result.delaysUs.push_back(delayUs);
                result.toWriteUs.push_back(static_cast<double>(first.sentNs - publishNs) / 1000.0);
                result.toSeenUs.push_back(static_cast<double>(first.tickStartNs - publishNs) /
                                          1000.0);
                result.computeUs.push_back(static_cast<double>(first.sentNs - first.tickStartNs) /
                                           1000.0);
                break;
            }
        }
    }
    std::sort(result.delaysUs.begin(), result.delaysUs.end());
    std::sort(result.toWriteUs.begin(), result.toWriteUs.end());
    std::sort(result.toSeenUs.begin(), result.toSeenUs.end());
    std::sort(result.computeUs.begin(), result.computeUs.end());
    return result;
}

std::vector<PublishedTick> parseTimingLog(std::string_view text) {
    std::vector<PublishedTick> ticks;
    while (!text.empty()) {
        const size_t eol = std::min(text.find('\n'), text.size());
        const std::string_view line = text.substr(0, eol);
        text.remove_prefix(std::min(eol + 1, text.size()));
        PublishedTick p{};
        const char* end = line.data() + line.size();
        const auto tick = std::from_chars(line.data(), end, p.tick);
        if (tick.ec != std::errc{} || tick.ptr == end || *tick.ptr != ' ')
            continue;
        const auto ns = std::from_chars(tick.ptr + 1, end, p.signalNs);
        if (ns.ec == std::errc{} && (ns.ptr == end || *ns.ptr == '\r'))
            ticks.push_back(p);
    }
    return ticks;
}

double percentile(const std::vector<double>& sorted, double p) {
    const size_t i = static_cast<size_t>(p * static_cast<double>(sorted.size() - 1) + 0.5);
    return sorted[std::min(i, sorted.size() - 1)];
}

} // namespace gripline::bench
