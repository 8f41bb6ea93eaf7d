#pragma once
// The engine's side of the wheel: open/close of the chosen device and the
// four words the engine hands to the output thread. Each word is written
// with one atomic exchange and read atomically: newest value wins, no queue.
// A new force is also counted and the output thread woken, so it reaches
// the device at once rather than at the thread's next loop.
#include "engine/added_latency.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace gripline {

// A DirectInput instance GUID, carried as plain bytes through the core.
struct DeviceGuid {
    std::array<uint8_t, 16> bytes{};
    bool operator==(const DeviceGuid&) const = default;
};

class WheelOutput {
  public:
    virtual ~WheelOutput() = default;

    // Opens the wheel and starts feeding it; false leaves nothing open.
    virtual bool open(void* window, const DeviceGuid& device) = 0;
    // Zeroes the force, stops feeding and releases the wheel.
    virtual void close() = 0;

    std::atomic<int32_t> requestedForce{0}; // magnitude units, |value| <= 9996
    // Counts the forces written through requestForce() and quiesce(); the
    // output thread sleeps until it changes or its period ends.
    std::atomic<uint32_t> forceWrites{0};
    std::atomic<int32_t> dampingPercent{0};
    std::atomic<bool> endStopActive{false};
    std::atomic<bool> outputEnabled{false};

    // The held wheel's buttons, for the window's button bindings. While
    // watchButtons is set the output thread reads them every few
    // milliseconds and counts each time button n goes down in
    // buttonPresses[n]; the window compares the counts with the last it
    // saw. So no press is lost to the window's poll, however short or
    // however late the window looks, and a held button counts once.
    static constexpr int kWatchedButtons = 32;
    std::atomic<bool> watchButtons{false};
    std::array<std::atomic<uint32_t>, kWatchedButtons> buttonPresses{};

    // Set by the output stage when it has given the wheel up (unplugged,
    // switched off): it sends nothing more and the engine closes it and
    // opens the wheel again once it is back. Cleared by open().
    std::atomic<bool> wheelGone{false};

    // DirectInput failures, counted by the output stage (owner: output thread).
    std::atomic<uint32_t> errorCount{0};
    std::atomic<int32_t> lastError{0}; // HRESULT

    // Counts the calls of quiesce(). The output thread looks at the enable
    // flag only now and then; a flag that is low for less than that (the
    // engine quiesces and enables again within one pass) would go unseen,
    // so the output stage compares this count too and takes the force off
    // and starts again from rest whenever it grew.
    std::atomic<uint32_t> quiesceCount{0};

    // The time Gripline adds to each on-track tick, counted by the output
    // stage (reset by the engine thread at a stint's start). The engine
    // marks each tick's first force with the time it saw the tick and the
    // forceWrites serial that write takes; the output stage counts the
    // first successful send that read a force at or after that serial.
    // tickSerial is 0 while a mark is being written: a reader that sees it
    // change around its read of tickSeenNs leaves that tick uncounted.
    AddedLatency addedLatency;
    std::atomic<int64_t> tickSeenNs{0};  // steady ns
    std::atomic<uint32_t> tickSerial{0}; // 0: no tick marked

    // While the engine meets ticks: where it watches for the simulator's
    // next tick (steady ns; start 0: no watch), until the tick's first force
    // is written. The output stage stays awake through the same stretch: a
    // thread woken from sleep took 60-100 µs to run under Wine on a 2-core
    // machine, so the force goes out within microseconds only to a thread
    // that is already awake. A tick outside the watch wakes the stage as any
    // force does.
    std::atomic<int64_t> tickWatchStartNs{0};
    std::atomic<int64_t> tickWatchEndNs{0};

    // Engine thread: a tick's first force. The mark is complete before the
    // force is visible, so the output stage never reads the force first and
    // counts a later send.
    void requestTickForce(int32_t magnitude, int64_t tickSeenAtNs) {
        tickSerial.store(0);
        tickSeenNs.store(tickSeenAtNs);
        tickSerial.store(forceWrites.load() + 1);
        requestForce(magnitude);
        tickWatchStartNs.store(0, std::memory_order_relaxed);
    }

    // Engine thread: the watch for the next tick begins.
    void announceTickWatch(int64_t startNs, int64_t endNs) {
        tickWatchEndNs.store(endNs, std::memory_order_relaxed);
        tickWatchStartNs.store(startNs, std::memory_order_relaxed);
    }

    // Engine thread: the newest force for the wheel.
    void requestForce(int32_t magnitude) {
        requestedForce.exchange(magnitude);
        forceWrites.fetch_add(1);
        wakeOutput();
    }

    // Clears the enable flag and zeroes the three values, twice in a row so
    // that a reader racing the first write still ends on zero.
    void quiesce() {
        outputEnabled.exchange(false);
        for (int i = 0; i < 2; ++i) {
            requestedForce.exchange(0);
            dampingPercent.exchange(0);
            endStopActive.exchange(false);
        }
        quiesceCount.fetch_add(1);
        forceWrites.fetch_add(1);
        wakeOutput();
    }

  protected:
    // Wakes the output thread, if there is one.
    virtual void wakeOutput() {}
};

// Stands in for the DirectInput wheel until the device layer exists: opening
// always succeeds and the requested force goes nowhere.
class PlaceholderWheel final : public WheelOutput {
  public:
    bool open(void*, const DeviceGuid&) override { return true; }
    void close() override { quiesce(); }
};

} // namespace gripline
