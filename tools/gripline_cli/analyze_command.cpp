// gripline analyze FILE.kvtrec [--advice]: the Analyzer's report of a
// recording, byte for byte as its text pane shows it (CRLF line ends, UTF-8),
// or with --advice the recommendations it would hand to the force-feedback
// program, as one JSON object.
#include "analyzer/analysis_report.h"
#include "recording/recording_file.h"
#include "settings/wide_text.h"
#include "tools/gripline_cli/gripline_cli.h"
#include "tools/gripline_cli/snapshot_json.h"

#include <cstdio>
#include <ostream>
#include <string>
#include <type_traits>
#include <vector>

namespace gripline::cli {

namespace {

void appendJsonString(std::string& out, const std::wstring& text) {
    gripline::appendJsonString(out, wideToUtf8(text));
}

template <typename Value> void appendMember(std::string& out, const char* key, const Value& value) {
    out += out.size() == 1 ? "\"" : ", \"";
    out += key;
    out += "\": ";
    if constexpr (std::is_same_v<Value, std::wstring>)
        appendJsonString(out, value);
    else if constexpr (std::is_same_v<Value, bool>)
        out += value ? "true" : "false";
    else if constexpr (std::is_same_v<Value, float>)
        appendJsonNumber(out, value); // 9 significant digits: reads back to the same float
    else
        out += std::to_string(value);
}

std::string adviceJson(const AnalyzerAdvice& a) {
    std::string out = "{";
    appendMember(out, "ProfileName", a.ProfileName);
    appendMember(out, "CarName", a.CarName);
    appendMember(out, "ForceStrength", a.ForceStrength);
    appendMember(out, "CarForceBalance", a.CarForceBalance);
    appendMember(out, "Bumps", a.Bumps);
    appendMember(out, "BumpImpacts", a.BumpImpacts);
    appendMember(out, "SuspensionDetailPriority", a.SuspensionDetailPriority);
    appendMember(out, "AbsVibration", a.AbsVibration);
    appendMember(out, "HasCoefficientAdvice", a.HasCoefficientAdvice);
    appendMember(out, "YawRateMultiplier", a.YawRateMultiplier);
    appendMember(out, "YawSteerGain", a.YawSteerGain);
    appendMember(out, "LateralAccelDivisor", a.LateralAccelDivisor);
    appendMember(out, "ResistanceGain", a.ResistanceGain);
    appendMember(out, "SteerMarginBias", a.SteerMarginBias);
    return out + "}\n";
}

} // namespace

int analyzeCommand(Args args, std::ostream& out, std::ostream& err) {
    const bool advice = args.size() == 2 && argumentIs(args[1], "--advice");
    if (args.empty() || args.size() > 2 || (args.size() == 2 && !advice))
        return fail(err, "usage: gripline analyze FILE.kvtrec [--advice]");

    RecordingHeader header;
    std::vector<RecordingSample> samples;
    std::string error;
    if (!loadRecording(args[0], header, samples, error))
        return fail(err, error);
    const AnalysisResult result = analyzeRecording(header, samples);

    // The report keeps its CRLF line ends; main() puts stdout in binary mode
    // on Windows so they are not doubled.
    const std::string text = advice ? adviceJson(result.Advice) : wideToUtf8(result.Report);
    if (!out.write(text.data(), static_cast<std::streamsize>(text.size())) || !out.flush())
        return fail(err, "cannot write the output");
    return 0;
}

} // namespace gripline::cli
