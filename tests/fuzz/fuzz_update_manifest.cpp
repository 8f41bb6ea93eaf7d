// The update manifest as the update server (or anyone between it and us)
// may send it: the four strings and the two hashes, the version and its
// comparison with ours, and the request paths and file names made from it.
#include "updater/sha256.h"
#include "updater/update_manifest.h"
#include "updater/update_url.h"
#include "tests/fuzz/fuzz_check.h"

using namespace gripline;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const UpdateManifest manifest = parseManifest({data, size});
    ProgramVersion ours;
    FUZZ_CHECK(parseVersion(kProgramVersionText, ours), "our own version parses");
    if (manifest.valid) {
        FUZZ_CHECK(!manifest.appPath.empty() && !manifest.analyzerPath.empty(), "a valid manifest names both programs");
        for (const std::string* hash : {&manifest.appSha256, &manifest.analyzerSha256})
            FUZZ_CHECK(hash->empty() || (isSha256Hex(*hash) &&
                                         hash->find_first_of("ABCDEF") == std::string::npos),
                       "a hash is absent or 64 lower-case digits, comparable with sha256Hex");
        for (int32_t part : manifest.version.parts)
            FUZZ_CHECK(part >= 0, "version parts are non-negative");
        const bool newer = isNewerVersion(manifest.version, ours);
        const bool older = isNewerVersion(ours, manifest.version);
        FUZZ_CHECK(!(newer && older), "never both newer and older");
        FUZZ_CHECK(!isNewerVersion(manifest.version, manifest.version), "a version is not newer than itself");
        if (!newer && !older)
            FUZZ_CHECK(manifest.version.parts == ours.parts, "neither newer nor older is equal");
        for (const std::wstring* path : {&manifest.appPath, &manifest.analyzerPath}) {
            const std::wstring request = appendVersionQuery(*path, manifest.versionText);
            FUZZ_CHECK(request.compare(0, path->size(), *path) == 0, "the query is appended, the path kept");
            FUZZ_CHECK(fileNameFromUrlPath(*path).size() <= path->size(), "a file name is part of its path");
        }
    }
    FUZZ_CHECK(isSha256Hex(sha256Hex({data, size})), "any download hashes to 64 digits");
    return 0;
}
