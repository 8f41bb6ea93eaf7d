#pragma once
// The program's release number: four non-negative integers, written
// "%d.%d.%d.%d". Both programs carry the same one; the updater sends it with
// every request and compares it with the manifest's.
#include "common/release_version.h"

#include <array>
#include <cstdint>
#include <string>

namespace gripline {

inline constexpr const wchar_t* kProgramVersionText = kReleaseVersionText;

struct ProgramVersion {
    std::array<int32_t, 4> parts{};
};

// False unless the text starts with four dot-separated, non-empty,
// non-negative decimal integers; anything after the fourth is ignored.
bool parseVersion(const std::wstring& text, ProgramVersion& version);
// The first differing part decides; equal versions are not newer.
bool isNewerVersion(const ProgramVersion& candidate, const ProgramVersion& current);

} // namespace gripline
