#pragma once
// The release both programs belong to, in one place: the window titles, the
// Analyzer's search for the program of its own release, and the updater's
// requests and comparison all read it here, so they can never disagree.
namespace gripline {

inline constexpr int kReleaseVersion[4] = {0, 1, 0, 134};
// The same four numbers as text, "%d.%d.%d.%d" (a test holds them together).
inline constexpr const wchar_t* kReleaseVersionText = L"0.1.0.134";

} // namespace gripline
