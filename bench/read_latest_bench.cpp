// How long one readLatest takes on the real simulator layout: the live
// image recorded from the simulator, 323 variables and 8,154-byte lines.
#include "common/clock.h"
#include "common/file_bytes.h"
#include "telemetry/buffer_telemetry_source.h"
#include "telemetry/telemetry_reader.h"

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace gripline;

int main(int argc, char** argv) {
    const char* path = argc > 1 ? argv[1] : GRIPLINE_FIXTURES "/irsdk_live_w13_monza.bin";
    std::vector<uint8_t> bytes;
    std::string error;
    if (!readFileBytes(path, bytes, error)) {
        std::fprintf(stderr, "read_latest_bench: %s\n", error.c_str());
        return 1;
    }
    BufferTelemetrySource source(std::move(bytes));
    TelemetryReader reader(source);
    if (!reader.open()) {
        std::fprintf(stderr, "read_latest_bench: cannot attach to %s\n", path);
        return 1;
    }
    Clock& clock = steadyClock();
    TelemetrySnapshot snapshot;
    constexpr int kCalls = 20000;
    std::vector<double> rounds;
    [[maybe_unused]] volatile float sink = 0; // keeps the reads from being optimised away
    for (int round = 0; round < 15; ++round) {
        const int64_t start = clock.nowNs();
        for (int i = 0; i < kCalls; ++i) {
            if (!reader.readLatest(snapshot))
                return 1;
            sink = snapshot.Speed;
        }
        rounds.push_back(double(clock.nowNs() - start) / kCalls);
    }
    std::sort(rounds.begin(), rounds.end());
    std::printf("readLatest on the real image layout: %.0f ns per call (median of %zu rounds of "
                "%d calls; fastest %.0f ns)\n",
                rounds[rounds.size() / 2], rounds.size(), kCalls, rounds.front());
    return 0;
}
