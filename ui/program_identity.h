#pragma once
// The program's name as the user sees it and its four-part version, the same
// in both programs of a release.
#include <string>

namespace gripline {

inline constexpr const wchar_t* kDisplayName = L"Gripline";
inline constexpr int kProgramVersion[4] = {0, 1, 0, 134};

// "Gripline v0.1.0.134"
std::wstring windowTitle();

} // namespace gripline
