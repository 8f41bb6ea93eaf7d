// The engine and the wheel's output stage on virtual time, driven by a
// fuzzed sequence of simulator ticks (any float the block can hold), settings
// (any 32-bit value the file can hold), stalls, a simulator that goes away,
// the connection bit, and failing device calls. The output stage runs
// whenever the engine sleeps or waits, so it sees every sample at its time.
// The safety invariants:
//   - the engine never asks for more than 9996, the device never gets more
//     than 10 000 (both are integers, so finite);
//   - off track, with the simulator gone, or 250 ms after the last new tick
//     the engine has taken the force off, and from then on the device gets
//     nothing but zero until the next on-track tick;
//   - once output runs, each magnitude the device gets differs from the one
//     before (or from rest, after the device was released) by at most the
//     slew limit, unless it is the zero that takes the force off.
// A clear connection bit alone changes nothing for the engine (a simulator
// may clear it while still ticking), so the force may stay on while it is
// clear; a simulator that stops ticking is covered by the stale-tick rule.
#include "engine/engine_loop.h"
#include "engine/ffb_engine.h"
#include "engine/ffb_output.h"
#include "tests/engine/engine_test_support.h"
#include "tests/engine/fake_wheel_port.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/support/simulated_block.h"
#include "telemetry/session_scanner.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <bit>
#include <functional>
#include <cstdlib>
#include <memory>

using namespace gripline;

namespace {

constexpr int64_t kTickNs = 16'666'667;
constexpr int64_t kStaleNs = 250 * kNsPerMs;

// The engine's clock: the same virtual time as the output stage's, but
// every sleep or spin of the engine lets the output stage run its loops up
// to the deadline, as its own thread would.
class EngineClock final : public Clock {
  public:
    EngineClock(VirtualClock& shared, std::function<void(int64_t)> runUntil)
        : shared_(shared), runUntil_(std::move(runUntil)) {}
    int64_t nowNs() override { return shared_.now; }
    void sleepNs(int64_t ns) override { spinUntil(shared_.now + std::max<int64_t>(ns, 0)); }
    void spinUntil(int64_t deadlineNs) override {
        runUntil_(deadlineNs);
        shared_.now = std::max(shared_.now, deadlineNs);
    }
    void waitUntil(int64_t deadlineNs) override { spinUntil(deadlineNs); }

  private:
    VirtualClock& shared_;
    std::function<void(int64_t)> runUntil_;
};

float anyFloat(FuzzedDataProvider& in) {
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0: return std::bit_cast<float>(in.ConsumeIntegral<uint32_t>()); // NaN, infinities, anything
    case 1: return in.ConsumeFloatingPointInRange<float>(-1.0f, 1.0f);
    case 2: return in.ConsumeFloatingPointInRange<float>(-60.0f, 60.0f);
    default: return 0.0f;
    }
}

// The engine's own word on which ticks were new, and their track state.
class TickWatch final : public EngineObserver {
  public:
    void onNewTick(const TelemetrySnapshot& s, int64_t tickStartNs) override {
        lastNewTickNs = tickStartNs;
        offTrack = !s.IsOnTrack;
    }
    int64_t lastNewTickNs = 0;
    bool offTrack = true;
};

// GRIPLINE_FUZZ_TRACE=1 prints each step of a replayed input.
const bool kTrace = std::getenv("GRIPLINE_FUZZ_TRACE") != nullptr;

class Rig {
  public:
    Rig()
        : engineClock_(clock_, [this](int64_t deadline) { runOutputUntil(deadline); }),
          port_(clock_), output_(port_, clock_, OutputPacing::Manual), engine_(std::make_unique<FfbEngine>()) {
        ports_.telemetry = &sim_.source;
        ports_.clock = &engineClock_;
        ports_.wheel = &output_;
        ports_.handOff = &handOff_;
        ports_.scanner = &scanner_;
        ports_.observer = &watch_;
        loop_ = std::make_unique<EngineLoop>(*engine_, ports_);
        loop_->begin();
    }

