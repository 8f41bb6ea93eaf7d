#include "recording/recorder.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <system_error>

namespace gripline {

bool Recorder::beginRecording(const std::filesystem::path& path, const RecordingHeader& header) {
    endRecording();
    return beginRecording(createRecordingFile(path), header);
}

bool Recorder::beginRecording(std::unique_ptr<RecordingSink> sink, const RecordingHeader& header) {
    endRecording();
    if (!sink)
        return false;
    if (!sink->write(&header, sizeof header)) {
        sink->close();
        return false;
    }
    sink_ = std::move(sink);
    ring_.reset();
    writeFailed_.store(false);
    startTimeNs_ = clock_->nowNs();
    stopRequested_.store(false);
    try {
        writer_ = std::thread([this] { writeUntilStopped(); });
    } catch (const std::system_error&) {
        // No writer, no recording: the header alone stays in the file.
        sink_->close();
        sink_.reset();
        return false;
    }
    active_.store(true);
    return true;
}

uint64_t Recorder::elapsedMicros() const {
    return static_cast<uint64_t>(std::max<int64_t>(0, clock_->nowNs() - startTimeNs_) / kNsPerUs);
}

bool Recorder::endRecording() {
    active_.store(false);
    stopRequested_.store(true);
    if (writer_.joinable())
        writer_.join();
    if (!sink_)
        return true;
    const bool closed = sink_->close();
    sink_.reset();
    return closed && !writeFailed_.load();
}

// Drains up to a batch at a time and loops at once while there is more; polls
// every 10 ms when idle. After a stop request it writes everything pushed
// before it and leaves. Once a write fails nothing more is written, so the
// file stays a run of whole samples, but the ring is still drained.
void Recorder::writeUntilStopped() {
    lowerWriterThreadPriority();
    std::array<RecordingSample, kBatchSamples> batch;
    for (;;) {
        if (stopRequested_.load() && ring_.empty())
            return;
        const size_t count = ring_.peek(batch.data(), batch.size());
        if (count == 0) {
            std::this_thread::sleep_for(std::chrono::nanoseconds(kIdlePollNs));
            continue;
        }
        if (!writeFailed_.load() && !sink_->write(batch.data(), count * sizeof(RecordingSample)))
            writeFailed_.store(true);
        ring_.release(count);
    }
}

} // namespace gripline
