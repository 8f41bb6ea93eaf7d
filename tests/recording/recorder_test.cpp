// The recording writer: what reaches the file when the writer keeps up,
// stalls, fails, or is stopped at once.
#include "recording/recorder.h"
#include "recording/recording_file.h"

#include "tests/support/virtual_clock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <mutex>

namespace gripline {
namespace {

std::filesystem::path testFile() {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    auto dir = std::filesystem::temp_directory_path() / "gripline-recorder-tests";
    std::filesystem::create_directories(dir);
    return dir / (std::string(info->name()) + ".kvtrec");
}

RecordingSample sampleAtTick(int32_t tick) {
    RecordingSample sample{};
    sample.TickCount = tick;
    sample.FinalForce = static_cast<float>(tick) / 4.0f;
    return sample;
}

// Bytes in memory. Writes after the header can be held back (a stalled
// disk); the header write can fail; the disk can fill up after some bytes.
class MemorySink final : public RecordingSink {
  public:
    struct State {
        std::mutex lock;
        std::condition_variable opened;
        std::string bytes;
        bool stalled = false;
        int writes = 0;
        bool headerFails = false;
        size_t capacity = SIZE_MAX; // bytes the disk takes
        int writesAfterFailure = -1;
        bool closed = false;
    };
    explicit MemorySink(State& state) : state_(state) {}

    bool write(const void* bytes, size_t size) override {
        std::unique_lock lock(state_.lock);
        const int number = ++state_.writes;
        if (number > 1)
            state_.opened.wait(lock, [&] { return !state_.stalled; });
        if (state_.writesAfterFailure >= 0)
            ++state_.writesAfterFailure;
        if (number == 1 && state_.headerFails)
            return false;
        const size_t room = state_.capacity - state_.bytes.size();
        state_.bytes.append(static_cast<const char*>(bytes), std::min(size, room));
        if (size <= room)
            return true;
        state_.writesAfterFailure = 0;
        return false;
    }
    bool close() override {
        std::lock_guard lock(state_.lock);
        state_.closed = true;
        return true;
    }

  private:
    State& state_;
};

std::vector<int32_t> ticksIn(const std::string& bytes) {
    std::vector<int32_t> ticks;
    for (size_t at = sizeof(RecordingHeader); at + sizeof(RecordingSample) <= bytes.size();
         at += sizeof(RecordingSample)) {
        RecordingSample sample;
        std::memcpy(&sample, bytes.data() + at, sizeof sample);
        ticks.push_back(sample.TickCount);
    }
    return ticks;
}

std::vector<int32_t> countFrom(int32_t first, int32_t count) {
    std::vector<int32_t> ticks(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i)
        ticks[static_cast<size_t>(i)] = first + i;
    return ticks;
}

TEST(Recorder, EverythingPushedBeforeTheStopIsInTheFileInOrder) {
    Recorder recorder;
    const auto path = testFile();
    ASSERT_TRUE(recorder.beginRecording(path, makeRecordingHeader()));
    EXPECT_TRUE(recorder.active());
    for (int32_t tick = 0; tick < 5000; ++tick)
        recorder.push(sampleAtTick(tick));
    EXPECT_TRUE(recorder.endRecording());
    EXPECT_FALSE(recorder.active());
    EXPECT_EQ(recorder.droppedCount(), 0u);

    RecordingHeader header;
    std::vector<RecordingSample> samples;
    std::string error;
    ASSERT_TRUE(loadRecording(path, header, samples, error)) << error;
    ASSERT_EQ(samples.size(), 5000u);
    for (int32_t i = 0; i < 5000; ++i)
        ASSERT_EQ(samples[static_cast<size_t>(i)].TickCount, i);
    EXPECT_EQ(samples[4999].FinalForce, 4999.0f / 4.0f);
}

TEST(Recorder, StoppedAtOnceLeavesTheHeaderAlone) {
    Recorder recorder;
    const auto path = testFile();
    ASSERT_TRUE(recorder.beginRecording(path, makeRecordingHeader()));
    EXPECT_TRUE(recorder.endRecording());
    EXPECT_EQ(std::filesystem::file_size(path), 380u);
}

TEST(Recorder, AStalledWriterLeavesRoomFor8191AndCountsTheRest) {
    MemorySink::State disk;
    disk.stalled = true;
    Recorder recorder;
    ASSERT_TRUE(recorder.beginRecording(std::make_unique<MemorySink>(disk), makeRecordingHeader()));
    for (int32_t tick = 0; tick < 9000; ++tick)
        recorder.push(sampleAtTick(tick));
    EXPECT_EQ(recorder.droppedCount(), 9000u - 8191u);
    {
        std::lock_guard lock(disk.lock);
        disk.stalled = false;
    }
    disk.opened.notify_all();
    EXPECT_TRUE(recorder.endRecording());
    EXPECT_EQ(ticksIn(disk.bytes), countFrom(0, 8191));

    // A new recording starts with an empty ring and no drops.
    MemorySink::State next;
    ASSERT_TRUE(recorder.beginRecording(std::make_unique<MemorySink>(next), makeRecordingHeader()));
    EXPECT_EQ(recorder.droppedCount(), 0u);
    recorder.push(sampleAtTick(7));
    EXPECT_TRUE(recorder.endRecording());
    EXPECT_EQ(ticksIn(next.bytes), countFrom(7, 1));
}

TEST(Recorder, AFailedWriteIsReportedAndNothingIsWrittenAfterIt) {
    MemorySink::State disk;
    // The disk fills up in the middle of sample 300.
    disk.capacity = sizeof(RecordingHeader) + 300 * sizeof(RecordingSample) + 40;
    Recorder recorder;
    ASSERT_TRUE(recorder.beginRecording(std::make_unique<MemorySink>(disk), makeRecordingHeader()));
    for (int32_t tick = 0; tick < 1000; ++tick)
        recorder.push(sampleAtTick(tick));
    EXPECT_FALSE(recorder.endRecording());
    // Readers take the whole samples and ignore the cut one.
    EXPECT_EQ(ticksIn(disk.bytes), countFrom(0, 300));
    EXPECT_EQ(disk.writesAfterFailure, 0);
}

TEST(Recorder, NoRecordingWithoutAFileOrAHeader) {
    Recorder recorder;
    EXPECT_FALSE(recorder.beginRecording(testFile() / "no-such-folder" / "x.kvtrec",
                                         makeRecordingHeader()));
    EXPECT_FALSE(recorder.active());

    MemorySink::State disk;
    disk.headerFails = true;
    EXPECT_FALSE(
        recorder.beginRecording(std::make_unique<MemorySink>(disk), makeRecordingHeader()));
    EXPECT_TRUE(disk.closed);
    EXPECT_FALSE(recorder.active());
    EXPECT_TRUE(recorder.endRecording()) << "nothing was open";
}

TEST(Recorder, SampleTimeCountsFromTheStartInMicroseconds) {
    test::VirtualClock clock;
    clock.now = 5'000'000'000;
    Recorder recorder;
    recorder.useClock(clock);
    MemorySink::State disk;
    ASSERT_TRUE(recorder.beginRecording(std::make_unique<MemorySink>(disk), makeRecordingHeader()));
    clock.now += 16'666'667;
    EXPECT_EQ(recorder.elapsedMicros(), 16'666u);
    recorder.endRecording();
}

} // namespace
} // namespace gripline