    void run(FuzzedDataProvider& in) {
        while (in.remaining_bytes() > 0) {
            const int op = in.ConsumeIntegralInRange<int>(0, 12);
            if (op <= 5)
                tick(in);
            else if (op == 6)
                settings(in);
            else if (op == 7)
                stall(in.ConsumeIntegralInRange<int64_t>(1, 400) * kNsPerMs);
            else if (op == 8)
                simulatorGone(in.ConsumeBool());
            else if (op == 9) {
                const bool connected = in.ConsumeBool();
                sim_.setConnected(connected);
                trace("connection bit %d", connected);
            }
            else if (op == 10)
                failDevice(in);
            else if (op == 11)
                sim_.setSessionText(in.ConsumeRandomLengthString(200));
            else
                hold(in.ConsumeIntegralInRange<int>(1, 400));
            checkDevice();
        }
        loop_->end();
        FUZZ_CHECK(!output_.outputEnabled.load() && output_.requestedForce.load() == 0,
                   "the engine's end leaves nothing on the wheel");
    }

  private:
    void tick(FuzzedDataProvider& in) {
        // Mostly the next tick; sometimes a repeat or a jump (backwards: a
        // new simulator).
        int32_t next = nextTick();
        if (in.ConsumeIntegralInRange<int>(0, 15) == 0)
            next = in.ConsumeIntegral<int32_t>();
        std::vector<uint8_t> line = sim_.image.newLine();
        const bool onTrack = in.ConsumeIntegralInRange<int>(0, 7) != 0;
        sim_.image.setBool(line, "IsOnTrack", onTrack);
        sim_.image.setBool(line, "BrakeABSactive", in.ConsumeBool());
        for (const char* name : {"Speed", "SteeringWheelTorque", "SteeringWheelAngle", "SteeringWheelAngleMax",
                                 "VelocityX", "VelocityY", "LongAccel", "LatAccel", "YawRate"})
            sim_.image.setFloat(line, name, anyFloat(in));
        for (const char* name : {"SteeringWheelTorque_ST", "LFshockDefl_ST", "RFshockDefl_ST", "CFshockDefl_ST"})
            for (int i = 0; i < kSubSamples; ++i)
                sim_.image.setFloat(line, name, anyFloat(in), i);
        line_ = line;
        trace("tick %d, on track %d", next, onTrack);
        publish(next);
    }

    // The last tick's values again for `ticks` ticks: a steady stretch of
    // driving, long enough for the output to pass its start delay and ramp.
    void hold(int ticks) {
        if (line_.empty())
            return;
        trace("holding for %d ticks", ticks);
        for (int i = 0; i < ticks; ++i)
            publish(nextTick());
    }

    // The simulator's tick count wraps to 0 after 2^31 - 1 (the engine then
    // sees a new simulator).
    int32_t nextTick() const { return tick_ == INT32_MAX ? 0 : tick_ + 1; }

    void publish(int32_t next) {
        sim_.image.publishLine(sim_.block(), line_, next);
        const int64_t tickStart = clock_.now;
        sim_.source.nextWait = TelemetrySource::Wait::Signalled;
        pass();
        tick_ = next;
        expectForceOff(watch_.offTrack, "off track: the force is off");
        // The rest of the tick, as the engine waits for the next one.
        engineClock_.spinUntil(std::max(clock_.now, tickStart + kTickNs));
    }

    void settings(FuzzedDataProvider& in) {
        FfbSettings s;
        const int changes = in.ConsumeIntegralInRange<int>(1, 6);
        for (int i = 0; i < changes; ++i) {
            const SettingDescriptor& row = kFfbSettingTable[in.ConsumeIntegralInRange<int>(0, kFfbSettingCount - 1)];
            row.set(s, in.ConsumeBool() ? in.ConsumeIntegral<int32_t>()
                                        : in.ConsumeIntegralInRange<int32_t>(row.controlMin, row.controlMax));
        }
        engine_->storeSettings(s);
        trace("settings: force strength %d, mode %d", s.ForceStrength, s.Mode);
    }

    // No new tick for a while: the engine's waits time out.
    void stall(int64_t forNs) {
        const int64_t until = clock_.now + forNs;
        sim_.source.nextWait = TelemetrySource::Wait::TimedOut;
        while (clock_.now < until) {
            engineClock_.sleepNs(std::min<int64_t>(until - clock_.now, 100 * kNsPerMs));
            pass();
        }
        trace("stall %lld ms", static_cast<long long>(forNs / kNsPerMs));
        expectForceOff(clock_.now - watch_.lastNewTickNs >= kStaleNs + kNsPerMs,
                       "250 ms without a tick: the force is off");
    }

