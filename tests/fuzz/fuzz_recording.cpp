// A recording (.kvtrec) as the Analyzer's window and `gripline analyze` and
// `plot` read it: load, analyse, the report text and the advice values, and
// the picture, whose points must all lie on the canvas and whose size grows
// with the number of samples only, whatever the file claims.
#include "analyzer/analysis_report.h"
#include "recording/recording_file.h"
#include "tools/gripline_cli/force_plot.h"
#include "tests/fuzz/fuzz_check.h"

#include <cmath>
#include <cstdlib>
#include <string>

using namespace gripline;

namespace {

void checkAdvice(const AnalyzerAdvice& advice) {
    if (!advice.HasCoefficientAdvice)
        return;
    for (float value : {advice.YawRateMultiplier, advice.YawSteerGain, advice.LateralAccelDivisor,
                        advice.ResistanceGain, advice.SteerMarginBias})
        FUZZ_CHECK(std::isfinite(value), "advised coefficients are finite numbers");
}

// Every points="x,y x,y ..." list: plain numbers, inside the 1600 x 560 canvas.
void checkPicture(const std::string& svg, size_t samples) {
    FUZZ_CHECK(svg.size() <= 20'000 + 1'000 * samples, "the picture grows with the samples only");
    for (size_t at = svg.find("points=\""); at != std::string::npos; at = svg.find("points=\"", at)) {
        at += 8;
        const size_t end = svg.find('"', at);
        FUZZ_CHECK(end != std::string::npos, "a closed points list");
        const char* p = svg.c_str() + at;
        const char* const stop = svg.c_str() + end;
        for (bool x = true; p < stop; x = !x) {
            char* next = nullptr;
            const double v = std::strtod(p, &next);
            FUZZ_CHECK(next != p, "only numbers in a points list");
            FUZZ_CHECK(std::isfinite(v) && v >= 0 && v <= (x ? 1600.0 : 560.0), "every point on the canvas");
            p = next;
            while (p < stop && (*p == ',' || *p == ' '))
                ++p;
        }
        at = end;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::filesystem::path path = fuzz::scratchFile("recording.kvtrec");
    fuzz::writeScratch(path, {data, size});
    RecordingHeader header{};
    std::vector<RecordingSample> samples;
    std::string error;
    if (!loadRecording(path, header, samples, error)) {
        FUZZ_CHECK(!error.empty(), "a refused recording says why");
        return 0;
    }
    FUZZ_CHECK(!samples.empty(), "a loaded recording has samples");
    const AnalysisResult result = analyzeRecording(header, samples);
    FUZZ_CHECK(result.Report.size() >= 2 && result.Report.ends_with(L"\r\n"), "the report ends its last line");
    checkAdvice(result.Advice);
    checkPicture(forcePlotSvg({&header, &samples, std::nullopt}), samples.size());
    return 0;
}
