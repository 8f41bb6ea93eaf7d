#pragma once
// The analysis of one recording as the user reads it: the report text and
// the advice the analyzer can hand to the force-feedback program.
#include "analyzer/recording_statistics.h"
#include "recording/recording_format.h"
#include "settings/analyzer_advice.h"

#include <span>
#include <string>

namespace gripline {

struct AnalysisResult {
    std::wstring Report; // lines ended by "\r\n", as the analyzer's text pane shows it
    AnalyzerAdvice Advice;
    RecordingStatistics Statistics;
};

// Needs at least one sample; the reader refuses a recording without any.
AnalysisResult analyzeRecording(const RecordingHeader& header,
                                std::span<const RecordingSample> samples);

} // namespace gripline
