#include "telemetry/telemetry_reader.h"

#include "telemetry/telemetry_layout.h"

#include <algorithm>
#include <atomic>

namespace gripline {

TelemetryReader::TelemetryReader(TelemetrySource& source) : source_(source) {}

TelemetryReader::~TelemetryReader() { close(); }

bool TelemetryReader::open() {
    if (view_)
        return true;
    if (!source_.attach()) {
        close();
        return false;
    }
    // A view too small for the header is nobody's telemetry: refuse it
    // rather than read past its end.
    if (!source_.view() || source_.viewSize() < irsdk::kHeaderSize) {
        close();
        return false;
    }
    view_ = source_.view();
    viewSize_ = source_.viewSize();
    resolve(false);
    return true;
}

void TelemetryReader::close() {
    source_.detach();
    view_ = nullptr;
    viewSize_ = 0;
    vars_ = noTelemetryVars();
    places_ = {};
    resolvedFrom_ = {};
    settling_ = false;
    lastTick_.reset();
}

void TelemetryReader::refreshVariables() {
    if (view_)
        resolve(true);
}

TelemetryReader::LayoutFields TelemetryReader::layoutFields() const {
    return {headerField(irsdk::kNumVars), headerField(irsdk::kVarHeaderOffset),
            headerField(irsdk::kBufLen), headerField(irsdk::kNumBuf),
            headerField(irsdk::kSessionInfoUpdate)};
}

// Looks up the variables in the table as it is now. With
// `countChange`, a result that places any of them elsewhere than before is a
// new simulator. A table being rewritten while it is read may give a
// half-written result, so after every change the lookup is repeated on the
// next reads until one agrees with the last. Lookups touch no heap: the
// engine thread does this.
void TelemetryReader::resolve(bool countChange) {
    const LayoutFields fields = layoutFields();
    const TelemetryVarIndices vars = resolveVariables(image());
    const TelemetryVarPlaces places = placesOf(image(), vars);
    const bool changed = places != places_ || !fields.sameTable(resolvedFrom_);
    vars_ = vars;
    places_ = places;
    resolvedFrom_ = fields;
    settling_ = changed;
    if (changed && countChange)
        ++replaced_;
}

// The simulator rewrites its header when it starts anew, at any moment and
// possibly within one wait of the engine, while the connection bit is low for
// too short a time to be seen. So the layout is compared on every read: the
// words that define the table, the session-information counter, and the
// headers of the variables found. Any difference has the variables looked
// up again; only a lookup that places them differently counts as a new
// simulator (the counter alone climbs many times in a race over the same
// table).
void TelemetryReader::followLayout() {
    const LayoutFields fields = layoutFields();
    if (!settling_ && fields.sameTable(resolvedFrom_) &&
        fields.sessionInfoUpdate == resolvedFrom_.sessionInfoUpdate &&
        placesHold(image(), places_))
        return;
    resolve(true);
}

int32_t TelemetryReader::findVar(std::string_view name) const {
    return view_ ? findVariable(image(), name) : -1;
}

// Header words are rewritten by the simulator at any time: read each one
// exactly once through a volatile load so the compiler neither caches nor
// re-reads it. Every header offset is 4-byte aligned in a page-aligned view.
int32_t TelemetryReader::headerField(size_t offset) const {
    if (!view_)
        return 0;
    return *reinterpret_cast<const volatile int32_t*>(view_ + offset);
}

bool TelemetryReader::newerTickPublished() const {
    return lastTick_ &&
           headerField(irsdk::kVarBuf + irsdk::kVarBufStride * static_cast<size_t>(nextBuffer_) +
                       irsdk::kVarBufTickCount) > *lastTick_;
}

bool TelemetryReader::simulatorConnected() const {
    return (headerField(irsdk::kStatus) & irsdk::kStatusConnected) != 0;
}

int32_t TelemetryReader::sessionInfoUpdate() const {
    return headerField(irsdk::kSessionInfoUpdate);
}

std::span<const uint8_t> TelemetryReader::sessionText() const {
    const int64_t length = headerField(irsdk::kSessionInfoLen);
    const int64_t offset = headerField(irsdk::kSessionInfoOffset);
    if (!view_ || length <= 0 || offset < 0 || offset + length > static_cast<int64_t>(viewSize_))
        return {};
    return {view_ + offset, static_cast<size_t>(length)};
}

bool TelemetryReader::readLatest(TelemetrySnapshot& snapshot) {
    if (!view_)
        return false;
    followLayout();
    const int32_t bufLen = headerField(irsdk::kBufLen);
    if (bufLen <= 0 || static_cast<size_t>(bufLen) > viewSize_)
        return false;
    line_.resize(static_cast<size_t>(bufLen)); // keeps capacity: no allocation once grown

    const auto tickAt = [&](int i) {
        return headerField(irsdk::kVarBuf + irsdk::kVarBufStride * i + irsdk::kVarBufTickCount);
    };
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int buffers = std::min(headerField(irsdk::kNumBuf), irsdk::kMaxBuffers);
        if (buffers <= 0)
            return false;
        int newest = 0;
        int32_t tick = tickAt(0);
        for (int i = 1; i < buffers; ++i) {
            const int32_t t = tickAt(i);
            if (t > tick) { // strictly greater: the earlier descriptor wins a tie
                newest = i;
                tick = t;
            }
        }
        // A simulator's ticks only grow: a newest tick below the last one
        // read is a simulator started anew, whose table may look the same.
        if (lastTick_ && tick < *lastTick_) {
            resolve(false);
            ++replaced_;
            lastTick_.reset();
        }
        const int64_t offset =
            headerField(irsdk::kVarBuf + irsdk::kVarBufStride * newest + irsdk::kVarBufOffset);
        if (offset < 0 || offset + bufLen > static_cast<int64_t>(viewSize_))
            return false;

        // The fences keep the copy between the two tick-count loads.
        std::atomic_thread_fence(std::memory_order_acquire);
        source_.copyFromView(static_cast<size_t>(offset), line_.size(), line_.data());
        std::atomic_thread_fence(std::memory_order_acquire);
        if (tickAt(newest) == tick) {
            decodeLine(image(), vars_, line_, tick, snapshot);
            lastTick_ = tick;
            nextBuffer_ = (newest + 1) % buffers;
            return true;
        }
        // The simulator rewrote this buffer while we copied it: try once more.
    }
    return false;
}

} // namespace gripline
