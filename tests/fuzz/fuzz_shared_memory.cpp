// The simulator's shared-memory block, as another program may have written
// it: attach, read the newest line twice (the second read compares the
// layout again), the header words, the session text and the identity found
// in it; then the snapshot through the force model, which must turn
// whatever the block held into a finite force within the wheel's range.
#include "engine/force_model.h"
#include "settings/car_coefficients_store.h"
#include "telemetry/buffer_telemetry_source.h"
#include "telemetry/session_scanner.h"
#include "telemetry/telemetry_reader.h"
#include "tests/fuzz/fuzz_check.h"

#include <cmath>
#include <vector>

using namespace gripline;

namespace {

// The documented ranges of a snapshot that was read (telemetry_snapshot.h).
void checkSnapshot(const TelemetrySnapshot& s) {
    FUZZ_CHECK(s.Valid, "a read snapshot is valid");
    FUZZ_CHECK(s.TorqueStCount >= 1 && s.TorqueStCount <= kSubSamples, "1..6 torque sub-samples");
    FUZZ_CHECK(s.ShockStCount >= 0 && s.ShockStCount <= kSubSamples, "0..6 shock sub-samples");
    FUZZ_CHECK(s.CFshockStCount >= 0 && s.CFshockStCount <= kSubSamples, "0..6 centre shock sub-samples");
}

void checkForce(const TelemetrySnapshot& current, const TelemetrySnapshot& previous) {
    ForceModel model;
    FfbSettings settings;
    int64_t crashHoldUntil = 0;
    const TickPlan plan =
        model.computeTick(current, previous, settings, defaultCoefficients(), 1'000'000'000, crashHoldUntil);
    FUZZ_CHECK(std::abs(plan.endStopMagnitude) <= 9996, "never more than 9996 asked, at the lock either");
    if (plan.pastLock)
        return; // the end-stop force is the tick's only output
    FUZZ_CHECK(plan.samples.count >= 1 && plan.samples.count <= kMaxTickSamples, "1..12 samples a tick");
    StintAccumulators acc;
    for (int j = 0; j < plan.samples.count; ++j) {
        FUZZ_CHECK(std::isfinite(model.sampleForce(j)), "a finite force, whatever the telemetry");
        FUZZ_CHECK(std::abs(model.publishSample(j, acc)) <= 9996, "never more than 9996 asked");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    BufferTelemetrySource source(std::vector<uint8_t>(data, data + size));
    TelemetryReader reader(source);
    if (!reader.open())
        return 0;
    TelemetrySnapshot first, second;
    const bool readFirst = reader.readLatest(first);
    if (readFirst)
        checkSnapshot(first);
    reader.refreshVariables();
    if (reader.readLatest(second)) {
        checkSnapshot(second);
        checkForce(second, readFirst ? first : TelemetrySnapshot{});
    }
    (void)reader.simulatorConnected();
    (void)reader.sessionInfoUpdate();

    const std::span<const uint8_t> text = reader.sessionText();
    if (!text.empty())
        FUZZ_CHECK(text.data() >= source.view() && text.data() + text.size() <= source.view() + source.viewSize(),
                   "the session text lies inside the view");
    SessionIdentity identity;
    if (TextSessionScanner().scan(text, identity))
        FUZZ_CHECK(!identity.CarPath.empty(), "a found identity has a car path");
    return 0;
}