    // The data-valid wait fails (the simulator ended); with `absent` the
    // next attach fails too, then it comes back.
    void simulatorGone(bool absent) {
        sim_.source.nextWait = TelemetrySource::Wait::Failed;
        pass();
        expectForceOff(true, "the simulator gone: the force is off");
        if (absent) {
            sim_.source.present = false;
            pass();
            expectForceOff(true, "no simulator: the force is off");
            sim_.source.present = true;
        }
        sim_.source.nextWait = TelemetrySource::Wait::Signalled;
        watch_.offTrack = true; // until a new on-track tick
        trace("simulator gone%s", absent ? ", then absent" : "");
    }

    void failDevice(FuzzedDataProvider& in) {
        static const char* const kCalls[] = {"setMagnitude", "startEffect", "createEffect", "acquire",
                                             "readAxisX", "createDevice"};
        const HResult codes[] = {kEFail, kDierrInputLost, kDierrNotAcquired};
        const char* call = kCalls[in.ConsumeIntegralInRange<int>(0, 5)];
        const HResult code = codes[in.ConsumeIntegralInRange<int>(0, 2)];
        const int count = in.ConsumeIntegralInRange<int>(1, 50);
        port_.failNext(call, code, count);
        trace("%s fails %d times", call, count);
    }

    template <typename... T> void trace(const char* format, T... values) {
        if (!kTrace)
            return;
        std::fprintf(stderr, "%12lld ns: ", static_cast<long long>(clock_.now));
        std::fprintf(stderr, format, values...);
        std::fprintf(stderr, "; enabled %d, requested %d, device open %d\n", output_.outputEnabled.load(),
                     output_.requestedForce.load(), loop_->deviceOpen());
    }

    void pass() {
        loop_->pass();
        FUZZ_CHECK(std::abs(output_.requestedForce.load()) <= 9996, "the engine never asks for more than 9996");
    }

    void expectForceOff(bool off, const char* why) {
        if (!off)
            return;
        FUZZ_CHECK(!output_.outputEnabled.load() && output_.requestedForce.load() == 0, why);
        checkDevice();
        zeroFrom_ = std::min(zeroFrom_, magnitudes_);
    }

    // The output thread's loops, while the wheel is open.
    void runOutputUntil(int64_t deadline) {
        while (clock_.now < deadline) {
            if (!loop_->deviceOpen()) {
                clock_.now = deadline;
                return;
            }
            output_.loopOnce();
            if (output_.outputEnabled.load() && zeroFrom_ != SIZE_MAX) {
                checkDevice();        // what came while it was off
                zeroFrom_ = SIZE_MAX; // on again: the engine enabled it on an on-track tick
            }
        }
    }

    // Every device call since the last check, in order.
    void checkDevice() {
        const auto& calls = port_.calls;
        for (; checked_ < calls.size(); ++checked_) {
            const test::FakeWheelPort::Call& call = calls[checked_];
            // A released device stops its effects: the next one starts
            // from rest.
            if (call.name == "releaseAll")
                lastMagnitude_ = 0;
            if (call.name != "setMagnitude")
                continue;
            const int32_t m = call.value;
            FUZZ_CHECK(std::abs(m) <= FfbOutput::kFullScale, "the device never gets more than full scale");
            if (magnitudes_ >= zeroFrom_)
                FUZZ_CHECK(m == 0, "nothing but zero reaches the wheel while the force is off");
            // After a reacquire's zero too (docs/departures.md, "A reacquire
            // climbs back within the slew limit").
            if (magnitudes_ > 0 && m != 0)
                FUZZ_CHECK(std::abs(m - lastMagnitude_) <= FfbOutput::kSlewLimit,
                           "no step beyond the slew limit while output runs");
            lastMagnitude_ = m;
            ++magnitudes_;
        }
    }

    VirtualClock clock_;
    EngineClock engineClock_;
    test::SimulatedBlock sim_;
    test::FakeWheelPort port_;
    FfbOutput output_;
    test::RecordingHandOff handOff_;
    TextSessionScanner scanner_;
    std::unique_ptr<FfbEngine> engine_; // its recording ring is large
    EnginePorts ports_;
    std::unique_ptr<EngineLoop> loop_;
    int32_t tick_ = 0;
    TickWatch watch_;
    std::vector<uint8_t> line_; // the last tick's line
    size_t zeroFrom_ = SIZE_MAX; // magnitudes from this index on must be 0
    size_t checked_ = 0;         // device calls checked
    size_t magnitudes_ = 0;      // magnitudes among them
    int32_t lastMagnitude_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    Rig rig;
    rig.run(in);
    return 0;
}
