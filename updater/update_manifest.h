#pragma once
// The update manifest: a small JSON object on the update server naming the
// newest release and where its two programs are, and (from the releases that
// write them) the SHA-256 of each. Only these string members are read,
// tolerantly, from the raw UTF-8 text.
#include "updater/program_version.h"

#include <cstdint>
#include <span>
#include <string>

namespace gripline {

inline constexpr const wchar_t* kManifestPath = L"/uploads/torvix/commercial/latest.json";

struct UpdateManifest {
    // The version parses, both paths are non-empty, and each hash is either
    // absent or 64 hexadecimal digits.
    bool valid = false;
    ProgramVersion version;
    std::wstring versionText;
    std::wstring appPath;      // path on the update host
    std::wstring analyzerPath; // path on the update host
    std::wstring notes;        // may be empty
    // "appSha256" and "analyzerSha256" in lower case; empty when the
    // manifest carries none (older releases), and then nothing is checked.
    std::string appSha256;
    std::string analyzerSha256;
};

UpdateManifest parseManifest(std::span<const uint8_t> text);

} // namespace gripline
