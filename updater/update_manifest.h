#pragma once
// The update manifest: a small JSON object on the update server naming the
// newest release and where its two programs are. Only four string members
// are read, tolerantly, from the raw UTF-8 text.
#include "updater/program_version.h"

#include <cstdint>
#include <span>
#include <string>

namespace gripline {

inline constexpr const wchar_t* kManifestPath = L"/uploads/torvix/commercial/latest.json";

struct UpdateManifest {
    bool valid = false; // the version parses and both paths are non-empty
    ProgramVersion version;
    std::wstring versionText;
    std::wstring appPath;      // path on the update host
    std::wstring analyzerPath; // path on the update host
    std::wstring notes;        // may be empty
};

UpdateManifest parseManifest(std::span<const uint8_t> text);

} // namespace gripline
