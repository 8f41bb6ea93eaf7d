// How long the force model takes for one tick: grip model, sub-samples,
// ABS, smoothing, the recording values and every output sample's value and
// magnitude, on the stand-in's eight synthetic drives (corners, kerbs, ABS,
// a crash, the end stop). Natively and, built with mingw, under Wine.
#include "common/clock.h"
#include "engine/force_model.h"
#include "telemetry/telemetry_image.h"
#include "telemetry/telemetry_variables.h"
#include "tools/simulator_standin/scenarios.h"

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace gripline;

namespace {

std::vector<TelemetrySnapshot> scenarioTicks() {
    TelemetryImage layout(standardTelemetryVars(), 1, 64);
    std::vector<uint8_t> block(layout.size());
    layout.format(block);
    const TelemetryVarIndices vars = resolveVariables(block);
    std::vector<TelemetrySnapshot> ticks;
    std::vector<uint8_t> line = layout.newLine();
    int32_t tick = 0;
    for (const standin::ScenarioInfo& scenario : standin::scenarios())
        for (int32_t i = 0; i < standin::kScenarioLines; ++i, ++tick) {
            standin::fillScenarioLine(scenario, i, tick, layout, line);
            TelemetrySnapshot s;
            decodeLine(block, vars, line, tick, s);
            ticks.push_back(s);
        }
    return ticks;
}

double percentile(const std::vector<double>& sorted, double p) {
    return sorted[static_cast<size_t>(p * static_cast<double>(sorted.size() - 1))];
}

} // namespace

int main() {
    const std::vector<TelemetrySnapshot> ticks = scenarioTicks();
    CarCoefficients car;
    car.YawRateMultiplier = 44.0f;
    car.LateralAccelDivisor = 110.0f;
    car.ResistanceGain = 1.0f;
    Clock& clock = steadyClock();
    [[maybe_unused]] volatile int32_t sink = 0; // keeps the work from being optimised away

    for (int32_t mode : {0, 1}) {
        FfbSettings settings;
        settings.Mode = mode;
        settings.MinForce = 3;
        settings.UndersteerLighten = 40;
        ForceModel model;
        StintAccumulators acc;
        int64_t hold = 0;
        std::vector<double> tickUs;
        tickUs.reserve(ticks.size() * 20);
        for (int round = 0; round < 20; ++round) {
            model.reset();
            TelemetrySnapshot previous;
            for (const TelemetrySnapshot& s : ticks) {
                const int64_t start = clock.nowNs();
                const TickPlan plan =
                    model.computeTick(s, previous, settings, car, s.TickCount * 16'666'667LL, hold);
                if (!plan.pastLock) {
                    sink = model.tickRecord(s).Clipped;
                    for (int j = 0; j < plan.samples.count; ++j)
                        sink = model.publishSample(j, acc);
                    model.finishTick();
                }
                tickUs.push_back(static_cast<double>(clock.nowNs() - start) / 1000.0);
                previous = s;
            }
        }
        std::sort(tickUs.begin(), tickUs.end());
        double sum = 0;
        for (double us : tickUs)
            sum += us;
        std::printf(
            "force model, one tick in mode %d (%s): mean %.2f us, p50 %.2f us, p99 %.2f us, "
            "max %.1f us over %zu ticks\n",
            mode, mode == 1 ? "12 samples" : "6 samples", sum / static_cast<double>(tickUs.size()),
            percentile(tickUs, 0.5), percentile(tickUs, 0.99), tickUs.back(), tickUs.size());
    }
    return 0;
}
