// What recording costs: one push on the engine thread (ns, while the writer
// drains into a file on disk), and how many samples a second the writer
// gets to the disk when the ring is kept full. Natively and under Wine.
#include "common/clock.h"
#include "recording/recorder.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <vector>

using namespace gripline;

namespace {

constexpr int kRounds = 200;
constexpr int kPushesPerRound = 4000; // under half the ring: no push is refused

RecordingSample sampleAt(int32_t tick) {
    RecordingSample s{};
    s.TickCount = tick;
    s.FinalForce = 0.5f * static_cast<float>(tick % 40);
    return s;
}

// Median and 99th percentile of one push, in ns, over rounds of pushes
// timed together.
void benchPush(Recorder& recorder, const std::filesystem::path& file) {
    Clock& clock = steadyClock();
    recorder.beginRecording(file, makeRecordingHeader());
    std::vector<double> perPush;
    int32_t tick = 0;
    for (int round = 0; round < kRounds; ++round) {
        const int64_t start = clock.nowNs();
        for (int i = 0; i < kPushesPerRound; ++i)
            recorder.push(sampleAt(tick++));
        perPush.push_back(static_cast<double>(clock.nowNs() - start) / kPushesPerRound);
        // Let the writer empty the ring, as 60 ticks a second always do.
        while (!recorder.ringEmpty())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const uint32_t dropped = recorder.droppedCount();
    recorder.endRecording();
    std::sort(perPush.begin(), perPush.end());
    std::printf("recording push: median %.1f ns, p99 %.1f ns per sample (%d samples, %u dropped)\n",
                perPush[perPush.size() / 2], perPush[perPush.size() * 99 / 100],
                kRounds * kPushesPerRound, dropped);
}

// The writer's pace with the ring kept full: samples per second to the disk.
void benchWriter(Recorder& recorder, const std::filesystem::path& file) {
    constexpr int32_t kSamples = 2'000'000; // 176 MB
    Clock& clock = steadyClock();
    recorder.beginRecording(file, makeRecordingHeader());
    const int64_t start = clock.nowNs();
    for (int32_t tick = 0; tick < kSamples; ++tick) {
        while (recorder.ringFull())
            std::this_thread::yield();
        recorder.push(sampleAt(tick));
    }
    const bool complete = recorder.endRecording();
    const double seconds = static_cast<double>(clock.nowNs() - start) / 1e9;
    std::printf("recording writer: %.0f samples/s (%.1f MB/s) to %s, %s\n", kSamples / seconds,
                kSamples * sizeof(RecordingSample) / seconds / 1e6, "a file on disk",
                complete ? "complete" : "INCOMPLETE");
}

} // namespace

int main() {
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / "gripline-recording-bench.kvtrec";
    Recorder recorder;
    benchPush(recorder, file);
    benchWriter(recorder, file);
    std::filesystem::remove(file);
    return 0;
}
