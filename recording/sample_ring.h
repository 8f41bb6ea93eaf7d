#pragma once
// The lock-free hand-over of recording samples from the engine thread (the
// only producer) to the writer thread (the only consumer). Each index has
// one writer; a slot is read only after the engine's store of writeIndex
// made it visible and refilled only after the writer's store of readIndex
// released it. Pushing never waits: a full ring drops and counts.
#include "recording/recording_format.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace gripline {

class SampleRing {
  public:
    static constexpr uint32_t kSlots = 8192; // holds kSlots - 1: about 136 s of ticks
    static constexpr uint32_t kMask = kSlots - 1;

    // Engine thread. False when the ring was full and the sample dropped.
    bool push(const RecordingSample& sample) {
        const uint32_t write = writeIndex_.load(std::memory_order_relaxed);
        const uint32_t next = (write + 1) & kMask;
        if (next == readIndex_.load(std::memory_order_acquire)) {
            droppedCount_.fetch_add(1, std::memory_order_relaxed);
            return false;
        }
        slots_[write] = sample;
        writeIndex_.store(next, std::memory_order_release);
        return true;
    }

    // Writer thread: copies up to `max` of the oldest samples into `batch`
    // without releasing them; release() frees them once they are written.
    size_t peek(RecordingSample* batch, size_t max) const {
        const uint32_t end = writeIndex_.load(std::memory_order_acquire);
        uint32_t at = readIndex_.load(std::memory_order_relaxed);
        size_t count = 0;
        while (count < max && at != end) {
            batch[count++] = slots_[at];
            at = (at + 1) & kMask;
        }
        return count;
    }
    void release(size_t count) {
        const uint32_t read = readIndex_.load(std::memory_order_relaxed);
        readIndex_.store((read + static_cast<uint32_t>(count)) & kMask, std::memory_order_release);
    }

    bool empty() const {
        return readIndex_.load(std::memory_order_acquire) ==
               writeIndex_.load(std::memory_order_acquire);
    }
    bool full() const {
        return ((writeIndex_.load(std::memory_order_acquire) + 1) & kMask) ==
               readIndex_.load(std::memory_order_acquire);
    }
    uint32_t droppedCount() const { return droppedCount_.load(std::memory_order_relaxed); }

    // Only while neither thread uses the ring.
    void reset() {
        writeIndex_.store(0);
        readIndex_.store(0);
        droppedCount_.store(0);
    }

  private:
    std::array<RecordingSample, kSlots> slots_{};
    std::atomic<uint32_t> writeIndex_{0};
    std::atomic<uint32_t> readIndex_{0};
    std::atomic<uint32_t> droppedCount_{0};
};

} // namespace gripline
