// Time and peak memory to analyse a generated recording of N hours of driving
// (60 samples a second): `analyze_bench HOURS`. Run once per size, so that
// the process's peak belongs to that size alone.
#include "analyzer/analysis_report.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <psapi.h>
#else
#include <sys/resource.h>
#endif

namespace {

using namespace gripline;

double peakMemoryMb() {
#ifdef _WIN32
    PROCESS_MEMORY_COUNTERS counters{};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<double>(counters.PeakWorkingSetSize) / 1e6;
#else
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) * 1024.0 / 1e6; // kilobytes on Linux
#endif
}

// Laps of alternating corners and straights with forces that vary, so the
// fit and every percentile have real work to do.
std::vector<RecordingSample> drive(size_t count) {
    std::vector<RecordingSample> samples(count);
    for (size_t i = 0; i < count; ++i) {
        RecordingSample& s = samples[i];
        const float t = static_cast<float>(i % 100000) * 0.01f;
        const float side = (i / 600) % 2 ? 1.0f : -1.0f;
        s.TimeUs = i * 16667;
        s.Speed = 30.0f + 25.0f * std::sin(t * 0.3f);
        s.LatAccel = side * (4.0f + 10.0f * std::fabs(std::sin(t)));
        s.YawRate = s.LatAccel / s.Speed;
        s.SteeringWheelAngle = side * (0.05f + 0.02f * s.LatAccel * side + 0.01f * std::sin(t * 7));
        s.LongAccel = 2.0f * std::cos(t);
        s.FinalForce = 20.0f * std::sin(t * 3.0f);
        s.BaseForce = 15.0f * std::sin(t * 3.0f);
        s.ResistanceForce = 3.0f * std::sin(t);
        s.SuspensionDetailForce = std::sin(t * 40.0f);
        s.UndersteerActivity = i % 5 == 0 ? 0.5f : 0.0f;
        s.FullScaleNm = 25.0f;
        s.CrashFactor = 1.0f;
    }
    return samples;
}

} // namespace

int main(int argc, char** argv) {
    const double hours = argc > 1 ? std::atof(argv[1]) : 1.0;
    const auto count = static_cast<size_t>(hours * 3600.0 * 60.0);
    RecordingHeader header = makeRecordingHeader();
    header.ForceStrength = 80;
    header.UndersteerResistance = 50;
    header.YawRateMultiplier = 44.0f;
    header.LateralAccelDivisor = 110.0f;
    header.ResistanceGain = 1.0f;
    const std::vector<RecordingSample> samples = drive(count);
    const double recordingMb = static_cast<double>(count * sizeof(RecordingSample)) / 1e6;
    const double beforeMb = peakMemoryMb();

    const auto start = std::chrono::steady_clock::now();
    const AnalysisResult result = analyzeRecording(header, samples);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double peakMb = peakMemoryMb();

    std::printf("analyze %.0f h (%zu samples, %.1f MB): %.3f s, peak %.1f MB (%.2f x the recording; "
                "%.1f MB before analysing), %u stable corners\n",
                hours, count, recordingMb, seconds, peakMb, peakMb / recordingMb, beforeMb,
                result.Statistics.Estimate.StableCornerCount);
    return 0;
}
