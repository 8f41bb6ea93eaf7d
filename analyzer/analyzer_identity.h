#pragma once
// The Analyzer's name, version and the texts of its message boxes. The
// version is the release's, the same as the force-feedback program's: the
// Analyzer looks for that program under the versioned name first.
#include "common/release_version.h"

#include <string>

namespace gripline {

inline constexpr const wchar_t* kAnalyzerName = L"Gripline Analyzer";

// "Gripline Analyzer v0.1.0.134"
std::wstring analyzerWindowTitle();

// Every message box of the Analyzer carries this caption.
inline constexpr const wchar_t* kMessageCaption = L"Gripline Analyzer";
inline constexpr const wchar_t* kNothingTickedText =
    L"Select at least one advised setting before using the analyzer advice.";
inline constexpr const wchar_t* kProgramNotFoundText =
    L"The matching Torvix executable was not found next to this Analyzer.";
inline constexpr const wchar_t* kNoTemporaryFileText = L"Could not create a temporary advice file.";
inline constexpr const wchar_t* kAdviceNotWrittenText =
    L"Could not write the temporary advice file.";
inline constexpr const wchar_t* kLaunchFailedText =
    L"Could not launch Torvix with the analyzer advice.";
inline constexpr const wchar_t* kAdviceSentText = L"The analyzer advice was sent to Torvix.";

} // namespace gripline
