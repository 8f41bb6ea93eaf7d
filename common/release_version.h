#pragma once
// The release both programs belong to, in one place: the window titles, the
// Analyzer's search for the program of its own release, the updater's
// requests and comparison, the version resources of both programs, the build
// and the release script (scripts/release.sh) all read it here, so they can
// never disagree. The four numbers are macros because the resource compiler
// reads this file too (it defines RC_INVOKED and knows no C++).
#define GRIPLINE_RELEASE_MAJOR 0
#define GRIPLINE_RELEASE_MINOR 1
#define GRIPLINE_RELEASE_PATCH 0
#define GRIPLINE_RELEASE_BUILD 134

// "0.1.0.134": the four numbers as "%d.%d.%d.%d".
#define GRIPLINE_RELEASE_QUOTE_(n) #n
#define GRIPLINE_RELEASE_QUOTE(n) GRIPLINE_RELEASE_QUOTE_(n)
#define GRIPLINE_RELEASE_VERSION_TEXT                                                              \
    GRIPLINE_RELEASE_QUOTE(GRIPLINE_RELEASE_MAJOR)                                                 \
    "." GRIPLINE_RELEASE_QUOTE(GRIPLINE_RELEASE_MINOR) "." GRIPLINE_RELEASE_QUOTE(                 \
        GRIPLINE_RELEASE_PATCH) "." GRIPLINE_RELEASE_QUOTE(GRIPLINE_RELEASE_BUILD)

#ifndef RC_INVOKED
#define GRIPLINE_RELEASE_WIDEN_(text) L##text
#define GRIPLINE_RELEASE_WIDEN(text) GRIPLINE_RELEASE_WIDEN_(text)

namespace gripline {

inline constexpr int kReleaseVersion[4] = {GRIPLINE_RELEASE_MAJOR, GRIPLINE_RELEASE_MINOR,
                                           GRIPLINE_RELEASE_PATCH, GRIPLINE_RELEASE_BUILD};
// The same four numbers as text (a test holds them together).
inline constexpr const wchar_t* kReleaseVersionText =
    GRIPLINE_RELEASE_WIDEN(GRIPLINE_RELEASE_VERSION_TEXT);

} // namespace gripline
#endif
