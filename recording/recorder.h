#pragma once
// The recording writer: the engine thread pushes one sample per on-track
// tick into the ring, a writer thread below normal priority drains it into
// the file in batches. The engine never waits for the disk.
#include "common/clock.h"
#include "recording/recording_format.h"
#include "recording/recording_sink.h"
#include "recording/sample_ring.h"

#include <atomic>
#include <filesystem>
#include <memory>
#include <thread>

namespace gripline {

class Recorder {
  public:
    static constexpr size_t kBatchSamples = 256;
    static constexpr int64_t kIdlePollNs = 10 * kNsPerMs;

    Recorder() = default;
    ~Recorder() { endRecording(); }
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    // The clock of the samples' TimeUs (the steady clock unless replaced,
    // as replays do with their simulated time). Not while recording.
    void useClock(Clock& clock) { clock_ = &clock; }

    // Window thread. Ends a recording still running, creates the file,
    // writes the header and starts the writer. False when the file cannot
    // be created, the header not written or the writer not started; a file
    // already created then stays on disk, empty or short.
    bool beginRecording(const std::filesystem::path& path, const RecordingHeader& header);
    bool beginRecording(std::unique_ptr<RecordingSink> sink, const RecordingHeader& header);

    // Engine thread, once per on-track tick.
    bool active() const { return active_.load(); }
    uint64_t elapsedMicros() const;
    void push(const RecordingSample& sample) { ring_.push(sample); }
    bool ringFull() const { return ring_.full(); }
    bool ringEmpty() const { return ring_.empty(); }

    // Window thread: the samples refused because the ring was full.
    uint32_t droppedCount() const { return ring_.droppedCount(); }

    // Window thread: stops accepting samples, lets the writer drain
    // everything pushed so far, flushes and closes the file. False when a
    // write failed or came up short (the file then ends where the writes
    // stopped; readers ignore a cut last sample) or could not be flushed.
    bool endRecording();

  private:
    void writeUntilStopped();

    Clock* clock_ = &steadyClock();
    SampleRing ring_;
    std::unique_ptr<RecordingSink> sink_;
    std::thread writer_;
    std::atomic<bool> active_{false};
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> writeFailed_{false};
    int64_t startTimeNs_ = 0;
};

} // namespace gripline
